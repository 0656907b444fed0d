#include "views/hex_parse.h"

int parse_hex(const char* text, uint32_t* value) {
  uint32_t number = 0;
  for (; static_cast<signed char>(*text) > 0x20; ++text) {
    const char c = *text;
    uint32_t digit;
    if (c >= '0' && c <= '9')
      digit = static_cast<uint32_t>(c - '0');
    else if (c >= 'a' && c <= 'f')
      digit = static_cast<uint32_t>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F')
      digit = static_cast<uint32_t>(c - 'A' + 10);
    else
      return -1;
    number = number * 16u + digit;
  }
  *value = number;
  return 0;
}
