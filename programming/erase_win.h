// "&Erase All": the confirmation box over the main window, then the mass erase of
// programming/erase.h.
#pragma once
#include <windows.h>

// Asks "Mass Erase" (Yes/No) over owner; only Yes erases. Returns 1 when the erase ended with
// "COMMAND DONE", 0 when it failed or the answer was No (the pane then is untouched).
int mass_erase(HWND owner);
