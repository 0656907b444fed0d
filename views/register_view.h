// The register view: the register field table of the connected target's family (HCS12 or
// HCS12X), the registers read from and written to the target, and the texts the fields show.
// Portable; views/views_win.h creates the edit controls from this table and moves their texts.
#pragma once
#include <cstdint>
#include <string>

struct ProcessorInfo;

struct RegisterField {
  int control_id;       // 6000 + position
  int dirty;            // 1 while the text differs from the last read value or does not parse
  uint32_t last_value;  // value last read from the target
  int label_x, label_y;  // where the label is painted
  int width;            // 16 or 8 bits: "%4.4X" or "%2.2X"
  char label[16];
  int register_number;  // for bdx_RegisterSet: 1 PC .. 5 D; 0 for the CCR
  int edit_x, edit_y, edit_width, edit_height;
};

enum { kMaxRegisterFields = 60, kRegisterFieldIdFirst = 6000, kRegisterFieldCount = 6 };

struct RegisterViewState {
  RegisterField fields[kMaxRegisterFields];
  int count;
  int row_range;   // scroll ranges of the memory view: 4096 rows,
  int page_range;  // 64 pages on HCS12, 128 on HCS12X
  char title[32];  // "HCS12 Registers" or "HCS12X Registers"
  int title_x, title_y;
};

extern RegisterViewState g_register_view;

// The family whose register set a processor-info record selects: 2 (HCS12), 3 (HCS12X), or 0
// (no record, or a family without a register set).
int register_view_family(const ProcessorInfo* info);

// Fills the field table for family 2 or 3 with the views' origin at (x, y): labels, widths,
// rectangles, ids; dirty flags and last values 0; title and ranges. False for other families.
bool layout_register_view(int family, int x, int y);

// Reads the registers of the target into the fields' last values: bdx_RegisterGetAll for PC, SP,
// X, Y and D, then the CCR from the BDM's 0xFF06 (HCS12) or 0xFF06 and 0xFF07 (HCS12X, high
// byte at 0xFF07). True when everything was read. A failed bdx_RegisterGetAll is reported
// on HCS12 only ("Failed to get register values from target"); after a failed CCR read the five
// values read before stay stored.
bool read_register_values(int family);

// Writes the typed texts of the fields (texts[i] for field i, as read from the controls) to the
// target in field order: each register as soon as its own text parses; the first empty or
// non-hexadecimal text reports "No reasonable value for <label>" as an error line and stops.
// False when it stopped so; the library's results are not examined.
bool write_register_values(int family, const std::string* texts);

// The text a field shows for its last value: "%2.2X" of the low byte, "%4.4X" of the low 16 bits.
std::string register_field_text(const RegisterField& field);
// The dirty flag a typed text gives a field: true when empty, not hexadecimal or not the last
// value.
bool register_text_dirty(const RegisterField& field, const char* text);
// The field with this control id, or null.
RegisterField* find_register_field(int control_id);
