#include "settings/settings.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "adapter/adapter_settings.h"
#include "adapter/connection.h"
#include "target/catalogue.h"

namespace {

const SettingsStore* g_store = nullptr;
std::string g_read_text;  // what read_setting returned last

// A most-recent-first list; an empty text is an empty slot.
struct RecentList {
  int size;
  const char* value_format;  // "MRUD%d" or "MRUF%d"
  std::string slots[kRecentFileSlots];
};

RecentList g_devices = {kRecentDeviceSlots, "MRUD%d", {}};
RecentList g_files = {kRecentFileSlots, "MRUF%d", {}};

// The machine's key first; the user's key when the machine's cannot be opened.
bool store_read(const char* name, std::string* text) {
  if (!g_store || !name) return false;
  int result = g_store->read(SETTINGS_MACHINE, name, text);
  if (result < 0) result = g_store->read(SETTINGS_USER, name, text);
  return result > 0;
}

void store_write(const char* name, const char* text) {
  if (!g_store || !name || !text) return;
  if (g_store->write(SETTINGS_MACHINE, name, text) < 0) g_store->write(SETTINGS_USER, name, text);
}

std::string value_name(const RecentList& list, int slot) {
  char name[16];
  std::snprintf(name, sizeof name, list.value_format, slot);
  return name;
}

void add_recent(RecentList& list, const char* text) {
  if (!text || !*text) return;
  std::string copy;
  try {
    copy = text;
  } catch (const std::bad_alloc&) {
    return;  // no copy, no change
  }
  int found = -1;
  for (int i = 0; i < list.size && found < 0; ++i)
    if (!list.slots[i].empty() && names_equal_ignoring_case(list.slots[i].c_str(), text)) found = i;
  if (found == 0) return;
  // Slots 0..last-1 move one place down; what slot `last` held ends in slot 0 and is dropped.
  const int last = found > 0 ? found : list.size - 1;
  for (int i = last; i > 0; --i) list.slots[i].swap(list.slots[i - 1]);
  list.slots[0].swap(copy);
}

const char* recent_entry(const RecentList& list, int slot) {
  if (slot < 0 || slot >= list.size || list.slots[slot].empty()) return nullptr;
  return list.slots[slot].c_str();
}

void load_list(RecentList& list) {
  for (int i = 0; i < list.size; ++i) {
    list.slots[i].clear();
    std::string text;
    if (!store_read(value_name(list, i).c_str(), &text)) continue;
    try {
      list.slots[i] = text;
    } catch (const std::bad_alloc&) {
      list.slots[i].clear();  // a copy that cannot be made leaves the slot empty
    }
  }
}

void save_list(const RecentList& list) {
  for (int i = 0; i < list.size; ++i)
    if (!list.slots[i].empty()) write_setting(value_name(list, i).c_str(), list.slots[i].c_str());
}

void write_number(const char* name, int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  write_setting(name, text);
}

// Decimal text as "%d" reads it: leading blanks, an optional sign, digits. False when there is
// no number or it does not fit an int.
bool parse_decimal(const char* text, int* value) {
  char* end = nullptr;
  errno = 0;
  const long long n = std::strtoll(text, &end, 10);
  if (end == text || errno == ERANGE || n < INT_MIN || n > INT_MAX) return false;
  *value = static_cast<int>(n);
  return true;
}

}  // namespace

void set_settings_store(const SettingsStore* store) { g_store = store; }

const char* read_setting(const char* name, const char* default_text) {
  std::string text;
  if (!store_read(name, &text)) return default_text;
  g_read_text.swap(text);
  return g_read_text.c_str();
}

int read_number_setting(const char* name, int default_number) {
  char default_text[16];
  std::snprintf(default_text, sizeof default_text, "%d", default_number);
  int value = default_number;
  if (!parse_decimal(read_setting(name, default_text), &value)) return default_number;
  return value;
}

void write_setting(const char* name, const char* text) { store_write(name, text); }

void load_settings() {
  if (!g_store) return;
  AdapterSelection stored;
  stored.type = read_number_setting("Atype", 0);
  stored.port = read_number_setting("Aport", 0);
  stored.target_clock = read_number_setting("Aspeed", 0);
  // A type the tool does not know could never connect: start with the first model instead.
  if (stored.type < ADAPTER_R41 || stored.type > ADAPTER_R43) stored.type = ADAPTER_R41;
  apply_adapter_settings(&stored);
  load_list(g_devices);
  load_list(g_files);
}

void save_settings() {
  if (!g_store) return;
  AdapterSelection selection = {0, 0, 0};
  get_adapter_selection(&selection);
  write_number("Atype", selection.type);
  write_number("Aport", selection.port);
  write_number("Aspeed", selection.target_clock);
  save_list(g_devices);
  save_list(g_files);
}

void add_recent_device(const char* name) { add_recent(g_devices, name); }
void add_recent_file(const char* path) { add_recent(g_files, path); }
const char* recent_device(int slot) { return recent_entry(g_devices, slot); }
const char* recent_file(int slot) { return recent_entry(g_files, slot); }
