#include "programming/erase.h"

#include <cstdio>
#include <cstdlib>

#include "adapter/bdx.h"
#include "adapter/connection.h"
#include "adapter/part_state.h"
#include "app/message_pane.h"
#include "programming/messages.h"
#include "programming/region_selection.h"
#include "programming/security.h"
#include "target/catalogue.h"
#include "target/hcs12_registers.h"

namespace {

const char kNoMap[] = "Cannot determine EEPROM memory region, please check target setup";


void append_page_line(const char* format, int page) {
  char line[64];
  std::snprintf(line, sizeof line, format, page);
  append_line(line);
}

// The volatile range (16-bit addresses) written with zeros in one block; an empty range is
// passed over without a line.
enum VolatileFill { kFillDone, kFillFailed, kFillNoMemory };
VolatileFill fill_volatile_with_zeros(const TargetMemoryMap& map) {
  const uint32_t start = map.volatile_start & 0xFFFF;
  const uint32_t end = map.volatile_end & 0xFFFF;
  if (end <= start) return kFillDone;
  const uint32_t size = end - start + 1;
  unsigned char* zeros = static_cast<unsigned char*>(std::calloc(size, 1));
  if (!zeros) {
    append_line("Cannor obtain memory block for fill");
    return kFillNoMemory;
  }
  uint32_t fail = start;
  VolatileFill result = kFillDone;
  if (bdx_LoadBlock(start, size, zeros, &fail) != 0) {
    char line[64];
    std::snprintf(line, sizeof line, "Failed writing volatile memory at %4.4X",
                  static_cast<unsigned>(fail));
    append_line(line);
    result = kFillFailed;
  } else {
    append_line("Volatile memory filled ('00') ");
  }
  std::free(zeros);
  return result;
}

}  // namespace

bool erase_everything(const TargetMemoryMap& map) {
  begin_command("Mass Erase Device");
  const uint8_t eeprom_timing = get_timing_value();
  if (eeprom_timing == 0) {
    append_line(kNoEepromTimingText);
    return false;
  }
  const uint8_t flash_timing = get_timing_value();
  if (flash_timing == 0) {
    append_line(kNoFlashTimingText);
    return false;
  }
  // The erase calls work on a part whatever its run state, so a failing reset neither stops the
  // command nor withholds "COMMAND DONE" from an erase that worked; it is only named.
  reset_target();
  append_line("Erasing Flash...");
  if (bdx_FlashEraseAll(flash_timing) == -1) {
    append_line("Failed erasing Flash");
    return false;
  }
  append_line("Erasing Eprom...");
  if (bdx_EpromEraseAll(eeprom_timing, map.eeprom_start) == -1) {
    append_line(kFailedErasingEepromText);
    return false;
  }
  reset_target();
  // An erased security byte secures the part at its next reset once anything is programmed.
  if (!set_security_byte_unsecured()) return false;
  end_command();
  return true;
}

bool erase_selected_regions(const TargetMemoryMap& map, const RegionSelection& regions) {
  begin_command("Erase Regions");
  bool all_done = true;

  if (regions.include_eeprom) {
    const uint8_t timing = get_timing_value();
    if (timing == 0) {
      append_line(kNoEepromTimingText);
      return false;
    }
    // There is no partial EEPROM erase: the whole of it goes.
    if (bdx_EpromEraseAll(timing, map.eeprom_start) == -1) {
      append_line(kFailedErasingEepromText);
      all_done = false;
    } else {
      append_line("EEPROM erased");
    }
  }

  if (regions.include_volatile) {
    const VolatileFill fill = fill_volatile_with_zeros(map);
    if (fill == kFillNoMemory) return false;
    if (fill == kFillFailed) all_done = false;
  }

  const uint8_t flash_timing = get_timing_value();
  if (flash_timing == 0) {
    append_line(kNoFlashTimingText);
    return false;
  }
  for (int page = map.flash_first_page; page <= map.flash_last_page; ++page) {
    if (!page_is_selected(regions, page)) continue;
    if (bdx_FlashEraseBlock(page, flash_timing) != 0) {
      append_page_line("FAILED erasing block %2.2X", page);
      name_flash_protection(map, paged_window_start(page),
                            paged_window_start(page) + kFlashWindowSize - 1, page);
      all_done = false;
    } else {
      append_page_line("Block %2.2X erased", page);
      // The page that holds the security byte: leave the part unsecured.
      if (page == kLastFlashPage && !set_security_byte_unsecured()) all_done = false;
    }
  }

  if (!all_done) return false;  // the failures above are the command's last word
  end_command();
  return true;
}

namespace {
// The map in force for a command framed as name; false after the frame and its line when there
// is none.
bool map_in_force(const char* name, TargetMemoryMap* map) {
  if (get_target_memory_map(map)) return true;
  begin_command(name);
  append_line(kNoMap);
  return false;
}
}  // namespace

// The menu's entry points: the work over the map in force (and the process-wide selection).
bool mass_erase_confirmed() {
  TargetMemoryMap map;
  return map_in_force("Mass Erase Device", &map) && erase_everything(map);
}

int erase_regions() {
  TargetMemoryMap map;
  return map_in_force("Erase Regions", &map) && erase_selected_regions(map, region_selection())
             ? 1
             : 0;
}
