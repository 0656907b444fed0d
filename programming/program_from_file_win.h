// "&Program Target Regions from File" (IDM_PROGRAM_REGIONS_FROM_FILE): a file dialog, the memory
// regions dialog, the "Program" confirmation, then programming from the file
// (programming/program_from_file.h).
#pragma once
#include <windows.h>

// True once the confirmation was answered with Yes, whatever the programming's outcome; false
// when the file dialog was cancelled or the answer was No. The regions dialog's result is not
// consulted: Cancel there keeps the selection as it was and the command goes on.
bool program_regions_from_file_command(HWND owner);
