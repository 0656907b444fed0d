#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/command_table.h"
#include "app/title.h"
#include "resources/resource_ids.h"

namespace {

std::string title(int type, int connected, int port, int clock, int known, const char* name) {
  TitleState s = {type, connected, port, clock, known, name};
  char text[kTitleSize];
  return compose_title(s, text, sizeof text);
}

TEST(Title, StartUpDefaults) {
  EXPECT_EQ(title(0, 0, 0, 8000, 0, "unknown"),
            "Corvane's Test Bench - Adapter: R41, Not Connected, No target MPU selected");
}

TEST(Title, ConnectedSerialAndUsb) {
  EXPECT_EQ(title(0, 1, 0, 8000, 1, "MC9S12DG256"),
            "Corvane's Test Bench - Adapter: R41, Connection: COM1, Target Clock: 8,0 MHz, "
            "Target MPU: 'MC9S12DG256'");
  EXPECT_EQ(title(1, 1, -1, -1, 1, "MC9S12A128"),
            "Corvane's Test Bench - Adapter: R42, Connection: (USB), Target Clock:(Auto), "
            "Target MPU: 'MC9S12A128'");
}

TEST(Title, PortAndClockFragments) {
  EXPECT_NE(title(0, 1, 2, 4000, 0, nullptr).find(", Connection: COM3, Target Clock: 4,0 MHz,"),
            std::string::npos);
  // The remainder is printed without leading zeros.
  EXPECT_NE(title(1, 1, -1, 2500, 0, nullptr).find(" (USB), Target Clock: 2,500 MHz"),
            std::string::npos);
  EXPECT_NE(title(1, 1, -1, 500, 0, nullptr).find("Target Clock: 0,500 MHz"), std::string::npos);
  EXPECT_NE(title(0, 1, 127, 4000, 0, nullptr).find(" COM128,"), std::string::npos);
}

TEST(Title, NotConnectedShowsNoPortOrClockWhateverTheSettings) {
  EXPECT_EQ(title(1, 0, -1, -1, 1, "XF"),
            "Corvane's Test Bench - Adapter: R42, Not Connected, Target MPU: 'XF'");
}

TEST(Title, ModelsAndUnknownTypes) {
  EXPECT_NE(title(2, 0, 0, 0, 0, nullptr).find("Adapter: R43, Not"), std::string::npos);
  EXPECT_EQ(title(-1, 0, 0, 0, 0, nullptr),
            "Corvane's Test Bench - Adapter: , Not Connected, No target MPU selected");
  EXPECT_EQ(title(3, 0, 0, 0, 0, nullptr), title(-1, 0, 0, 0, 0, nullptr));
}

TEST(Title, UnknownDerivativeIsNotNamed) {
  EXPECT_EQ(title(0, 0, 0, 8000, 0, "MC9S12DG256").find("MC9S12DG256"), std::string::npos);
}

TEST(Title, SmallBuffersAreCutNeverOverrun) {
  TitleState s = {0, 1, 0, 8000, 1, "MC9S12DG256"};
  char text[24];
  std::memset(text, 'x', sizeof text);
  compose_title(s, text, 20);
  EXPECT_EQ(std::string(text), "Corvane's Test Benc");
  EXPECT_EQ(text[20], 'x');
  // A name longer than a derivative name can be is cut at 31 characters.
  const std::string longname(60, 'A');
  EXPECT_NE(title(0, 0, 0, 0, 1, longname.c_str()).find("'" + std::string(31, 'A') + "'"),
            std::string::npos);
}

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

}  // namespace
