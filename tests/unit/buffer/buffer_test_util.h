// Helpers shared by the buffer tests.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "buffer/buffer_store.h"
#include "tests/support/test_files.h"

// (start_address, length) of every block, in list order.
inline std::vector<std::pair<uint32_t, uint32_t>> block_layout() {
  std::vector<std::pair<uint32_t, uint32_t>> out;
  for (const BufferBlock* b = buffer_first_block(); b; b = b->next) {
    out.emplace_back(b->start_address, b->length);
  }
  return out;
}

inline std::vector<uint8_t> bytes_from(uint8_t first, int count) {
  std::vector<uint8_t> v;
  for (int i = 0; i < count; ++i) v.push_back(uint8_t(first + i));
  return v;
}

inline int write_bytes(uint32_t address, const std::vector<uint8_t>& v) {
  return buffer_write(address, v.data(), uint32_t(v.size()), 0xFF);
}

// Empties the buffer without leaving a frame in whatever pane is installed afterwards.
void reset_buffer_quietly();

// A temporary stream holding text, positioned at its start.
FILE* stream_with(const std::string& text);
// Everything written to a temporary stream.
std::string stream_text(FILE* f);
