// Target memory as the bench commands (peek, poke) read and write it.
//
// A read leaves the part as it found it: a paging register it writes to reach a page (PPAGE on
// HCS12, GPAGE on HCS12X, as the memory view selects pages) is read first and written back
// afterwards, and an address of the 16-bit map, the 0x8000-0xBFFF window included, is read as
// the CPU sees it, through the page in force. Runs of bytes go through bdx_GetBlock, byte reads
// being the fallback where a block read fails.
//
// A write goes where its address says: registers and RAM through bdx_SetByte at the address
// given, EEPROM through the library's EEPROM calls (each aligned 4-byte sector read, changed and
// programmed again, as the EEPROM pass programs sectors); flash is refused, being programmed
// from a file. Every byte written is read back.
#pragma once
#include <cstdint>
#include <vector>

#include "target/catalogue.h"

struct TargetRead {
  std::vector<uint8_t> values;  // one per byte asked for
  std::vector<bool> available;  // false where the byte could not be read
  uint32_t unreadable = 0;
};
// count bytes from address on. bdm: with the BDM's registers mapped in (bdx_GetByte, one byte a
// call; there is no block read of that map). Bytes on a page whose paging register cannot be read
// first are not read (the register could not be put back).
TargetRead read_target_memory(uint32_t address, uint32_t count, bool bdm);

struct TargetWrite {
  bool ok = false;
  uint32_t written = 0;  // bytes written before a write failed
};
// Writes bytes from address on over the map in force, then reads them back. Failures, each one
// line: "0xC000 is flash: use program" (nothing is written), "Cannot write memory at 0x1002: 2 of
// 5 bytes written", "Cannot read back memory at 0x1000", "Memory at 0x1001 reads 0x00 after
// writing 0x34".
TargetWrite write_target_memory(const TargetMemoryMap& map, uint32_t address,
                                const std::vector<uint8_t>& bytes);
