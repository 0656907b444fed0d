// Helpers shared by the programming tests: a fixture with an in-memory pane, the recording fake
// adapter and the MC9S12DG256 map in force, and buffer and call helpers.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "buffer/buffer_store.h"
#include "programming/region_selection.h"
#include "target/catalogue.h"
#include "tests/support/fake_bdx.h"
#include "tests/support/memory_pane.h"

// A byte value that differs from its neighbours and from 0xFF for most addresses.
inline uint8_t pattern(uint32_t a) {
  return static_cast<uint8_t>((a >> 16) * 7 + (a >> 4) + a * 13 + 1);
}

// Puts pattern bytes at first..last into the buffer.
inline void put(uint32_t first, uint32_t last) {
  for (uint64_t a = first; a <= last; ++a) {
    const uint8_t v = pattern(static_cast<uint32_t>(a));
    buffer_write(static_cast<uint32_t>(a), &v, 1, 0xFF);
  }
}

inline void put_bytes(uint32_t address, const std::vector<uint8_t>& bytes) {
  buffer_write(address, bytes.data(), static_cast<uint32_t>(bytes.size()), 0xFF);
}

// Empties the buffer without a frame in the pane.
inline void clear_buffer_quietly() { buffer_attach(nullptr); }

// True for the reads through which the tool watches the part's security (BDMSTS, FSEC and the
// security byte 0xFF0F): they change nothing, and the security tests look at them on their own.
inline bool security_read(const FakeBdxCall& c) {
  return (c.name == "bdx_GetByte" && c.args == "FF01") ||
         (c.name == "bdx_GetMemoryByte" && (c.args == "101" || c.args == "FF0F"));
}

// Every call as "name(args)", joined by " ", without the "bdx_" prefix, leaving out the security
// reads; only the calls whose names are in `only` when it is not empty.
inline std::string call_list(const FakeBdx& fake, const std::vector<std::string>& only = {}) {
  std::string out;
  for (const FakeBdxCall& c : fake.calls) {
    bool wanted = only.empty() && !security_read(c);
    for (const std::string& name : only) wanted = wanted || c.name == "bdx_" + name;
    if (!wanted) continue;
    if (!out.empty()) out += ' ';
    out += c.name.substr(4) + "(" + c.args + ")";
  }
  return out;
}

// (address, bytes) of every held byte, in order: the buffer's contents as a value.
inline std::vector<std::pair<uint32_t, uint8_t>> buffer_contents() {
  std::vector<std::pair<uint32_t, uint8_t>> out;
  for (const BufferBlock* b = buffer_first_block(); b; b = b->next)
    for (uint32_t i = 0; i < b->length; ++i) out.emplace_back(b->start_address + i, b->data[i]);
  return out;
}

inline void select_only_pages(std::initializer_list<int> pages, bool eeprom, bool ram) {
  set_all_regions(false);
  RegionSelection& r = region_selection();
  for (int p : pages) r.include_page[p] = true;
  r.include_eeprom = eeprom;
  r.include_volatile = ram;
}

class ProgrammingTest : public testing::Test {
 protected:
  void SetUp() override {
    clear_buffer_quietly();
    reset_target_map();
    select_target_by_name("MC9S12DG256");
    set_all_regions(true);
  }
  void TearDown() override {
    clear_buffer_quietly();
    set_all_regions(true);
  }
  FakeBdx& fake() { return bdx_.fake(); }
  std::string lines() { return memory_pane_lines_joined("|"); }
  ScopedMemoryPane pane_;
  ScopedFakeBdx bdx_;
};
