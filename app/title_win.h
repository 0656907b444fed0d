// Sets the main window's caption from the adapter settings, the connection and the current
// target.
#pragma once
#include <windows.h>

// Composes the caption, sets it on window and brings the target toolbar's buttons in line.
void update_title(HWND window);
