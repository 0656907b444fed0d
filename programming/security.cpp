#include "programming/security.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "adapter/bdx.h"
#include "adapter/connection.h"
#include "adapter/part_state.h"
#include "app/message_pane.h"
#include "buffer/file_system.h"
#include "buffer/srec_reader.h"
#include "programming/erase.h"
#include "target/hcs12_registers.h"
#include "target/security.h"

namespace {

constexpr uint32_t kSecurityWord = kSecurityByte & ~1u;
constexpr uint8_t kErased = 0xFF;

const char kUnsecuredLine[] = "Security byte set to unsecured (0xFE)";

bool read_byte(uint32_t address, uint8_t* value) {
  unsigned char byte = 0;
  if (bdx_GetMemoryByte(address, &byte) != 0) return false;
  *value = byte;
  return true;
}

bool program_word(uint32_t address, uint8_t high, uint8_t low) {
  const unsigned char word[2] = {high, low};
  return bdx_FlashProgramBlock(get_timing_value(), address, word, 2) == 0;
}

}  // namespace

bool parse_security_mode(const char* text, SecurityMode* mode) {
  if (std::strcmp(text, "unsecure") == 0) {
    *mode = SecurityMode::Unsecure;
  } else if (std::strcmp(text, "image") == 0) {
    *mode = SecurityMode::Image;
  } else {
    return false;
  }
  return true;
}

uint8_t security_byte_to_write(uint8_t image, SecurityMode mode) {
  return mode == SecurityMode::Image ? image : unsecured_form(image);
}

void report_security_byte(uint8_t image, uint8_t written) {
  if (written != image)
    append_formatted(
        "Security byte 0xFF0F: image 0x%2.2X written as 0x%2.2X; use --security image to program "
        "it as it stands",
        image, written);
  if (security_byte_secures(written))
    append_line(
        "The image secures the part: after the next reset it cannot be read or debugged until it "
        "is mass-erased");
}

uint32_t security_byte_address(int i) {
  return i == 0 ? kSecurityByte
                : paged_window_start(kLastFlashPage) + (kSecurityByte - kPage3FWindowStart);
}

bool program_security_byte(uint8_t value) {
  uint8_t first = kErased;
  if (!read_byte(kSecurityWord, &first)) return false;
  return program_word(kSecurityWord, first, value);
}

namespace {
// 0xFF0F := 0xFE and its line; the word's first byte is erased when erased_sector, else read.
bool write_unsecured_byte(bool erased_sector) {
  const bool written = erased_sector
                           ? program_word(kSecurityWord, kErased, kUnsecuredSecurityByte)
                           : program_security_byte(kUnsecuredSecurityByte);
  if (!written) {
    append_line("Cannot set the security byte to unsecured (0xFE)");
    return false;
  }
  append_line(kUnsecuredLine);
  return true;
}
}  // namespace

bool set_security_byte_unsecured() { return write_unsecured_byte(true); }

bool keep_erased_security_byte_unsecured() {
  uint8_t value = 0;
  if (!read_byte(kSecurityByte, &value)) {
    append_line("Cannot read the security byte 0xFF0F");
    return false;
  }
  return value != kErased || write_unsecured_byte(false);
}

bool unsecure_part(const TargetMemoryMap& map) {
  // Erase All is the recovery's first part: flash and EEPROM mass-erased (the library lifts the
  // protection first), a reset whose blank check unsecures the part until the next one, and
  // the security byte set to 0xFE, which keeps it unsecured from then on.
  if (!erase_everything(map)) return false;
  begin_command("Unsecure Device");
  if (!reset_target_checked()) return false;
  const PartSecurity state = read_part_security();
  if (!state.read) {
    append_line("Cannot read the security state (BDMSTS, FSEC)");
    return false;
  }
  if (state.secured) {
    append_formatted("The part is still secured (FSEC 0x%2.2X)", state.fsec);
    return false;
  }
  append_formatted("Target is unsecured (FSEC 0x%2.2X)", state.fsec);
  end_command();
  return true;
}

bool parse_backdoor_key(const char* text, BackdoorKey* key) {
  std::string digits;
  for (const char* c = text; *c; ++c) {
    if (*c == ' ' || *c == ':') continue;
    if (!std::isxdigit(static_cast<unsigned char>(*c))) return false;
    digits += *c;
  }
  if (digits.size() != 16) return false;
  for (int i = 0; i < 4; ++i) {
    const unsigned long word = std::strtoul(digits.substr(4 * i, 4).c_str(), nullptr, 16);
    if (word == 0x0000 || word == 0xFFFF) return false;
    key->words[i] = static_cast<uint16_t>(word);
  }
  return true;
}

bool secure_part(const BackdoorKey* key) {
  begin_command("Secure Device");
  // What the configuration field holds now, and what it is to hold.
  uint8_t now[16];
  for (uint32_t i = 0; i < 16; ++i) {
    if (!read_byte(kBackdoorKeyStart + i, &now[i])) {
      append_formatted("Cannot read 0x%4.4X", unsigned(kBackdoorKeyStart + i));
      return false;
    }
  }
  uint8_t wanted[16];
  std::memcpy(wanted, now, sizeof wanted);
  const uint32_t sec = kSecurityByte - kBackdoorKeyStart;
  wanted[sec] = static_cast<uint8_t>(now[sec] & ~0x03);  // SEC = 00, the other bits kept
  if (key) {
    wanted[sec] = static_cast<uint8_t>((wanted[sec] & 0x3F) | 0x80);  // KEYEN = 10
    for (int w = 0; w < 4; ++w) {
      wanted[2 * w] = static_cast<uint8_t>(key->words[w] >> 8);
      wanted[2 * w + 1] = static_cast<uint8_t>(key->words[w]);
    }
  }
  bool possible = true;
  for (uint32_t i = 0; i < 16; ++i) {
    if (programmable_without_erase(now[i], wanted[i])) continue;
    append_formatted("0x%4.4X holds 0x%2.2X: 0x%2.2X needs bits 0x%2.2X set again, which only an "
                     "erase of the sector 0xFE00-0xFFFF does",
                     unsigned(kBackdoorKeyStart + i), now[i], wanted[i],
                     unsigned(wanted[i] & ~now[i]));
    possible = false;
  }
  if (!possible) return false;
  for (uint32_t i = 0; i < 16; i += 2) {
    if (now[i] == wanted[i] && now[i + 1] == wanted[i + 1]) continue;
    if (!program_word(kBackdoorKeyStart + i, wanted[i], wanted[i + 1])) {
      append_formatted("Cannot program 0x%4.4X", unsigned(kBackdoorKeyStart + i));
      return false;
    }
  }
  append_formatted("Security byte 0xFF0F programmed to 0x%2.2X%s: the part is secured from its "
                   "next reset on",
                   wanted[sec], key ? " (backdoor key enabled)" : "");
  end_command();
  return true;
}

namespace {
const char* on_off(uint8_t value, uint8_t bit) { return (value & bit) ? "1" : "0"; }
}  // namespace

bool report_part_status(const TargetMemoryMap& map, int family) {
  uint8_t id[4];
  const uint32_t id_addresses[4] = {kIdentificationPartId, kIdentificationRevision,
                                    kIdentificationSize0, kIdentificationSize1};
  for (int i = 0; i < 4; ++i)
    if (!read_byte(id_addresses[i], &id[i])) {
      append_line("Cannot read the identification registers");
      return false;
    }
  const Derivative* target = current_target();
  append_formatted("Identification: PARTID %2.2X%2.2X, memory size %2.2X%2.2X, derivative %s",
                   id[0], id[1], id[2], id[3], target ? target->name : "unknown");
  const PartSecurity s = read_part_security();
  if (!s.read) {
    append_line("Cannot read the security state (BDMSTS, FSEC)");
    return false;
  }
  append_formatted("Security: FSEC %s; UNSEC=%s: the part is %s", describe_security_byte(s.fsec).c_str(),
                   on_off(s.bdmsts, kBdmstsUnsec), s.secured ? "SECURED" : "unsecured");
  append_formatted("BDMSTS 0x%2.2X: ENBDM=%s BDMACT=%s UNSEC=%s: %s", s.bdmsts,
                   on_off(s.bdmsts, kBdmstsEnbdm), on_off(s.bdmsts, kBdmstsBdmact),
                   on_off(s.bdmsts, kBdmstsUnsec),
                   (s.bdmsts & kBdmstsBdmact) ? "halted" : "running (or BDM not active)");
  bool ok = true;
  for (int block = 0; block < flash_block_count(map); ++block) {
    int first = 0, last = 0;
    flash_block_pages(map, block, &first, &last);
    uint8_t fprot = 0;
    if (!read_fprot(map, block, &fprot)) {
      append_formatted("Cannot read FPROT of flash block %d", block);
      ok = false;
      continue;
    }
    append_formatted("Flash block %d (pages %2.2X-%2.2X): FPROT 0x%2.2X, protected: %s", block,
                     first, last, fprot, describe_fprot(fprot, map, block).c_str());
  }
  if (map.eeprom_end > map.eeprom_start) {
    uint8_t eprot = 0;
    if (read_eprot(&eprot)) {
      append_formatted("EEPROM: EPROT 0x%2.2X, protected: %s", eprot,
                       describe_eprot(eprot, map).c_str());
    } else {
      append_line("Cannot read EPROT");
      ok = false;
    }
  }
  struct Paging {
    const char* name;
    uint32_t address;
  };
  const Paging hcs12[] = {{"PPAGE", kRegisterPpage}};
  const Paging hcs12x[] = {{"PPAGE", kRegisterPpage}, {"GPAGE", kRegisterGpage},
                           {"RPAGE", kRegisterRpage}, {"EPAGE", kRegisterEpage}};
  const bool x = family == FAMILY_HCS12X;
  const Paging* pages = x ? hcs12x : hcs12;
  const int count = x ? 4 : 1;
  std::string line = "Paging:";
  for (int i = 0; i < count; ++i) {
    uint8_t value = 0;
    char item[24];
    if (read_byte(pages[i].address, &value))
      std::snprintf(item, sizeof item, " %s=%2.2X", pages[i].name, value);
    else
      std::snprintf(item, sizeof item, " %s=xx", pages[i].name);
    line += item;
  }
  append_line(line.c_str());
  return ok;
}

namespace {

// A file's lines, split as the S-record reader splits them (LF, CR or CR LF), each with its end.
struct FileLine {
  std::string text;
  std::string end;
};
std::vector<FileLine> split_lines(const std::string& all) {
  std::vector<FileLine> lines;
  size_t at = 0;
  while (at < all.size()) {
    size_t stop = all.find_first_of("\r\n", at);
    FileLine line;
    if (stop == std::string::npos) {
      line.text = all.substr(at);
      at = all.size();
    } else {
      line.text = all.substr(at, stop - at);
      size_t end = stop + 1;
      if (all[stop] == '\r' && end < all.size() && all[end] == '\n') ++end;
      line.end = all.substr(stop, end - stop);
      at = end;
    }
    lines.push_back(line);
  }
  return lines;
}

// The record of type (1, 2 or 3) at address with data, as a line.
std::string encode_record(char type, uint32_t address, const std::vector<uint8_t>& data) {
  const int address_bytes = type == '1' ? 2 : type == '2' ? 3 : 4;
  const unsigned count = static_cast<unsigned>(address_bytes + data.size() + 1);
  unsigned sum = count;
  char hex[8];
  std::snprintf(hex, sizeof hex, "S%c%2.2X", type, count);
  std::string line = hex;
  for (int i = address_bytes - 1; i >= 0; --i) {
    const unsigned byte = (address >> (8 * i)) & 0xFF;
    sum += byte;
    std::snprintf(hex, sizeof hex, "%2.2X", byte);
    line += hex;
  }
  for (uint8_t byte : data) {
    sum += byte;
    std::snprintf(hex, sizeof hex, "%2.2X", byte);
    line += hex;
  }
  std::snprintf(hex, sizeof hex, "%2.2X", ~sum & 0xFF);
  return line + hex;
}

}  // namespace

bool security_copy_of_file(const char* path, SecurityMode mode, std::string* copy,
                           bool* holds_byte) {
  copy->clear();
  *holds_byte = false;
  FILE* in = std::fopen(path, "r");
  if (!in) return true;  // the library's own call names a file it cannot open
  SrecReader* reader = new SrecReader;
  srec_reader_open(*reader, in);
  SrecItem item;
  // The records that hold the byte, by line: their new data.
  std::vector<std::pair<long, SrecItem>> changed;
  while (srec_next(*reader, item) == SrecItemKind::Data || item.kind == SrecItemKind::Problem) {
    if (item.kind != SrecItemKind::Data) continue;
    bool touched = false;
    for (int i = 0; i < kSecurityByteAddressCount; ++i) {
      const uint32_t at = security_byte_address(i);
      if (at < item.address || at - item.address >= item.data.size()) continue;
      *holds_byte = true;
      uint8_t& byte = item.data[at - item.address];
      const uint8_t written = security_byte_to_write(byte, mode);
      report_security_byte(byte, written);
      if (written != byte) {
        byte = written;
        touched = true;
      }
    }
    if (touched) changed.emplace_back(item.line, item);
  }
  delete reader;
  std::fclose(in);
  if (changed.empty()) return true;

  std::ifstream whole(path, std::ios::binary);
  std::stringstream text;
  text << whole.rdbuf();
  std::vector<FileLine> lines = split_lines(text.str());
  for (const auto& c : changed) {
    FileLine& line = lines[static_cast<size_t>(c.first - 1)];
    line.text = encode_record(line.text[1], c.second.address, c.second.data);
  }
  const std::string name = temporary_file_name("corvane-security");
  FILE* out = name.empty() ? nullptr : std::fopen(name.c_str(), "wb");
  bool ok = out != nullptr;
  for (size_t i = 0; ok && i < lines.size(); ++i)
    ok = std::fputs(lines[i].text.c_str(), out) >= 0 && std::fputs(lines[i].end.c_str(), out) >= 0;
  if (out && std::fclose(out) != 0) ok = false;
  if (!ok) {
    append_line("Cannot write a temporary copy of the file with the security byte changed");
    if (!name.empty()) std::remove(name.c_str());
    return false;
  }
  *copy = name;
  return true;
}
