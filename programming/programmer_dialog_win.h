// The modeless Programmer dialog: programs and verifies the flash straight from a file through
// the adapter library, with a progress bar and Abort, while the rest of the tool stays usable.
#pragma once
#include <windows.h>

// Command "&Program Target from File": a new dialog over owner, stored in the shell's modeless
// dialog slot (each opening makes a new one; the slot holds the newest).
HWND open_programmer_dialog(HWND owner);

// The main window was asked to close while a run is in progress: the run is asked to stop, and
// the main window is destroyed once the run has returned.
void programmer_close_main_window_after_run();
