#include "app/command_table.h"

#include "app/command_list.h"
#include "resources/resource_ids.h"

namespace {

#define COUNT_OF(a) static_cast<int>(sizeof(a) / sizeof((a)[0]))

// --- the rows, from the list ---

#define ROW_OF_ITEM(menu, id, text, tip, rule, state, adapter) \
  {id, menu, text, tip, rule, state, (adapter) != 0},
#define ROW_OF_COMMAND(id, tip, rule, state, adapter) \
  {id, MENU_NONE, nullptr, tip, rule, state, (adapter) != 0},
#define NO_ROW_OF_SEPARATOR(menu)
#define NO_ROW_OF_SUBMENU(menu, kind, text)
constexpr CommandRow kRows[] = {
    CORVANE_COMMAND_LIST(ROW_OF_ITEM, NO_ROW_OF_SEPARATOR, NO_ROW_OF_SUBMENU, ROW_OF_COMMAND)};
constexpr int kRowCount = COUNT_OF(kRows);

constexpr int row_index(int command) {
  for (int i = 0; i < kRowCount; ++i)
    if (kRows[i].command == command) return i;
  return -1;
}

constexpr bool ids_unique() {
  for (int i = 0; i < kRowCount; ++i)
    if (row_index(kRows[i].command) != i) return false;
  return true;
}
static_assert(ids_unique(), "two rows of the command list share an id");

constexpr bool ids_have_rows(int first, int last) {
  for (int id = first; id <= last; ++id)
    if (row_index(id) < 0) return false;
  return true;
}
static_assert(ids_have_rows(IDM_RECENT_DEVICE_FIRST, IDM_RECENT_DEVICE_LAST) &&
                  ids_have_rows(IDM_RECENT_FILE_FIRST, IDM_RECENT_FILE_LAST),
              "every entry of the recent sub-menus has its row");

constexpr int text_length(const char* text) {
  int n = 0;
  while (text[n] != '\0') ++n;
  return n;
}
constexpr bool tooltips_fit() {
  for (const CommandRow& row : kRows)
    if (row.tooltip && text_length(row.tooltip) >= kTooltipTextSize) return false;
  return true;
}
static_assert(tooltips_fit(), "a tool-tip text is longer than the notification's buffer");

// --- the menu tree ---

// The tree's entries in list order, and beside them the pop-up each belongs to.
#define ENTRY_OF_ITEM(menu, id, text, tip, rule, state, adapter) {MENU_ENTRY_ITEM, text, id},
#define ENTRY_OF_SEPARATOR(menu) {MENU_ENTRY_SEPARATOR, nullptr, 0},
#define ENTRY_OF_SUBMENU(menu, kind, text) {kind, text, 0},
#define NO_ENTRY_OF_COMMAND(id, tip, rule, state, adapter)
constexpr MenuEntry kEntries[] = {CORVANE_COMMAND_LIST(ENTRY_OF_ITEM, ENTRY_OF_SEPARATOR,
                                                       ENTRY_OF_SUBMENU, NO_ENTRY_OF_COMMAND)};

#define MENU_OF_ITEM(menu, id, text, tip, rule, state, adapter) menu,
#define MENU_OF_SEPARATOR(menu) menu,
#define MENU_OF_SUBMENU(menu, kind, text) menu,
constexpr int kEntryMenus[] = {CORVANE_COMMAND_LIST(MENU_OF_ITEM, MENU_OF_SEPARATOR,
                                                    MENU_OF_SUBMENU, NO_ENTRY_OF_COMMAND)};
constexpr int kEntryCount = COUNT_OF(kEntries);
static_assert(COUNT_OF(kEntryMenus) == kEntryCount, "one pop-up per entry");

// A pop-up's entries are one stretch of the list, the pop-ups in bar order.
constexpr bool entries_in_bar_order() {
  for (int i = 0; i < kEntryCount; ++i) {
    if (kEntryMenus[i] < 0 || kEntryMenus[i] >= MENU_POPUP_COUNT) return false;
    if (i > 0 && kEntryMenus[i] < kEntryMenus[i - 1]) return false;
  }
  return true;
}
static_assert(entries_in_bar_order(), "the menu rows of a pop-up stand together, in bar order");

constexpr int first_entry(int menu) {
  for (int i = 0; i < kEntryCount; ++i)
    if (kEntryMenus[i] == menu) return i;
  return kEntryCount;
}
constexpr int entry_count(int menu) {
  int n = 0;
  for (int i = 0; i < kEntryCount; ++i)
    if (kEntryMenus[i] == menu) ++n;
  return n;
}

#define POPUP_OF(menu, title) {title, kEntries + first_entry(menu), entry_count(menu)},
constexpr MenuPopup kPopups[] = {CORVANE_MENU_POPUPS(POPUP_OF)};
static_assert(COUNT_OF(kPopups) == MENU_POPUP_COUNT, "one title per pop-up");
#define MENU_OF_POPUP(menu, title) menu,
constexpr int kPopupMenus[] = {CORVANE_MENU_POPUPS(MENU_OF_POPUP)};
constexpr bool popups_in_enum_order() {
  for (int i = 0; i < MENU_POPUP_COUNT; ++i)
    if (kPopupMenus[i] != i) return false;
  return true;
}
static_assert(popups_in_enum_order(), "the titles stand in bar order");

// --- lists derived from the columns ---

struct CommandList {
  int ids[kRowCount];
  int count;
};

// The ruled commands, rule by rule in the order the rules are applied, each rule's in list order.
constexpr CommandList ruled_list() {
  CommandList list{};
  for (int rule = RULE_CONNECTED; rule <= RULE_WHILE_CONNECTED; ++rule)
    for (const CommandRow& row : kRows)
      if (row.rule == rule) list.ids[list.count++] = row.command;
  return list;
}
constexpr CommandList kRuledCommands = ruled_list();

constexpr int max_state_position() {
  int n = 0;
  for (const CommandRow& row : kRows)
    if (row.state_position > n) n = row.state_position;
  return n;
}
// Positions 1..n, each taken by exactly one row.
constexpr bool state_positions_dense() {
  for (int position = 1; position <= max_state_position(); ++position) {
    int rows = 0;
    for (const CommandRow& row : kRows)
      if (row.state_position == position) ++rows;
    if (rows != 1) return false;
  }
  for (const CommandRow& row : kRows)
    if (row.state_position < 0) return false;
  return true;
}
static_assert(state_positions_dense(), "the state positions are 1, 2, ... without gaps");

constexpr CommandList state_list() {
  CommandList list{};
  for (int position = 1; position <= max_state_position(); ++position)
    for (const CommandRow& row : kRows)
      if (row.state_position == position) list.ids[list.count++] = row.command;
  return list;
}
constexpr CommandList kTargetToolbarStates = state_list();

constexpr CommandList adapter_list() {
  CommandList list{};
  for (const CommandRow& row : kRows)
    if (row.uses_adapter) list.ids[list.count++] = row.command;
  return list;
}
constexpr CommandList kAdapterCommands = adapter_list();

// --- the toolbars ---

// The buttons in image order: a button shows the picture at its position in the toolbar's
// bitmap (resources/toolbar_adapter.bmp, 129, and toolbar_target.bmp, 130, drawn by
// scripts/make-images). The order belongs to the bitmap, not to the commands, so it is kept
// here beside the bitmaps' ids rather than as columns of the command list; a button needs a row
// (for its tool tip and its rules) all the same.
constexpr int kAdapterToolbar[] = {IDM_SELECT_ADAPTER, IDM_SELECT_DEVICE, IDM_CONNECT};

constexpr int kTargetToolbar[] = {IDM_SELECT_DEVICE, IDM_LOAD_BUFFER,  IDM_DUMP_TO_BUFFER,
                                  IDM_SAVE_BUFFER,   IDM_RESET_TARGET, IDM_REFRESH_VIEW,
                                  IDM_UPDATE_TARGET, IDM_STEP,         IDM_RUN,
                                  IDM_HALT,          IDM_DISCONNECT};

template <int N>
constexpr bool buttons_have_rows(const int (&buttons)[N]) {
  for (int id : buttons)
    if (row_index(id) < 0) return false;
  return true;
}
static_assert(buttons_have_rows(kAdapterToolbar) && buttons_have_rows(kTargetToolbar),
              "every toolbar button has its row in the command list");

}  // namespace

const CommandRow* command_rows(int* count) {
  *count = kRowCount;
  return kRows;
}

const CommandRow* find_command(int command) {
  const int index = row_index(command);
  return index < 0 ? nullptr : &kRows[index];
}

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
  *count = kTargetToolbarStates.count;
  return kTargetToolbarStates.ids;
}

const char* command_tooltip(int command) {
  const CommandRow* row = find_command(command);
  return row && row->tooltip ? row->tooltip : "Huh?";
}

MenuItemState menu_item_enabled(int command, int connected, int target_known) {
  const CommandRow* row = find_command(command);
  auto enabled_when = [](bool on) { return on ? kMenuItemEnabled : kMenuItemGrayed; };
  switch (row ? row->rule : RULE_NONE) {
    case RULE_CONNECTED:
      return enabled_when(connected == 1);
    case RULE_TARGET_KNOWN:
      return enabled_when(target_known != 0);
    case RULE_NOT_CONNECTED:
      return enabled_when(connected == 0);
    case RULE_WHILE_CONNECTED:
      return enabled_when(connected != 0);
    case RULE_NONE:
      break;
  }
  return kMenuItemUntouched;
}

const int* ruled_menu_commands(int* count) {
  *count = kRuledCommands.count;
  return kRuledCommands.ids;
}

bool command_uses_adapter(int command) {
  const CommandRow* row = find_command(command);
  return row && row->uses_adapter;
}

const int* adapter_commands(int* count) {
  *count = kAdapterCommands.count;
  return kAdapterCommands.ids;
}

bool connect_button_enabled(int adapter_type, int have_current_target) {
  return adapter_type != -1 && have_current_target;
}
