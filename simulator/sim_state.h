// Keeping flash and EEPROM contents between runs in a state file, as a real board keeps them
// between power cycles. One file can hold the contents of several parts, one section each.
#pragma once
#include <string>

#include "simulator/sim_target.h"

// Loads the section of t's part into its flash and EEPROM. A missing file is not a problem.
// Returns an empty text, or a line describing why the contents could not be loaded (the part
// then starts erased). *foreign (may be null) is set when the file is not a state file at all:
// it must then not be written either.
std::string sim_state_load(SimTarget& t, const std::string& path, bool* foreign = nullptr);
// Writes t's flash and EEPROM as its part's section, keeping the other parts' sections, through
// a temporary file that then replaces the old one, so the file is never left half written. A
// file that is not a state file is not overwritten.
// Returns an empty text, or a line describing the failure.
std::string sim_state_save(const SimTarget& t, const std::string& path);
