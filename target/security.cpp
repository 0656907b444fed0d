#include "target/security.h"

#include <cstdio>

#include "target/hcs12_registers.h"

namespace {
constexpr uint8_t kSecMask = 0x03;
constexpr uint8_t kSecUnsecured = 0x02;
constexpr uint8_t kKeyenShift = 6;
constexpr uint8_t kKeyenEnabled = 0x02;

constexpr uint8_t kFpopen = 0x80, kFphdis = 0x20, kFpldis = 0x04;
constexpr uint8_t kEpopen = 0x80, kEpdis = 0x08;

constexpr int kPagesPerBlockOf256K = 4;
constexpr int kPagesOf256K = 16;

std::string hex_range(const ProtectedRange& r) {
  char text[40];
  std::snprintf(text, sizeof text, "0x%X-0x%X", unsigned(r.first), unsigned(r.last));
  return text;
}
}  // namespace

bool security_byte_secures(uint8_t value) { return (value & kSecMask) != kSecUnsecured; }

uint8_t unsecured_form(uint8_t value) {
  return static_cast<uint8_t>((value & ~kSecMask) | kSecUnsecured);
}

bool backdoor_enabled(uint8_t value) { return (value >> kKeyenShift) == kKeyenEnabled; }

std::string describe_security_byte(uint8_t value) {
  char text[96];
  std::snprintf(text, sizeof text, "0x%2.2X: %s, backdoor key %s (SEC=%d%d, KEYEN=%d%d)",
                value, security_byte_secures(value) ? "secured" : "unsecured",
                backdoor_enabled(value) ? "enabled" : "disabled", (value >> 1) & 1, value & 1,
                (value >> 7) & 1, (value >> 6) & 1);
  return text;
}

bool programmable_without_erase(uint8_t from, uint8_t to) { return (to & ~from) == 0; }

int flash_block_count(const TargetMemoryMap& map) {
  const int pages = map.flash_last_page - map.flash_first_page + 1;
  return pages == kPagesOf256K ? kPagesOf256K / kPagesPerBlockOf256K : 1;
}

void flash_block_pages(const TargetMemoryMap& map, int block, int* first, int* last) {
  if (flash_block_count(map) == 1) {
    *first = map.flash_first_page;
    *last = map.flash_last_page;
    return;
  }
  *last = map.flash_last_page - block * kPagesPerBlockOf256K;
  *first = *last - kPagesPerBlockOf256K + 1;
}

int fprot_ranges(uint8_t fprot, const TargetMemoryMap& map, int block, ProtectedRange ranges[2]) {
  int first_page = 0, last_page = 0;
  flash_block_pages(map, block, &first_page, &last_page);
  const uint32_t start = paged_window_start(first_page);
  const uint32_t end = paged_window_start(last_page) + kFlashWindowSize - 1;
  if (!(fprot & kFpopen)) {
    ranges[0] = {start, end};
    return 1;
  }
  int n = 0;
  if (!(fprot & kFpldis)) {
    // The lower area starts at the block's second page from the top: 0x4000 in block 0.
    const uint32_t lower = paged_window_start(last_page - 1);
    const uint32_t size = 0x200u << (fprot & 3);
    ranges[n++] = {lower, lower + size - 1};
  }
  if (!(fprot & kFphdis)) {
    const uint32_t size = 0x800u << ((fprot >> 3) & 3);
    ranges[n++] = {end - size + 1, end};
  }
  return n;
}

bool eprot_range(uint8_t eprot, const TargetMemoryMap& map, ProtectedRange* range) {
  if (map.eeprom_end <= map.eeprom_start) return false;
  if (!(eprot & kEpopen)) {
    *range = {map.eeprom_start, map.eeprom_end};
    return true;
  }
  if (eprot & kEpdis) return false;
  const uint32_t size = 64u * ((eprot & 7u) + 1);
  *range = {map.eeprom_end - size + 1, map.eeprom_end};
  return true;
}

bool flash_block_of(const TargetMemoryMap& map, uint32_t address, int window_page, int* block,
                    uint32_t* banked) {
  int page = -1;
  uint32_t offset = 0;
  if (address >= kPage3EWindowStart && address < kPageWindowStart) {
    page = 0x3E;
    offset = address - kPage3EWindowStart;
  } else if (address >= kPageWindowStart && address <= kPageWindowEnd) {
    page = window_page;
    offset = address - kPageWindowStart;
  } else if (address >= kPage3FWindowStart && address <= 0xFFFF) {
    page = 0x3F;
    offset = address - kPage3FWindowStart;
  } else if ((address & 0xFFFF) >= kPageWindowStart && (address & 0xFFFF) <= kPageWindowEnd &&
             address <= 0xFFFFFF) {
    page = static_cast<int>(address >> 16);
    offset = (address & 0xFFFF) - kPageWindowStart;
  }
  if (page < map.flash_first_page || page > map.flash_last_page) return false;
  *banked = paged_window_start(page) + offset;
  for (int b = 0; b < flash_block_count(map); ++b) {
    int first = 0, last = 0;
    flash_block_pages(map, b, &first, &last);
    if (page >= first && page <= last) {
      *block = b;
      return true;
    }
  }
  return false;
}

std::string describe_fprot(uint8_t fprot, const TargetMemoryMap& map, int block) {
  ProtectedRange ranges[2];
  const int n = fprot_ranges(fprot, map, block, ranges);
  if (n == 0) return "none";
  if (!(fprot & kFpopen)) return "all (" + hex_range(ranges[0]) + ")";
  std::string text = hex_range(ranges[0]);
  if (n == 2) text += ", " + hex_range(ranges[1]);
  return text;
}

std::string describe_eprot(uint8_t eprot, const TargetMemoryMap& map) {
  ProtectedRange range;
  if (!eprot_range(eprot, map, &range)) return "none";
  return hex_range(range);
}

std::string describe_fprot_bits(uint8_t fprot) {
  if (!(fprot & kFpopen)) return "the whole block";
  std::string text;
  if (!(fprot & kFphdis)) text = "the upper " + std::to_string(2 << ((fprot >> 3) & 3)) + " KiB";
  if (!(fprot & kFpldis)) {
    if (!text.empty()) text += " and ";
    text += "the lower " + std::to_string(512 << (fprot & 3)) + " bytes";
  }
  return text.empty() ? "nothing" : text;
}
