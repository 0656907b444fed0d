// Fuzzes the S-record reader: any input must load without a crash and leave the buffer's
// blocks ascending with disjoint valid bytes. What the writer makes of the buffer must read
// back to the same bytes, plus fill bytes (0xFF) in gaps that now lie inside one block, and
// writing and reading that again must change nothing.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "app/message_pane.h"
#include "buffer/buffer_store.h"
#include "buffer/srec.h"

namespace {

int ignore_text(const char*) { return 1; }
void ignore_clear() {}
const PaneSeam kQuietPane = {ignore_text, ignore_clear};

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
