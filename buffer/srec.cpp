#include "buffer/srec.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/message_pane.h"
#include "buffer/buffer_store.h"

namespace {

// ---- reading ----

// Reads lines of any length from the stream in large pieces (a getc per character costs more
// than the parsing); a line ends at LF, CR or CR LF.
struct LineReader {
  FILE* in;
  char chunk[1 << 16];
  size_t pos = 0;
  size_t len = 0;
  bool end = false;

  explicit LineReader(FILE* stream) : in(stream) {}

  bool fill() {
    if (end) return false;
    len = std::fread(chunk, 1, sizeof chunk, in);
    pos = 0;
    if (len == 0) end = true;
    return len > 0;
  }

  // False at the end of the stream when nothing was read.
  bool read_line(std::string& line) {
    line.clear();
    bool any = false;
    for (;;) {
      if (pos == len && !fill()) return any;
      any = true;
      const char* start = chunk + pos;
      const char* stop = chunk + len;
      const char* p = start;
      while (p < stop && *p != '\n' && *p != '\r') ++p;
      line.append(start, size_t(p - start));
      pos = size_t(p - chunk);
      if (p == stop) continue;
      const char c = *p;
      ++pos;
      if (c == '\r') {
        if (pos == len) fill();
        if (pos < len && chunk[pos] == '\n') ++pos;
      }
      return true;
    }
  }
};

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

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

void report(const char* what, long line_number) {
  char text[96];
  std::snprintf(text, sizeof text, "%s in line %ld", what, line_number);
  append_line(text);
}

// A record with an address (or, for S5/S6, a record count) field of address_bytes bytes.
struct Record {
  uint32_t address;
  std::vector<uint8_t> data;
};

enum ParseResult { kParsed, kBadAddress, kBadData, kBadChecksum };

ParseResult parse_record(const std::string& line, int address_bytes, Record& rec) {
  // "S" type count address data... checksum; what follows the checksum (blanks) is ignored.
  size_t end = line.size();
  while (end > 0 && is_blank(line[end - 1])) --end;

  const size_t address_pos = 4;
  rec.address = 0;
  for (int i = 0; i < address_bytes; ++i) {
    size_t pos = address_pos + 2 * size_t(i);
    int b = pos + 2 <= end ? hex_byte(line, pos) : -1;
    if (b < 0) return kBadAddress;
    rec.address = (rec.address << 8) | uint32_t(b);
  }
  int count = hex_byte(line, 2);
  if (count < 0) return kBadData;

  size_t pos = address_pos + 2 * size_t(address_bytes);
  if (pos >= end || (end - pos) % 2 != 0) return kBadData;  // no checksum, or half a pair
  // Every pair but the last is data; the last is the checksum.
  const size_t pairs = (end - pos) / 2;
  rec.data.resize(pairs - 1);
  unsigned sum = unsigned(count);
  for (int i = 0; i < address_bytes; ++i) sum += (rec.address >> (8 * i)) & 0xFFu;
  const unsigned char* text = reinterpret_cast<const unsigned char*>(line.data()) + pos;
  int bad = 0;
  for (size_t i = 0; i + 1 < pairs; ++i) {
    const int hi = kHex.value[text[2 * i]];
    const int lo = kHex.value[text[2 * i + 1]];
    bad |= hi | lo;  // negative once any digit is not hex
    const unsigned b = unsigned(hi * 16 + lo) & 0xFFu;
    rec.data[i] = uint8_t(b);
    sum += b;
  }
  const int checksum = hex_byte(line, pos + 2 * (pairs - 1));
  if (bad < 0 || checksum < 0) return kBadData;
  if ((~sum & 0xFFu) != unsigned(checksum)) return kBadChecksum;
  return kParsed;
}

// ---- writing ----

FILE* srec_output = nullptr;
int record_type = 1;
uint8_t record_bytes[18];
int record_count = 0;
uint32_t next_address = 0;

// "00".."FF" for every byte value.
struct HexPairs {
  char pair[256][2];
  HexPairs() {
    static const char kDigits[] = "0123456789ABCDEF";
    for (int i = 0; i < 256; ++i) {
      pair[i][0] = kDigits[i >> 4];
      pair[i][1] = kDigits[i & 0xF];
    }
  }
};
const HexPairs kPairs;

void put_pair(char* out, unsigned byte) {
  out[0] = kPairs.pair[byte][0];
  out[1] = kPairs.pair[byte][1];
}

void flush_record() {
  const int address_bytes = record_type + 1;
  if (record_count <= address_bytes) return;
  char line[2 + 2 + 2 * 18 + 2 + 2];
  int n = 0;
  const unsigned count = unsigned(record_count) + 1;
  unsigned sum = count;
  line[n++] = 'S';
  line[n++] = char('0' + record_type);
  put_pair(line + n, count);
  n += 2;
  for (int i = 0; i < record_count; ++i) {
    sum += record_bytes[i];
    put_pair(line + n, record_bytes[i]);
    n += 2;
  }
  put_pair(line + n, ~sum & 0xFFu);
  n += 2;
  line[n++] = '\n';
  std::fwrite(line, 1, size_t(n), srec_output);
  record_count = address_bytes;  // no data pending
}

void start_record(uint32_t address) {
  flush_record();
  if (address & 0xFF000000u) {
    record_type = 3;
  } else if (address & 0x00FF0000u) {
    record_type = 2;
  } else {
    record_type = 1;
  }
  const int address_bytes = record_type + 1;
  for (int i = 0; i < address_bytes; ++i) {
    record_bytes[i] = uint8_t(address >> (8 * (address_bytes - 1 - i)));
  }
  record_count = address_bytes;
  next_address = address;
}

}  // namespace

int srec_read(FILE* in) {
  LineReader reader(in);
  std::string line;
  Record rec;
  long line_number = 0;
  long data_records = 0;
  int result = 0;
  while (reader.read_line(line)) {
    ++line_number;
    size_t first = 0;
    while (first < line.size() && is_blank(line[first])) ++first;
    if (first == line.size()) continue;  // blank line

    const char type = line.size() >= 2 && line[0] == 'S' ? line[1] : '\0';
    int address_bytes = 0;
    bool count_record = false;
    switch (type) {
      case '0':
        continue;
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
        return result;
      default:
        report("Unsupported record", line_number);
        return -1;
    }

    switch (parse_record(line, address_bytes, rec)) {
      case kBadAddress:
        report("Cannot read address", line_number);
        return -1;
      case kBadData:
        report("Cannot read data", line_number);
        result = -1;
        if (!count_record) ++data_records;
        continue;
      case kBadChecksum:
        report("Checksum error", line_number);
        result = -1;
        if (!count_record) ++data_records;
        continue;
      case kParsed:
        break;
    }
    if (count_record) {
      if (rec.address != uint32_t(data_records)) {
        report("Record count mismatch", line_number);
        result = -1;
      }
      continue;
    }
    ++data_records;
    if (!buffer_write(rec.address, rec.data.data(), uint32_t(rec.data.size()), 0xFF)) {
      append_line("Buffer Error: cannot add");
      return -1;
    }
  }
  if (std::ferror(in)) {
    report("Read error", line_number + 1);
    return -1;
  }
  return result;
}

namespace {

// Number of bytes from `address` up to the next of 0x4000, 0x8000 and 0xC000 above it, where
// a record must start afresh; a large number when there is none.
uint32_t distance_to_window_start(uint32_t address) {
  for (uint32_t start : {0x4000u, 0x8000u, 0xC000u})
    if (address < start) return start - address;
  return 0xFFFFFFFFu;
}

}  // namespace

void srec_write(FILE* out) {
  srec_output = out;
  for (const BufferBlock* b = buffer_first_block(); b; b = b->next) {
    uint32_t i = 0;
    while (i < b->length) {
      if (i % 16 == 0) {
        start_record(b->start_address + i);
      } else if (next_address == 0x4000 || next_address == 0x8000 || next_address == 0xC000 ||
                 record_count == 18) {
        start_record(next_address);
      }
      // Append bytes up to the next place where a record has to start.
      uint32_t n = b->length - i;
      n = std::min(n, 16 - i % 16);
      n = std::min(n, uint32_t(18 - record_count));
      n = std::min(n, distance_to_window_start(next_address));
      std::memcpy(record_bytes + record_count, b->data + i, n);
      record_count += int(n);
      next_address += n;
      i += n;
    }
  }
  flush_record();
  std::fputs("S9030000FC\n", out);
  srec_output = nullptr;
}
