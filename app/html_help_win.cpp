#include "app/html_help_win.h"

#include <string>

namespace {
typedef HWND(WINAPI* HtmlHelpA_fn)(HWND, LPCSTR, UINT, DWORD_PTR);

const char kDefaultClsidKey[] = "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";
const char kDefaultFallback[] = "hhctrl.ocx";

std::string g_clsid_key = kDefaultClsidKey;
std::string g_fallback = kDefaultFallback;
HMODULE g_module = nullptr;
HtmlHelpA_fn g_entry = nullptr;
bool g_tried = false;

// The registered in-process server path of the control's class, expanded.
std::string registered_server_path() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, g_clsid_key.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return std::string();
  char value[MAX_PATH] = {0};
  DWORD size = sizeof value - 1;
  DWORD type = 0;
  std::string path;
  if (RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) ==
          ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ)) {
    value[sizeof value - 1] = '\0';
    if (type == REG_EXPAND_SZ) {
      char expanded[MAX_PATH] = {0};
      DWORD n = ExpandEnvironmentStringsA(value, expanded, sizeof expanded);
      path = (n > 0 && n <= sizeof expanded) ? expanded : value;
    } else {
      path = value;
    }
  }
  RegCloseKey(key);
  return path;
}

void load_control() {
  g_tried = true;
  std::string path = registered_server_path();
  if (!path.empty()) g_module = LoadLibraryA(path.c_str());
  if (!g_module && !g_fallback.empty()) g_module = LoadLibraryA(g_fallback.c_str());
  if (g_module) {
    g_entry = reinterpret_cast<HtmlHelpA_fn>(
        reinterpret_cast<void*>(GetProcAddress(g_module, MAKEINTRESOURCEA(14))));
  }
}
}  // namespace

HWND html_help(HWND owner, const char* file, UINT command, DWORD_PTR data) {
  if (!g_tried) load_control();
  if (!g_entry) return nullptr;
  return g_entry(owner, file, command, data);
}

bool html_help_available() {
  if (!g_tried) load_control();
  return g_entry != nullptr;
}

void html_help_reset(const char* clsid_key, const char* fallback_name) {
  // The control stays loaded (as it would for the process's life); only the entry is forgotten.
  g_entry = nullptr;
  g_module = nullptr;
  g_tried = false;
  g_clsid_key = clsid_key ? clsid_key : kDefaultClsidKey;
  g_fallback = fallback_name ? fallback_name : kDefaultFallback;
}
