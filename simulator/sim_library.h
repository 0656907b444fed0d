// Loading and unloading of the simulated library's process-wide state.
#pragma once

// Reads the settings from the environment and powers the simulated part up with what the state
// file keeps of it (flash and EEPROM; RAM, registers and run state as the last program left
// them, a part left running having run on since). Done once; later calls do nothing until
// sim_library_unload.
void sim_library_load();
// Saves what the state file does not have yet, the part's RAM, registers and run state included,
// and forgets everything.
void sim_library_unload();

struct SimTarget;
// The simulated part behind the library (for tests of the library itself).
SimTarget& sim_library_target();
