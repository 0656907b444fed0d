// The File menu's "&Load buffer" and "&Save buffer as File": a file dialog, then the load or
// save of buffer/load_save.h. Each dialog opens with the path chosen last time.
#pragma once
#include <windows.h>

// IDM_LOAD_BUFFER: "Load File to Buffer"; on OK loads the file into the buffer and adds it to the
// recent files, whatever the load's result. Cancel does nothing.
void load_buffer_command(HWND owner);
// IDM_SAVE_BUFFER: "Save Buffer to file"; on OK saves the buffer there. Cancel does nothing.
void save_buffer_command(HWND owner);
