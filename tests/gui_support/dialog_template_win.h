// A dialog template as compiled into the test program (DLGTEMPLATEEX), read back item by item.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct DialogTemplateItem {
  DWORD style;
  short x, y, cx, cy;
  int id;
  int class_atom;  // 0x80 button, 0x81 edit, 0x82 static, 0x85 combo box
  std::string text;
};

struct DialogTemplate {
  DWORD style;
  short x, y, cx, cy;
  std::string caption;
  std::string font;
  WORD point_size;
  std::vector<DialogTemplateItem> items;
};

// Reads the template named name from the program's resources; false when there is none or it is
// not an extended template.
bool read_dialog_template(const char* name, DialogTemplate* out);
