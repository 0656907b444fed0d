#include "views/hex_field_win.h"

#include <string>

#include "app/dialog_helpers_win.h"
#include "views/hex_parse.h"

int read_hex_field(HWND window, uint32_t* value) {
  const std::string text = window_text(window, 16);  // at most 15 characters
  if (text.empty()) return 1;
  return parse_hex(text.c_str(), value) < 0 ? 1 : 0;
}
