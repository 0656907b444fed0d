// The modal Target MPU dialog "CORVANE_TARGET": family and derivative lists with the row's
// description, the memory map in force in eight fields, Default, Autodetect, OK and Cancel. It
// works directly on the catalogue's family and derivative positions and memory map
// (target/catalogue.h); its window-free rules are in target/target_dialog.h.
#pragma once
#include <windows.h>

// Runs the dialog over owner (the main window, whose caption OK and Cancel rebuild). Returns 1
// after OK, 0 after Cancel.
INT_PTR run_target_dialog(HWND owner);

INT_PTR CALLBACK target_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
