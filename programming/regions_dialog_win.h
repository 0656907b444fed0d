// The modal "Memory Regions" dialog (template CORVANE_MEMORY_REGIONS) over the process-wide
// region selection: range texts and enabled boxes from the memory map in force, OK, Cancel,
// Select All and Deselect All. The filling rules are portable (programming/region_selection.h).
#pragma once
#include <windows.h>

// Runs the dialog over owner; true when it was closed with OK (the boxes then are the
// selection), false for Cancel or the close box.
bool show_memory_regions_dialog(HWND owner);

INT_PTR CALLBACK memory_regions_dialog_proc(HWND dialog, UINT message, WPARAM wparam,
                                            LPARAM lparam);
