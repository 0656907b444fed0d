// Reading a hexadecimal number from an edit field (register fields, memory cells, the Target MPU
// dialog's memory fields).
#pragma once
#include <windows.h>

#include <cstdint>

// Takes at most 15 characters of the window's text and parses them with parse_hex. Returns 0
// with the number in *value, or 1 when the text is empty or not hexadecimal (*value untouched).
int read_hex_field(HWND window, uint32_t* value);
