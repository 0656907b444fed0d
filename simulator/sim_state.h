// Keeping flash and EEPROM contents between runs in a state file, as a real board keeps them
// between power cycles. One file can hold the contents of several parts, one section each.
#pragma once
#include <string>

#include "simulator/sim_target.h"

// Loads the section of t's part into its flash and EEPROM. A missing file is not a problem.
// Returns an empty text, or a line describing why the contents could not be loaded (the part
// then starts erased).
std::string sim_state_load(SimTarget& t, const std::string& path);
// Writes t's flash and EEPROM as its part's section, keeping the other parts' sections.
// Returns an empty text, or a line describing the failure.
std::string sim_state_save(const SimTarget& t, const std::string& path);
