// The simulated adapter linked straight into a program (native tests, the command-line tool),
// without bdxdll.dll. This header does not declare the bdx_* functions themselves: the tool's
// adapter/bdx.h has call wrappers of the same names. Reach them through the lookup:
//   bdx_table_bind(bdxsim_lookup, nullptr, "bdxsim");
#pragma once

// Address of the named library function (for example "bdx_Connect"), or null.
void* bdxsim_lookup(void* ctx, const char* name);

// Saves what the state file does not have yet (RAM, registers, run state), lets the part go,
// forgets the whole simulated adapter and target (connection, report callback, call counts,
// memory) and reads the settings again, as if the library had been unloaded and loaded anew: a
// second program, whose next bdx_Connect finds the part as the first one left it.
void bdxsim_reset_for_tests();

// Makes the next bdxsim_reset_for_tests read its settings through get (getenv-like: null for a
// variable that is not set) instead of the process environment; null restores the environment.
void bdxsim_use_environment(const char* (*get)(const char* name));

// Writes what the state file does not have yet to it now: changes of RAM, registers and run
// state (written, with the part's flash and EEPROM, by every call that changes flash or EEPROM,
// and when the part is let go). A failure is reported through the report callback.
void bdxsim_save_state();
