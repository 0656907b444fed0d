// The one parser of hexadecimal numbers typed into the register and memory views and the Target
// MPU dialog.
#pragma once
#include <cstdint>

// Reads text as a hexadecimal number without prefix. The number runs while the character, taken
// as a signed 8-bit value, is above 0x20 (a blank, a control character, the terminator or any
// byte from 0x80 up ends it); 0-9, a-f and A-F are its digits, accumulated modulo 2^32 (higher
// digits fall off). Returns 0 with the number in *value (0 for a text that is empty or starts
// with a blank), or -1 for any other character, leaving *value untouched.
int parse_hex(const char* text, uint32_t* value);
