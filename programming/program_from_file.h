// Programming the target straight from an S-record file without disturbing the user's buffer:
// the buffer is set aside, the file is loaded into an empty one and programmed from there, and
// the user's buffer is put back exactly as it was, whatever happens.
#pragma once
#include "buffer/address_form.h"
#include "programming/region_selection.h"
#include "programming/security.h"
#include "target/catalogue.h"

// The file half of "&Program Target Regions from File" and of `corvane program`.
// - The file cannot be opened: "Cannot open" is appended to whatever the pane holds; 0.
// - The file does not load completely (an unreadable record, a bad checksum, a count that does
//   not match): nothing is programmed; the load's lines stay in the pane without
//   "COMMAND DONE"; 0.
// - Programming fails: its lines stay in the pane, the last of them the failure; 0.
// - Success: the file's data are freed ("Clear buffer"), then the frame "Programmed/Downloaded
//   memory regions from file" ends with "COMMAND DONE"; 1.
int program_regions_from_file(const char* path);

// The same over the map and selection it is given (program_regions_from_file uses the map in
// force and the process-wide selection), for a file whose paged flash is in the given address
// form: after the load the buffer is converted to the banked form the passes program; a
// conversion that fails (a conflict) programs nothing either.
bool program_file(const char* path, const TargetMemoryMap& map, const RegionSelection& regions,
                  AddressForm form = AddressForm::Banked,
                  SecurityMode security = SecurityMode::Unsecure);
