// What the security byte, the flash protection bytes and the EEPROM protection byte of an
// HCS12/HCS12X part mean. Pure decoding, no target access: the operations that read and write
// them live in adapter/part_state and programming/security.
//
// Security byte (0xFF0F, FSEC after reset): bits 7:6 KEYEN (10 = backdoor key enabled), bits 5:2
// free, bits 1:0 SEC (10 = unsecured; 00, 01 and 11 secured, so an erased 0xFF is secured).
// Flash bits program only from 1 to 0; a 0 becomes 1 again only by erasing the sector.
#pragma once
#include <cstdint>
#include <string>

#include "target/catalogue.h"

constexpr uint8_t kUnsecuredSecurityByte = 0xFE;

// True when the part comes out of reset secured with this value in FSEC.
bool security_byte_secures(uint8_t value);
// The value with SEC = 10 and every other bit kept.
uint8_t unsecured_form(uint8_t value);
// True when KEYEN = 10.
bool backdoor_enabled(uint8_t value);
// "0xFE: unsecured, backdoor key disabled" and the like.
std::string describe_security_byte(uint8_t value);
// True when a flash location holding `from` can be made to hold `to` without an erase (no bit
// goes from 0 to 1).
bool programmable_without_erase(uint8_t from, uint8_t to);

// The flash blocks of a memory map: the 256 KiB parts have four blocks of four pages, block 0
// holding pages 0x3C-0x3F; the other parts one block of all their pages.
int flash_block_count(const TargetMemoryMap& map);
// The pages of block `block`, first and last.
void flash_block_pages(const TargetMemoryMap& map, int block, int* first, int* last);

// A protected range, in the banked form of the buffer (page << 16 | 0x8000..0xBFFF) for flash,
// in the EEPROM's own addresses for the EEPROM.
struct ProtectedRange {
  uint32_t first = 0;
  uint32_t last = 0;
};
// The ranges FPROT protects in a block: none, the whole block (FPOPEN = 0), the upper area
// (FPHDIS = 0: 2, 4, 8 or 16 KiB at the block's top) and the lower area (FPLDIS = 0: 512 B, 1, 2
// or 4 KiB from the start of the block's second page from the top, 0x4000 in block 0). Returns
// how many were written into ranges (at most 2).
int fprot_ranges(uint8_t fprot, const TargetMemoryMap& map, int block, ProtectedRange ranges[2]);
// The range EPROT protects at the EEPROM's top (EPOPEN = 0: all of it; EPDIS = 0: 64 * (EP + 1)
// bytes); false when it protects nothing.
bool eprot_range(uint8_t eprot, const TargetMemoryMap& map, ProtectedRange* range);

// The flash block and banked address of a flash address as the programming passes use them
// (16-bit 0x4000-0x7FFF is page 0x3E, 0xC000-0xFFFF page 0x3F, 0x8000-0xBFFF the page given
// as window_page; paged addresses as they are). False when the address is not in the map's flash.
bool flash_block_of(const TargetMemoryMap& map, uint32_t address, int window_page, int* block,
                    uint32_t* banked);

// What FPROT protects without a map: "nothing", "the whole block", "the upper 2 KiB",
// "the upper 16 KiB and the lower 512 bytes" and the like.
std::string describe_fprot_bits(uint8_t fprot);

// "0x3FB800-0x3FBFFF" for ranges of the block, or "none" / "all".
std::string describe_fprot(uint8_t fprot, const TargetMemoryMap& map, int block);
std::string describe_eprot(uint8_t eprot, const TargetMemoryMap& map);
