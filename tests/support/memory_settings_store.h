// An in-memory settings store for tests: the machine's and the user's settings key as two maps
// of named texts, either of which can be made to refuse opening, with a log of every access.
#pragma once
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "settings/settings.h"

struct MemorySettingsStore {
  // Index SETTINGS_MACHINE or SETTINGS_USER.
  std::map<std::string, std::string> keys[2];
  // A refused key cannot be opened: reads and writes of it answer -1.
  bool refused[2] = {false, false};
  // "read M Atype", "write U MRUF0=C:\a.s19" (M machine, U user); an access of a refused key
  // is logged with "refused " in front.
  std::vector<std::string> log;
  // Called at every write, before it is stored, with the value's name.
  std::function<void(const std::string& name)> on_write;

  std::map<std::string, std::string>& machine() { return keys[SETTINGS_MACHINE]; }
  std::map<std::string, std::string>& user() { return keys[SETTINGS_USER]; }
  // The names written (refused writes left out), in order, joined by " ".
  std::string written() const;
};

// Installs a fresh, empty in-memory store as the settings store and returns it.
MemorySettingsStore& memory_settings_store_install();
// The installed in-memory store.
MemorySettingsStore& memory_settings_store();

// RAII: a fresh in-memory store for one test; no store afterwards.
struct ScopedMemorySettingsStore {
  ScopedMemorySettingsStore() { memory_settings_store_install(); }
  ~ScopedMemorySettingsStore() { set_settings_store(nullptr); }
  MemorySettingsStore& store() { return memory_settings_store(); }
};
