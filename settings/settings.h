// The stored settings and the recent lists. The adapter settings ("Atype", "Aport", "Aspeed")
// and the recent devices ("MRUD0".."MRUD3") and recent files ("MRUF0".."MRUF5") are text values
// of one settings key, reached through the settings store. They are loaded once while the main
// window is created and saved once when it is destroyed; in between the two lists live here,
// most recent first, each slot an owned copy or empty.
#pragma once
#include <string>

// --- the settings store: named text values in the platform's settings key ---

// The settings key exists in two places: the machine's (HKEY_LOCAL_MACHINE on Windows) and the
// user's own (HKEY_CURRENT_USER). Every read and write goes to the machine's key when it can be
// opened for writing and to the user's key otherwise, so a user who may not write the machine's
// key keeps settings too, and a value is always read back from where it was written.
enum SettingsPlace { SETTINGS_MACHINE = 0, SETTINGS_USER = 1 };

// Each call opens the key of the place (creating it when missing) for reading and writing, does
// its one read or write and closes the key again.
struct SettingsStore {
  // Reads the named value whole into *text. 1 read; 0 the value is missing or is not text;
  // -1 the key cannot be opened.
  int (*read)(int place, const char* name, std::string* text);
  // Writes text (without its terminator) as the named text value. 1 written; 0 the write
  // failed; -1 the key cannot be opened.
  int (*write)(int place, const char* name, const char* text);
};
// SETTINGS_STORE_OF(prefix) builds the store whose slots are <prefix>_read and <prefix>_write,
// by name.
#define SETTINGS_STORE_SLOTS(X, prefix) X(prefix, read) X(prefix, write)
#define SETTINGS_STORE_SLOT_FROM(prefix, slot) store.slot = prefix##_##slot;
#define SETTINGS_STORE_OF(prefix)                                                \
  [] { SettingsStore store{}; SETTINGS_STORE_SLOTS(SETTINGS_STORE_SLOT_FROM, prefix) \
       return store; }()

// Installs the store; null installs none. Without a store, load_settings and save_settings do
// nothing, read_setting gives its default and write_setting drops the value. The program
// installs the registry store (settings/registry_store_win.h) before it creates its window.
void set_settings_store(const SettingsStore* store);

// --- single values ---

// The named value's text, or default_text when no store is installed, neither key can be
// opened or the value cannot be read. The returned text stays valid until the next read.
const char* read_setting(const char* name, const char* default_text);
// The named value as a decimal number: text that does not begin with one (after blanks, with an
// optional sign) or whose number lies outside int gives default_number.
int read_number_setting(const char* name, int default_number);
// Writes text as the named value; dropped without a word when it cannot be written.
void write_setting(const char* name, const char* text);

// --- start-up and exit ---

// Adapter settings into apply_adapter_settings (missing or non-numeric values read as 0; an
// adapter type other than 0, 1 or 2 reads as 0), then both lists slot by slot: a missing value
// leaves its slot empty, so gaps stay gaps. Nothing happens without a store.
void load_settings();
// The adapter dialog selection as "%d" texts, then every filled slot of both lists. Empty slots
// are neither written nor deleted. Nothing happens without a store.
void save_settings();

// --- recent lists ---

enum { kRecentDeviceSlots = 4, kRecentFileSlots = 6 };

// Puts name (a derivative) or path (a file) into slot 0 of its list. An entry equal to it
// ignoring letter case moves up from its slot (from slot 0 nothing changes, its letter case
// stays); otherwise the last slot's entry is dropped. Null or empty text is not added.
void add_recent_device(const char* name);
void add_recent_file(const char* path);
// The entry of a slot, or null for an empty slot or a slot outside the list. The text stays
// valid until the list changes.
const char* recent_device(int slot);
const char* recent_file(int slot);
