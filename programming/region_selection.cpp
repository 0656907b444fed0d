#include "programming/region_selection.h"

#include <cstdio>

#include "resources/memory_regions_ids.h"

namespace {

// Every start begins with everything selected (constant-initialised, so it holds before any
// other start-up code runs).
constexpr RegionSelection kAllSelected = all_regions();
RegionSelection g_selection = kAllSelected;

// The page boxes by page number (the dialog's ids are not in page order).
const int kPageControlIds[kFlashPageCount] = {
    IDC_REGIONS_PAGE_00, IDC_REGIONS_PAGE_01, IDC_REGIONS_PAGE_02, IDC_REGIONS_PAGE_03,
    IDC_REGIONS_PAGE_04, IDC_REGIONS_PAGE_05, IDC_REGIONS_PAGE_06, IDC_REGIONS_PAGE_07,
    IDC_REGIONS_PAGE_08, IDC_REGIONS_PAGE_09, IDC_REGIONS_PAGE_0A, IDC_REGIONS_PAGE_0B,
    IDC_REGIONS_PAGE_0C, IDC_REGIONS_PAGE_0D, IDC_REGIONS_PAGE_0E, IDC_REGIONS_PAGE_0F,
    IDC_REGIONS_PAGE_10, IDC_REGIONS_PAGE_11, IDC_REGIONS_PAGE_12, IDC_REGIONS_PAGE_13,
    IDC_REGIONS_PAGE_14, IDC_REGIONS_PAGE_15, IDC_REGIONS_PAGE_16, IDC_REGIONS_PAGE_17,
    IDC_REGIONS_PAGE_18, IDC_REGIONS_PAGE_19, IDC_REGIONS_PAGE_1A, IDC_REGIONS_PAGE_1B,
    IDC_REGIONS_PAGE_1C, IDC_REGIONS_PAGE_1D, IDC_REGIONS_PAGE_1E, IDC_REGIONS_PAGE_1F,
    IDC_REGIONS_PAGE_20, IDC_REGIONS_PAGE_21, IDC_REGIONS_PAGE_22, IDC_REGIONS_PAGE_23,
    IDC_REGIONS_PAGE_24, IDC_REGIONS_PAGE_25, IDC_REGIONS_PAGE_26, IDC_REGIONS_PAGE_27,
    IDC_REGIONS_PAGE_28, IDC_REGIONS_PAGE_29, IDC_REGIONS_PAGE_2A, IDC_REGIONS_PAGE_2B,
    IDC_REGIONS_PAGE_2C, IDC_REGIONS_PAGE_2D, IDC_REGIONS_PAGE_2E, IDC_REGIONS_PAGE_2F,
    IDC_REGIONS_PAGE_30, IDC_REGIONS_PAGE_31, IDC_REGIONS_PAGE_32, IDC_REGIONS_PAGE_33,
    IDC_REGIONS_PAGE_34, IDC_REGIONS_PAGE_35, IDC_REGIONS_PAGE_36, IDC_REGIONS_PAGE_37,
    IDC_REGIONS_PAGE_38, IDC_REGIONS_PAGE_39, IDC_REGIONS_PAGE_3A, IDC_REGIONS_PAGE_3B,
    IDC_REGIONS_PAGE_3C, IDC_REGIONS_PAGE_3D, IDC_REGIONS_PAGE_3E, IDC_REGIONS_PAGE_3F};

// A row with a range shows it; an empty or reversed range disables the row (flag kept).
bool fill_range(uint32_t start, uint32_t end, std::string* text) {
  text->clear();
  if (!(start < end)) return false;
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "(%4.4X-%4.4X)", static_cast<unsigned>(start),
                static_cast<unsigned>(end));
  *text = buffer;
  return true;
}

}  // namespace

RegionSelection& region_selection() { return g_selection; }

void set_all_regions(bool selected) { g_selection = selected ? all_regions() : RegionSelection{}; }

bool page_is_selected(const RegionSelection& selection, int page) {
  return page >= 0 && page < kFlashPageCount && selection.include_page[page];
}

bool page_selected(int page) { return page_is_selected(g_selection, page); }

int volatile_control_id() { return IDC_REGIONS_VOLATILE; }

int eeprom_control_id() { return IDC_REGIONS_EEPROM; }

int page_control_id(int page) {
  return page >= 0 && page < kFlashPageCount ? kPageControlIds[page] : 0;
}

RegionsDialogFill fill_memory_regions(const TargetMemoryMap& map, RegionSelection* selection) {
  RegionsDialogFill fill;
  fill.volatile_enabled = fill_range(map.volatile_start, map.volatile_end, &fill.volatile_range);
  fill.eeprom_enabled = fill_range(map.eeprom_start, map.eeprom_end, &fill.eeprom_range);
  // The all-zero map is in force until a derivative with a map is chosen: no flash at all.
  const bool no_map = map.flash_first_page == 0 && map.eeprom_end == 0;
  for (int p = 0; p < kFlashPageCount; ++p) {
    fill.page_enabled[p] = !no_map && p >= map.flash_first_page;
    if (!fill.page_enabled[p]) selection->include_page[p] = false;
  }
  return fill;
}
