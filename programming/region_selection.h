// The region selection: which parts of the target the region-wise commands touch (the volatile
// RAM range, the EEPROM range and each of the 64 flash pages), and the portable half of the
// "Memory Regions" dialog that edits it: the pairing of flags with check boxes and the rules
// by which the dialog is filled from the memory map in force.
//
// One process-wide record, everything selected at start-up, never stored. Programming from the
// buffer or from a file and erasing by region read it; the dialog writes it.
#pragma once
#include <cstdint>
#include <string>

#include "target/catalogue.h"

enum { kFlashPageCount = 64 };

struct RegionSelection {
  bool include_volatile;
  bool include_eeprom;
  bool include_page[kFlashPageCount];  // index = PPAGE value 0x00..0x3F
};

// A selection of everything: the volatile range, the EEPROM and every page.
constexpr RegionSelection all_regions() {
  RegionSelection s{};
  s.include_volatile = s.include_eeprom = true;
  for (bool& page : s.include_page) page = true;
  return s;
}

// The process-wide selection.
RegionSelection& region_selection();
// Every flag set (start-up state, "Select All") or every flag clear ("Deselect All").
void set_all_regions(bool selected);
// True when page is 0x00..0x3F and its flag is set; any other number is false.
bool page_selected(int page);
// The same rule for any selection.
bool page_is_selected(const RegionSelection& selection, int page);

// Check box ids of the dialog: volatile, EEPROM, and the page boxes indexed by page number.
int volatile_control_id();
int eeprom_control_id();
int page_control_id(int page);  // 0 for a number outside 0x00..0x3F

// What the dialog shows for one map and selection.
struct RegionsDialogFill {
  bool volatile_enabled;
  std::string volatile_range;  // "(%4.4X-%4.4X)", or empty when the row is disabled
  bool eeprom_enabled;
  std::string eeprom_range;
  bool page_enabled[kFlashPageCount];
};

// The filling rules. A row with a range (start below end) is enabled and shows it; a disabled
// row keeps its flag. Pages at or above flash_first_page are enabled; pages below it, and every
// page under the all-zero map (first page 0 and EEPROM end 0), are disabled and their flags are
// cleared in *selection. Pages above flash_last_page stay enabled.
RegionsDialogFill fill_memory_regions(const TargetMemoryMap& map, RegionSelection* selection);
