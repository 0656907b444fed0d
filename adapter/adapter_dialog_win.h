// The modal adapter dialog "CORVANE_ADAPTER": model, serial port and target clock, and direct
// Connect / Disconnect. Works on the dialog selection of adapter/adapter_settings.h.
#pragma once
#include <windows.h>

// Runs the dialog over owner (the main window); returns 1 after OK, 0 after Cancel.
INT_PTR run_adapter_dialog(HWND owner);

INT_PTR CALLBACK adapter_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
// Builds the type, port and clock lists and the description from the dialog selection.
void fill_adapter_dialog(HWND dialog);
// Reads the three lists back into the dialog selection.
void read_adapter_dialog(HWND dialog);
// 1 when serial port index (0 = COM1) can be opened now, else 0.
int port_exists(int index);

// The probe used to build the port list; null restores port_exists.
typedef int (*port_probe_fn)(int index);
void set_port_probe(port_probe_fn probe);
