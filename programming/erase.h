// Erasing the target through the adapter library: the whole flash and EEPROM ("&Erase All",
// whose confirmation lives in programming/erase_win.h), or the selected regions ("&Erase memory
// region(s)": the EEPROM, the volatile RAM filled with zeros, and each selected flash page).
// Both are framed commands in the message pane; "COMMAND DONE" ends only a command in which
// every step succeeded.
#pragma once

#include "programming/region_selection.h"
#include "target/catalogue.h"

// "Mass Erase Device", after the user confirmed: reset, erase all flash, erase all EEPROM,
// reset again, then the security byte set to unsecured (0xFE), ignoring the region selection.
// Stops at the first failed erase; a failed reset is
// only named ("Cannot reset target"). True after "COMMAND DONE", else false.
bool mass_erase_confirmed();

// "Erase Regions": erases the EEPROM when selected, fills the volatile range with zeros when
// selected, then erases each selected flash page from the first to the last (after page 0x3F,
// which holds the security byte, 0xFF0F is set to unsecured). A failed EEPROM
// erase, fill or page erase is reported and the remaining steps still run, but the command
// then ends without "COMMAND DONE"; a timing of 0 or a failed allocation stops it at once.
// Returns 1 after "COMMAND DONE", else 0.
int erase_regions();

// The two commands, frames and all, over the map and selection they are given: for callers
// with their own (the command line). The two above are these over the map in force and the
// process-wide selection.
bool erase_everything(const TargetMemoryMap& map);
bool erase_selected_regions(const TargetMemoryMap& map, const RegionSelection& regions);
