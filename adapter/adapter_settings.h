// The adapter settings (model, port, target clock), the adapter dialog's selection, the connected
// flag, and the portable half of the adapter dialog: its clock and port lists, the texts it shows
// and parses, and its Connect step.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct AdapterSettings {
  int32_t type;          // 0 R41, 1 R42, 2 R43
  int type_chosen;       // set once a type has been stored; never cleared
  int32_t port;          // 0-based serial port index; -1 for the USB adapter
  int32_t target_clock;  // kHz; -1 = Auto
};

// One record of type, port and target clock (kHz): the dialog's selection, and what the
// settings store keeps.
struct AdapterSelection {
  int32_t type;
  int32_t port;
  int32_t target_clock;
};

// --- settings accessors ---
void set_adapter_type(int type);  // also marks a type as chosen
int get_adapter_type();           // -1 until a type was chosen
void set_adapter_port(int port);
int get_adapter_port();
void set_target_clock(int khz);
int get_target_clock();

// --- connected flag ---
void set_connected(int flag);
int get_connected();

// --- start-up and exit ---
// Selection and settings: R41, COM1, 8000 kHz.
void set_adapter_defaults();
// Stored values into selection and settings (port -1 for R42); marks the adapter disconnected.
// Null does nothing.
void apply_adapter_settings(const AdapterSelection* record);
// Copies the dialog selection into *record.
void get_adapter_selection(AdapterSelection* record);

// --- the dialog's selection ---
void set_adapter_dialog_selection(const AdapterSelection& selection);
AdapterSelection adapter_dialog_selection();

// --- lists and texts of the adapter dialog ---
// The clock list of a model (kHz, ended by 0; -1 is Auto), null for models without one.
const int* adapter_clock_list(int type);
// The one-line description of a model (" " for an unknown type).
const char* adapter_description(int type);
// "%d,%d" (MHz and remainder in kHz), or "Auto" for -1.
std::string format_clock(int khz);
// Clock box text back to kHz: "a,b" gives a * 1000 + b % 1000, anything else -1 (Auto).
int parse_clock_text(const char* text);
// "COM%d" with index + 1.
std::string format_port(int index);
// "COM<n>" gives n - 1 in *port and true; anything else false with *port untouched.
bool parse_port_text(const char* text, int* port);

// The clock box's entries for a model and the position to select (-1 for none). False for a
// model whose clock box is left alone.
bool build_clock_entries(int type, int selection_clock, std::vector<std::string>* entries,
                         int* selected);
// The R41 port box: "COM1" to "COM128", each present only when probe(index) says it exists,
// except the selection's own port, which is always listed. Returns the position to select.
int build_port_entries(int selection_port, int (*probe)(int index),
                       std::vector<std::string>* entries);

// The dialog's Connect with the current selection. R41 and R42 only: other types are not
// connectable, and nothing is done. On failure appends "Failed connection"; on success stores
// type, port and clock in the settings and sets the connected flag.
enum ConnectOutcome { kNotConnectable = -1, kConnectFailed = 0, kConnectDone = 1 };
ConnectOutcome connect_adapter_selection();
