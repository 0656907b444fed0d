// The one parser of hexadecimal numbers typed into the views and the Target MPU dialog.
#pragma once
#include <cstdint>

// Reads hexadecimal digits from the start of text, without prefix. The number ends at the first
// character whose value as a signed byte is at most 0x20 (blank, control character, the
// terminator, every byte from 0x80 up), so " 12" reads as 0 and "1 2" as 1. Digits accumulate
// modulo 2^32 (higher digits fall off). Returns 0 and stores the value, or -1 for any other
// character (value untouched). An empty text gives 0.
int parse_hex(const char* text, uint32_t* value);
