// The Target MPU dialog's rules that need no window: its eight memory fields in their fixed
// processing order and their texts, which rows fill them with defaults, and when Autodetect is
// offered. The dialog itself (target/target_dialog_win.cpp) keeps no state: the selection lives
// in the catalogue's family and derivative positions, the values in the memory map in force.
#pragma once
#include <cstdint>
#include <string>

#include "target/catalogue.h"

// The memory fields in the order in which they are filled, enabled and checked.
enum {
  MEMORY_FIELD_VOLATILE_START,
  MEMORY_FIELD_VOLATILE_END,
  MEMORY_FIELD_INITRM,
  MEMORY_FIELD_EEPROM_START,
  MEMORY_FIELD_EEPROM_END,
  MEMORY_FIELD_INITEE,
  MEMORY_FIELD_FLASH_FIRST_PAGE,
  MEMORY_FIELD_FLASH_LAST_PAGE,
  kMemoryFieldCount
};

// The dialog control of a field: 1051, 1052, 1059, 1054, 1055, 1060, 1057, 1058.
int memory_field_control(int field);
// The field's value in map.
uint32_t memory_field_value(const TargetMemoryMap& map, int field);
// Stores value into the field of *map; the four byte fields keep the low 8 bits.
void set_memory_field_value(TargetMemoryMap* map, int field, uint32_t value);
// A field's text: upper-case hexadecimal without prefix or leading zeros ("%X").
std::string format_memory_field(uint32_t value);

// The default fill of the row at the positions: that row's default memory map, or null when the
// row has no ProcessorInfo or no map (or the positions name no row), in which case the fields
// are disabled and keep their text.
const TargetMemoryMap* default_fill_map(int family_position, int derivative_position);
// On opening, a row other than "unknown" (position 0) shows the memory map in force in enabled
// fields; position 0 gets the default fill.
bool opens_with_map_in_force(int derivative_position);
// Autodetect is offered while connected with the "unknown" row (position 0) selected.
bool autodetect_enabled(int connected, int derivative_position);
