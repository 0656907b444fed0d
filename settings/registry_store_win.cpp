#include "settings/registry_store_win.h"

#include <windows.h>

#include <cstring>
#include <vector>

const char kSettingsKeyPath[] = "Software\\HLD\\QRX 1.0";

namespace {

int g_refuse_machine = 0;

// The settings key of a place, opened (and created when missing) with every access, or null.
HKEY open_key(int place) {
  if (place == SETTINGS_MACHINE && g_refuse_machine) return nullptr;
  HKEY root = place == SETTINGS_MACHINE ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  HKEY key = nullptr;
  DWORD disposition = 0;
  if (RegCreateKeyExA(root, kSettingsKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, &key, &disposition) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

// The value's text, read into an area of the value's own size, so a value of any length is read
// back whole. Stored text may or may not carry a terminator; it ends at the first one.
int read_text(HKEY key, const char* name, std::string* text) {
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return 0;
  // The value may grow between the two calls; try again with the larger size then.
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (type != REG_SZ) return 0;
    std::vector<char> data(static_cast<size_t>(size) + 1, '\0');
    DWORD got = size;
    const LONG result =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &got);
    if (result == ERROR_MORE_DATA) {
      size = got;
      continue;
    }
    if (result != ERROR_SUCCESS || type != REG_SZ) return 0;
    if (got > size) got = size;
    text->assign(data.data(), strnlen(data.data(), got));
    return 1;
  }
  return 0;
}

int registry_read(int place, const char* name, std::string* text) {
  HKEY key = open_key(place);
  if (!key) return -1;
  const int result = read_text(key, name, text);
  RegCloseKey(key);
  return result;
}

int registry_write(int place, const char* name, const char* text) {
  HKEY key = open_key(place);
  if (!key) return -1;
  // The text's characters only: the length is given without the terminator.
  const LONG result = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                     static_cast<DWORD>(std::strlen(text)));
  RegCloseKey(key);
  return result == ERROR_SUCCESS ? 1 : 0;
}

const SettingsStore kRegistryStore = SETTINGS_STORE_OF(registry);

}  // namespace

const SettingsStore* registry_settings_store() { return &kRegistryStore; }

void registry_store_refuse_machine_key(int refuse) { g_refuse_machine = refuse; }
