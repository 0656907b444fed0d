#include "programming/program_target.h"

#include <cstdio>
#include <cstring>

#include "adapter/bdx.h"
#include "adapter/part_state.h"
#include "app/message_pane.h"
#include "buffer/buffer_store.h"
#include "programming/messages.h"
#include "programming/region_selection.h"
#include "programming/security.h"
#include "target/catalogue.h"
#include "target/hcs12_registers.h"
#include "target/security.h"

namespace {

constexpr uint32_t kWindowSize = kFlashWindowSize;
constexpr int kStagingSize = 512;  // the most one flash programming call carries
constexpr uint8_t kErased = 0xFF;

uint32_t paged_window(int page) { return paged_window_start(page); }

// While program_buffer runs, the security byte goes to the part by the rule of its mode (the
// buffer itself is left as it is): a call that carries 0xFF0F or its paged twin carries the byte
// the rule gives for the image's (0xFE where the image holds none in that call).
struct SecurityByteRule {
  bool active = false;
  SecurityMode mode = SecurityMode::Unsecure;
  bool written = false;   // a call carried the byte
  bool reported = false;  // the image's byte was named
};
SecurityByteRule g_security;

struct SecurityByteScope {
  explicit SecurityByteScope(SecurityMode mode) {
    g_security = SecurityByteRule();
    g_security.active = true;
    g_security.mode = mode;
  }
  ~SecurityByteScope() { g_security = SecurityByteRule(); }
};

void apply_security_rule(uint32_t address, uint8_t* staging, uint32_t length) {
  if (!g_security.active) return;
  for (int i = 0; i < kSecurityByteAddressCount; ++i) {
    const uint32_t at = security_byte_address(i);
    if (at < address || at - address >= length) continue;
    uint8_t image = 0;
    uint8_t& byte = staging[at - address];
    if (buffer_get_byte(at, &image)) {
      byte = security_byte_to_write(image, g_security.mode);
      if (!g_security.reported) report_security_byte(image, byte);
      g_security.reported = true;
    } else {
      byte = kUnsecuredSecurityByte;
    }
    g_security.written = true;
  }
}

// The flash programming call that failed last, so that the pass can name a protection in its way.
struct FailedCall {
  uint32_t address = 0;
  uint32_t length = 0;
};
FailedCall g_failed_call;

void name_protection_of_failed_call(const TargetMemoryMap& map, int page) {
  if (g_failed_call.length == 0) return;
  name_flash_protection(map, g_failed_call.address,
                        g_failed_call.address + g_failed_call.length - 1, page);
  g_failed_call = FailedCall();
}

// Selects the page shown at 0x8000-0xBFFF. A failure has no line of its own.
bool write_ppage(int page) { return bdx_SetMemoryByte(kRegisterPpage, static_cast<uint8_t>(page)) == 0; }

// One of the pages that are seen through a 16-bit window (0x3F, 0x3E, and the first page at
// 0x8000): held in the buffer at that window, in paged form, both or neither.
enum WindowedPage { kBlank, kProgrammed, kFailed };
WindowedPage program_windowed_page(const TargetMemoryMap& map, int page, uint32_t window,
                                   uint8_t timing, bool select_page) {
  const bool paged = window_holds_data(paged_window(page));
  const bool plain = window_holds_data(window);
  if (paged && plain)
    append_formatted("Warning Block 0x%2.2X (multiple representation in buffer)", page);
  if (!paged && !plain) {
    append_formatted(kBlockBlankFormat, page);
    return kBlank;
  }
  if (select_page && !write_ppage(page)) return kFailed;
  if (!write_flash_range(timing, window, window + kWindowSize - 1, kErased)) {
    name_protection_of_failed_call(map, page);
    return kFailed;
  }
  append_formatted(kBlockProgrammedFormat, page);
  return kProgrammed;
}

// The next address of a signed walk up to last (inclusive) that the buffer may hold: addresses
// the buffer does not hold lead to no call, so the walk may pass over them in one step. Returns
// last + 1 when nothing more is held. Negative addresses are walked one by one.
int64_t next_held_in_walk(int64_t a, int64_t last) {
  if (a < 0) return a + 1;
  uint32_t next = 0;
  if (a > last || !buffer_next_held(static_cast<uint32_t>(a), static_cast<uint32_t>(last), &next))
    return last + 1;
  return next;
}

}  // namespace

bool window_holds_data(uint32_t window) {
  return buffer_next_held(window, window + kWindowSize - 1, nullptr);
}

int write_flash_range(uint8_t timing, uint32_t first, uint32_t last, uint8_t fill) {
  uint8_t staging[kStagingSize];
  uint64_t a = first;  // 64 bits: the last word of the address space ends the loop too
  while (a < last) {
    const uint32_t address = static_cast<uint32_t>(a);
    std::memset(staging, fill, sizeof staging);
    uint32_t length = 0;
    const int n = buffer_read_run(address, last, kStagingSize, staging);
    if (n > 0) {
      length = static_cast<uint32_t>(n + (n & 1));
    } else {
      // The word's first byte is absent: a leading fill byte, then the bytes from its second.
      const int m = buffer_read_run(address + 1, last, kStagingSize - 1, staging + 1);
      if (m == 0) {
        // Neither byte of the word is held. Words that hold nothing lead to no call, so go
        // straight to the word of the next byte held.
        uint32_t next = 0;
        if (a + 2 > last || !buffer_next_held(static_cast<uint32_t>(a + 2), last, &next)) break;
        a = next & ~1u;
        continue;
      }
      length = static_cast<uint32_t>((m & 1) ? m + 1 : m + 2);
    }
    apply_security_rule(address, staging, length);
    if (bdx_FlashProgramBlock(timing, address, staging, length) == -1) {
      append_formatted("Flash block at: %X", static_cast<unsigned>(address));
      g_failed_call = {address, length};
      return 0;
    }
    a += length;
  }
  return 1;
}

bool program_flash_pass(const TargetMemoryMap& map, const RegionSelection& regions) {
  auto page_selected = [&regions](int page) { return page_is_selected(regions, page); };
  const int first = map.flash_first_page;
  const uint8_t timing = get_timing_value();
  if (map.flash_last_page != kLastFlashPage) {
    // Every supported flash ends at page 0x3F.
    append_line("No available Flash, please check target setup");
    return 0;
  }
  // The fixed pages through their own windows; PPAGE is not needed for them.
  if (page_selected(0x3F) &&
      program_windowed_page(map, 0x3F, kPage3FWindowStart, timing, false) == kFailed)
    return false;
  if (page_selected(0x3E) &&
      program_windowed_page(map, 0x3E, kPage3EWindowStart, timing, false) == kFailed)
    return false;
  if (first >= 0x3E) return true;
  // The first page, which shows at 0x8000-0xBFFF after reset.
  if (page_selected(first) &&
      program_windowed_page(map, first, kPageWindowStart, timing, true) == kFailed)
    return false;
  // Every page in paged form, 0x3F down to the first; the fixed pages and the first page come
  // up again here, so a page held in both forms is programmed from both.
  for (int page = 0x3F; page >= first; --page) {
    if (!page_selected(page)) continue;
    const uint32_t window = paged_window(page);
    if (!window_holds_data(window)) {
      append_formatted(kBlockBlankFormat, page);
      continue;
    }
    if (!write_ppage(page)) return false;
    if (!write_flash_range(timing, window, window + kWindowSize - 1, kErased)) {
      name_protection_of_failed_call(map, page);
      return false;
    }
    append_formatted(kBlockProgrammedFormat, page);
  }
  return true;
}

bool program_eeprom_pass(const TargetMemoryMap& map) {
  const uint8_t timing = get_timing_value();
  if (timing == 0) {
    append_line(kNoEepromTimingText);
    return false;
  }
  if (bdx_SetMemoryByte(kRegisterInitee, map.initee) != 0) {
    append_line(kWritingIniteeText);
    return false;
  }
  // The range is walked with signed bounds, as the map's fields are typed into the Target MPU
  // dialog; 64 bits keep the walk from overflowing at the top.
  const int64_t last = static_cast<int32_t>(map.eeprom_end);
  int64_t a = static_cast<int32_t>(map.eeprom_start);
  while (a <= last) {
    const uint32_t address = static_cast<uint32_t>(a);
    uint8_t bytes[4];
    if (address % 4 == 0 && buffer_read_run(address, map.eeprom_end, 4, bytes) == 4) {
      const uint32_t data = static_cast<uint32_t>(bytes[0]) << 24 |
                            static_cast<uint32_t>(bytes[1]) << 16 |
                            static_cast<uint32_t>(bytes[2]) << 8 | bytes[3];
      if (bdx_EpromProgramSector(timing, address, data) == -1) {
        append_formatted(kSectorFailureFormat, static_cast<unsigned>(address),
                         static_cast<unsigned>(data));
        name_eeprom_protection(map, address, address + 3);
        return false;
      }
      a += 4;
      continue;
    }
    if (buffer_get_byte(address, &bytes[0])) {
      if (bdx_EpromProgramByte(timing, address, bytes[0]) == -1) {
        append_formatted(kSectorFailureFormat, static_cast<unsigned>(address), bytes[0]);
        name_eeprom_protection(map, address, address);
        return false;
      }
      a += 1;
      continue;
    }
    a = next_held_in_walk(a + 1, last);
  }
  return true;
}

bool download_volatile_pass(const TargetMemoryMap& map) {
  if (bdx_SetMemoryByte(kRegisterInitrm, map.initrm) != 0) {
    append_line(kWritingInitrmText);
    return false;
  }
  const int64_t last = static_cast<int32_t>(map.volatile_end);
  int64_t a = static_cast<int32_t>(map.volatile_start);
  for (a = next_held_in_walk(a, last); a <= last; a = next_held_in_walk(a + 1, last)) {
    const uint32_t address = static_cast<uint32_t>(a);
    uint8_t value = 0;
    if (!buffer_get_byte(address, &value)) continue;
    if (bdx_SetMemoryByte(address, value) != 0) return false;  // no line of its own
  }
  return true;
}

bool program_buffer(const TargetMemoryMap& map, const RegionSelection& regions,
                    SecurityMode security) {
  SecurityByteScope rule(security);
  append_line("Scanning for selected Flash...");
  if (!program_flash_pass(map, regions)) {
    append_line("Failed programming Flash");
    return false;
  }
  if (regions.include_eeprom) {
    append_line("Programming Eeprom...");
    if (!program_eeprom_pass(map)) {
      append_line("Failed programming Eeprom");
      return false;
    }
  }
  if (regions.include_volatile) {
    append_line("Downloading (volatile)...");
    if (!download_volatile_pass(map)) {
      append_line("Download Failed");
      return false;
    }
  }
  // A part whose security byte is still erased comes out of its next reset secured now that it
  // holds something.
  if (!g_security.written && !buffer_is_empty() && !keep_erased_security_byte_unsecured())
    return false;
  end_command();
  return true;
}

namespace {
TargetMemoryMap map_in_force() {
  TargetMemoryMap map;
  get_target_memory_map(&map);
  return map;
}
}  // namespace

// The menu's entry points: each pass over the map in force and the process-wide selection.
int program_flash() { return program_flash_pass(map_in_force(), region_selection()); }
int program_eeprom() { return program_eeprom_pass(map_in_force()); }
int download_volatile() { return download_volatile_pass(map_in_force()); }
int program_target_from_buffer() { return program_buffer(map_in_force(), region_selection()); }
