// The program's adapter library: bdxdll.dll in the executable's folder, loaded into the call
// table at start-up (tests point it elsewhere).
#pragma once

// The adapter library start-up loads; default: "bdxdll.dll" in the executable's folder.
// Tests point it elsewhere; null restores the default.
void set_adapter_library_path(const char* path);
// Loads the adapter library into the call table, reporting in the pane what is missing and a
// library that exports __stdcall names.
void load_adapter_library();
// Points the call table back at the failing stubs and releases the library (tests that load
// it afresh with other settings; the program itself keeps it until the process ends).
void unload_adapter_library();
