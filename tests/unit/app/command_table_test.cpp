#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/command_table.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"

namespace {

TEST(CommandTable, EnablingRules) {
  for (int connected = 0; connected <= 1; ++connected) {
    for (int known = 0; known <= 1; ++known) {
      EXPECT_EQ(menu_item_enabled(IDM_LOAD_BUFFER, connected, known), connected);
      EXPECT_EQ(menu_item_enabled(IDM_DUMP_TO_BUFFER, connected, known), connected);
      EXPECT_EQ(menu_item_enabled(IDM_SAVE_BUFFER, connected, known), connected);
      for (int id : {7004, 7005, 7006, 7007, 7008, 7010})
        EXPECT_EQ(menu_item_enabled(id, connected, known), known) << id;
      EXPECT_EQ(menu_item_enabled(IDM_CONNECT, connected, known), 1 - connected);
      EXPECT_EQ(menu_item_enabled(IDM_SELECT_ADAPTER, connected, known), 1 - connected);
      EXPECT_EQ(menu_item_enabled(IDM_DISCONNECT, connected, known), connected);
      // Recent Files entries load a file into the buffer, as Load buffer does.
      for (int id = IDM_RECENT_FILE_FIRST; id <= IDM_RECENT_FILE_LAST; ++id)
        EXPECT_EQ(menu_item_enabled(id, connected, known), connected) << id;
      for (int id : {IDM_CLEAR_BUFFER, IDM_EXIT, IDM_SELECT_DEVICE, IDM_HELP, IDM_ABOUT,
                     IDM_RECENT_DEVICE_FIRST, IDM_RECENT_DEVICE_LAST})
        EXPECT_EQ(menu_item_enabled(id, connected, known), -1) << id;
    }
  }
  int count = 0;
  const int* ruled = ruled_menu_commands(&count);
  EXPECT_EQ(count, 18);
  for (int i = 0; i < count; ++i) EXPECT_GE(menu_item_enabled(ruled[i], 0, 0), 0);
}

TEST(CommandTable, TooltipsFitTheirBuffer) {
  EXPECT_STREQ(command_tooltip(IDM_REFRESH_VIEW), "Refresh view from target ");
  EXPECT_STREQ(command_tooltip(IDM_PROGRAM_FROM_BUFFER), "Download/Program Target from buffer");
  EXPECT_STREQ(command_tooltip(IDM_EXIT), "Huh?");
  EXPECT_STREQ(command_tooltip(0), "Huh?");
  for (int id = 7000; id <= 7036; ++id) EXPECT_LT(std::strlen(command_tooltip(id)), 36u) << id;
}

TEST(CommandTable, ToolbarsAndTheOrderTheirStatesAreSetIn) {
  auto list = [](const int* ids, int count) { return std::vector<int>(ids, ids + count); };
  int count = 0;
  const int* ids = adapter_toolbar_commands(&count);
  EXPECT_EQ(list(ids, count), (std::vector<int>{7009, 7011, 7015}));
  ids = target_toolbar_commands(&count);
  EXPECT_EQ(list(ids, count),
            (std::vector<int>{7011, 7000, 7001, 7002, 7018, 7019, 7020, 7021, 7022, 7023, 7017}));
  // Select Device and Disconnect are never disabled; 7003 and 7004 have no button.
  ids = target_toolbar_state_commands(&count);
  EXPECT_EQ(list(ids, count),
            (std::vector<int>{7000, 7001, 7002, 7003, 7004, 7021, 7022, 7023, 7019, 7020, 7018}));
}

TEST(CommandTable, ConnectButton) {
  EXPECT_EQ(connect_button_enabled(0, 1), 1);
  EXPECT_EQ(connect_button_enabled(1, 1), 1);
  EXPECT_EQ(connect_button_enabled(-1, 1), 0);
  EXPECT_EQ(connect_button_enabled(0, 0), 0);
}

// The menu tree and the rows of the command list agree: every item of the tree has the row of
// its id, with the item's text and pop-up; every row with a menu text stands in its pop-up once;
// the entries of the recent sub-menus, which get their ids by slot, have rows too.
TEST(CommandTable, RowsAndMenuTreeAgree) {
  int items = 0;
  int submenus = 0;
  for (int menu = 0; menu < MENU_POPUP_COUNT; ++menu) {
    const MenuPopup& popup = menu_popup(menu);
    ASSERT_GT(popup.count, 0) << menu;
    for (int i = 0; i < popup.count; ++i) {
      const MenuEntry& entry = popup.entries[i];
      if (entry.kind == MENU_ENTRY_SEPARATOR) {
        // Between two items: never first, last or doubled.
        EXPECT_TRUE(i > 0 && i + 1 < popup.count &&
                    popup.entries[i + 1].kind != MENU_ENTRY_SEPARATOR)
            << popup.title << " " << i;
        continue;
      }
      ASSERT_NE(entry.text, nullptr) << popup.title << " " << i;
      if (entry.kind != MENU_ENTRY_ITEM) {
        ++submenus;
        continue;
      }
      ++items;
      const CommandRow* row = find_command(entry.command);
      ASSERT_NE(row, nullptr) << entry.text;
      EXPECT_EQ(row->menu, menu) << entry.text;
      EXPECT_STREQ(row->text, entry.text);
    }
  }
  EXPECT_EQ(submenus, 2);

  int count = 0;
  const CommandRow* rows = command_rows(&count);
  int rows_with_text = 0;
  for (int i = 0; i < count; ++i) {
    const CommandRow& row = rows[i];
    if (!row.text) {
      EXPECT_EQ(row.menu, MENU_NONE) << row.command;
      continue;
    }
    ++rows_with_text;
    ASSERT_NE(row.menu, MENU_NONE) << row.text;
    const MenuPopup& popup = menu_popup(row.menu);
    int found = 0;
    for (int e = 0; e < popup.count; ++e)
      if (popup.entries[e].kind == MENU_ENTRY_ITEM && popup.entries[e].command == row.command)
        ++found;
    EXPECT_EQ(found, 1) << row.text;
  }
  EXPECT_EQ(rows_with_text, items);

  for (int slot = 0; slot < kRecentDeviceSlots; ++slot)
    EXPECT_NE(find_command(IDM_RECENT_DEVICE_FIRST + slot), nullptr) << slot;
  for (int slot = 0; slot < kRecentFileSlots; ++slot)
    EXPECT_NE(find_command(IDM_RECENT_FILE_FIRST + slot), nullptr) << slot;
}

}  // namespace
