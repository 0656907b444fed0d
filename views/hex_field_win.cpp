#include "views/hex_field_win.h"

#include "views/hex_parse.h"

int read_hex_field(HWND window, uint32_t* value) {
  char text[16] = {0};
  if (GetWindowTextA(window, text, sizeof text) <= 0 || text[0] == '\0') return 1;
  return parse_hex(text, value) < 0 ? 1 : 0;
}
