// The menus, toolbars and command dispatch of the real main window: menu tree, enabling rules,
// toolbar swap and button states, tool tips, every dispatch branch, and the connect and
// disconnect sequences against the simulated adapter and against the recording fake.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "adapter/adapter_settings.h"
#include "adapter/bdx.h"
#include "adapter/bdx_loader_win.h"
#include "app/commands_win.h"
#include "app/html_help_win.h"
#include "app/message_pane.h"
#include "app/shell_win.h"
#include "app/title_win.h"
#include "buffer/buffer_store.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"
#include "target/catalogue.h"
#include "tests/gui_support/app_harness_win.h"
#include "tests/support/fake_bdx.h"
#include "buffer/buffer_store.h"
#include "tests/support/memory_settings_store.h"
#include "views/memory_view.h"
#include "views/register_view.h"
#include "views/view_layout.h"
#include "views/views_win.h"

namespace {

const char kStartCaption[] =
    "Corvane's Test Bench - Adapter: R41, Not Connected, No target MPU selected";
const char kConnectedCaption[] =
    "Corvane's Test Bench - Adapter: R41, Connection: COM1, Target Clock: 8,0 MHz, Target MPU: "
    "'MC9S12DG256'";

// The adapter calls of a fake as names, a run of equal names as "name*count".
std::string compressed(const FakeBdx& fake) {
  std::string out;
  for (size_t i = 0; i < fake.calls.size();) {
    size_t j = i;
    while (j < fake.calls.size() && fake.calls[j].name == fake.calls[i].name) ++j;
    if (!out.empty()) out += " ";
    out += fake.calls[i].name;
    if (j - i > 1) out += "*" + std::to_string(j - i);
    i = j;
  }
  return out;
}

// What the views read from the target: the registers (PC..D, then the CCR), and 64 cells.
const char kReadRegisters[] = "bdx_RegisterGetAll bdx_GetByte";
const char kRefresh[] = "bdx_GetMemoryByte*64";

// A part outside the catalogue's families with views, and one without any register set.
const ProcessorInfo kHcs08Info = {FAMILY_HCS08, 0xEE, 0, 0, nullptr};
const ProcessorInfo kArmInfo = {FAMILY_ARM, 0xEE, 0, 0, nullptr};
const Derivative kHcs08 = {"HCS08PART", nullptr, &kHcs08Info};
const Derivative kArm = {"ARMPART", nullptr, &kArmInfo};

// Pixels of the main window's client rectangle that are not the background colour.
int painted_pixels(HWND window, RECT r) {
  HDC dc = GetDC(window);
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x)
      if (GetPixel(dc, x, y) != static_cast<COLORREF>(0x00C8D0D4)) ++n;
  ReleaseDC(window, dc);
  return n;
}

struct CommandsTest : testing::Test {
  HWND main = nullptr;
  // The settings the last run left: R41 on COM1 at 8 MHz, no recent entries.
  ScopedMemorySettingsStore settings;
  void SetUp() override {
    settings.store().machine() = {{"Atype", "0"}, {"Aport", "0"}, {"Aspeed", "8000"}};
    set_adapter_library_path(nullptr);  // the simulated bdxdll.dll beside the test
    html_help_reset(nullptr, nullptr);
    g_view_layout = ViewLayout{0, 0};
    set_connected(0);  // as at process start; a test may end connected
    main = start_app();
  }
  void TearDown() override {
    if (g_shell.main_window) stop_app();
    set_adapter_library_path(nullptr);
    bdx_table_reset();
    g_view_layout = ViewLayout{0, 0};
  }
  LRESULT command(WPARAM id) { return SendMessageA(main, WM_COMMAND, id, 0); }
  // Ends this run and starts the program again over the stored settings.
  void restart() {
    stop_app();
    main = start_app();
  }
  void open_menu(HMENU popup) {
    SendMessageA(main, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
  }
  bool grayed(int id) {
    UINT state = GetMenuState(g_shell.menu_bar, static_cast<UINT>(id), MF_BYCOMMAND);
    EXPECT_NE(state, static_cast<UINT>(-1)) << id;
    return (state & MF_GRAYED) != 0;
  }
  int button_state(HWND toolbar, int id) {
    return static_cast<int>(SendMessageA(toolbar, TB_GETSTATE, id, 0));
  }
};

std::string item_text(HMENU menu, int position) {
  char text[128] = {0};
  GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
  return text;
}

// One line per item: "text=id", "-" for separators, "text>" for sub-menus.
std::string describe(HMENU menu) {
  std::string out;
  int n = GetMenuItemCount(menu);
  for (int i = 0; i < n; ++i) {
    MENUITEMINFOA info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STATE;
    GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info);
    if (info.fType & MFT_SEPARATOR) {
      out += "-\n";
      continue;
    }
    if (info.hSubMenu)
      out += item_text(menu, i) + ">\n";
    else
      out += item_text(menu, i) + "=" + std::to_string(info.wID) + "\n";
    EXPECT_EQ(info.fState & (MFS_GRAYED | MFS_CHECKED), 0u) << item_text(menu, i);
  }
  return out;
}

TEST_F(CommandsTest, MenuTreeHasTheItemsInOrder) {
  HMENU bar = GetMenu(main);
  ASSERT_EQ(bar, g_shell.menu_bar);
  ASSERT_EQ(GetMenuItemCount(bar), 4);
  EXPECT_EQ(item_text(bar, 0), "&File");
  EXPECT_EQ(item_text(bar, 1), "&Adapter");
  EXPECT_EQ(item_text(bar, 2), "&Target");
  EXPECT_EQ(item_text(bar, 3), "&Help");
  EXPECT_EQ(GetSubMenu(bar, 0), g_shell.file_menu);
  EXPECT_EQ(GetSubMenu(bar, 1), g_shell.adapter_menu);
  EXPECT_EQ(GetSubMenu(bar, 2), g_shell.target_menu);
  EXPECT_EQ(GetSubMenu(bar, 3), g_shell.help_menu);

  // Items are created enabled: look before any pop-up opens.
  EXPECT_EQ(describe(g_shell.file_menu),
            "&Load buffer=7000\n&Dump to buffer=7001\n&Save buffer as File=7002\n"
            "&Clear buffer contents=7003\n-\nRecent &Devices>\n&Recent Files>\n-\n&Exit=7012\n");
  EXPECT_EQ(describe(g_shell.adapter_menu), "&Select=7009\n&Connect=7015\n&Disconnect=7017\n");
  EXPECT_EQ(describe(g_shell.target_menu),
            "&Select Device=7011\n-\nMemory regions=7010\n-\n"
            "&Program Target Regions from buffer=7004\n&Program Target Regions from File=7005\n-\n"
            "&Erase memory region(s)=7007\n&Erase All=7008\n-\n&Program Target from File=7006\n");
  EXPECT_EQ(describe(g_shell.help_menu), "&Help=7013\n&About=7014\n");

  EXPECT_EQ(GetSubMenu(g_shell.file_menu, 5), g_shell.recent_devices_menu);
  EXPECT_EQ(GetSubMenu(g_shell.file_menu, 6), g_shell.recent_files_menu);
  EXPECT_EQ(GetMenuItemCount(g_shell.recent_devices_menu), 0);
  EXPECT_EQ(GetMenuItemCount(g_shell.recent_files_menu), 0);
}

TEST_F(CommandsTest, EnablingRulesBeforeConnecting) {
  add_recent_device("XF");
  open_menu(g_shell.file_menu);
  EXPECT_EQ(item_text(g_shell.recent_devices_menu, 0), "1: XF");
  EXPECT_TRUE(grayed(7000));
  EXPECT_TRUE(grayed(7001));
  EXPECT_TRUE(grayed(7002));
  EXPECT_FALSE(grayed(7003));
  EXPECT_FALSE(grayed(7012));
  // Unknown derivative: the target commands wait for one.
  for (int id : {7004, 7005, 7006, 7007, 7008, 7010}) EXPECT_TRUE(grayed(id)) << id;
  EXPECT_FALSE(grayed(7011));
  EXPECT_FALSE(grayed(7009));
  EXPECT_FALSE(grayed(7015));
  EXPECT_TRUE(grayed(7017));
  EXPECT_FALSE(grayed(7013));
  EXPECT_FALSE(grayed(7014));

  // Opening the Help menu applies the rules to every menu, and rebuilds the recent lists.
  select_target_by_name("mc9s12a32");  // known, without identification data
  add_recent_device("XDP");
  open_menu(g_shell.help_menu);
  EXPECT_EQ(item_text(g_shell.recent_devices_menu, 0), "1: XDP");
  for (int id : {7004, 7005, 7006, 7007, 7008, 7010}) EXPECT_FALSE(grayed(id)) << id;
  EXPECT_TRUE(grayed(7000));
}

TEST_F(CommandsTest, ConnectSequenceAgainstTheSimulatedPart) {
  EXPECT_EQ(window_text(main), kStartCaption);
  EXPECT_EQ(command(IDM_CONNECT), 0);
  EXPECT_EQ(get_connected(), 1);
  EXPECT_EQ(window_text(main), kConnectedCaption);
  EXPECT_NE(pane_text().find("Connected to R41 on COM1"), std::string::npos) << pane_text();
  // The views show the part: the reset vector's PC, the identification bytes at 0x001A.
  ASSERT_EQ(g_view_layout.shown, 1);
  ASSERT_TRUE(GetDlgItem(main, 6000) && GetDlgItem(main, 8000 + 0x1A));
  EXPECT_EQ(window_text(GetDlgItem(main, 8000 + 0x1C)), "25");  // MC9S12DG256: 00 .. 25 81
  EXPECT_EQ(window_text(GetDlgItem(main, 8000 + 0x1D)), "81");
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main, 6000)));

  // Connected to a known part: everything but Connect and Select is available.
  open_menu(g_shell.adapter_menu);
  for (int id : {7000, 7001, 7002, 7003, 7004, 7005, 7006, 7007, 7008, 7010, 7011, 7017})
    EXPECT_FALSE(grayed(id)) << id;
  EXPECT_TRUE(grayed(7015));
  EXPECT_TRUE(grayed(7009));
  // The target toolbar's buttons follow the known part.
  for (int id : {7000, 7001, 7002, 7018, 7019, 7020, 7021, 7022, 7023, 7011, 7017})
    EXPECT_EQ(button_state(g_shell.target_toolbar, id) & TBSTATE_ENABLED, TBSTATE_ENABLED) << id;

  EXPECT_EQ(command(IDM_DISCONNECT), 0);
  EXPECT_EQ(get_connected(), 0);
  EXPECT_EQ(g_view_layout.shown, 0);
  EXPECT_EQ(GetDlgItem(main, 6000), nullptr);
  EXPECT_EQ(GetDlgItem(main, 8000), nullptr);
  EXPECT_EQ(window_text(main),
            "Corvane's Test Bench - Adapter: R41, Not Connected, Target MPU: 'MC9S12DG256'");
  EXPECT_NE(pane_text().find("Disconnected"), std::string::npos) << pane_text();
  open_menu(g_shell.file_menu);
  EXPECT_TRUE(grayed(7000));
  EXPECT_FALSE(grayed(7015));
  EXPECT_FALSE(grayed(7009));
  EXPECT_TRUE(grayed(7017));
}

TEST_F(CommandsTest, WithoutARegisterSetTheAdapterToolbarStays) {
  // The views report success but build nothing (no register set for the family).
  ScopedFakeBdx scoped;
  scoped.fake().set_part_id(0xEE, 0, 0, 0);  // identifies as nothing: the target stays
  set_current_target(&kHcs08);
  EXPECT_TRUE(IsWindowVisible(g_shell.adapter_toolbar));
  EXPECT_FALSE(IsWindowVisible(g_shell.target_toolbar));
  command(IDM_CONNECT);
  EXPECT_EQ(get_connected(), 1);
  EXPECT_TRUE(IsWindowVisible(g_shell.adapter_toolbar));
  EXPECT_FALSE(IsWindowVisible(g_shell.target_toolbar));
  open_menu(g_shell.adapter_menu);
  EXPECT_TRUE(grayed(7015));
  EXPECT_TRUE(grayed(7009));
  EXPECT_FALSE(grayed(7017));
}

TEST_F(CommandsTest, ToolbarsSwapWithTheViewsAndThePaneMoves) {
  SetWindowPos(main, nullptr, 0, 0, 800, 600, SWP_NOZORDER | SWP_NOMOVE);
  command(IDM_CONNECT);
  EXPECT_FALSE(IsWindowVisible(g_shell.adapter_toolbar));
  EXPECT_TRUE(IsWindowVisible(g_shell.target_toolbar));
  RECT client, pane;
  GetClientRect(main, &client);
  GetWindowRect(g_shell.message_pane, &pane);
  MapWindowPoints(HWND_DESKTOP, main, reinterpret_cast<POINT*>(&pane), 2);
  EXPECT_EQ(pane.top, 200);  // the views' bottom edge: title y 40 + 160
  EXPECT_EQ(pane.bottom, client.bottom);

  command(IDM_DISCONNECT);
  EXPECT_TRUE(IsWindowVisible(g_shell.adapter_toolbar));
  EXPECT_FALSE(IsWindowVisible(g_shell.target_toolbar));
  GetWindowRect(g_shell.message_pane, &pane);
  MapWindowPoints(HWND_DESKTOP, main, reinterpret_cast<POINT*>(&pane), 2);
  EXPECT_EQ(pane.top, client.bottom / 2);
}

TEST_F(CommandsTest, ToolbarButtonsAndStates) {
  HWND adapter = g_shell.adapter_toolbar;
  HWND target = g_shell.target_toolbar;
  ASSERT_TRUE(adapter && target);
  EXPECT_EQ(GetDlgCtrlID(adapter), 1);
  EXPECT_EQ(GetDlgCtrlID(target), 1);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(adapter, GWL_STYLE)) & 0x54000101u, 0x54000101u);
  const int adapter_ids[] = {7009, 7011, 7015};
  const int target_ids[] = {7011, 7000, 7001, 7002, 7018, 7019, 7020, 7021, 7022, 7023, 7017};
  ASSERT_EQ(SendMessageA(adapter, TB_BUTTONCOUNT, 0, 0), 3);
  ASSERT_EQ(SendMessageA(target, TB_BUTTONCOUNT, 0, 0), 11);
  for (int i = 0; i < 11; ++i) {
    TBBUTTON b;
    if (i < 3) {
      SendMessageA(adapter, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b));
      EXPECT_EQ(b.idCommand, adapter_ids[i]);
      EXPECT_EQ(b.iBitmap, i);
      EXPECT_EQ(b.fsStyle, TBSTYLE_BUTTON);
    }
    SendMessageA(target, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b));
    EXPECT_EQ(b.idCommand, target_ids[i]);
    EXPECT_EQ(b.iBitmap, i);
  }
  // Every picture of the strip made it into the image list.
  HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessageA(target, TB_GETIMAGELIST, 0, 0));
  ASSERT_TRUE(images != nullptr);
  EXPECT_GE(ImageList_GetImageCount(images), 11);

  // Unknown derivative: the target buttons wait for one, except Select and Disconnect. (The
  // states are set with the caption; the first caption is composed before the toolbars exist.)
  update_title(main);
  for (int id : {7000, 7001, 7002, 7018, 7019, 7020, 7021, 7022, 7023})
    EXPECT_EQ(button_state(target, id) & TBSTATE_ENABLED, 0) << id;
  EXPECT_EQ(button_state(target, 7011) & TBSTATE_ENABLED, TBSTATE_ENABLED);
  EXPECT_EQ(button_state(target, 7017) & TBSTATE_ENABLED, TBSTATE_ENABLED);
  EXPECT_EQ(button_state(adapter, 7015) & TBSTATE_ENABLED, TBSTATE_ENABLED);

  // No current target: Connect is disabled (and Connect does nothing).
  set_current_target(nullptr);
  EXPECT_EQ(button_state(adapter, 7015) & TBSTATE_ENABLED, 0);
  ScopedFakeBdx fake;
  command(IDM_CONNECT);
  EXPECT_EQ(fake.fake().sequence(), "");
  EXPECT_EQ(get_connected(), 0);
  reset_target_map();
  EXPECT_EQ(button_state(adapter, 7015) & TBSTATE_ENABLED, TBSTATE_ENABLED);
}

std::string tooltip_for(HWND main, int id) {
  NMTTDISPINFOA info;
  ZeroMemory(&info, sizeof info);
  info.hdr.hwndFrom = g_shell.adapter_toolbar;
  info.hdr.idFrom = static_cast<UINT_PTR>(id);
  info.hdr.code = TTN_NEEDTEXTA;
  info.lpszText = info.szText;
  EXPECT_EQ(SendMessageA(main, WM_NOTIFY, 1, reinterpret_cast<LPARAM>(&info)), 0);
  return info.lpszText;
}

TEST_F(CommandsTest, TooltipTexts) {
  const std::pair<int, const char*> expected[] = {
      {7000, "Load Buffer from file"},
      {7001, "Dump target memory to Buffer"},
      {7002, "Save Buffer to file"},
      {7003, "Clear Buffer contents"},
      {7004, "Download/Program Target from buffer"},
      {7009, "Select Adapter"},
      {7011, "Select Target Device"},
      {7015, "Connect to target"},
      {7017, "Disconnect target"},
      {7018, "Reset Target"},
      {7019, "Refresh view from target "},
      {7020, "Update target from view"},
      {7021, "Step Instruction at PC"},
      {7022, "Run from PC"},
      {7023, "Halt Target"},
      {7012, "Huh?"},
      {7016, "Huh?"},
  };
  for (const auto& e : expected) EXPECT_EQ(tooltip_for(main, e.first), e.second) << e.first;

  // Other notifications are left alone.
  NMHDR other = {g_shell.adapter_toolbar, 7015, static_cast<UINT>(NM_CLICK)};
  EXPECT_EQ(SendMessageA(main, WM_NOTIFY, 1, reinterpret_cast<LPARAM>(&other)), 0);

  // The toolbar's own tool tip asks the main window for the text.
  HWND tips = reinterpret_cast<HWND>(SendMessageA(g_shell.adapter_toolbar, TB_GETTOOLTIPS, 0, 0));
  ASSERT_TRUE(tips != nullptr);
  char text[80] = {0};
  TTTOOLINFOA tool;
  ZeroMemory(&tool, sizeof tool);
  tool.cbSize = TTTOOLINFOA_V2_SIZE;
  tool.hwnd = g_shell.adapter_toolbar;
  tool.uId = 7009;
  tool.lpszText = text;
  SendMessageA(tips, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
  EXPECT_STREQ(text, "Select Adapter");
}

TEST_F(CommandsTest, RecentDevicesSelectByNameAndEmptySlotsDoNothing) {
  settings.store().machine()["MRUD1"] = "mc9s12dg128";
  restart();
  EXPECT_EQ(command(IDM_RECENT_DEVICE_FIRST), 0);  // slot 0 is empty
  EXPECT_EQ(window_text(main), kStartCaption);
  EXPECT_EQ(target_known(), 0);
  EXPECT_EQ(command(IDM_RECENT_DEVICE_LAST), 0);
  EXPECT_EQ(target_known(), 0);

  EXPECT_EQ(command(IDM_RECENT_DEVICE_FIRST + 1), 0);
  ASSERT_TRUE(current_target() != nullptr);
  EXPECT_STREQ(current_target()->name, "MC9S12DG128");
  EXPECT_EQ(window_text(main),
            "Corvane's Test Bench - Adapter: R41, Not Connected, Target MPU: 'MC9S12DG128'");
  // The target toolbar's buttons followed the caption.
  EXPECT_EQ(button_state(g_shell.target_toolbar, 7018) & TBSTATE_ENABLED, TBSTATE_ENABLED);

  // Choosing a device does not reorder the list.
  EXPECT_EQ(recent_device(0), nullptr);
  EXPECT_STREQ(recent_device(1), "mc9s12dg128");

  // A notification code in the high word is not a recent device.
  add_recent_device("XF");
  SendMessageA(main, WM_COMMAND, MAKEWPARAM(IDM_RECENT_DEVICE_FIRST, 1), 0);
  EXPECT_STREQ(current_target()->name, "MC9S12DG128");
  // An empty Recent Files slot does nothing either.
  begin_command(nullptr);
  EXPECT_EQ(command(IDM_RECENT_FILE_FIRST), 0);
  EXPECT_EQ(pane_text(), "");
  EXPECT_STREQ(current_target()->name, "MC9S12DG128");
}

// Writes an S-record file with two data bytes at 0x1000 into the temporary folder.
std::string temp_srec(const char* name) {
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  const std::string path = std::string(folder) + name;
  FILE* f = std::fopen(path.c_str(), "w");
  if (f) {
    std::fputs("S1051000AABB85\nS9030000FC\n", f);
    std::fclose(f);
  }
  return path;
}

TEST_F(CommandsTest, RecentFilesLoadIntoTheBufferAndMoveToTheTop) {
  const std::string first = temp_srec("corvane_recent_first.s19");
  const std::string second = temp_srec("corvane_recent_second.s19");
  add_recent_file(first.c_str());
  add_recent_file(second.c_str());
  buffer_clear();
  ScopedFakeBdx scoped;
  FakeBdx& fake = scoped.fake();
  command(IDM_CONNECT);
  // The memory view at 0x1000, where the file's two bytes go.
  command(IDC_VIEW_ADDRESS);
  SetWindowTextA(GetDlgItem(main, 8064), "1000");
  command(IDC_VIEW_ADDRESS);
  fake.calls.clear();
  EXPECT_EQ(command(IDM_RECENT_FILE_FIRST + 1), 0);
  EXPECT_EQ(pane_text(), "COMMAND: Load to buffer\r\r\nLoaded file '" + first +
                             "'\r\r\nCOMMAND DONE\r\r\n");
  EXPECT_FALSE(buffer_is_empty());
  EXPECT_EQ(recent_file(0), first);
  EXPECT_EQ(recent_file(1), second);
  EXPECT_EQ(fake.sequence(), "") << "the memory view shows the target: no refresh";

  // A file that is gone is reported, and still moves to the top, as after Load buffer; in buffer
  // mode the view is refreshed from the buffer.
  DeleteFileA(second.c_str());
  command(MAKEWPARAM(IDC_VIEW_BUFFER_TARGET, BN_CLICKED));
  EXPECT_EQ(window_text(GetDlgItem(main, 8001)), "BB");
  buffer_clear();
  command(IDM_RECENT_FILE_FIRST + 1);
  EXPECT_EQ(pane_text(), "COMMAND: Load to buffer\r\r\nCannot open '" + second + "'\r\r\n");
  EXPECT_EQ(recent_file(0), second);
  EXPECT_EQ(window_text(GetDlgItem(main, 8001)), "XX");
  DeleteFileA(first.c_str());
}

TEST_F(CommandsTest, RecentMenusAreBuiltInPlaceAndFilesFollowLoadBuffer) {
  add_recent_device("MC9S12C32");
  add_recent_device("MC9S12DG256");
  add_recent_file("C:\\a.s19");
  for (int opening = 0; opening < 2; ++opening) {
    open_menu(g_shell.file_menu);
    ASSERT_EQ(GetMenuItemCount(g_shell.recent_devices_menu), 2);
    EXPECT_EQ(item_text(g_shell.recent_devices_menu, 0), "1: MC9S12DG256");
    EXPECT_EQ(item_text(g_shell.recent_devices_menu, 1), "2: MC9S12C32");
    EXPECT_EQ(GetMenuItemID(g_shell.recent_devices_menu, 0), 7027u);
    EXPECT_EQ(GetMenuItemID(g_shell.recent_devices_menu, 1), 7028u);
    ASSERT_EQ(GetMenuItemCount(g_shell.recent_files_menu), 1);
    EXPECT_EQ(item_text(g_shell.recent_files_menu, 0), "1: C:\\a.s19");
  }
  // Not connected: the files wait for a connection as Load buffer does; devices are available.
  EXPECT_TRUE(grayed(IDM_RECENT_FILE_FIRST));
  EXPECT_FALSE(grayed(IDM_RECENT_DEVICE_FIRST));

  // A new file takes the top item's place; the old one gets the next item.
  add_recent_file("C:\\b.s19");
  set_connected(1);
  open_menu(g_shell.help_menu);
  ASSERT_EQ(GetMenuItemCount(g_shell.recent_files_menu), 2);
  EXPECT_EQ(item_text(g_shell.recent_files_menu, 0), "1: C:\\b.s19");
  EXPECT_EQ(item_text(g_shell.recent_files_menu, 1), "2: C:\\a.s19");
  EXPECT_EQ(GetMenuItemID(g_shell.recent_files_menu, 1), 7032u);
  EXPECT_FALSE(grayed(IDM_RECENT_FILE_FIRST));
  EXPECT_FALSE(grayed(IDM_RECENT_FILE_FIRST + 1));
  set_connected(0);
}

TEST_F(CommandsTest, ConnectSequenceStepByStep) {
  ScopedFakeBdx scoped;
  FakeBdx& fake = scoped.fake();
  fake.set_part_id(0x21, 0x00, 0x13, 0x80);  // MC9S12DG128
  set_adapter_port(2);
  set_target_clock(4000);
  command(IDM_CONNECT);
  EXPECT_EQ(fake.args("bdx_Connect"), "R41|COM3 4");
  const std::string id4 =
      "bdx_GetMemoryByte bdx_GetMemoryByte bdx_GetMemoryByte bdx_GetMemoryByte ";
  // Identification after connecting and the part's security state (BDMSTS, FSEC), then
  // identification again after the views, again before the reset. Then the reset and the first
  // read of registers and memory.
  const std::string security = "bdx_GetByte bdx_GetMemoryByte ";
  const std::string start = "bdx_Connect " + id4 + security + id4 + id4;
  EXPECT_EQ(fake.sequence().substr(0, start.size()), start);
  EXPECT_EQ(compressed(fake),
            std::string("bdx_Connect bdx_GetMemoryByte*4 bdx_GetByte bdx_GetMemoryByte*9 "
                        "bdx_TargetReset ") +
                kReadRegisters + " " + kRefresh);
  EXPECT_EQ(window_text(main),
            "Corvane's Test Bench - Adapter: R41, Connection: COM3, Target Clock: 4,0 MHz, "
            "Target MPU: 'MC9S12DG128'");

  fake.calls.clear();
  command(IDM_DISCONNECT);
  EXPECT_EQ(fake.sequence(), "bdx_Disconnect");
  EXPECT_EQ(g_view_layout.shown, 0);
}

TEST_F(CommandsTest, ConnectSequenceShowsFreshValuesWithoutDirtyMarks) {
  ScopedFakeBdx scoped;
  FakeBdx& fake = scoped.fake();
  fake.set_part_id(0x21, 0x00, 0x13, 0x80);  // MC9S12DG128
  fake.registers[0] = 0xC000;
  fake.registers[4] = 0x12345;  // D wider than 16 bits: shown as its low 16 bits
  fake.memory[0xFF06] = 0xD0;
  command(IDM_CONNECT);
  EXPECT_EQ(window_text(GetDlgItem(main, 6000)), "C000");
  EXPECT_EQ(window_text(GetDlgItem(main, 6004)), "2345");
  EXPECT_EQ(window_text(GetDlgItem(main, 6005)), "D0");
  // Freshly read values are not modified values; the fields are enabled again.
  for (int n = 0; n < g_register_view.count; ++n) {
    EXPECT_EQ(g_register_view.fields[n].dirty, 0) << n;
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main, 6000 + n))) << n;
  }
  // The caption and the pane moved below the views.
  RECT pane;
  GetWindowRect(g_shell.message_pane, &pane);
  MapWindowPoints(HWND_DESKTOP, main, reinterpret_cast<POINT*>(&pane), 2);
  EXPECT_EQ(pane.top, 200);
}

TEST_F(CommandsTest, FailedConnectLeavesEverythingAsItWas) {
  ScopedFakeBdx scoped;
  scoped.fake().set_result("bdx_Connect", -1);
  command(IDM_CONNECT);
  EXPECT_EQ(scoped.fake().sequence(), "bdx_Connect");
  EXPECT_EQ(get_connected(), 0);
  EXPECT_EQ(g_view_layout.shown, 0);
  EXPECT_EQ(window_text(main), kStartCaption);
}

TEST_F(CommandsTest, ViewsThatCannotBeBuiltCloseTheConnectionAgain) {
  ScopedFakeBdx scoped;
  scoped.fake().set_part_id(0xEE, 0, 0, 0);  // identifies as nothing: the target stays
  set_current_target(&kArm);                  // a family the views cannot show
  command(IDM_CONNECT);
  EXPECT_NE(pane_text().find("No Target Selected\r\r\n"), std::string::npos) << pane_text();
  // The adapter is disconnected again, so the tool and the adapter agree.
  const std::string seq = scoped.fake().sequence();
  EXPECT_EQ(seq.substr(seq.size() - std::string("bdx_Disconnect").size()), "bdx_Disconnect");
  EXPECT_EQ(scoped.fake().count("bdx_TargetReset"), 0);
  EXPECT_EQ(get_connected(), 0);
  EXPECT_EQ(window_text(main),
            "Corvane's Test Bench - Adapter: R41, Not Connected, Target MPU: 'ARMPART'");
  EXPECT_TRUE(IsWindowVisible(g_shell.adapter_toolbar));

  // The adapter dialog's Connect sets the flag before it asks for the views.
  scoped.fake().calls.clear();
  set_connected(1);
  command(IDM_CONNECT_VIEWS);
  EXPECT_EQ(scoped.fake().sequence(), "bdx_Disconnect");
  EXPECT_EQ(get_connected(), 0);
}

TEST_F(CommandsTest, RunControlCommandsRefreshWhatTheyChange) {
  ScopedFakeBdx scoped;
  FakeBdx& fake = scoped.fake();
  fake.set_part_id(0x00, 0x00, 0x25, 0x81);  // MC9S12DG256
  command(IDM_CONNECT);
  const std::string read = kReadRegisters;
  const std::string refresh = kRefresh;
  struct Case {
    int id;
    std::string calls;
  } cases[] = {
      // The reset is followed by the read of the security state (BDMSTS, FSEC).
      {IDM_RESET_TARGET,
       "bdx_TargetReset bdx_GetByte bdx_GetMemoryByte " + read + " " + refresh},
      {IDM_REFRESH_VIEW, read + " " + refresh},
      // Registers written (PC..D, then the CCR), read back; the 64 cells written, read back.
      {IDM_UPDATE_TARGET,
       "bdx_RegisterSet*5 bdx_SetByte " + read + " bdx_SetByte*64 " + refresh},
      {IDM_STEP, "bdx_TargetStep " + read + " " + refresh},
      {IDM_RUN, "bdx_TargetStart"},
      {IDM_HALT, "bdx_TargetHalt " + read},
  };
  for (const Case& c : cases) {
    fake.calls.clear();
    EXPECT_EQ(command(c.id), 0);
    EXPECT_EQ(compressed(fake), c.calls) << c.id;
  }
  // Failures are reported by the run control, and the views are still refreshed.
  fake.set_result("bdx_TargetReset", -1);
  fake.set_result("bdx_TargetStart", -1);
  fake.set_result("bdx_TargetStep", -1);
  fake.calls.clear();
  command(IDM_RESET_TARGET);
  command(IDM_RUN);
  command(IDM_STEP);
  EXPECT_NE(pane_text().find("Cannot reset target\r\r\nCannot start target\r\r\nCannot step target"),
            std::string::npos)
      << pane_text();
  EXPECT_EQ(compressed(fake), "bdx_TargetReset " + read + " " + refresh +
                                  " bdx_TargetStart bdx_TargetStep " + read + " " + refresh);
}

TEST_F(CommandsTest, ClearBufferRefreshesOnlyInBufferMode) {
  EXPECT_EQ(command(IDM_CLEAR_BUFFER), 0);
  EXPECT_EQ(pane_text(), "COMMAND: Clear buffer\r\r\nCOMMAND DONE\r\r\n");
  ScopedFakeBdx scoped;
  FakeBdx& fake = scoped.fake();
  command(IDM_CONNECT);
  const unsigned char bytes[2] = {0x12, 0x34};
  buffer_write(0x0000, bytes, 2, 0xFF);
  fake.calls.clear();
  command(IDM_CLEAR_BUFFER);  // target mode: the view is left alone
  EXPECT_EQ(fake.sequence(), "");
  buffer_write(0x0000, bytes, 2, 0xFF);
  command(MAKEWPARAM(IDC_VIEW_BUFFER_TARGET, BN_CLICKED));
  EXPECT_EQ(window_text(GetDlgItem(main, 8001)), "34");
  command(IDM_CLEAR_BUFFER);
  EXPECT_EQ(window_text(GetDlgItem(main, 8001)), "XX");  // shown upper-case by the cell
  EXPECT_EQ(fake.sequence(), "");
}

TEST_F(CommandsTest, SelectAdapterRunsTheDialogThenUpdatesTheToolbars) {
  command(IDM_CONNECT);
  ASSERT_TRUE(IsWindowVisible(g_shell.target_toolbar));
  std::string caption;
  // Disconnect from inside the dialog, then Cancel.
  ASSERT_TRUE(with_dialog([&] { EXPECT_EQ(command(IDM_SELECT_ADAPTER), 0); },
                          [&](HWND dialog) {
                            caption = window_text(dialog);
                            press_button(dialog, 1005);
                            press_button(dialog, IDCANCEL);
                          }));
  EXPECT_EQ(caption, "Adapter");
  EXPECT_EQ(get_connected(), 0);
  EXPECT_TRUE(IsWindowVisible(g_shell.adapter_toolbar));
  EXPECT_FALSE(IsWindowVisible(g_shell.target_toolbar));
  EXPECT_EQ(window_text(main),
            "Corvane's Test Bench - Adapter: R41, Not Connected, Target MPU: 'MC9S12DG256'");
}

TEST_F(CommandsTest, ConnectFromTheAdapterDialog) {
  ASSERT_TRUE(with_dialog([&] { command(IDM_SELECT_ADAPTER); },
                          [&](HWND dialog) {
                            press_button(dialog, 1004);
                            press_button(dialog, IDOK);
                          }));
  EXPECT_EQ(get_connected(), 1);
  EXPECT_EQ(window_text(main), kConnectedCaption);
  EXPECT_EQ(g_view_layout.shown, 1);
  EXPECT_TRUE(IsWindowVisible(g_shell.target_toolbar));
}

TEST_F(CommandsTest, CommandsNotCarriedOutHereFallToDefaultProcessing) {
  ScopedFakeBdx scoped;
  // Ids without a command of their own; empty recent slots.
  for (int id : {7031, 7036, 6999, 7037})
    EXPECT_EQ(command(id), 0) << id;
  EXPECT_EQ(scoped.fake().sequence(), "");
  EXPECT_TRUE(IsWindow(main));
}

TEST_F(CommandsTest, ViewControlsReachTheInputHandlingBeforeTheCommandTable) {
  ScopedFakeBdx scoped;
  FakeBdx& fake = scoped.fake();
  // Without views the view controls' ids do nothing.
  EXPECT_EQ(command(IDC_VIEW_ADDRESS), 0);
  EXPECT_EQ(command(IDC_VIEW_BDM_IN_MAP), 0);
  EXPECT_EQ(command(IDC_VIEW_BUFFER_TARGET), 0);
  EXPECT_EQ(fake.sequence(), "");
  command(IDM_CONNECT);
  HWND address = GetDlgItem(main, IDC_VIEW_ADDRESS);
  // The address button through the table; the check boxes only when clicked (code 0).
  EXPECT_EQ(command(IDC_VIEW_ADDRESS), 0);
  EXPECT_EQ(window_text(address), "set");
  command(IDC_VIEW_ADDRESS);
  EXPECT_EQ(window_text(address), "mem");
  fake.calls.clear();
  EXPECT_EQ(command(MAKEWPARAM(IDC_VIEW_BUFFER_TARGET, BN_SETFOCUS)), 0);
  EXPECT_EQ(fake.sequence(), "");
  EXPECT_EQ(command(IDC_VIEW_BDM_IN_MAP), 0);
  EXPECT_EQ(compressed(fake), kRefresh);
  EXPECT_EQ(command(IDC_VIEW_BUFFER_TARGET), 0);
  EXPECT_EQ(memory_view_buffer_mode(), 1);

  // EN_CHANGE goes to the input handling whatever the id, ahead of the command table: an edit
  // that happens to carry a command's id runs no command.
  EXPECT_EQ(command(MAKEWPARAM(IDM_CLEAR_BUFFER, EN_CHANGE)), 0);
  EXPECT_EQ(command(MAKEWPARAM(IDM_EXIT, EN_CHANGE)), 0);
  EXPECT_EQ(command(MAKEWPARAM(IDM_RECENT_DEVICE_FIRST, EN_CHANGE)), 0);
  EXPECT_TRUE(IsWindow(main));
  EXPECT_EQ(pane_text().find("Clear buffer"), std::string::npos);
  // A register field's text marks it dirty.
  SetWindowTextA(GetDlgItem(main, 6001), "ABCD");
  EXPECT_EQ(g_register_view.fields[1].dirty, 1);

  // A recent device is recognised by the whole wParam before anything else.
  add_recent_device("mc9s12dg128");
  command(IDM_RECENT_DEVICE_FIRST);
  EXPECT_STREQ(current_target()->name, "MC9S12DG128");

  // WM_VSCROLL is answered with 0; only the view's own scroll bars move it.
  fake.calls.clear();
  EXPECT_EQ(SendMessageA(main, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 7), 1234), 0);
  EXPECT_EQ(g_memory_view.base, 0u);
  EXPECT_EQ(SendMessageA(main, WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0),
                         reinterpret_cast<LPARAM>(GetDlgItem(main, 8100))),
            0);
  EXPECT_EQ(g_memory_view.base, 0x10u);
  EXPECT_EQ(fake.sequence(), "");  // buffer mode: no target reads
}

TEST_F(CommandsTest, LabelsArePaintedOnlyWhileViewsAreShown) {
  const RECT title = {20, 40, 110, 54};  // "HCS12 Registers"
  RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  EXPECT_EQ(painted_pixels(main, title), 0);
  command(IDM_CONNECT);
  RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  EXPECT_GT(painted_pixels(main, title), 20);
  command(IDM_DISCONNECT);
  RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  EXPECT_EQ(painted_pixels(main, title), 0);
}

TEST_F(CommandsTest, ExitClosesTheMainWindow) {
  EXPECT_EQ(command(IDM_EXIT), 0);
  EXPECT_FALSE(IsWindow(main));
  EXPECT_EQ(run_message_loop(), 0);
  UnregisterClassA(kMainWindowClass, GetModuleHandleA(nullptr));
  EXPECT_EQ(g_shell.menu_bar, nullptr);
  EXPECT_EQ(g_shell.adapter_toolbar, nullptr);
}

}  // namespace
