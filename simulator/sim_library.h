// Loading and unloading of the simulated library's process-wide state.
#pragma once

// Reads the settings from the environment and powers the simulated part up (with the kept
// flash and EEPROM contents). Done once; later calls do nothing until sim_library_unload.
void sim_library_load();
// Saves pending flash and EEPROM changes and forgets everything.
void sim_library_unload();

struct SimTarget;
// The simulated part behind the library (for tests of the library itself).
SimTarget& sim_library_target();
