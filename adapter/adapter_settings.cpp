#include "adapter/adapter_settings.h"

#include <cstdio>

#include "adapter/connection.h"
#include "app/message_pane.h"

namespace {
AdapterSettings g_settings = {0, 0, -1, 0};
AdapterSelection g_selection = {0, 0, 0};
int g_connected = 0;

const int kR41Clocks[] = {4000, 8000, 0};
const int kR42Clocks[] = {-1, 500, 1000, 2000, 2500, 3000, 3500, 4000, 8000, 0};

// The settings' port for a model: the USB adapter has no serial port.
int settings_port(int type, int port) { return type == ADAPTER_R42 ? -1 : port; }
}  // namespace

void set_adapter_type(int type) {
  g_settings.type = type;
  g_settings.type_chosen = 1;
}

int get_adapter_type() { return g_settings.type_chosen ? g_settings.type : -1; }

void set_adapter_port(int port) { g_settings.port = port; }
int get_adapter_port() { return g_settings.port; }
void set_target_clock(int khz) { g_settings.target_clock = khz; }
int get_target_clock() { return g_settings.target_clock; }

void set_connected(int flag) { g_connected = flag; }
int get_connected() { return g_connected; }

void set_adapter_defaults() {
  g_selection = {ADAPTER_R41, 0, kR41Clocks[1]};
  set_adapter_type(ADAPTER_R41);
  set_adapter_port(0);
  set_target_clock(kR41Clocks[1]);
}

void apply_adapter_settings(const AdapterSelection* record) {
  if (!record) return;
  g_selection = *record;
  set_adapter_type(record->type);
  set_adapter_port(settings_port(record->type, record->port));
  set_target_clock(record->target_clock);
  set_connected(0);
}

void get_adapter_selection(AdapterSelection* record) {
  if (record) *record = g_selection;
}

void set_adapter_dialog_selection(const AdapterSelection& selection) { g_selection = selection; }

AdapterSelection adapter_dialog_selection() { return g_selection; }

const int* adapter_clock_list(int type) {
  switch (type) {
    case ADAPTER_R41: return kR41Clocks;
    case ADAPTER_R42: return kR42Clocks;
    default: return nullptr;
  }
}

const char* adapter_description(int type) {
  switch (type) {
    case ADAPTER_R41: return "HLD/tandrel R41, RS232 serial BDM adapter for HCS12";
    case ADAPTER_R42: return "HLD/tandrel R42, USB serial BDM adapter for HCS08/HCS12";
    case ADAPTER_R43: return "HLD/tandrel R43, USB Multi adapter JTAG";
    default: return " ";
  }
}

std::string format_clock(int khz) {
  if (khz == -1) return "Auto";
  char text[32];
  std::snprintf(text, sizeof text, "%d,%d", khz / 1000, khz % 1000);
  return text;
}

int parse_clock_text(const char* text) {
  int mhz = 0, rest = 0;
  if (!text || std::sscanf(text, "%d,%d", &mhz, &rest) != 2) return -1;
  const long long khz = static_cast<long long>(mhz) * 1000 + rest % 1000;
  if (khz > 2147483647LL || khz < -2147483647LL) return -1;
  return static_cast<int>(khz);
}

std::string format_port(int index) {
  char text[32];
  std::snprintf(text, sizeof text, "COM%lld", static_cast<long long>(index) + 1);
  return text;
}

bool parse_port_text(const char* text, int* port) {
  int number = 0;
  if (!text || std::sscanf(text, "COM%d", &number) != 1) return false;
  if (port) *port = number - 1;
  return true;
}

bool build_clock_entries(int type, int selection_clock, std::vector<std::string>* entries,
                         int* selected) {
  entries->clear();
  *selected = -1;
  if (type == ADAPTER_R43) {
    entries->push_back("3 MHz");
    entries->push_back("30 MHz");
    return true;
  }
  const int* list = adapter_clock_list(type);
  if (!list) return false;
  *selected = 0;
  for (int i = 0; list[i] != 0; ++i) {
    if (list[i] == selection_clock) *selected = i;
    entries->push_back(format_clock(list[i]));
  }
  return true;
}

int build_port_entries(int selection_port, int (*probe)(int index),
                       std::vector<std::string>* entries) {
  entries->clear();
  int selected = 0;
  for (int index = 0; index < 128; ++index) {
    if (index == selection_port) {
      // The selected port may be held open by the connected adapter: never probed.
      selected = static_cast<int>(entries->size());
      entries->push_back(format_port(index));
    } else if (probe && probe(index) == 1) {
      entries->push_back(format_port(index));
    }
  }
  return selected;
}

ConnectOutcome connect_adapter_selection() {
  const AdapterSelection s = g_selection;
  if (s.type != ADAPTER_R41 && s.type != ADAPTER_R42) return kNotConnectable;
  // The shared first half of Connect, without identification: the 7016 that follows identifies.
  const int port = s.type == ADAPTER_R41 ? s.port : 0;
  if (!connect_and_identify(s.type, port, s.target_clock, false)) {
    append_error(kFailedConnectionText);
    return kConnectFailed;
  }
  set_adapter_type(s.type);
  set_adapter_port(settings_port(s.type, s.port));
  set_target_clock(s.target_clock);
  set_connected(1);
  return kConnectDone;
}
