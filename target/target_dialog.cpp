#include "target/target_dialog.h"

#include <cstdio>

#include "resources/target_dialog_ids.h"

namespace {
const int kFieldControls[kMemoryFieldCount] = {
    IDC_TARGET_VOLATILE_START, IDC_TARGET_VOLATILE_END, IDC_TARGET_INITRM,
    IDC_TARGET_EEPROM_START,   IDC_TARGET_EEPROM_END,   IDC_TARGET_INITEE,
    IDC_TARGET_FLASH_FIRST_PAGE, IDC_TARGET_FLASH_LAST_PAGE,
};
}  // namespace

int memory_field_control(int field) {
  return field >= 0 && field < kMemoryFieldCount ? kFieldControls[field] : 0;
}

uint32_t memory_field_value(const TargetMemoryMap& map, int field) {
  switch (field) {
    case MEMORY_FIELD_VOLATILE_START: return map.volatile_start;
    case MEMORY_FIELD_VOLATILE_END: return map.volatile_end;
    case MEMORY_FIELD_INITRM: return map.initrm;
    case MEMORY_FIELD_EEPROM_START: return map.eeprom_start;
    case MEMORY_FIELD_EEPROM_END: return map.eeprom_end;
    case MEMORY_FIELD_INITEE: return map.initee;
    case MEMORY_FIELD_FLASH_FIRST_PAGE: return map.flash_first_page;
    case MEMORY_FIELD_FLASH_LAST_PAGE: return map.flash_last_page;
    default: return 0;
  }
}

void set_memory_field_value(TargetMemoryMap* map, int field, uint32_t value) {
  const uint8_t byte = static_cast<uint8_t>(value & 0xFFu);
  switch (field) {
    case MEMORY_FIELD_VOLATILE_START: map->volatile_start = value; break;
    case MEMORY_FIELD_VOLATILE_END: map->volatile_end = value; break;
    case MEMORY_FIELD_INITRM: map->initrm = byte; break;
    case MEMORY_FIELD_EEPROM_START: map->eeprom_start = value; break;
    case MEMORY_FIELD_EEPROM_END: map->eeprom_end = value; break;
    case MEMORY_FIELD_INITEE: map->initee = byte; break;
    case MEMORY_FIELD_FLASH_FIRST_PAGE: map->flash_first_page = byte; break;
    case MEMORY_FIELD_FLASH_LAST_PAGE: map->flash_last_page = byte; break;
    default: break;
  }
}

std::string format_memory_field(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(value));
  return text;
}

const TargetMemoryMap* default_fill_map(int family_position, int derivative_position) {
  const Derivative* row = catalogue_row(family_position, derivative_position);
  if (!row || !row->info) return nullptr;
  return row->info->memory_map;
}

bool opens_with_map_in_force(int derivative_position) { return derivative_position != 0; }

bool autodetect_enabled(int connected, int derivative_position) {
  return connected && derivative_position == 0;
}
