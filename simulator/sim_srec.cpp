#include "simulator/sim_srec.h"

#include <cstdio>

namespace {

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Parses one line (without its line end). Returns false with an error text for a bad line.
bool parse_line(const std::string& line, int number, SimSrecFile& out, bool* ended) {
  if (line.size() < 4 || (line[0] != 'S' && line[0] != 's')) {
    out.error = "not an S-record";
    return false;
  }
  char type = line[1];
  int address_bytes;
  switch (type) {
    case '0': case '1': case '5': case '9': address_bytes = 2; break;
    case '2': case '6': case '8': address_bytes = 3; break;
    case '3': case '7': address_bytes = 4; break;
    default: out.error = "unknown record type"; return false;
  }
  std::vector<uint8_t> bytes;
  if ((line.size() - 2) % 2 != 0) {
    out.error = "odd number of digits";
    return false;
  }
  for (size_t i = 2; i + 1 < line.size(); i += 2) {
    int hi = hex_digit(line[i]), lo = hex_digit(line[i + 1]);
    if (hi < 0 || lo < 0) {
      out.error = "bad hexadecimal digit";
      return false;
    }
    bytes.push_back(static_cast<uint8_t>(hi << 4 | lo));
  }
  size_t count = bytes[0];
  if (count != bytes.size() - 1 || count < static_cast<size_t>(address_bytes) + 1) {
    out.error = "wrong byte count";
    return false;
  }
  unsigned sum = 0;
  for (size_t i = 0; i + 1 < bytes.size(); ++i) sum += bytes[i];
  if (static_cast<uint8_t>(~sum & 0xFF) != bytes.back()) {
    out.error = "checksum error";
    return false;
  }
  if (type >= '1' && type <= '3') {
    SimRecord r;
    for (int i = 0; i < address_bytes; ++i) r.address = r.address << 8 | bytes[1 + i];
    r.data.assign(bytes.begin() + 1 + address_bytes, bytes.end() - 1);
    r.line = number;
    out.records.push_back(std::move(r));
  } else if (type >= '7') {
    *ended = true;
  }
  return true;
}

// The address a bad line names, for the failing-address answer of the file calls.
uint32_t failing_address(const std::string& line, const SimSrecFile& read_so_far) {
  int address_bytes = 0;
  if (line.size() >= 2 && (line[0] == 'S' || line[0] == 's')) {
    if (line[1] == '1') address_bytes = 2;
    if (line[1] == '2') address_bytes = 3;
    if (line[1] == '3') address_bytes = 4;
  }
  uint32_t address = 0;
  bool readable = address_bytes > 0 && line.size() >= size_t(4 + 2 * address_bytes);
  for (int i = 0; readable && i < 2 * address_bytes; ++i) {
    const int d = hex_digit(line[4 + size_t(i)]);
    if (d < 0) readable = false;
    address = address << 4 | uint32_t(d < 0 ? 0 : d);
  }
  if (readable) return address;
  if (read_so_far.records.empty()) return 0;
  const SimRecord& last = read_so_far.records.back();
  return last.address + uint32_t(last.data.size());
}

}  // namespace

SimSrecFile sim_srec_parse(const std::string& text) {
  SimSrecFile out;
  size_t pos = 0;
  int number = 0;
  bool ended = false;
  while (pos < text.size() && !ended) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    ++number;
    // A line "SX..." or "S<TAB>..." ends the data, as S7/S8/S9 do.
    if (line.size() >= 2 && (line[0] == 'S' || line[0] == 's') &&
        (line[1] == 'X' || line[1] == '\t'))
      break;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
      line.pop_back();
    if (line.empty()) continue;
    if (!parse_line(line, number, out, &ended)) {
      out.error_line = number;
      out.error_address = failing_address(line, out);
      return out;
    }
  }
  return out;
}

SimSrecFile sim_srec_read_file(const char* path) {
  SimSrecFile out;
  std::FILE* f = path ? std::fopen(path, "rb") : nullptr;
  if (!f) {
    out.error = "cannot open";
    return out;
  }
  std::string text;
  char chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) text.append(chunk, n);
  std::fclose(f);
  return sim_srec_parse(text);
}
