#include "programming/verify.h"

#include <cstdio>
#include <vector>

#include "adapter/bdx.h"
#include "app/message_pane.h"
#include "buffer/buffer_store.h"
#include "programming/messages.h"
#include "programming/region_selection.h"
#include "programming/security.h"
#include "target/catalogue.h"
#include "target/hcs12_registers.h"

namespace {

constexpr uint32_t kWindowSize = kFlashWindowSize;

enum AreaKind { kNotVerified, kFlash, kEeprom, kVolatile };

// Where a buffer address lies on the target, and the last address of the same kind that
// follows it without a boundary in between.
struct Area {
  AreaKind kind;
  int page;       // the page to select through PPAGE before reading, or -1
  uint32_t last;
};

bool in_range(uint32_t a, uint32_t start, uint32_t end) { return start <= end && a >= start && a <= end; }

// The last address before the next place where a different area may begin.
uint32_t last_before_boundary(uint32_t a, const TargetMemoryMap& map) {
  uint64_t boundary = (uint64_t(a) & ~uint64_t(0xFFFF)) + 0x10000;
  const uint64_t base = uint64_t(a) & ~uint64_t(0xFFFF);
  const uint64_t candidates[] = {base + 0x4000, base + 0x8000, base + 0xC000,
                                 map.eeprom_start,         uint64_t(map.eeprom_end) + 1,
                                 map.volatile_start,       uint64_t(map.volatile_end) + 1};
  for (uint64_t c : candidates)
    if (c > a && c < boundary) boundary = c;
  return static_cast<uint32_t>(boundary - 1);
}

Area classify(uint32_t a, const TargetMemoryMap& map, const RegionSelection& regions) {
  Area area = {kNotVerified, -1, last_before_boundary(a, map)};
  const int first = map.flash_first_page;
  const bool flash = map.flash_last_page == kLastFlashPage;  // the programming pass needs it so
  const uint32_t offset = a & 0xFFFF;
  if (a > 0xFFFF) {
    const uint32_t page = a >> 16;
    if (flash && offset >= 0x8000 && offset <= 0xBFFF && page >= uint32_t(first) &&
        page <= uint32_t(kLastFlashPage) && page_is_selected(regions, static_cast<int>(page))) {
      area.kind = kFlash;
      area.page = static_cast<int>(page);
    }
    return area;
  }
  if (flash && a >= 0xC000) {
    if (page_is_selected(regions, 0x3F)) area.kind = kFlash;
  } else if (flash && a >= 0x4000 && a <= 0x7FFF) {
    if (page_is_selected(regions, 0x3E)) area.kind = kFlash;
  } else if (flash && a >= 0x8000 && a <= 0xBFFF) {
    if (first < 0x3E && page_is_selected(regions, first)) {
      area.kind = kFlash;
      area.page = first;
    }
  } else if (regions.include_volatile && in_range(a, map.volatile_start, map.volatile_end)) {
    area.kind = kVolatile;
  } else if (regions.include_eeprom && in_range(a, map.eeprom_start, map.eeprom_end)) {
    area.kind = kEeprom;
  }
  return area;
}


// Writes what programming wrote before it touched the area: PPAGE, INITEE or INITRM.
bool prepare_area(const Area& area, const TargetMemoryMap& map, int* selected_page,
                  bool* initee_done, bool* initrm_done) {
  if (area.page >= 0 && area.page != *selected_page) {
    if (bdx_SetMemoryByte(kRegisterPpage, static_cast<uint8_t>(area.page)) != 0) {
      append_formatted("Cannot select page %2.2X", area.page);
      return false;
    }
    *selected_page = area.page;
  }
  if (area.kind == kEeprom && !*initee_done) {
    if (bdx_SetMemoryByte(kRegisterInitee, map.initee) != 0) {
      append_line(kWritingIniteeText);
      return false;
    }
    *initee_done = true;
  }
  if (area.kind == kVolatile && !*initrm_done) {
    if (bdx_SetMemoryByte(kRegisterInitrm, map.initrm) != 0) {
      append_line(kWritingInitrmText);
      return false;
    }
    *initrm_done = true;
  }
  return true;
}

}  // namespace

VerifyResult verify_buffer(const TargetMemoryMap& map, const RegionSelection& regions,
                           SecurityMode security) {
  begin_command("Verify target");
  VerifyResult tally;
  int selected_page = -1;
  bool initee_done = false, initrm_done = false;
  std::vector<uint8_t> expected(kWindowSize), actual(kWindowSize);

  uint32_t a = 0;
  uint64_t from = 0;
  while (from <= 0xFFFFFFFFu && buffer_next_held(static_cast<uint32_t>(from), 0xFFFFFFFFu, &a)) {
    const Area area = classify(a, map, regions);
    // One read per run of held bytes within one area (at most a 16 KiB window).
    const int n = buffer_read_run(a, area.last, static_cast<int>(kWindowSize), expected.data());
    from = uint64_t(a) + static_cast<uint64_t>(n);
    if (area.kind == kNotVerified) {
      tally.not_verified += static_cast<uint64_t>(n);
      continue;
    }
    if (!prepare_area(area, map, &selected_page, &initee_done, &initrm_done)) return tally;
    // The security byte is compared with what programming wrote for the image's.
    for (int i = 0; area.kind == kFlash && i < kSecurityByteAddressCount; ++i) {
      const uint32_t at = security_byte_address(i);
      if (at >= a && at - a < static_cast<uint32_t>(n))
        expected[at - a] = security_byte_to_write(expected[at - a], security);
    }
    uint32_t fail = a;
    // A block the library says it read but did not fill must not pass for the expected bytes
    // (nor for those of the read before): each byte starts as what it should not be.
    for (int i = 0; i < n; ++i) actual[i] = static_cast<uint8_t>(~expected[i]);
    if (bdx_GetBlock(a, static_cast<uint32_t>(n), actual.data(), &fail) != 0) {
      append_formatted("Cannot get memory at 0x%X", static_cast<unsigned>(fail));
      tally.read_failed = true;
      tally.failing_address = fail;
      return tally;
    }
    for (int i = 0; i < n; ++i) {
      if (actual[i] == expected[i]) continue;
      if (tally.differing++ == 0) {
        tally.first_address = a + static_cast<uint32_t>(i);
        tally.first_read = actual[i];
        tally.first_expected = expected[i];
      }
    }
    tally.compared += static_cast<uint64_t>(n);
  }

  if (tally.not_verified > 0)
    append_formatted("%llu bytes outside the selected regions not verified",
                     static_cast<unsigned long long>(tally.not_verified));
  if (tally.compared == 0) {
    append_line("Nothing to verify in the selected regions");
    return tally;
  }
  if (tally.differing > 0) {
    append_formatted("Verify failed at 0x%X: read 0x%2.2X, expected 0x%2.2X",
                     static_cast<unsigned>(tally.first_address), tally.first_read,
                     tally.first_expected);
    append_formatted("%llu of %llu bytes differ", static_cast<unsigned long long>(tally.differing),
                     static_cast<unsigned long long>(tally.compared));
    return tally;
  }
  append_formatted("Verified %llu bytes", static_cast<unsigned long long>(tally.compared));
  end_command();
  tally.matched = true;
  return tally;
}

bool verify_target_against_buffer() {
  TargetMemoryMap map;
  get_target_memory_map(&map);
  return verify_buffer(map, region_selection()).matched;
}
