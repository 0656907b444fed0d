// The device catalogue (families, derivatives, identification bytes, default memory maps) and
// the process-wide current-target state: the selected derivative, whether it counts as known,
// the family and derivative positions shown by the Target MPU dialog, and the memory map in
// force. Everything runs on the user-interface thread.
#pragma once
#include <cstdint>

// Memory map of a derivative; all ranges inclusive, all addresses target addresses.
struct TargetMemoryMap {
  uint32_t volatile_start;
  uint32_t volatile_end;
  uint8_t initrm;
  uint32_t eeprom_start;
  uint32_t eeprom_end;
  uint8_t initee;
  uint8_t flash_first_page;
  uint8_t flash_last_page;
};

// Family codes of ProcessorInfo.
enum {
  FAMILY_HCS08 = 1,
  FAMILY_HCS12 = 2,
  FAMILY_HCS12X = 3,
  FAMILY_MPC500 = 4,
  FAMILY_MPC5000 = 5,
  FAMILY_ARM = 6
};

struct ProcessorInfo {
  int16_t family_code;
  uint8_t part_id;        // expected byte at 0x001A
  uint8_t memory_size_0;  // expected byte at 0x001C
  uint8_t memory_size_1;  // expected byte at 0x001D
  const TargetMemoryMap* memory_map;  // may be null
};

struct Derivative {
  char name[32];
  const char* description;   // may be null
  const ProcessorInfo* info;  // may be null
};

struct DeviceFamily {
  const char* name;
  const Derivative* derivatives;  // row 0 is always "unknown"
  int count;
};

// --- catalogue access (the Target MPU dialog's lists) ---
int family_count();                          // 2
const DeviceFamily* device_family(int position);  // null out of range
// Row of a family, null when either index is out of range.
const Derivative* catalogue_row(int family_position, int derivative_position);

// --- current target ---
const Derivative* current_target();
int target_known();
void set_current_target(const Derivative* derivative);
// First row (HCS12 family first) whose name equals name ignoring letter case; also moves the
// family and derivative positions to it. No match changes nothing.
void select_target_by_name(const char* name);
// Reads 0x001A..0x001D and stores the positions of the matching row: 1, or 0 with nothing changed.
int detect_target();
// How identification reads a target byte: bdx_GetMemoryByte of the adapter library, which
// adapter/bdx.cpp installs wherever it fills the library's table (bound, set or reset);
// read_no_identification before that. The adapter layer reads the current
// target (the family check of connect_adapter), so the catalogue reaches the library through
// this reader rather than through adapter/: the two folders do not include each other.
typedef int (*identification_reader_fn)(uint32_t address, unsigned char* value);
void set_identification_reader(identification_reader_fn reader);  // null: read_no_identification
// What the connected part identifies as, read and matched as detect_target does but changing
// nothing: the catalogue row (null when none matches) and the part id (0x001A high, 0x001B low).
// False when the bytes cannot be read.
bool identify_connected_part(const Derivative** row, unsigned* part_id);
// detect_target, and on success makes the detected row the current target.
void autodetect_target();
// Zero map, positions 0/0, current target HCS12 "unknown".
void reset_target_map();

int get_family_position();
void set_family_position(int position);
int get_derivative_position();
void set_derivative_position(int position);

// Copies the map in force into *map; returns 1.
int get_target_memory_map(TargetMemoryMap* map);
// Replaces the map in force (the Target MPU dialog's OK).
void set_target_memory_map(const TargetMemoryMap& map);

// 2 for family position 0, 3 for position 1, otherwise 0.
int get_family_code();
// Timing byte for the flash and EEPROM erase and programming calls.
uint8_t get_timing_value();

// Equality of two names ignoring (ASCII) letter case; null equals nothing.
bool names_equal_ignoring_case(const char* a, const char* b);

// The shell shows the toolbar that fits the state; called whenever the current target changes.
typedef void (*update_toolbars_fn)();
void set_update_toolbars_hook(update_toolbars_fn hook);  // null: update_no_toolbars

// The do-nothing implementations of the catalogue's two seams (target/catalogue_stubs.cpp):
// no toolbar to update, and no target to read (every read fails with -1), what they are until
// the shell and the adapter table install theirs.
void update_no_toolbars();
int read_no_identification(uint32_t address, unsigned char* value);
