// The About box "QRX_ABOUT" and the help command.
#pragma once
#include <windows.h>

// The version text shown in the About box.
extern const char kVersionText[];  // "Version 0.9.3"

INT_PTR CALLBACK about_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
// Runs the modal About box over owner.
void run_about_box(HWND owner);
// Opens the help file beside the executable in HTML Help; the help window belongs to the
// desktop, not to the main window. Does nothing when HTML Help is not available.
void show_help();
