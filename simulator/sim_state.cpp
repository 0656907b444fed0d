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
};

// Far more than the sections of every part together.
constexpr size_t kMaxStateBytes = 64u << 20;

enum class FileRead { Missing, Read, TooBig };

FileRead read_file(const std::string& path, std::string* text) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return FileRead::Missing;
  char chunk[65536];
  size_t n;
  bool too_big = false;
  while (!too_big && (n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
    text->append(chunk, n);
    too_big = text->size() > kMaxStateBytes;
  }
  std::fclose(f);
  return too_big ? FileRead::TooBig : FileRead::Read;
}

// A file that does not even begin like a state file is somebody else's: it is neither read nor
// overwritten. An empty file, or one cut short within the first line, counts as a damaged state
// file.
bool foreign_file(const std::string& text) {
  size_t magic_len = std::strlen(kMagic);
  size_t n = text.size() < magic_len ? text.size() : magic_len;
  return text.compare(0, n, kMagic, n) != 0;
}

// Splits a state file into its sections; false when it is not a state file.
bool parse_sections(const std::string& text, std::vector<Section>* out) {
  size_t magic_len = std::strlen(kMagic);
  if (text.compare(0, magic_len, kMagic) != 0) return false;
  size_t pos = magic_len;
  while (pos < text.size()) {
    size_t eol = text.find('\n', pos);
    if (eol == std::string::npos || eol - pos > 200) return false;
    std::string header = text.substr(pos, eol - pos);
    char name[64] = {};
    Section s;
    if (std::sscanf(header.c_str(), "PART %63s %x %lu %lx %lu", name, &s.first_page,
                    &s.flash_size, &s.eeprom_start, &s.eeprom_size) != 5)
      return false;
    s.name = name;
    pos = eol + 1;
    if (s.flash_size > text.size() - pos || s.eeprom_size > text.size() - pos - s.flash_size)
      return false;
    s.flash = text.substr(pos, s.flash_size);
    pos += s.flash_size;
    s.eeprom = text.substr(pos, s.eeprom_size);
    pos += s.eeprom_size;
    if (pos >= text.size() || text[pos] != '\n') return false;
    ++pos;
    out->push_back(std::move(s));
  }
  return true;
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

}  // namespace

std::string sim_state_load(SimTarget& t, const std::string& path, bool* foreign) {
  if (foreign) *foreign = false;
  std::string text;
  FileRead r = read_file(path, &text);
  if (r == FileRead::Missing) return "";
  if (r == FileRead::TooBig || foreign_file(text)) {
    if (foreign) *foreign = true;
    return sim_format("'%s' is not a state file; it is left alone and %s starts erased",
                      path.c_str(), t.part->name);
  }
  std::vector<Section> sections;
  if (!parse_sections(text, &sections))
    return sim_format("State file '%s' is damaged; %s starts erased", path.c_str(), t.part->name);
  Section mine = section_of(t);
  for (const Section& s : sections) {
    if (s.name != mine.name) continue;
    if (s.first_page != mine.first_page || s.flash_size != mine.flash_size ||
        s.eeprom_start != mine.eeprom_start || s.eeprom_size != mine.eeprom_size)
      return sim_format("State file '%s' holds another memory layout for %s; it starts erased",
                        path.c_str(), t.part->name);
    std::memcpy(t.flash.data(), s.flash.data(), s.flash.size());
    std::memcpy(t.eeprom.data(), s.eeprom.data(), s.eeprom.size());
    break;
  }
  return "";
}

std::string sim_state_save(const SimTarget& t, const std::string& path) {
  std::vector<Section> sections;
  std::string old;
  FileRead r = read_file(path, &old);
  if (r == FileRead::TooBig || (r == FileRead::Read && foreign_file(old)))
    return sim_format("'%s' is not a state file; it is not overwritten", path.c_str());
  if (r == FileRead::Read && !parse_sections(old, &sections)) sections.clear();  // damaged
  Section mine = section_of(t);
  bool replaced = false;
  for (Section& s : sections) {
    if (s.name == mine.name) {
      s = mine;
      replaced = true;
    }
  }
  if (!replaced) sections.push_back(mine);

  sim_make_parent_folders(path);
  // A name of this process's own, so that two programs saving at once never share it.
  std::string temp = path + "." + std::to_string(sim_process_id()) + ".new";
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) return sim_format("Cannot write state file '%s'", path.c_str());
  bool ok = std::fwrite(kMagic, 1, std::strlen(kMagic), f) == std::strlen(kMagic);
  for (const Section& s : sections) {
    std::string header =
        sim_format("PART %s %X %lu %lX %lu\n", s.name.c_str(), s.first_page, s.flash_size,
                   s.eeprom_start, s.eeprom_size);
    ok = ok && std::fwrite(header.data(), 1, header.size(), f) == header.size();
    ok = ok && std::fwrite(s.flash.data(), 1, s.flash.size(), f) == s.flash.size();
    ok = ok && std::fwrite(s.eeprom.data(), 1, s.eeprom.size(), f) == s.eeprom.size();
    ok = ok && std::fputc('\n', f) != EOF;
  }
  ok = (std::fclose(f) == 0) && ok;
  // The old file stays whole until the new one is complete and takes its place in one step.
  ok = ok && sim_replace_file(temp, path);
  if (!ok) {
    std::remove(temp.c_str());
    return sim_format("Cannot write state file '%s'", path.c_str());
  }
  return "";
}
