#include "views/hex_parse.h"

int parse_hex(const char* text, uint32_t* value) {
  uint32_t v = 0;
  for (; static_cast<signed char>(*text) > 0x20; ++text) {
    const char c = *text;
    uint32_t digit;
    if (c >= '0' && c <= '9') {
      digit = uint32_t(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      digit = uint32_t(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      digit = uint32_t(c - 'A' + 10);
    } else {
      return -1;
    }
    v = v * 16 + digit;
  }
  *value = v;
  return 0;
}
