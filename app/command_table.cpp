#include "app/command_table.h"

#include "resources/resource_ids.h"

namespace {

#define COUNT_OF(a) static_cast<int>(sizeof(a) / sizeof((a)[0]))

const MenuEntry kFileEntries[] = {
    {MENU_ENTRY_ITEM, "&Load buffer", IDM_LOAD_BUFFER},
    {MENU_ENTRY_ITEM, "&Dump to buffer", IDM_DUMP_TO_BUFFER},
    {MENU_ENTRY_ITEM, "&Save buffer as File", IDM_SAVE_BUFFER},
    {MENU_ENTRY_ITEM, "&Clear buffer contents", IDM_CLEAR_BUFFER},
    {MENU_ENTRY_SEPARATOR, nullptr, 0},
    {MENU_ENTRY_RECENT_DEVICES, "Recent &Devices", 0},
    {MENU_ENTRY_RECENT_FILES, "&Recent Files", 0},
    {MENU_ENTRY_SEPARATOR, nullptr, 0},
    {MENU_ENTRY_ITEM, "&Exit", IDM_EXIT},
};

const MenuEntry kAdapterEntries[] = {
    {MENU_ENTRY_ITEM, "&Select", IDM_SELECT_ADAPTER},
    {MENU_ENTRY_ITEM, "&Connect", IDM_CONNECT},
    {MENU_ENTRY_ITEM, "&Disconnect", IDM_DISCONNECT},
};

const MenuEntry kTargetEntries[] = {
    {MENU_ENTRY_ITEM, "&Select Device", IDM_SELECT_DEVICE},
    {MENU_ENTRY_SEPARATOR, nullptr, 0},
    {MENU_ENTRY_ITEM, "Memory regions", IDM_MEMORY_REGIONS},
    {MENU_ENTRY_SEPARATOR, nullptr, 0},
    {MENU_ENTRY_ITEM, "&Program Target Regions from buffer", IDM_PROGRAM_FROM_BUFFER},
    {MENU_ENTRY_ITEM, "&Program Target Regions from File", IDM_PROGRAM_REGIONS_FROM_FILE},
    {MENU_ENTRY_SEPARATOR, nullptr, 0},
    {MENU_ENTRY_ITEM, "&Erase memory region(s)", IDM_ERASE_REGIONS},
    {MENU_ENTRY_ITEM, "&Erase All", IDM_ERASE_ALL},
    {MENU_ENTRY_SEPARATOR, nullptr, 0},
    {MENU_ENTRY_ITEM, "&Program Target from File", IDM_PROGRAM_FROM_FILE},
};

const MenuEntry kHelpEntries[] = {
    {MENU_ENTRY_ITEM, "&Help", IDM_HELP},
    {MENU_ENTRY_ITEM, "&About", IDM_ABOUT},
};

const MenuPopup kPopups[MENU_POPUP_COUNT] = {
    {"&File", kFileEntries, COUNT_OF(kFileEntries)},
    {"&Adapter", kAdapterEntries, COUNT_OF(kAdapterEntries)},
    {"&Target", kTargetEntries, COUNT_OF(kTargetEntries)},
    {"&Help", kHelpEntries, COUNT_OF(kHelpEntries)},
};

const int kAdapterToolbar[] = {IDM_SELECT_ADAPTER, IDM_SELECT_DEVICE, IDM_CONNECT};

const int kTargetToolbar[] = {IDM_SELECT_DEVICE, IDM_LOAD_BUFFER,  IDM_DUMP_TO_BUFFER,
                              IDM_SAVE_BUFFER,   IDM_RESET_TARGET, IDM_REFRESH_VIEW,
                              IDM_UPDATE_TARGET, IDM_STEP,         IDM_RUN,
                              IDM_HALT,          IDM_DISCONNECT};

// 7003 and 7004 have no button; the control ignores them.
const int kTargetToolbarStates[] = {IDM_LOAD_BUFFER,  IDM_DUMP_TO_BUFFER, IDM_SAVE_BUFFER,
                                    IDM_CLEAR_BUFFER, IDM_PROGRAM_FROM_BUFFER, IDM_STEP,
                                    IDM_RUN,          IDM_HALT,           IDM_REFRESH_VIEW,
                                    IDM_UPDATE_TARGET, IDM_RESET_TARGET};

struct Tooltip {
  int command;
  const char* text;
};

const Tooltip kTooltips[] = {
    {IDM_LOAD_BUFFER, "Load Buffer from file"},
    {IDM_DUMP_TO_BUFFER, "Dump target memory to Buffer"},
    {IDM_SAVE_BUFFER, "Save Buffer to file"},
    {IDM_CLEAR_BUFFER, "Clear Buffer contents"},
    {IDM_PROGRAM_FROM_BUFFER, "Download/Program Target from buffer"},
    {IDM_SELECT_ADAPTER, "Select Adapter"},
    {IDM_SELECT_DEVICE, "Select Target Device"},
    {IDM_CONNECT, "Connect to target"},
    {IDM_DISCONNECT, "Disconnect target"},
    {IDM_RESET_TARGET, "Reset Target"},
    {IDM_REFRESH_VIEW, "Refresh view from target "},
    {IDM_UPDATE_TARGET, "Update target from view"},
    {IDM_STEP, "Step Instruction at PC"},
    {IDM_RUN, "Run from PC"},
    {IDM_HALT, "Halt Target"},
};

// File items that need a connection, Target items that need a known derivative, and the
// Adapter items that follow the connection.
const int kRuledCommands[] = {IDM_LOAD_BUFFER,         IDM_DUMP_TO_BUFFER,
                              IDM_SAVE_BUFFER,         IDM_PROGRAM_FROM_BUFFER,
                              IDM_PROGRAM_REGIONS_FROM_FILE, IDM_PROGRAM_FROM_FILE,
                              IDM_ERASE_REGIONS,       IDM_ERASE_ALL,
                              IDM_MEMORY_REGIONS,      IDM_CONNECT,
                              IDM_SELECT_ADAPTER,      IDM_DISCONNECT,
                              // Recent Files entries load their file as Load buffer does.
                              IDM_RECENT_FILE_FIRST,     IDM_RECENT_FILE_FIRST + 1,
                              IDM_RECENT_FILE_FIRST + 2, IDM_RECENT_FILE_FIRST + 3,
                              IDM_RECENT_FILE_FIRST + 4, IDM_RECENT_FILE_LAST};

}  // namespace

const MenuPopup& menu_popup(int index) {
  if (index < 0 || index >= MENU_POPUP_COUNT) index = MENU_FILE;
  return kPopups[index];
}

const int* adapter_toolbar_commands(int* count) {
  *count = COUNT_OF(kAdapterToolbar);
  return kAdapterToolbar;
}

const int* target_toolbar_commands(int* count) {
  *count = COUNT_OF(kTargetToolbar);
  return kTargetToolbar;
}

const int* target_toolbar_state_commands(int* count) {
  *count = COUNT_OF(kTargetToolbarStates);
  return kTargetToolbarStates;
}

const char* command_tooltip(int command) {
  for (const Tooltip& t : kTooltips)
    if (t.command == command) return t.text;
  return "Huh?";
}

int menu_item_enabled(int command, int connected, int target_known) {
  // A Recent Files entry loads its file into the buffer: available exactly when Load buffer is.
  if (command >= IDM_RECENT_FILE_FIRST && command <= IDM_RECENT_FILE_LAST)
    command = IDM_LOAD_BUFFER;
  switch (command) {
    case IDM_LOAD_BUFFER:
    case IDM_DUMP_TO_BUFFER:
    case IDM_SAVE_BUFFER:
      return connected == 1 ? 1 : 0;
    case IDM_PROGRAM_FROM_BUFFER:
    case IDM_PROGRAM_REGIONS_FROM_FILE:
    case IDM_PROGRAM_FROM_FILE:
    case IDM_ERASE_REGIONS:
    case IDM_ERASE_ALL:
    case IDM_MEMORY_REGIONS:
      return target_known ? 1 : 0;
    case IDM_CONNECT:
    case IDM_SELECT_ADAPTER:
      return connected ? 0 : 1;
    case IDM_DISCONNECT:
      return connected ? 1 : 0;
    default:
      return -1;
  }
}

const int* ruled_menu_commands(int* count) {
  *count = COUNT_OF(kRuledCommands);
  return kRuledCommands;
}

namespace {
const int kAdapterCommands[] = {
    IDM_DUMP_TO_BUFFER, IDM_PROGRAM_FROM_BUFFER, IDM_PROGRAM_REGIONS_FROM_FILE,
    IDM_ERASE_REGIONS,  IDM_ERASE_ALL,           IDM_SELECT_ADAPTER,
    IDM_SELECT_DEVICE,  IDM_CONNECT,             IDM_CONNECT_VIEWS,
    IDM_DISCONNECT,     IDM_RESET_TARGET,        IDM_REFRESH_VIEW,
    IDM_UPDATE_TARGET,  IDM_STEP,                IDM_RUN,
    IDM_HALT,
    // A Recent Devices entry changes the current target and its memory map, as Select Device
    // does, under a run that is using them.
    IDM_RECENT_DEVICE_FIRST, IDM_RECENT_DEVICE_FIRST + 1, IDM_RECENT_DEVICE_FIRST + 2,
    IDM_RECENT_DEVICE_LAST};
}  // namespace

int command_uses_adapter(int command) {
  for (int c : kAdapterCommands)
    if (c == command) return 1;
  return 0;
}

const int* adapter_commands(int* count) {
  *count = COUNT_OF(kAdapterCommands);
  return kAdapterCommands;
}

int connect_button_enabled(int adapter_type, int have_current_target) {
  return adapter_type != -1 && have_current_target ? 1 : 0;
}
