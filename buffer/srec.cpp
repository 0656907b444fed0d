#include "buffer/srec.h"

#include <cstdint>
#include <string>
#include <vector>

#include "app/message_pane.h"
#include "buffer/buffer_store.h"

namespace {

// ---- reading ----

// Reads one line of any length; a line ends at LF, CR or CR LF. False at the end of the
// stream when nothing was read.
bool read_line(FILE* in, std::string& line) {
  line.clear();
  int c;
  while ((c = std::getc(in)) != EOF) {
    if (c == '\n') return true;
    if (c == '\r') {
      int d = std::getc(in);
      if (d != '\n' && d != EOF) std::ungetc(d, in);
      return true;
    }
    line.push_back(char(c));
  }
  return !line.empty();
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Reads the byte written as two hex digits at line[pos]; -1 when they are not hex digits.
int hex_byte(const std::string& line, size_t pos) {
  if (pos + 2 > line.size()) return -1;
  int hi = hex_digit(line[pos]);
  int lo = hex_digit(line[pos + 1]);
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
  rec.data.clear();
  rec.data.reserve((end - pos) / 2);
  unsigned sum = unsigned(count);
  for (int i = 0; i < address_bytes; ++i) sum += (rec.address >> (8 * i)) & 0xFFu;
  for (; pos < end; pos += 2) {
    int b = hex_byte(line, pos);
    if (b < 0) return kBadData;
    rec.data.push_back(uint8_t(b));
  }
  const uint8_t checksum = rec.data.back();
  rec.data.pop_back();
  for (uint8_t b : rec.data) sum += b;
  if (uint8_t(~sum & 0xFFu) != checksum) return kBadChecksum;
  return kParsed;
}

// ---- writing ----

FILE* srec_output = nullptr;
int record_type = 1;
uint8_t record_bytes[18];
int record_count = 0;
uint32_t next_address = 0;

void flush_record() {
  const int address_bytes = record_type + 1;
  if (record_count <= address_bytes) return;
  static const char kHex[] = "0123456789ABCDEF";
  char line[2 + 2 + 2 * 18 + 2 + 2];
  int n = 0;
  const unsigned count = unsigned(record_count) + 1;
  unsigned sum = count;
  line[n++] = 'S';
  line[n++] = char('0' + record_type);
  line[n++] = kHex[count >> 4];
  line[n++] = kHex[count & 0xF];
  for (int i = 0; i < record_count; ++i) {
    sum += record_bytes[i];
    line[n++] = kHex[record_bytes[i] >> 4];
    line[n++] = kHex[record_bytes[i] & 0xF];
  }
  const unsigned checksum = ~sum & 0xFFu;
  line[n++] = kHex[checksum >> 4];
  line[n++] = kHex[checksum & 0xF];
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
  std::string line;
  Record rec;
  long line_number = 0;
  long data_records = 0;
  int result = 0;
  while (read_line(in, line)) {
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

void srec_write(FILE* out) {
  srec_output = out;
  for (const BufferBlock* b = buffer_first_block(); b; b = b->next) {
    for (uint32_t i = 0; i < b->length; ++i) {
      if (i % 16 == 0) {
        start_record(b->start_address + i);
      } else if (next_address == 0x4000 || next_address == 0x8000 || next_address == 0xC000 ||
                 record_count == 18) {
        start_record(next_address);
      }
      record_bytes[record_count++] = b->data[i];
      ++next_address;
    }
  }
  flush_record();
  std::fputs("S9030000FC\n", out);
  srec_output = nullptr;
}
