#include "tests/support/memory_settings_store.h"

namespace {
MemorySettingsStore g_store;

const char* place_letter(int place) { return place == SETTINGS_MACHINE ? "M" : "U"; }

bool valid_place(int place) { return place == SETTINGS_MACHINE || place == SETTINGS_USER; }

int store_read(int place, const char* name, std::string* text) {
  const bool refused = !valid_place(place) || g_store.refused[place];
  g_store.log.push_back(std::string(refused ? "refused read " : "read ") + place_letter(place) +
                        " " + name);
  if (refused) return -1;
  auto found = g_store.keys[place].find(name);
  if (found == g_store.keys[place].end()) return 0;
  *text = found->second;
  return 1;
}

int store_write(int place, const char* name, const char* text) {
  const bool refused = !valid_place(place) || g_store.refused[place];
  g_store.log.push_back(std::string(refused ? "refused write " : "write ") + place_letter(place) +
                        " " + name + "=" + text);
  if (refused) return -1;
  if (g_store.on_write) g_store.on_write(name);
  g_store.keys[place][name] = text;
  return 1;
}

const SettingsStore kMemoryStore = SETTINGS_STORE_OF(store);
}  // namespace

std::string MemorySettingsStore::written() const {
  std::string names;
  for (const std::string& entry : log) {
    if (entry.compare(0, 6, "write ") != 0) continue;
    const size_t start = entry.find(' ', 6) + 1;
    if (!names.empty()) names += ' ';
    names += entry.substr(start, entry.find('=') - start);
  }
  return names;
}

MemorySettingsStore& memory_settings_store_install() {
  g_store = MemorySettingsStore();
  set_settings_store(&kMemoryStore);
  return g_store;
}

MemorySettingsStore& memory_settings_store() { return g_store; }
