// Loading an adapter library file into the call table: shared by the program (which loads
// bdxdll.dll from its folder at start-up) and by corvane.exe.
#pragma once

#include "adapter/bdx.h"

// Loads the library at path (with the guard that catches a fault inside any call into it, see
// g_bdx_call_guard in bdx.h, installed first) and fills the table by name (bdx_table_bind: plain or __stdcall
// names), reporting in the message pane; a library that cannot be loaded is reported and leaves
// the failing stubs. A library loaded by an earlier call is released once the new one is bound.
// Returns the number of functions found, -1 when the library could not be loaded; *binding (may
// be null) receives what the look-up found.
int bdx_load_library_file(const char* path, BdxBinding* binding = nullptr);
// Points the table back at the failing stubs and releases the loaded library.
void bdx_unload_library();
