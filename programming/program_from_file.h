// Programming the target straight from an S-record file without disturbing the user's buffer:
// the buffer is set aside, the file is loaded into an empty one and programmed from there, and
// the user's buffer is put back exactly as it was, whatever happens.
#pragma once
#include "buffer/address_form.h"
#include "programming/coverage.h"
#include "programming/region_selection.h"
#include "programming/security.h"
#include "target/catalogue.h"

// The file half of "&Program Target Regions from File" and of `corvane program`.
// - The file cannot be opened: "Cannot open" is appended to whatever the pane holds; 0.
// - The file does not load completely (an unreadable record, a bad checksum, a count that does
//   not match): nothing is programmed; the load's lines stay in the pane without
//   "COMMAND DONE"; 0.
// - The file holds no data (empty, headers only): "No data in '<path>'" after the load's lines,
//   nothing is programmed; 0.
// - Programming fails: its lines stay in the pane, the last of them the failure; 0.
// - Success: the file's data are freed ("Clear buffer"), then the frame "Programmed/Downloaded
//   memory regions from file" ends with "COMMAND DONE", followed by the lines of the file's
//   bytes that went nowhere (report_image_coverage); 1.
int program_regions_from_file(const char* path);

// The same over the map and selection it is given (program_regions_from_file uses the map in
// force and the process-wide selection), for a file whose paged flash is in the given address
// form: after the load the buffer is converted to the banked form the passes program; a
// conversion that fails (a conflict) programs nothing either.
bool program_file(const char* path, const TargetMemoryMap& map, const RegionSelection& regions,
                  AddressForm form = AddressForm::Banked,
                  SecurityMode security = SecurityMode::Unsecure);

// How reading a file for programming ended.
enum class FileLoad { Loaded, CannotOpen, Damaged, NoData };
// Reads the file whole into the buffer (which the caller has emptied) and converts it to the
// banked form: Loaded; CannotOpen, with no line, when it cannot be opened or read (a folder);
// Damaged after the load's (or the conversion's) lines; NoData after the load's lines and
// "No data in '<path>'" when it holds not one data byte.
FileLoad load_file_to_program(const char* path, AddressForm form);

// The second half: programs the file load_file_to_program left in the buffer (program_buffer
// over map and regions), frees it, and on success writes the frame and the coverage lines
// described above (linear_hint: see report_image_coverage). ok is false after a failed pass.
struct FileProgramming {
  bool ok = false;
  ImageCoverage coverage;  // measured before the passes
};
FileProgramming program_loaded_file(const TargetMemoryMap& map, const RegionSelection& regions,
                                    const char* linear_hint = nullptr,
                                    SecurityMode security = SecurityMode::Unsecure);
