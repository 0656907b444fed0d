// Fuzzes the S-record reader: any input must load without a crash and leave the buffer's
// blocks ascending with disjoint valid bytes. A load counts as complete only when no data
// record's count differs from its length, no record runs past address 0xFFFFFFFF, no line is
// longer than a record can be, and nothing but blank lines follows the end record. What the writer makes of the buffer must read
// back to the same bytes, plus fill bytes (0xFF) in gaps that now lie inside one block, and
// writing and reading that again must change nothing.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "app/message_pane.h"
#include "buffer/buffer_store.h"
#include "buffer/srec.h"

namespace {

const PaneSeam kQuietPane = quiet_pane_seam();

std::map<uint32_t, uint8_t> snapshot() {
  std::map<uint32_t, uint8_t> out;
  const BufferBlock* prev = nullptr;
  for (const BufferBlock* b = buffer_first_block(); b; b = b->next) {
    if (b->length == 0 || b->length > b->capacity) std::abort();
    if (uint64_t(b->start_address) + b->length > (uint64_t(1) << 32)) std::abort();
    if (prev && uint64_t(prev->start_address) + prev->length > b->start_address) std::abort();
    for (uint32_t i = 0; i < b->length; ++i) {
      uint8_t v;
      if (!buffer_get_byte(b->start_address + i, &v) || v != b->data[i]) std::abort();
      out[b->start_address + i] = b->data[i];
    }
    prev = b;
  }
  return out;
}

bool blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

int hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// False when the input holds something that a complete load must refuse; read on its own,
// without the reader's code.
bool may_load_completely(const uint8_t* data, size_t size) {
  bool ended = false;
  size_t pos = 0;
  while (pos < size) {
    size_t end = pos;
    while (end < size && data[end] != '\n' && data[end] != '\r') ++end;
    std::string line(reinterpret_cast<const char*>(data) + pos, end - pos);
    pos = end + 1;
    for (size_t i = 514; i < line.size(); ++i)
      if (!blank(line[i])) return false;  // longer than any record
    while (!line.empty() && (blank(line.back()) || (ended && line.back() == '\x1A')))
      line.pop_back();
    bool is_blank = true;
    for (char c : line) is_blank = is_blank && blank(c);
    if (is_blank) continue;
    if (ended) return false;  // after the end record
    if (line.size() < 2 || line[0] != 'S') continue;
    if (line[1] == '7' || line[1] == '8' || line[1] == '9' || line[1] == 'X') {
      ended = true;
      continue;
    }
    if (line[1] < '1' || line[1] > '3') continue;
    std::string bytes;
    bool all_hex = true;
    for (size_t i = 2; i + 1 < line.size(); i += 2) {
      const int hi = hex(line[i]), lo = hex(line[i + 1]);
      all_hex = all_hex && hi >= 0 && lo >= 0;
      bytes += char(hi * 16 + lo);
    }
    const size_t address_bytes = size_t(line[1] - '0') + 1;
    // A line that is not whole hex pairs, or has no room for a checksum, is refused anyway.
    if (!all_hex || line.size() % 2 != 0 || bytes.size() < address_bytes + 2) continue;
    if (size_t(uint8_t(bytes[0])) != bytes.size() - 1) return false;  // count is not the length
    uint64_t address = 0;
    for (size_t i = 0; i < address_bytes; ++i) address = address << 8 | uint8_t(bytes[1 + i]);
    if (address + (bytes.size() - 2 - address_bytes) > (uint64_t(1) << 32)) return false;
  }
  return true;
}

// Writes the buffer out, empties it and reads the text back; returns the new contents.
std::map<uint32_t, uint8_t> round_trip() {
  char* text = nullptr;
  size_t text_size = 0;
  FILE* out = open_memstream(&text, &text_size);
  srec_write(out);
  std::fclose(out);
  buffer_clear();
  FILE* again = fmemopen(text, text_size, "r");
  if (srec_read(again) != 0) std::abort();
  std::fclose(again);
  std::free(text);
  return snapshot();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pane_set_seam(&kQuietPane);
  buffer_init();

  FILE* in = fmemopen(const_cast<uint8_t*>(data), size, "r");
  if (!in) return 0;
  const int result = srec_read(in);
  std::fclose(in);
  if (result != 0 && result != -1) std::abort();
  if (result == 0 && !may_load_completely(data, size)) std::abort();

  const std::map<uint32_t, uint8_t> loaded = snapshot();
  if (!buffer_is_empty()) {
    const std::map<uint32_t, uint8_t> reloaded = round_trip();
    for (const auto& kv : loaded) {
      auto it = reloaded.find(kv.first);
      if (it == reloaded.end() || it->second != kv.second) std::abort();
    }
    for (const auto& kv : reloaded) {
      if (!loaded.count(kv.first) && kv.second != 0xFF) std::abort();
    }
    if (round_trip() != reloaded) std::abort();
  }
  buffer_clear();
  return 0;
}
