#include "buffer/srec_reader.h"

#include <algorithm>
#include <cstring>

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

bool only_blanks(const std::string& line) {
  for (char c : line)
    if (!is_blank(c)) return false;
  return true;
}

// After the end record only blank lines (and the DOS end-of-file mark) may follow.
bool blank_line(const std::string& line) {
  for (char c : line)
    if (!is_blank(c) && c != '\x1A') return false;
  return true;
}

bool fill(SrecReader& r) {
  if (r.end) return false;
  if (r.in) {
    r.len = std::fread(r.chunk, 1, sizeof r.chunk, r.in);
  } else {
    r.len = std::min(sizeof r.chunk, r.text_size - r.text_pos);
    std::memcpy(r.chunk, r.text + r.text_pos, r.len);
    r.text_pos += r.len;
  }
  r.pos = 0;
  if (r.len == 0) r.end = true;
  return r.len > 0;
}

bool read_failed(const SrecReader& r) { return r.in && std::ferror(r.in); }

enum LineRead { kNoLine, kLine, kLineTooLong };

// kNoLine at the end of the stream when nothing was read; kLineTooLong (with the first
// kSrecMaxLineChars characters in r.line) when a character other than a blank follows them.
LineRead read_line(SrecReader& r) {
  std::string& line = r.line;
  line.clear();
  bool any = false;
  for (;;) {
    if (r.pos == r.len && !fill(r)) return any ? kLine : kNoLine;
    any = true;
    const char* start = r.chunk + r.pos;
    const char* stop = r.chunk + r.len;
    const char* p = start;
    while (p < stop && *p != '\n' && *p != '\r') ++p;
    const size_t room = kSrecMaxLineChars - line.size();
    if (size_t(p - start) <= room) {
      line.append(start, size_t(p - start));
    } else {
      line.append(start, room);
      for (const char* q = start + room; q < p; ++q) {
        if (!is_blank(*q)) {
          r.pos = size_t(q - r.chunk);
          return kLineTooLong;
        }
      }
    }
    r.pos = size_t(p - r.chunk);
    if (p == stop) continue;
    const char c = *p;
    ++r.pos;
    if (c == '\r') {
      if (r.pos == r.len) fill(r);
      if (r.pos < r.len && r.chunk[r.pos] == '\n') ++r.pos;
    }
    return kLine;
  }
}

// Hex digit values; -1 for every other character.
struct HexTable {
  signed char value[256];
  HexTable() {
    for (int i = 0; i < 256; ++i) value[i] = -1;
    for (int i = 0; i < 10; ++i) value['0' + i] = static_cast<signed char>(i);
    for (int i = 0; i < 6; ++i) {
      value['A' + i] = static_cast<signed char>(10 + i);
      value['a' + i] = static_cast<signed char>(10 + i);
    }
  }
};
const HexTable kHex;

// Reads the byte written as two hex digits at line[pos]; -1 when they are not hex digits.
inline int hex_byte(const std::string& line, size_t pos) {
  if (pos + 2 > line.size()) return -1;
  const int hi = kHex.value[static_cast<unsigned char>(line[pos])];
  const int lo = kHex.value[static_cast<unsigned char>(line[pos + 1])];
  if (hi < 0 || lo < 0) return -1;
  return hi * 16 + lo;
}

enum ParseResult { kParsed, kBadAddress, kBadData, kBadCount, kBadChecksum };

// A record with an address (or, for S5/S6, a record count) field of address_bytes bytes, into
// item.address and item.data.
ParseResult parse_record(const std::string& line, int address_bytes, SrecItem& item) {
  // "S" type count address data... checksum; what follows the checksum (blanks) is ignored.
  size_t end = line.size();
  while (end > 0 && is_blank(line[end - 1])) --end;

  const size_t address_pos = 4;
  uint32_t address = 0;
  for (int i = 0; i < address_bytes; ++i) {
    size_t pos = address_pos + 2 * size_t(i);
    int b = pos + 2 <= end ? hex_byte(line, pos) : -1;
    if (b < 0) return kBadAddress;
    address = (address << 8) | uint32_t(b);
  }
  item.address = address;
  item.has_address = true;
  int count = hex_byte(line, 2);
  if (count < 0) return kBadData;

  size_t pos = address_pos + 2 * size_t(address_bytes);
  if (pos >= end || (end - pos) % 2 != 0) return kBadData;  // no checksum, or half a pair
  // Every pair but the last is data; the last is the checksum.
  const size_t pairs = (end - pos) / 2;
  item.data.resize(pairs - 1);
  unsigned sum = unsigned(count);
  for (int i = 0; i < address_bytes; ++i) sum += (address >> (8 * i)) & 0xFFu;
  const unsigned char* text = reinterpret_cast<const unsigned char*>(line.data()) + pos;
  int bad = 0;
  for (size_t i = 0; i + 1 < pairs; ++i) {
    const int hi = kHex.value[text[2 * i]];
    const int lo = kHex.value[text[2 * i + 1]];
    bad |= hi | lo;  // negative once any digit is not hex
    const unsigned b = unsigned(hi * 16 + lo) & 0xFFu;
    item.data[i] = uint8_t(b);
    sum += b;
  }
  const int checksum = hex_byte(line, pos + 2 * (pairs - 1));
  if (bad < 0 || checksum < 0) return kBadData;
  // The count is the record's length: a line cut short, or one with bytes added, does not
  // match it, whatever its checksum.
  if (size_t(count) != size_t(address_bytes) + pairs) return kBadCount;
  if ((~sum & 0xFFu) != unsigned(checksum)) return kBadChecksum;
  return kParsed;
}

SrecItemKind finish(SrecReader& r, SrecItem& item, SrecItemKind kind, const char* problem) {
  r.over = true;
  r.last = kind;
  item.kind = kind;
  item.problem = problem;
  return kind;
}

SrecItemKind problem(SrecItem& item, const char* what) {
  item.kind = SrecItemKind::Problem;
  item.problem = what;
  return item.kind;
}

// The lines after the end record: AfterEnd naming the first one that holds more than blanks,
// else EndRecord.
SrecItemKind check_after_end(SrecReader& r, SrecItem& item) {
  for (;;) {
    const LineRead got = read_line(r);
    if (got == kNoLine) break;
    ++r.line_number;
    if (got == kLineTooLong || !blank_line(r.line)) {
      item.line = r.line_number;
      // The address of a data record there (the second file's first record) names the line.
      const std::string& line = r.line;
      if (line.size() >= 2 && line[0] == 'S' && line[1] >= '1' && line[1] <= '3')
        parse_record(line, line[1] - '0' + 1, item);
      return finish(r, item, SrecItemKind::AfterEnd, "Data after the end record");
    }
  }
  if (read_failed(r)) {
    item.line = r.line_number + 1;
    return finish(r, item, SrecItemKind::Stop, "Read error");
  }
  return finish(r, item, SrecItemKind::EndRecord, nullptr);
}

void start(SrecReader& r) {
  r.pos = r.len = 0;
  r.end = false;
  r.line.clear();
  r.line_number = 0;
  r.data_records = 0;
  r.after_count = false;
  r.over = false;
  r.last = SrecItemKind::EndOfFile;
}

}  // namespace

void srec_reader_open(SrecReader& r, std::FILE* in) {
  start(r);
  r.in = in;
  r.text = nullptr;
  r.text_size = r.text_pos = 0;
}

void srec_reader_open_text(SrecReader& r, const char* text, size_t size) {
  start(r);
  r.in = nullptr;
  r.text = text;
  r.text_size = size;
  r.text_pos = 0;
}

SrecItemKind srec_next(SrecReader& r, SrecItem& item) {
  item.has_address = false;
  item.problem = nullptr;
  if (r.over) {
    item.kind = r.last;
    return item.kind;
  }
  for (;;) {
    const LineRead got = read_line(r);
    if (got == kNoLine) {
      if (read_failed(r)) {
        item.line = r.line_number + 1;
        return finish(r, item, SrecItemKind::Stop, "Read error");
      }
      item.line = r.line_number;
      if (r.after_count) return finish(r, item, SrecItemKind::EndRecord, nullptr);
      return finish(r, item, SrecItemKind::EndOfFile, nullptr);
    }
    item.line = ++r.line_number;
    if (got == kLineTooLong) return finish(r, item, SrecItemKind::Stop, "Line too long");
    if (only_blanks(r.line)) continue;

    const std::string& line = r.line;
    const char type = line.size() >= 2 && line[0] == 'S' ? line[1] : '\0';
    int address_bytes = 0;
    bool count_record = false;
    bool header = false;
    switch (type) {
      case '0':
        // Read by the records' rule, so a header cut short is refused as any record is; its
        // bytes are not data.
        address_bytes = 2;
        header = true;
        break;
      case '1':
      case '2':
      case '3':
        address_bytes = type - '0' + 1;
        break;
      case '5':
      case '6':
        address_bytes = type == '5' ? 2 : 3;
        count_record = true;
        break;
      case '7':
      case '8':
      case '9':
      case 'X':
        return check_after_end(r, item);
      default:
        return finish(r, item, SrecItemKind::Stop, "Unsupported record");
    }

    const ParseResult parsed = parse_record(line, address_bytes, item);
    if (count_record || header) item.has_address = false;  // a count or a header, no address
    if (!count_record && !header && parsed != kBadAddress) ++r.data_records;
    r.after_count = false;
    switch (parsed) {
      case kBadAddress:
        return finish(r, item, SrecItemKind::Stop, "Cannot read address");
      case kBadData:
        return problem(item, "Cannot read data");
      case kBadCount:
        return problem(item, "Byte count error");
      case kBadChecksum:
        return problem(item, "Checksum error");
      case kParsed:
        break;
    }
    if (header) continue;
    if (count_record) {
      if (item.address != uint32_t(r.data_records)) return problem(item, "Record count mismatch");
      // A matching count as the file's last record ends it as an end record does: tools that
      // have no start address to give (srec_cat) end their files so.
      r.after_count = true;
      continue;
    }
    // The data must end at the top of the address space; they never wrap to address 0.
    if (uint64_t(item.address) + item.data.size() > (uint64_t(1) << 32))
      return problem(item, "Address out of range");
    item.kind = SrecItemKind::Data;
    return item.kind;
  }
}
