#include "simulator/sim_state.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "simulator/sim_platform.h"

namespace {

const char kMagic[] = "BDXSIM-STATE 1\n";

struct Section {
  std::string name;
  unsigned first_page = 0;
  unsigned long flash_size = 0;
  unsigned long eeprom_start = 0;
  unsigned long eeprom_size = 0;
  std::string flash;
  std::string eeprom;
  unsigned long checksum = 0;  // as found in the file, or as computed for a new section
  bool damaged = false;        // its contents do not match its checksum
};

// Far more than the sections of every part together.
constexpr size_t kMaxStateBytes = 64u << 20;

// A file that does not even begin like a state file is somebody else's: it is neither read nor
// overwritten. An empty file, or one cut short within the first line, counts as a damaged state
// file.
bool foreign_file(const std::string& text) {
  size_t magic_len = std::strlen(kMagic);
  size_t n = text.size() < magic_len ? text.size() : magic_len;
  return text.compare(0, n, kMagic, n) != 0;
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

// The header line without its checksum: "PART name first_page flash_size eeprom_start
// eeprom_size".
std::string header_fields(const Section& s) {
  return sim_format("PART %s %X %lu %lX %lu", s.name.c_str(), s.first_page, s.flash_size,
                    s.eeprom_start, s.eeprom_size);
}

// The checksum of a section covers its header fields and its contents, so a changed byte
// anywhere in it is found.
unsigned long section_checksum(const Section& s) {
  return crc32(crc32(crc32(0, header_fields(s)), s.flash), s.eeprom);
}

struct StateFile {
  std::vector<Section> sections;  // every section whose header and length could be read
  bool unreadable_parts = false;  // bytes that belong to no readable section were skipped
};

// Reads one section at pos; false when its header or length cannot be read.
bool parse_section(const std::string& text, size_t* pos, Section* s) {
  size_t eol = text.find('\n', *pos);
  if (eol == std::string::npos || eol - *pos > 200) return false;
  std::string header = text.substr(*pos, eol - *pos);
  char name[64] = {};
  const int fields = std::sscanf(header.c_str(), "PART %63s %x %lu %lx %lu %lx", name,
                                 &s->first_page, &s->flash_size, &s->eeprom_start,
                                 &s->eeprom_size, &s->checksum);
  if (fields != 5 && fields != 6) return false;
  s->name = name;
  size_t p = eol + 1;
  if (s->flash_size > text.size() - p || s->eeprom_size > text.size() - p - s->flash_size)
    return false;
  s->flash = text.substr(p, s->flash_size);
  p += s->flash_size;
  s->eeprom = text.substr(p, s->eeprom_size);
  p += s->eeprom_size;
  if (p >= text.size() || text[p] != '\n') return false;
  // Sections written before checksums were kept have five fields; they are taken as they are.
  if (fields == 6) {
    s->damaged = section_checksum(*s) != s->checksum;
  } else {
    s->checksum = section_checksum(*s);
  }
  *pos = p + 1;
  return true;
}

// Splits a state file into its sections. Bytes that cannot be read as a section are skipped up
// to the next line that begins a section, so one damaged section costs no other.
StateFile parse_sections(const std::string& text) {
  StateFile out;
  size_t magic_len = std::strlen(kMagic);
  size_t pos = magic_len;
  if (text.compare(0, magic_len, kMagic) != 0) {
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

Section section_of(const SimTarget& t) {
  Section s;
  s.name = t.part->name;
  s.first_page = t.part->first_page;
  s.flash_size = t.flash.size();
  s.eeprom_start = t.part->eeprom_start;
  s.eeprom_size = t.eeprom.size();
  s.flash.assign(t.flash.begin(), t.flash.end());
  s.eeprom.assign(t.eeprom.begin(), t.eeprom.end());
  return s;
}

// Takes t's section from the text of a state file: an empty text, or the problem.
std::string load_section(SimTarget& t, const std::string& path, const std::string& text) {
  const StateFile file = parse_sections(text);
  Section mine = section_of(t);
  for (const Section& s : file.sections) {
    if (s.name != mine.name) continue;
    if (s.damaged)
      return sim_format("State file '%s': the contents of %s are damaged; it starts erased",
                        path.c_str(), t.part->name);
    if (s.first_page != mine.first_page || s.flash_size != mine.flash_size ||
        s.eeprom_start != mine.eeprom_start || s.eeprom_size != mine.eeprom_size)
      return sim_format("State file '%s' holds another memory layout for %s; it starts erased",
                        path.c_str(), t.part->name);
    std::memcpy(t.flash.data(), s.flash.data(), s.flash.size());
    std::memcpy(t.eeprom.data(), s.eeprom.data(), s.eeprom.size());
    return "";
  }
  // The part's section may have been in what could not be read.
  if (file.unreadable_parts)
    return sim_format("State file '%s' is damaged; %s starts erased", path.c_str(), t.part->name);
  return "";
}

}  // namespace

std::string sim_state_load(SimTarget& t, const std::string& path, bool* leave_alone) {
  if (leave_alone) *leave_alone = false;
  const std::string file = sim_resolve_links(path);
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
  std::string problem = load_section(t, path, text);
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
                           std::chrono::milliseconds lock_wait, bool* locked_out) {
  if (locked_out) *locked_out = false;
  // A link stays a link: the file it names is the one read, locked and replaced, so programs
  // that reach it by other names still share its lock.
  const std::string file = sim_resolve_links(path);
  sim_make_parent_folders(file);
  // Read, merge and replace under the lock, so that two programs saving different parts into
  // one file at once each keep the other's section.
  bool busy = false;
  SimFileLock* lock = sim_lock_file(file + ".lock", lock_wait, &busy);
  if (!lock && busy) {
    if (locked_out) *locked_out = true;
    return sim_format(
        "State file '%s' is locked by another program; changes kept for the next save",
        path.c_str());
  }
  if (!lock) return sim_format("Cannot lock state file '%s'", path.c_str());
  if (!sim_file_writable(file)) {
    sim_unlock_file(lock);
    return sim_format("State file '%s' is read-only; it is not overwritten", path.c_str());
  }
  std::string old;
  const SimRead r = sim_read_regular_file(file, kMaxStateBytes, &old);
  if (r == SimRead::Unreadable) {
    sim_unlock_file(lock);
    return sim_format("State file '%s' cannot be read; it is not overwritten", path.c_str());
  }
  if (r == SimRead::NotRegular || r == SimRead::TooBig || (r == SimRead::Read && foreign_file(old))) {
    sim_unlock_file(lock);
    return sim_format("'%s' is not a state file; it is not overwritten", path.c_str());
  }
  // Every other part's section that can be read is kept as it was, a damaged one included
  // (it stays reported as damaged).
  std::vector<Section> sections;
  if (r == SimRead::Read) sections = parse_sections(old).sections;
  Section mine = section_of(t);
  mine.checksum = section_checksum(mine);
  bool replaced = false;
  for (size_t i = 0; i < sections.size();) {
    if (sections[i].name != mine.name) {
      ++i;
    } else if (!replaced) {
      sections[i++] = mine;
      replaced = true;
    } else {
      sections.erase(sections.begin() + long(i));
    }
  }
  if (!replaced) sections.push_back(mine);

  // A name of this process's own, so that two programs saving at once never share it.
  std::string temp = file + "." + std::to_string(sim_process_id()) + ".new";
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  bool ok = f != nullptr;
  if (f) {
    ok = std::fwrite(kMagic, 1, std::strlen(kMagic), f) == std::strlen(kMagic);
    for (const Section& s : sections) {
      std::string header = header_fields(s) + sim_format(" %08lX\n", s.checksum);
      ok = ok && std::fwrite(header.data(), 1, header.size(), f) == header.size();
      ok = ok && std::fwrite(s.flash.data(), 1, s.flash.size(), f) == s.flash.size();
      ok = ok && std::fwrite(s.eeprom.data(), 1, s.eeprom.size(), f) == s.eeprom.size();
      ok = ok && std::fputc('\n', f) != EOF;
    }
    ok = ok && sim_flush_to_disk(f);
    ok = (std::fclose(f) == 0) && ok;
    if (r == SimRead::Read) sim_copy_permissions(file, temp);
    // The old file stays whole until the new one is complete and takes its place in one step.
    ok = ok && sim_replace_file(temp, file);
    if (!ok) std::remove(temp.c_str());
  }
  sim_unlock_file(lock);
  if (!ok) return sim_format("Cannot write state file '%s'", path.c_str());
  return "";
}
