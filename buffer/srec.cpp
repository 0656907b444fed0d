#include "buffer/srec.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/message_pane.h"
#include "buffer/buffer_store.h"
#include "buffer/srec_reader.h"

namespace {

// ---- reading ----

void report(const char* what, long line_number) {
  char text[96];
  std::snprintf(text, sizeof text, "%s in line %ld", what, line_number);
  append_line(text);
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
  bool no_end_record = false;
  return srec_read(in, &no_end_record);
}

int srec_read(FILE* in, bool* no_end_record) {
  *no_end_record = false;
  SrecReader reader;
  srec_reader_open(reader, in);
  SrecItem item;
  int result = 0;
  for (;;) {
    switch (srec_next(reader, item)) {
      case SrecItemKind::Data:
        if (!buffer_write(item.address, item.data.data(), uint32_t(item.data.size()), 0xFF)) {
          append_line("Buffer Error: cannot add");
          return -1;
        }
        break;
      case SrecItemKind::Problem:
        report(item.problem, item.line);
        result = -1;
        break;
      case SrecItemKind::Stop:
        report(item.problem, item.line);
        return -1;
      case SrecItemKind::AfterEnd:
        append_line(("Data after the end record in line " + std::to_string(item.line) +
                     " ignored").c_str());
        return -1;
      case SrecItemKind::EndRecord:
        return result;
      case SrecItemKind::EndOfFile:
        *no_end_record = true;
        return result;
    }
  }
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
