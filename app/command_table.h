// What the menus and toolbars hold and when their commands are available: the menu tree, the
// two toolbars' buttons, the tool-tip texts and the enabling rules, all built from the one list
// of commands in app/command_list.h. Plain data and decisions; the Win32 side
// (app/commands_win.cpp) builds the controls from it.
#pragma once

enum MenuEntryKind {
  MENU_ENTRY_ITEM,              // a command
  MENU_ENTRY_SEPARATOR,         // a separator line
  MENU_ENTRY_RECENT_DEVICES,    // the "Recent &Devices" sub-menu
  MENU_ENTRY_RECENT_FILES,      // the "&Recent Files" sub-menu
};

struct MenuEntry {
  MenuEntryKind kind;
  const char* text;  // null for separators
  int command;       // 0 for separators and sub-menus
};

struct MenuPopup {
  const char* title;
  const MenuEntry* entries;
  int count;
};

// The pop-ups of the menu bar in bar order: File, Adapter, Target, Help. MENU_NONE: a command
// without a menu item.
enum { MENU_NONE = -1, MENU_FILE, MENU_ADAPTER, MENU_TARGET, MENU_HELP, MENU_POPUP_COUNT };
const MenuPopup& menu_popup(int index);

// When WM_INITMENUPOPUP enables an item, by the connected flag and the known-target flag. The
// rules are applied in this order: File's, then Target's, then Adapter's.
enum CommandRule {
  RULE_NONE,             // no rule touches the item: it stays enabled
  RULE_CONNECTED,        // File's buffer commands and Recent Files: when the connected flag is 1
  RULE_TARGET_KNOWN,     // Target's commands: enabled while a known derivative is selected
  RULE_NOT_CONNECTED,    // Adapter's Select and Connect: enabled while not connected
  RULE_WHILE_CONNECTED,  // Adapter's Disconnect: enabled while connected
};

// One row of the command list (app/command_list.h).
struct CommandRow {
  int command;
  int menu;              // MENU_FILE ..., or MENU_NONE
  const char* text;      // the menu item's text; null without a menu item
  const char* tooltip;   // null: "Huh?"
  CommandRule rule;
  int state_position;    // 1.. in target_toolbar_state_commands; 0 when not there
  bool uses_adapter;
};
// The rows in list order; find_command is null for ids without a row (the memory view's
// IDC_VIEW_* buttons are controls, not commands: app/view_input_win.h takes them).
const CommandRow* command_rows(int* count);
const CommandRow* find_command(int command);

// Buttons of the adapter toolbar (bitmap 129) and of the target toolbar (bitmap 130), in image
// order: the image index of a button is its position.
const int* adapter_toolbar_commands(int* count);
const int* target_toolbar_commands(int* count);

// The target toolbar's buttons that follow the known-target flag, in the order they are set.
const int* target_toolbar_state_commands(int* count);

// Tool-tip text of a command ("Huh?" for commands without one); at most 35 characters.
const char* command_tooltip(int command);
enum { kTooltipTextSize = 36 };

// What the enabling rules of the menus make of an item: enabled, grayed, or left as it is (items
// that no rule touches: always enabled).
enum MenuItemState { kMenuItemUntouched = -1, kMenuItemGrayed = 0, kMenuItemEnabled = 1 };
MenuItemState menu_item_enabled(int command, int connected, int target_known);
// The commands the rules touch, in the order they are applied.
const int* ruled_menu_commands(int* count);

// Commands that talk to the adapter library, directly or through their dialog. None of them may
// start while a programmer run is in progress (the library is busy with the run): their menu
// items and toolbar buttons are grayed then and the dispatcher ignores them.
bool command_uses_adapter(int command);
const int* adapter_commands(int* count);

// The adapter toolbar's Connect button: usable once an adapter type was chosen and a current
// target is present.
bool connect_button_enabled(int adapter_type, int have_current_target);
