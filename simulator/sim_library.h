// Loading and unloading of the simulated library's process-wide state.
#pragma once

// Reads the settings from the environment and powers a new, erased part up. With keeping on,
// the part itself is taken from the state file by the first bdx_Connect (as the last program
// left it: flash and EEPROM; RAM, registers and run state, a part left running having run on
// since) and is this process's until bdx_Disconnect or sim_library_unload. Done once; later
// calls do nothing until sim_library_unload.
void sim_library_load();
// Saves what the state file does not have yet, the part's RAM, registers and run state included
// (a line through the report callback when that fails), lets other programs have the part and
// forgets everything.
void sim_library_unload();

struct SimTarget;
// The simulated part behind the library (for tests of the library itself).
SimTarget& sim_library_target();
