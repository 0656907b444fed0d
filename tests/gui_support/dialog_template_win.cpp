#include "tests/gui_support/dialog_template_win.h"

#include <cstdint>
#include <cstring>

namespace {
const WORD* skip_string(const WORD* p, std::string* out = nullptr, int* ordinal = nullptr) {
  if (*p == 0xFFFF) {
    if (ordinal) *ordinal = p[1];
    return p + 2;
  }
  for (; *p; ++p)
    if (out) out->push_back(static_cast<char>(*p));
  return p + 1;
}

template <typename T>
T at(const BYTE* b, int offset) {
  T value;
  std::memcpy(&value, b + offset, sizeof value);
  return value;
}
}  // namespace

bool read_dialog_template(const char* name, DialogTemplate* out) {
  HRSRC res = FindResourceA(GetModuleHandleA(nullptr), name, MAKEINTRESOURCEA(5));
  if (!res) return false;
  const WORD* p = static_cast<const WORD*>(LockResource(LoadResource(nullptr, res)));
  if (p[0] != 1 || p[1] != 0xFFFF) return false;  // DLGTEMPLATEEX
  const BYTE* b = reinterpret_cast<const BYTE*>(p);
  out->style = at<DWORD>(b, 12);
  const WORD count = at<WORD>(b, 16);
  out->x = at<short>(b, 18);
  out->y = at<short>(b, 20);
  out->cx = at<short>(b, 22);
  out->cy = at<short>(b, 24);
  p = reinterpret_cast<const WORD*>(b + 26);
  p = skip_string(p);                 // menu
  p = skip_string(p);                 // class
  p = skip_string(p, &out->caption);  // title
  out->point_size = p[0];
  p += 3;  // point size, weight, italic + charset
  p = skip_string(p, &out->font);
  for (int i = 0; i < count; ++i) {
    b = reinterpret_cast<const BYTE*>(p);
    b += (4 - reinterpret_cast<uintptr_t>(b) % 4) % 4;
    DialogTemplateItem it;
    it.style = at<DWORD>(b, 8);
    it.x = at<short>(b, 12);
    it.y = at<short>(b, 14);
    it.cx = at<short>(b, 16);
    it.cy = at<short>(b, 18);
    it.id = at<int>(b, 20);
    p = reinterpret_cast<const WORD*>(b + 24);
    it.class_atom = 0;
    std::string cls;
    p = skip_string(p, &cls, &it.class_atom);
    if (!it.class_atom) {
      const char* names[] = {"BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR", "COMBOBOX"};
      for (int k = 0; k < 6; ++k)
        if (_stricmp(cls.c_str(), names[k]) == 0) it.class_atom = 0x80 + k;
    }
    p = skip_string(p, &it.text);
    p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p) + 2 + *p);
    out->items.push_back(it);
  }
  return true;
}
