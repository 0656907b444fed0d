// The settings store over the Windows registry: the key "Software\HLD\QRX 1.0" under
// HKEY_LOCAL_MACHINE (SETTINGS_MACHINE) or HKEY_CURRENT_USER (SETTINGS_USER), opened and created
// with RegCreateKeyExA for every single read or write and closed right after. Values are REG_SZ.
#pragma once
#include "settings/settings.h"

extern const char kSettingsKeyPath[];  // "Software\\HLD\\QRX 1.0"

// The registry store, for set_settings_store.
const SettingsStore* registry_settings_store();

// Test hook: with refuse set, the key under HKEY_LOCAL_MACHINE counts as one that cannot be
// opened for writing (as for a standard user on current Windows), so every read and write goes to
// HKEY_CURRENT_USER. 0 restores the real behaviour.
void registry_store_refuse_machine_key(int refuse);
