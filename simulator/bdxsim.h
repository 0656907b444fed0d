// The simulated adapter linked straight into a program (native tests, the command-line tool),
// without bdxdll.dll. This header does not declare the bdx_* functions themselves: the tool's
// adapter/bdx.h has call wrappers of the same names. Reach them through the lookup:
//   bdx_table_bind(bdxsim_lookup, nullptr, "bdxsim");
#pragma once

// Address of the named library function (for example "bdx_Connect"), or null.
void* bdxsim_lookup(void* ctx, const char* name);

// Saves what the state file does not have yet (flash, EEPROM, RAM, registers, run state), forgets
// the whole simulated adapter and target (connection, report callback, call counts, memory) and
// reads the settings and the state file again, as if the library had been unloaded and loaded
// anew: a second program finds the part as the first one left it.
void bdxsim_reset_for_tests();

// Makes the next bdxsim_reset_for_tests read its settings through get (getenv-like: null for a
// variable that is not set) instead of the process environment; null restores the environment.
void bdxsim_use_environment(const char* (*get)(const char* name));

// Writes what the state file does not have yet to it now: flash and EEPROM changes (also written
// after each call that is not a programming call) and changes of RAM, registers and run state
// (also written, with the others, when the library is unloaded).
void bdxsim_save_state();
