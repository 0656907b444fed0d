// Programming the target from the buffer: the selected flash pages, then the EEPROM, then the
// volatile RAM, through the adapter library table, with one message-pane line per step.
//
// Buffer addresses are those of the S-record files: a flash page's data is held either at its
// 16-bit window (page 0x3E at 0x4000-0x7FFF, 0x3F at 0xC000-0xFFFF, the first page at
// 0x8000-0xBFFF as after reset) or in paged form, (page << 16) + 0x8000 .. + 0xBFFF.
// Every flash programming call starts on an even address and carries whole 16-bit words, at
// most 512 bytes, consecutive in the buffer apart from 0xFF fill bytes at its two ends.
#pragma once
#include <cstdint>

#include "programming/region_selection.h"
#include "programming/security.h"
#include "target/catalogue.h"

// The whole operation ("&Program Target Regions from buffer"): "Scanning for selected Flash...",
// the flash pass, then the EEPROM and volatile passes when selected. Opens no command frame of
// its own; ends with "COMMAND DONE" and returns 1 only when every pass succeeded. The first
// failure stops everything after its own line and the pass's summary line, and returns 0.
int program_target_from_buffer();

// The three passes (1 success, 0 failure), each over a copy of the memory map in force and the
// process-wide selection. No caller in the tool: program_target_from_buffer and corvane run the
// passes below through program_buffer.
int program_flash();
int program_eeprom();
int download_volatile();

// The same operation and passes over the map and selection they are given, for callers with
// their own (the command line): program_target_from_buffer is program_buffer over the map in
// force and the process-wide selection. The security byte 0xFF0F is written by the rule of
// `security` ("Security byte ..." lines name a change), and a part left with an erased 0xFF0F
// gets 0xFE there ("Security byte set to unsecured (0xFE)"), so that it is not secured at its
// next reset.
bool program_buffer(const TargetMemoryMap& map, const RegionSelection& regions,
                    SecurityMode security = SecurityMode::Unsecure);
bool program_flash_pass(const TargetMemoryMap& map, const RegionSelection& regions);
bool program_eeprom_pass(const TargetMemoryMap& map);
bool download_volatile_pass(const TargetMemoryMap& map);

// Programs the buffer's bytes in first..last (first even) in calls of at most 512 bytes, words
// the buffer does not hold at all being passed over, partial words padded with fill.
// 1 success; 0 after "Flash block at: %X" for a failing call.
int write_flash_range(uint8_t timing, uint32_t first, uint32_t last, uint8_t fill);

// True when the buffer holds at least one byte in the 16 KiB window that starts at window.
bool window_holds_data(uint32_t window);
