// The "Buffer Memory Regions" dialog and the "Dump to buffer" command.
#pragma once
#include <windows.h>

// IDM_DUMP_TO_BUFFER: asks for the region text; on OK dumps every region into the buffer. Returns 1
// when the dump succeeded, 0 after Cancel or a failure.
int dump_to_buffer_command(HWND owner);
