// The derivatives the simulated adapter can stand for: identification bytes and memory map of
// each, as the part answers them on the bench.
#pragma once
#include <cstdint>

struct SimPart {
  const char* name;
  int family;            // 2 HCS12, 3 HCS12X
  uint8_t part_id;       // 0x001A
  uint8_t revision;      // 0x001B
  uint8_t memory_size_0; // 0x001C
  uint8_t memory_size_1; // 0x001D
  uint32_t ram_start, ram_end;        // inclusive
  uint8_t initrm;                     // INITRM after reset
  uint32_t eeprom_start, eeprom_end;  // inclusive
  uint8_t initee;                     // INITEE after reset
  uint8_t first_page, last_page;      // flash pages (PPAGE values)
  // Flash blocks, each with its own FPROT: four of four pages each (block 0 holds pages
  // 0x3C-0x3F, block 3 0x30-0x33) on the 256 KiB maps, one holding every page otherwise.
  uint8_t flash_blocks;
};

int sim_part_count();
const SimPart& sim_part(int i);
// Case-insensitive lookup by name; null when there is no such part.
const SimPart* sim_find_part(const char* name);
// The part used when nothing else is chosen (MC9S12DG256).
const SimPart& sim_default_part();
