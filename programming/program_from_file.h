// Programming the target straight from an S-record file without disturbing the user's buffer:
// the buffer is set aside, the file is loaded into an empty one and programmed from there, and
// the user's buffer is put back exactly as it was, whatever happens.
#pragma once
#include "buffer/address_form.h"

// The file half of "&Program Target Regions from File" and of `corvane program`.
// - The file cannot be opened: "Cannot open" is appended to whatever the pane holds; 0.
// - The file does not load completely (an unreadable record, a bad checksum, a count that does
//   not match): nothing is programmed; the load's lines stay in the pane without
//   "COMMAND DONE"; 0.
// - Programming fails: its lines stay in the pane, the last of them the failure; 0.
// - Success: the file's data are freed ("Clear buffer"), then the frame "Programmed/Downloaded
//   memory regions from file" ends with "COMMAND DONE"; 1.
int program_regions_from_file(const char* path);
// The same for a file whose paged flash is in the given address form: after the load, the
// buffer is converted to the banked form the passes program ("Convert linear addresses to
// banked"); a conversion that fails (a conflict) programs nothing either.
int program_regions_from_file(const char* path, AddressForm form);
