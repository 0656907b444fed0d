// The main window's commands, one row each: the single source from which app/command_table.cpp
// builds the menu tree, the tool tips, the enabling rules, the target toolbar's state list and
// the list of commands that talk to the adapter library. Adding a menu command is one ITEM row
// here (its id in resources/resource_ids.h) plus its action in on_command.
//
// The rows stand in menu order: the rows of one pop-up together, in the order of its items, the
// pop-ups in bar order; the commands without a menu item follow. Columns:
//   menu      the pop-up (MENU_FILE ...) of an ITEM, SEPARATOR or SUBMENU row
//   id        the command id (IDM_*)
//   text      the menu item's text
//   tip       the tool-tip text, at most 35 characters; nullptr: "Huh?"
//   rule      when WM_INITMENUPOPUP enables or grays the item (CommandRule, app/command_table.h)
//   state     position (from 1) in the list of the target toolbar's buttons that follow the
//             known-target flag, in the order their states are set; 0: not in it
//   adapter   1 when the command talks to the adapter library, directly or through its dialog:
//             it rests while a programmer run uses the library
// The toolbars' button orders are not columns: they are the image orders of the bitmaps
// (app/command_table.cpp keeps them beside each other).
#pragma once

#include "resources/resource_ids.h"

// POPUP(menu, title), in bar order.
#define CORVANE_MENU_POPUPS(POPUP) \
  POPUP(MENU_FILE, "&File")        \
  POPUP(MENU_ADAPTER, "&Adapter")  \
  POPUP(MENU_TARGET, "&Target")    \
  POPUP(MENU_HELP, "&Help")

// ITEM(menu, id, text, tip, rule, state, adapter): a menu item.
// SEPARATOR(menu): a separator line.
// SUBMENU(menu, kind, text): one of the recent sub-menus (MenuEntryKind), filled by
//   settings/recent_menus_win.cpp with the ids of their COMMAND rows.
// COMMAND(id, tip, rule, state, adapter): a command without a menu item of its own (toolbar
//   buttons, the internal second half of Connect, the recent sub-menus' entries).
// clang-format off
#define CORVANE_COMMAND_LIST(ITEM, SEPARATOR, SUBMENU, COMMAND) \
  /*   menu          id                             text                                  tip                          rule                 state adapter */ \
  ITEM(MENU_FILE,    IDM_LOAD_BUFFER,               "&Load buffer",                       "Load Buffer from file",        RULE_CONNECTED,      1,  0) \
  ITEM(MENU_FILE,    IDM_DUMP_TO_BUFFER,            "&Dump to buffer",                    "Dump target memory to Buffer", RULE_CONNECTED,      2,  1) \
  ITEM(MENU_FILE,    IDM_SAVE_BUFFER,               "&Save buffer as File",               "Save Buffer to file",          RULE_CONNECTED,      3,  0) \
  ITEM(MENU_FILE,    IDM_CLEAR_BUFFER,              "&Clear buffer contents",             "Clear Buffer contents",        RULE_NONE,           4,  0) \
  SEPARATOR(MENU_FILE) \
  SUBMENU(MENU_FILE, MENU_ENTRY_RECENT_DEVICES, "Recent &Devices") \
  SUBMENU(MENU_FILE, MENU_ENTRY_RECENT_FILES, "&Recent Files") \
  SEPARATOR(MENU_FILE) \
  ITEM(MENU_FILE,    IDM_EXIT,                      "&Exit",                              nullptr,                        RULE_NONE,           0,  0) \
  ITEM(MENU_ADAPTER, IDM_SELECT_ADAPTER,            "&Select",                            "Select Adapter",               RULE_NOT_CONNECTED,  0,  1) \
  ITEM(MENU_ADAPTER, IDM_CONNECT,                   "&Connect",                           "Connect to target",            RULE_NOT_CONNECTED,  0,  1) \
  ITEM(MENU_ADAPTER, IDM_DISCONNECT,                "&Disconnect",                        "Disconnect target",            RULE_WHILE_CONNECTED, 0, 1) \
  ITEM(MENU_TARGET,  IDM_SELECT_DEVICE,             "&Select Device",                     "Select Target Device",         RULE_NONE,           0,  1) \
  SEPARATOR(MENU_TARGET) \
  ITEM(MENU_TARGET,  IDM_MEMORY_REGIONS,            "Memory regions",                     nullptr,                        RULE_TARGET_KNOWN,   0,  0) \
  SEPARATOR(MENU_TARGET) \
  ITEM(MENU_TARGET,  IDM_PROGRAM_FROM_BUFFER,       "&Program Target Regions from buffer", "Download/Program Target from buffer", RULE_TARGET_KNOWN, 5, 1) \
  ITEM(MENU_TARGET,  IDM_PROGRAM_REGIONS_FROM_FILE, "&Program Target Regions from File",  nullptr,                        RULE_TARGET_KNOWN,   0,  1) \
  SEPARATOR(MENU_TARGET) \
  ITEM(MENU_TARGET,  IDM_ERASE_REGIONS,             "&Erase memory region(s)",            nullptr,                        RULE_TARGET_KNOWN,   0,  1) \
  ITEM(MENU_TARGET,  IDM_ERASE_ALL,                 "&Erase All",                         nullptr,                        RULE_TARGET_KNOWN,   0,  1) \
  SEPARATOR(MENU_TARGET) \
  /* The Programmer dialog opens during a run too: its Start answers "Programmer is busy". */ \
  ITEM(MENU_TARGET,  IDM_PROGRAM_FROM_FILE,         "&Program Target from File",          nullptr,                        RULE_TARGET_KNOWN,   0,  0) \
  ITEM(MENU_HELP,    IDM_HELP,                      "&Help",                              nullptr,                        RULE_NONE,           0,  0) \
  ITEM(MENU_HELP,    IDM_ABOUT,                     "&About",                             nullptr,                        RULE_NONE,           0,  0) \
  /*      id                             tip                           rule            state adapter */ \
  COMMAND(IDM_CONNECT_VIEWS,             nullptr,                      RULE_NONE,      0,  1) \
  COMMAND(IDM_RESET_TARGET,              "Reset Target",               RULE_NONE,      11, 1) \
  COMMAND(IDM_REFRESH_VIEW,              "Refresh view from target ",  RULE_NONE,      9,  1) \
  COMMAND(IDM_UPDATE_TARGET,             "Update target from view",    RULE_NONE,      10, 1) \
  COMMAND(IDM_STEP,                      "Step Instruction at PC",     RULE_NONE,      6,  1) \
  COMMAND(IDM_RUN,                       "Run from PC",                RULE_NONE,      7,  1) \
  COMMAND(IDM_HALT,                      "Halt Target",                RULE_NONE,      8,  1) \
  /* A Recent Devices entry changes the current target and its memory map, as Select Device */ \
  /* does, under a run that is using them. */ \
  COMMAND(IDM_RECENT_DEVICE_FIRST,       nullptr,                      RULE_NONE,      0,  1) \
  COMMAND(IDM_RECENT_DEVICE_FIRST + 1,   nullptr,                      RULE_NONE,      0,  1) \
  COMMAND(IDM_RECENT_DEVICE_FIRST + 2,   nullptr,                      RULE_NONE,      0,  1) \
  COMMAND(IDM_RECENT_DEVICE_LAST,        nullptr,                      RULE_NONE,      0,  1) \
  /* A Recent Files entry loads its file as Load buffer does, and is available when it is. */ \
  COMMAND(IDM_RECENT_FILE_FIRST,         nullptr,                      RULE_CONNECTED, 0,  0) \
  COMMAND(IDM_RECENT_FILE_FIRST + 1,     nullptr,                      RULE_CONNECTED, 0,  0) \
  COMMAND(IDM_RECENT_FILE_FIRST + 2,     nullptr,                      RULE_CONNECTED, 0,  0) \
  COMMAND(IDM_RECENT_FILE_FIRST + 3,     nullptr,                      RULE_CONNECTED, 0,  0) \
  COMMAND(IDM_RECENT_FILE_FIRST + 4,     nullptr,                      RULE_CONNECTED, 0,  0) \
  COMMAND(IDM_RECENT_FILE_LAST,          nullptr,                      RULE_CONNECTED, 0,  0)
// clang-format on
