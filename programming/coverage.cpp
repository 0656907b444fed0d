#include "programming/coverage.h"

#include <cstdio>
#include <string>

#include "app/message_pane.h"
#include "buffer/buffer_store.h"
#include "target/hcs12_registers.h"

namespace {

enum class Place { Programmed, Unselected, NoMemory };

constexpr int kNoPage = -1;

bool in_range(uint32_t a, uint32_t first, uint32_t last) { return a >= first && a <= last; }

// The flash page a banked address lies on, kNoPage when it lies on none of the part's pages.
int flash_page_of(const TargetMemoryMap& map, uint32_t a) {
  int page = kNoPage;
  if (a <= 0xFFFF) {
    if (in_range(a, kPage3EWindowStart, kPage3EWindowStart + kFlashWindowSize - 1)) {
      page = 0x3E;
    } else if (a >= kPage3FWindowStart) {
      page = 0x3F;
    } else if (in_range(a, kPageWindowStart, kPageWindowEnd) && map.flash_first_page < 0x3E) {
      page = map.flash_first_page;  // the flash pass programs this window as the first page
    }
  } else if ((a >> 16) <= uint32_t(kLastFlashPage) &&
             in_range(a & 0xFFFF, kPageWindowStart, kPageWindowEnd)) {
    page = int(a >> 16);
  }
  if (page < map.flash_first_page || page > map.flash_last_page) return kNoPage;
  return page;
}

// The passes walk the EEPROM and volatile ranges with signed bounds, as typed into the map.
bool in_signed_range(uint32_t a, uint32_t start, uint32_t end) {
  const int64_t s = static_cast<int32_t>(start), e = static_cast<int32_t>(end);
  return int64_t(a) >= s && int64_t(a) <= e;
}

Place place_of(const TargetMemoryMap& map, const RegionSelection& regions, uint32_t a) {
  const bool in_ram = in_signed_range(a, map.volatile_start, map.volatile_end);
  const bool in_eeprom = in_signed_range(a, map.eeprom_start, map.eeprom_end);
  if (in_ram || in_eeprom) {
    const bool taken = (in_ram && regions.include_volatile) || (in_eeprom && regions.include_eeprom);
    return taken ? Place::Programmed : Place::Unselected;
  }
  const int page = flash_page_of(map, a);
  if (page == kNoPage) return Place::NoMemory;
  return page_is_selected(regions, page) ? Place::Programmed : Place::Unselected;
}

}  // namespace

ImageCoverage measure_image_coverage(const TargetMemoryMap& map, const RegionSelection& regions) {
  ImageCoverage c;
  for (const BufferBlock* b = buffer_first_block(); b; b = b->next) {
    for (uint32_t i = 0; i < b->length; ++i) {
      const uint32_t a = b->start_address + i;
      ++c.bytes;
      switch (place_of(map, regions, a)) {
        case Place::Programmed:
          ++c.programmed;
          break;
        case Place::Unselected:
          if (c.unselected++ == 0) c.first_unselected = a;
          break;
        case Place::NoMemory:
          if (c.no_memory++ == 0) c.first_no_memory = a;
          break;
      }
    }
  }
  return c;
}

void report_image_coverage(const ImageCoverage& c, const char* part_name, const char* linear_hint) {
  auto count = [](uint64_t n) {
    return std::to_string(n) + (n == 1 ? " byte lies" : " bytes lie");
  };
  char address[16];
  if (c.unselected) {
    std::snprintf(address, sizeof address, "0x%X", unsigned(c.first_unselected));
    append_line((count(c.unselected) + " outside the selected regions, first at " + address).c_str());
  }
  if (c.no_memory) {
    std::snprintf(address, sizeof address, "0x%X", unsigned(c.first_no_memory));
    std::string line = count(c.no_memory) + " where " + (part_name ? part_name : "the part") +
                       " has no memory, first at " + address;
    if (linear_hint) line += std::string(": is this file in linear form? ") + linear_hint;
    append_line(line.c_str());
  }
}

RegionSelection image_flash_pages(const TargetMemoryMap& map, const RegionSelection& regions) {
  RegionSelection pages{};
  for (const BufferBlock* b = buffer_first_block(); b; b = b->next) {
    for (uint32_t i = 0; i < b->length; ++i) {
      const uint32_t a = b->start_address + i;
      if (in_signed_range(a, map.volatile_start, map.volatile_end) ||
          in_signed_range(a, map.eeprom_start, map.eeprom_end))
        continue;
      const int page = flash_page_of(map, a);
      if (page != kNoPage && page_is_selected(regions, page)) pages.include_page[page] = true;
    }
  }
  return pages;
}
