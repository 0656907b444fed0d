// Where the bytes of an image in the buffer go when the buffer is programmed over a memory map
// and a region selection: onto the part, onto the part but outside the selected regions, or
// where the part has no memory the passes program. Programming from a file says so after the
// passes, so a file that lands nowhere (linear addresses read as banked, a page left out of the
// selection) is never taken for a programmed one.
#pragma once
#include <cstdint>

#include "programming/region_selection.h"
#include "target/catalogue.h"

struct ImageCoverage {
  uint64_t bytes = 0;             // every byte the buffer holds
  uint64_t programmed = 0;        // on the part, in a selected region
  uint64_t unselected = 0;        // on the part, in a region that is not selected
  uint32_t first_unselected = 0;  // the lowest of them
  uint64_t no_memory = 0;         // where the part has no flash page, EEPROM or RAM (the
                                  // register block included: no pass writes it)
  uint32_t first_no_memory = 0;
};

// The buffer's bytes (banked form) sorted as the passes of program_buffer(map, regions) would
// take them: flash pages from map.flash_first_page to map.flash_last_page through their paged
// form or their 16-bit windows (0x8000-0xBFFF being the first page, which is programmed only
// below page 0x3E), the EEPROM range and the volatile range.
ImageCoverage measure_image_coverage(const TargetMemoryMap& map, const RegionSelection& regions);

// One line for each kind of byte that went nowhere, nothing when every byte was programmed:
// "400 bytes lie outside the selected regions, first at 0x3D8000" and "16 bytes lie where
// MC9S12DG256 has no memory, first at 0x7F8000", the latter followed by ": is this file in
// linear form? <linear_hint>" when linear_hint is not null.
void report_image_coverage(const ImageCoverage& coverage, const char* part_name,
                           const char* linear_hint);

// The flash pages the buffer's data lies on that are selected and on the part, as a selection
// of its own: no EEPROM, no RAM. What "erase the pages the image touches" erases.
RegionSelection image_flash_pages(const TargetMemoryMap& map, const RegionSelection& regions);
