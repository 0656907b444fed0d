#include "simulator/sim_state.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "simulator/sim_platform.h"

namespace {

// The layout written; files of the older one, which kept only flash and EEPROM, are still read.
const char kMagic[] = "BDXSIM-STATE 2\n";
const char kOldMagic[] = "BDXSIM-STATE 1\n";
static_assert(sizeof kMagic == sizeof kOldMagic, "both first lines are read alike");
constexpr size_t kMagicLength = sizeof kMagic - 1;
constexpr size_t kRegsSize = sizeof(SimTarget::regs);

struct Section {
  std::string name;
  unsigned first_page = 0;
  unsigned long flash_size = 0;
  unsigned long eeprom_start = 0;
  unsigned long eeprom_size = 0;
  // The powered state: ram_size is 0 when the section keeps none (the older layout).
  unsigned long ram_start = 0;
  unsigned long ram_size = 0;
  long long saved_at = 0;  // wall clock, milliseconds since 1970
  SimCpu cpu;
  unsigned window_page = 0;
  std::string flash;
  std::string eeprom;
  std::string ram;
  std::string regs;   // the register block, kept with the RAM
  bool damaged = false;  // its contents do not match its checksum
};

// Far more than the sections of every part together.
constexpr size_t kMaxStateBytes = 64u << 20;
// A time stamp beyond the year 5000 is no time this library wrote: the section is damaged.
constexpr unsigned long long kMaxSavedSeconds = 100000000000ull;

bool begins_with(const std::string& text, const char* magic) {
  size_t n = text.size() < kMagicLength ? text.size() : kMagicLength;
  return text.compare(0, n, magic, n) == 0;
}

// A file that does not even begin like a state file is somebody else's: it is neither read nor
// overwritten. An empty file, or one cut short within the first line, counts as a damaged state
// file.
bool foreign_file(const std::string& text) {
  return !begins_with(text, kMagic) && !begins_with(text, kOldMagic);
}

// CRC-32 (the zip polynomial), continued from crc.
unsigned long crc32(unsigned long crc, const std::string& bytes) {
  static unsigned long table[256];
  static bool made = false;
  if (!made) {
    for (unsigned long i = 0; i < 256; ++i) {
      unsigned long c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320ul ^ (c >> 1) : c >> 1;
      table[i] = c;
    }
    made = true;
  }
  crc = ~crc & 0xFFFFFFFFul;
  for (unsigned char b : bytes) crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
  return ~crc & 0xFFFFFFFFul;
}

// "run PC SP X Y D CCR TMP page": the core's registers, and the page at 0x8000-0xBFFF. run is
// 1 for a running part, plus 2 for a CPU waiting in WAI (a file without that bit is read as
// before: a reader that only tells 0 from the rest still sees whether the part runs).
constexpr unsigned kRunning = 1, kWaiting = 2;
std::string cpu_fields(const SimCpu& c, unsigned window_page) {
  return sim_format("%u %X %X %X %X %X %X %X %X",
                    (c.running ? kRunning : 0) | (c.waiting ? kWaiting : 0), c.pc, c.sp, c.x,
                    c.y, c.d, c.ccr, c.tmp, window_page);
}

// The header line without its checksum: "PART name first_page flash_size eeprom_start
// eeprom_size ram_start ram_size seconds.milliseconds" and the CPU's fields.
std::string header_fields(const Section& s) {
  const long long at = s.saved_at > 0 ? s.saved_at : 0;
  return sim_format("PART %s %X %lu %lX %lu %lX %lu %lu.%03u %s", s.name.c_str(), s.first_page,
                    s.flash_size, s.eeprom_start, s.eeprom_size, s.ram_start, s.ram_size,
                    static_cast<unsigned long>(at / 1000), static_cast<unsigned>(at % 1000),
                    cpu_fields(s.cpu, s.window_page).c_str());
}

// The checksum of a section covers its header fields and its contents, so a changed byte
// anywhere in it is found.
unsigned long section_checksum(const Section& s) {
  unsigned long crc = crc32(0, header_fields(s));
  for (const std::string* part : {&s.flash, &s.eeprom, &s.ram, &s.regs}) crc = crc32(crc, *part);
  return crc;
}

// The same in the older layout, whose header ended after eeprom_size.
unsigned long old_section_checksum(const Section& s) {
  const std::string header = sim_format("PART %s %X %lu %lX %lu", s.name.c_str(), s.first_page,
                                        s.flash_size, s.eeprom_start, s.eeprom_size);
  return crc32(crc32(crc32(0, header), s.flash), s.eeprom);
}

// A damaged section is written back with a checksum that still does not match, so that it stays
// reported as damaged instead of being taken for good.
unsigned long checksum_to_write(const Section& s) {
  const unsigned long c = section_checksum(s);
  return s.damaged ? ~c & 0xFFFFFFFFul : c;
}

struct StateFile {
  std::vector<Section> sections;  // every section whose header and length could be read
  bool unreadable_parts = false;  // bytes that belong to no readable section were skipped
};

// Reads a header line of either layout into s. *checksum and *old_layout tell how to check the
// contents; sections written before checksums were kept have none (*has_checksum false).
bool parse_header(const std::string& header, Section* s, unsigned long* checksum,
                  bool* has_checksum, bool* old_layout) {
  char name[64] = {};
  unsigned long seconds = 0;
  unsigned ms = 0, running = 0, pc = 0, sp = 0, x = 0, y = 0, d = 0, ccr = 0, tmp = 0;
  const int fields = std::sscanf(
      header.c_str(), "PART %63s %x %lu %lx %lu %lx %lu %lu.%u %u %x %x %x %x %x %x %x %x %lx",
      name, &s->first_page, &s->flash_size, &s->eeprom_start, &s->eeprom_size, &s->ram_start,
      &s->ram_size, &seconds, &ms, &running, &pc, &sp, &x, &y, &d, &ccr, &tmp, &s->window_page,
      checksum);
  s->name = name;
  if (fields == 19) {
    // Taken apart before it is multiplied, so that no value overflows.
    if (static_cast<unsigned long long>(seconds) > kMaxSavedSeconds) {
      s->damaged = true;
      seconds = 0;
    }
    s->saved_at = static_cast<long long>(seconds) * 1000 + ms % 1000;
    s->cpu.running = (running & kRunning) != 0;
    s->cpu.waiting = (running & kWaiting) != 0;
    s->cpu.pc = static_cast<uint16_t>(pc);
    s->cpu.sp = static_cast<uint16_t>(sp);
    s->cpu.x = static_cast<uint16_t>(x);
    s->cpu.y = static_cast<uint16_t>(y);
    s->cpu.d = static_cast<uint16_t>(d);
    s->cpu.ccr = static_cast<uint16_t>(ccr);
    s->cpu.tmp = static_cast<uint16_t>(tmp);
    s->window_page &= 0xFF;
    *has_checksum = true;
    *old_layout = false;
    return true;
  }
  // The older header: "PART name first_page flash_size eeprom_start eeprom_size [checksum]".
  const int old_fields = std::sscanf(header.c_str(), "PART %63s %x %lu %lx %lu %lx", name,
                                     &s->first_page, &s->flash_size, &s->eeprom_start,
                                     &s->eeprom_size, checksum);
  if (old_fields != 5 && old_fields != 6) return false;
  s->name = name;
  s->ram_start = s->ram_size = 0;
  s->window_page = 0;
  *has_checksum = old_fields == 6;
  *old_layout = true;
  return true;
}

// Takes count bytes at *p into *out; false when the text ends before them.
bool take(const std::string& text, size_t* p, unsigned long count, std::string* out) {
  if (count > text.size() - *p) return false;
  *out = text.substr(*p, count);
  *p += count;
  return true;
}

// Reads one section at pos; false when its header or length cannot be read.
bool parse_section(const std::string& text, size_t* pos, Section* s) {
  size_t eol = text.find('\n', *pos);
  if (eol == std::string::npos || eol - *pos > 200) return false;
  unsigned long checksum = 0;
  bool has_checksum = false, old_layout = false;
  if (!parse_header(text.substr(*pos, eol - *pos), s, &checksum, &has_checksum, &old_layout))
    return false;
  size_t p = eol + 1;
  const unsigned long regs_size = s->ram_size ? kRegsSize : 0;
  if (!take(text, &p, s->flash_size, &s->flash) || !take(text, &p, s->eeprom_size, &s->eeprom) ||
      !take(text, &p, s->ram_size, &s->ram) || !take(text, &p, regs_size, &s->regs))
    return false;
  if (p >= text.size() || text[p] != '\n') return false;
  if (has_checksum)
    s->damaged =
        s->damaged || (old_layout ? old_section_checksum(*s) : section_checksum(*s)) != checksum;
  *pos = p + 1;
  return true;
}

// Splits a state file into its sections. Bytes that cannot be read as a section are skipped up
// to the next line that begins a section, so one damaged section costs no other.
StateFile parse_sections(const std::string& text) {
  StateFile out;
  size_t pos = kMagicLength;
  if (text.compare(0, kMagicLength, kMagic) != 0 && text.compare(0, kMagicLength, kOldMagic) != 0) {
    out.unreadable_parts = true;
    pos = text.find("\nPART ");
    if (pos == std::string::npos) return out;
    ++pos;
  }
  while (pos < text.size()) {
    Section s;
    if (parse_section(text, &pos, &s)) {
      out.sections.push_back(std::move(s));
      continue;
    }
    out.unreadable_parts = true;
    size_t next = text.find("\nPART ", pos);
    if (next == std::string::npos) break;
    pos = next + 1;
  }
  return out;
}

Section section_of(const SimTarget& t, long long saved_at) {
  Section s;
  s.name = t.part->name;
  s.first_page = t.part->first_page;
  s.flash_size = t.flash.size();
  s.eeprom_start = t.part->eeprom_start;
  s.eeprom_size = t.eeprom.size();
  s.ram_start = t.part->ram_start;
  s.ram_size = t.ram.size();
  s.saved_at = saved_at;
  s.cpu = t.cpu;
  s.window_page = t.window_page;
  s.flash.assign(t.flash.begin(), t.flash.end());
  s.eeprom.assign(t.eeprom.begin(), t.eeprom.end());
  s.ram.assign(t.ram.begin(), t.ram.end());
  s.regs.assign(t.regs, t.regs + kRegsSize);
  return s;
}

// The RAM, register block and CPU of a section that keeps them for t's RAM; false otherwise.
bool load_powered(SimTarget& t, const Section& s, int64_t* saved_at_ms) {
  if (s.ram_size == 0 || s.ram_start != t.part->ram_start || s.ram_size != t.ram.size())
    return false;
  std::memcpy(t.ram.data(), s.ram.data(), s.ram.size());
  std::memcpy(t.regs, s.regs.data(), kRegsSize);
  t.cpu = s.cpu;
  t.window_page = static_cast<uint8_t>(s.window_page);
  if (saved_at_ms) *saved_at_ms = s.saved_at;
  return true;
}

// Takes t's section from the text of a state file: an empty text, or the problem.
std::string load_section(SimTarget& t, const std::string& path, const std::string& text,
                         int64_t* saved_at_ms) {
  const StateFile file = parse_sections(text);
  const SimPart& p = *t.part;
  for (const Section& s : file.sections) {
    if (s.name != p.name) continue;
    if (s.damaged)
      return sim_format("State file '%s': the contents of %s are damaged; it starts erased",
                        path.c_str(), p.name);
    if (s.first_page != p.first_page || s.flash_size != t.flash.size() ||
        s.eeprom_start != p.eeprom_start || s.eeprom_size != t.eeprom.size())
      return sim_format("State file '%s' holds another memory layout for %s; it starts erased",
                        path.c_str(), p.name);
    std::memcpy(t.flash.data(), s.flash.data(), s.flash.size());
    std::memcpy(t.eeprom.data(), s.eeprom.data(), s.eeprom.size());
    // Without its powered state the part starts as after power-up: reset, with the reset
    // vector of the flash just loaded.
    if (!load_powered(t, s, saved_at_ms)) sim_target_reset(t);
    return "";
  }
  // The part's section may have been in what could not be read.
  if (file.unreadable_parts)
    return sim_format("State file '%s' is damaged; %s starts erased", path.c_str(), p.name);
  return "";
}

// "<state file>.<pid>.new": the temporary file of a save by process pid.
bool temporary_file_of(const std::string& name, const std::string& base, unsigned long* pid) {
  const std::string suffix = ".new";
  if (name.size() <= base.size() + 1 + suffix.size() || name.compare(0, base.size(), base) != 0 ||
      name[base.size()] != '.' ||
      name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
    return false;
  const std::string digits =
      name.substr(base.size() + 1, name.size() - base.size() - 1 - suffix.size());
  if (digits.empty() || digits.size() > 10 ||
      digits.find_first_not_of("0123456789") != std::string::npos)
    return false;
  *pid = std::strtoul(digits.c_str(), nullptr, 10);
  return true;
}

// A process killed while it saved left its temporary file behind: removed (under the lock)
// once that process is gone.
void remove_dead_temporary_files(const std::string& file) {
  namespace fs = std::filesystem;
  const fs::path path = file;
  const std::string base = path.filename().string();
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  std::error_code ec;
  std::vector<fs::path> dead;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    unsigned long pid = 0;
    if (temporary_file_of(it->path().filename().string(), base, &pid) &&
        pid != current_process_id() && !sim_process_alive(pid))
      dead.push_back(it->path());
  }
  for (const fs::path& p : dead) fs::remove(p, ec);
}

// The reason a file operation failed, from errno, as a line ends with it.
std::string reason(int error) {
  return error ? std::strerror(error) : "the file system did not say why";
}

// Step one of a save: the state file's lock, taken for the read, merge and replace, so that two
// programs saving different parts into one file at once each keep the other's section. Null
// with *problem set when it cannot be had.
SimFileLock* lock_state_file(const std::string& file, const std::string& path,
                             std::chrono::milliseconds lock_wait, bool* locked_out,
                             std::string* problem) {
  bool busy = false;
  SimFileLock* lock = sim_lock_file(file + ".lock", lock_wait, &busy);
  if (lock) return lock;
  if (busy) {
    if (locked_out) *locked_out = true;
    *problem = sim_format("State file '%s' is locked by another program", path.c_str());
  } else {
    *problem = sim_format("Cannot lock state file '%s'", path.c_str());
  }
  return nullptr;
}

// Step two: the sections the file is to hold, t's (stamped saved_at_ms) in place of its old one
// and every other part's that can be read kept as it was, a damaged one included (it stays
// reported as damaged). An empty text, or why the file must not be overwritten. *file_existed
// tells whether there was a state file to merge with.
std::string merge_sections(const SimTarget& t, const std::string& file, const std::string& path,
                           int64_t saved_at_ms, std::vector<Section>* sections,
                           bool* file_existed) {
  if (!sim_file_writable(file))
    return sim_format("State file '%s' is read-only; it is not overwritten", path.c_str());
  std::string old;
  const SimRead r = sim_read_regular_file(file, kMaxStateBytes, &old);
  if (r == SimRead::Unreadable)
    return sim_format("State file '%s' cannot be read; it is not overwritten", path.c_str());
  if (r == SimRead::NotRegular || r == SimRead::TooBig || (r == SimRead::Read && foreign_file(old)))
    return sim_format("'%s' is not a state file; it is not overwritten", path.c_str());
  *file_existed = r == SimRead::Read;
  if (*file_existed) *sections = parse_sections(old).sections;
  const Section mine = section_of(t, saved_at_ms);
  bool replaced = false;
  for (size_t i = 0; i < sections->size();) {
    Section& s = (*sections)[i];
    if (s.name != mine.name) {
      ++i;
    } else if (!replaced) {
      s = mine;
      replaced = true;
      ++i;
    } else {
      sections->erase(sections->begin() + long(i));
    }
  }
  if (!replaced) sections->push_back(mine);
  return "";
}

// Step three: the sections written whole under a temporary name of this process's own beside
// the file and forced onto the disk, the old file's permissions given to it, and then put in
// the old file's place in one step, so the old file stays whole until the new one is complete.
// An empty text, or the line about the failed write, ending with the reason.
std::string replace_state_file(const std::vector<Section>& sections, const std::string& file,
                               const std::string& path, bool keep_permissions) {
  remove_dead_temporary_files(file);
  const std::string temp = file + "." + std::to_string(current_process_id()) + ".new";
  int error = 0;
  // Each step keeps the first failure's reason.
  auto check = [&error](bool done) {
    if (!done && !error) error = errno ? errno : EIO;
    return done && !error;
  };
  errno = 0;
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  bool ok = check(f != nullptr);
  if (f) {
    ok = check(std::fwrite(kMagic, 1, kMagicLength, f) == kMagicLength);
    for (const Section& s : sections) {
      std::string header = header_fields(s) + sim_format(" %08lX\n", checksum_to_write(s));
      ok = ok && check(std::fwrite(header.data(), 1, header.size(), f) == header.size());
      for (const std::string* part : {&s.flash, &s.eeprom, &s.ram, &s.regs})
        ok = ok && check(std::fwrite(part->data(), 1, part->size(), f) == part->size());
      ok = ok && check(std::fputc('\n', f) != EOF);
    }
    ok = ok && check(flush_to_disk(f));
    ok = check(std::fclose(f) == 0) && ok;
    if (keep_permissions) copy_permissions(file, temp);
    ok = ok && check(replace_file_on_disk(temp, file));
    if (!ok) std::remove(temp.c_str());
  }
  if (!ok)
    return sim_format("Cannot write state file '%s': %s", path.c_str(), reason(error).c_str());
  return "";
}

}  // namespace

int64_t sim_state_now_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::string sim_state_powered(const SimTarget& t) {
  return cpu_fields(t.cpu, t.window_page) + "\n" + std::string(t.ram.begin(), t.ram.end()) +
         std::string(t.regs, t.regs + kRegsSize);
}

std::string sim_state_load(SimTarget& t, const std::string& path, bool* leave_alone,
                           int64_t* saved_at_ms) {
  if (leave_alone) *leave_alone = false;
  const std::string file = resolve_links(path);
  std::string text;
  const SimRead r = sim_read_regular_file(file, kMaxStateBytes, &text);
  if (r == SimRead::Missing) return "";
  if (r == SimRead::Unreadable) {
    if (leave_alone) *leave_alone = true;
    return sim_format("State file '%s' cannot be read; it is left alone and %s starts erased",
                      path.c_str(), t.part->name);
  }
  if (r != SimRead::Read || foreign_file(text)) {
    if (leave_alone) *leave_alone = true;
    return sim_format("'%s' is not a state file; it is left alone and %s starts erased",
                      path.c_str(), t.part->name);
  }
  std::string problem = load_section(t, path, text, saved_at_ms);
  // A file the user may not write is still read, but never replaced.
  if (!sim_file_writable(file)) {
    if (leave_alone) *leave_alone = true;
    if (problem.empty())
      problem = sim_format("State file '%s' is read-only; changes to %s will not be kept",
                           path.c_str(), t.part->name);
  }
  return problem;
}

std::string sim_state_save(const SimTarget& t, const std::string& path,
                           std::chrono::milliseconds lock_wait, bool* locked_out,
                           int64_t saved_at_ms) {
  if (locked_out) *locked_out = false;
  // A link stays a link: the file it names is the one read, locked and replaced, so programs
  // that reach it by other names still share its lock.
  const std::string file = resolve_links(path);
  sim_make_parent_folders(file);
  std::string problem;
  SimFileLock* lock = lock_state_file(file, path, lock_wait, locked_out, &problem);
  if (!lock) return problem;
  std::vector<Section> sections;
  bool file_existed = false;
  problem = merge_sections(t, file, path, saved_at_ms, &sections, &file_existed);
  if (problem.empty()) problem = replace_state_file(sections, file, path, file_existed);
  sim_unlock_file(lock);
  return problem;
}
