// The menus, toolbars and command dispatch of the real main window: menu tree, enabling rules,
// toolbar swap and button states, tool tips, every dispatch branch, and the connect and
// disconnect sequences against the simulated adapter and against the recording fake.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "adapter/adapter_settings.h"
#include "adapter/bdx.h"
#include "app/commands_win.h"
#include "app/html_help_win.h"
#include "app/message_pane.h"
#include "app/shell_win.h"
#include "app/title_win.h"
#include "resources/resource_ids.h"
#include "target/catalogue.h"
#include "tests/gui_support/app_harness_win.h"
#include "tests/support/fake_bdx.h"
#include "views/view_layout.h"

namespace {

const char kStartCaption[] =
    "Corvane's Test Bench - Adapter: R41, Not Connected, No target MPU selected";
const char kConnectedCaption[] =
    "Corvane's Test Bench - Adapter: R41, Connection: COM1, Target Clock: 8,0 MHz, Target MPU: "
    "'MC9S12DG256'";

// --- recording view operations: what the commands asked of the views, in order ---
std::string g_view_log;
int g_create_result = 1;
int g_buffer_mode = 0;
int g_views_bottom = 0;  // > 0: creating the views shows them down to this edge

// With a fake adapter installed: each view operation as "name@calls/connected", the number of
// adapter calls made before it and the connected flag at the time.
FakeBdx* g_order_fake = nullptr;
std::string g_order;
void note(const char* name) {
  if (!g_order_fake) return;
  g_order += std::string(name) + "@" + std::to_string(g_order_fake->calls.size()) + "/" +
             std::to_string(get_connected()) + " ";
}

int rec_create(const ProcessorInfo* info, HWND) {
  note("create");
  g_view_log += info ? "create(" + std::to_string(info->family_code) + ") " : "create(-) ";
  if (g_create_result && g_views_bottom > 0) g_view_layout = ViewLayout{1, g_views_bottom};
  return g_create_result;
}
void rec_destroy(HWND) {
  g_view_log += "destroy ";
  g_view_layout = ViewLayout{0, 0};
}
void rec_fields(int on) {
  note(on ? "fields(1)" : "fields(0)");
  g_view_log += on ? "fields(1) " : "fields(0) ";
}
void rec_read(const ProcessorInfo*) {
  note("read");
  g_view_log += "read ";
}
void rec_write(const ProcessorInfo*) { g_view_log += "write "; }
void rec_clear_dirty() {
  note("clean");
  g_view_log += "clean ";
}
void rec_refresh() {
  note("refresh");
  g_view_log += "refresh ";
}
void rec_write_memory() { g_view_log += "write-memory "; }
int rec_buffer_mode() { return g_buffer_mode; }
// What the device context held when the labels were painted.
HFONT g_paint_font = nullptr;
COLORREF g_paint_background = 0;
void rec_paint(HDC dc) {
  g_view_log += "paint ";
  g_paint_font = static_cast<HFONT>(GetCurrentObject(dc, OBJ_FONT));
  g_paint_background = GetBkColor(dc);
}

const ViewOperations kRecordingViews = {rec_create,  rec_destroy,      rec_fields,
                                        rec_read,    rec_write,        rec_clear_dirty,
                                        rec_refresh, rec_write_memory, rec_buffer_mode,
                                        rec_paint};

// --- view input: what reached the input handling, in order ---
std::string g_input_log;
int rec_view_button(int id) {
  g_input_log += "button(" + std::to_string(id) + ") ";
  return 0;
}
int rec_edit_change(int id) {
  g_input_log += "edit(" + std::to_string(id) + ") ";
  return 0;
}
int rec_vscroll(WPARAM wparam, LPARAM lparam) {
  g_input_log += "scroll(" + std::to_string(LOWORD(wparam)) + "," +
                 std::to_string(HIWORD(wparam)) + "," + std::to_string(lparam) + ") ";
  return 0;
}
const ViewInputOperations kRecordingInput = {rec_view_button, rec_edit_change, rec_vscroll};

// --- recent lists ---
const char* g_recent[4] = {nullptr, nullptr, nullptr, nullptr};
int g_recent_refreshes = 0;
const char* recent_slot(int slot) { return slot >= 0 && slot < 4 ? g_recent[slot] : nullptr; }
void count_refresh() { ++g_recent_refreshes; }

struct CommandsTest : testing::Test {
  HWND main = nullptr;
  void SetUp() override {
    set_adapter_library_path(nullptr);  // the simulated bdxdll.dll beside the test
    html_help_reset(nullptr, nullptr);
    g_view_layout = ViewLayout{0, 0};
    g_view_log.clear();
    g_create_result = 1;
    g_buffer_mode = 0;
    g_views_bottom = 0;
    for (auto& r : g_recent) r = nullptr;
    g_recent_refreshes = 0;
    g_input_log.clear();
    g_order_fake = nullptr;
    g_order.clear();
    set_view_operations(&kRecordingViews);
    set_view_input_operations(&kRecordingInput);
    set_recent_list_operations(recent_slot, count_refresh);
    set_connected(0);  // as at process start; a test may end connected
    main = start_app();
  }
  void TearDown() override {
    if (g_shell.main_window) stop_app();
    set_view_operations(nullptr);
    set_view_input_operations(nullptr);
    set_recent_list_operations(nullptr, nullptr);
    set_adapter_library_path(nullptr);
    bdx_table_reset();
    g_view_layout = ViewLayout{0, 0};
  }
  LRESULT command(WPARAM id) { return SendMessageA(main, WM_COMMAND, id, 0); }
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
  open_menu(g_shell.file_menu);
  EXPECT_EQ(g_recent_refreshes, 1);
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
  open_menu(g_shell.help_menu);
  EXPECT_EQ(g_recent_refreshes, 2);
  for (int id : {7004, 7005, 7006, 7007, 7008, 7010}) EXPECT_FALSE(grayed(id)) << id;
  EXPECT_TRUE(grayed(7000));
}

TEST_F(CommandsTest, ConnectSequenceAgainstTheSimulatedPart) {
  EXPECT_EQ(window_text(main), kStartCaption);
  EXPECT_EQ(command(IDM_CONNECT), 0);
  EXPECT_EQ(get_connected(), 1);
  EXPECT_EQ(window_text(main), kConnectedCaption);
  EXPECT_NE(pane_text().find("Connected to R41 on COM1"), std::string::npos) << pane_text();
  EXPECT_EQ(g_view_log, "create(2) fields(0) read refresh clean fields(1) ");

  // Connected to a known part: everything but Connect and Select is available.
  open_menu(g_shell.adapter_menu);
  for (int id : {7000, 7001, 7002, 7003, 7004, 7005, 7006, 7007, 7008, 7010, 7011, 7017})
    EXPECT_FALSE(grayed(id)) << id;
  EXPECT_TRUE(grayed(7015));
  EXPECT_TRUE(grayed(7009));
  // The target toolbar's buttons follow the known part.
  for (int id : {7000, 7001, 7002, 7018, 7019, 7020, 7021, 7022, 7023, 7011, 7017})
    EXPECT_EQ(button_state(g_shell.target_toolbar, id) & TBSTATE_ENABLED, TBSTATE_ENABLED) << id;

  g_view_log.clear();
  EXPECT_EQ(command(IDM_DISCONNECT), 0);
  EXPECT_EQ(get_connected(), 0);
  EXPECT_EQ(g_view_log, "destroy ");
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
  g_views_bottom = 240;
  SetWindowPos(main, nullptr, 0, 0, 800, 600, SWP_NOZORDER | SWP_NOMOVE);
  command(IDM_CONNECT);
  EXPECT_FALSE(IsWindowVisible(g_shell.adapter_toolbar));
  EXPECT_TRUE(IsWindowVisible(g_shell.target_toolbar));
  RECT client, pane;
  GetClientRect(main, &client);
  GetWindowRect(g_shell.message_pane, &pane);
  MapWindowPoints(HWND_DESKTOP, main, reinterpret_cast<POINT*>(&pane), 2);
  EXPECT_EQ(pane.top, 240);
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
  g_recent[1] = "mc9s12dg128";
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

  // A notification code in the high word is not a recent device.
  g_recent[0] = "XF";
  SendMessageA(main, WM_COMMAND, MAKEWPARAM(IDM_RECENT_DEVICE_FIRST, 1), 0);
  EXPECT_STREQ(current_target()->name, "MC9S12DG128");
  // Recent files have no command of their own.
  EXPECT_EQ(command(IDM_RECENT_FILE_FIRST), 0);
  EXPECT_STREQ(current_target()->name, "MC9S12DG128");
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
  // Identification after connecting, again after the views, again before the reset.
  EXPECT_EQ(fake.sequence(), "bdx_Connect " + id4 + id4 + id4 + "bdx_TargetReset");
  EXPECT_EQ(g_view_log, "create(2) fields(0) read refresh clean fields(1) ");
  EXPECT_EQ(window_text(main),
            "Corvane's Test Bench - Adapter: R41, Connection: COM3, Target Clock: 4,0 MHz, "
            "Target MPU: 'MC9S12DG128'");

  fake.calls.clear();
  g_view_log.clear();
  command(IDM_DISCONNECT);
  EXPECT_EQ(fake.sequence(), "bdx_Disconnect");
  EXPECT_EQ(g_view_log, "destroy ");
}

TEST_F(CommandsTest, ConnectSequenceInterleavesViewsAndAdapterCalls) {
  ScopedFakeBdx scoped;
  scoped.fake().set_part_id(0x21, 0x00, 0x13, 0x80);  // MC9S12DG128
  g_order_fake = &scoped.fake();
  g_views_bottom = 200;
  command(IDM_CONNECT);
  g_order_fake = nullptr;
  // Connect and identify (5 calls); views built while still not connected; identify again (9),
  // connected before the fields are disabled; identify (13) and reset (14) before the first read.
  EXPECT_EQ(g_order,
            "create@5/0 fields(0)@9/1 read@14/1 refresh@14/1 clean@14/1 fields(1)@14/1 ");
  // The caption and the pane moved before the first read.
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
  EXPECT_EQ(g_view_log, "");
  EXPECT_EQ(window_text(main), kStartCaption);
}

TEST_F(CommandsTest, ViewsThatCannotBeBuiltCloseTheConnectionAgain) {
  ScopedFakeBdx scoped;
  g_create_result = 0;
  command(IDM_CONNECT);
  EXPECT_NE(pane_text().find("No Target Selected\r\r\n"), std::string::npos) << pane_text();
  // The adapter is disconnected again, so the tool and the adapter agree.
  const std::string seq = scoped.fake().sequence();
  EXPECT_EQ(seq.substr(seq.size() - std::string("bdx_Disconnect").size()), "bdx_Disconnect");
  EXPECT_EQ(scoped.fake().count("bdx_TargetReset"), 0);
  EXPECT_EQ(get_connected(), 0);
  EXPECT_EQ(window_text(main), kStartCaption);
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
  struct Case {
    int id;
    const char* calls;
    const char* views;
  } cases[] = {
      {IDM_RESET_TARGET, "bdx_TargetReset", "read refresh "},
      {IDM_REFRESH_VIEW, "", "read refresh "},
      {IDM_UPDATE_TARGET, "", "write read write-memory refresh "},
      {IDM_STEP, "bdx_TargetStep", "read refresh "},
      {IDM_RUN, "bdx_TargetStart", ""},
      {IDM_HALT, "bdx_TargetHalt", "read "},
  };
  for (const Case& c : cases) {
    fake.calls.clear();
    g_view_log.clear();
    EXPECT_EQ(command(c.id), 0);
    EXPECT_EQ(fake.sequence(), c.calls) << c.id;
    EXPECT_EQ(g_view_log, c.views) << c.id;
  }
  // Failures are reported by the run control, and the views are still refreshed.
  fake.set_result("bdx_TargetReset", -1);
  fake.set_result("bdx_TargetStart", -1);
  fake.set_result("bdx_TargetStep", -1);
  g_view_log.clear();
  command(IDM_RESET_TARGET);
  command(IDM_RUN);
  command(IDM_STEP);
  EXPECT_NE(pane_text().find("Cannot reset target\r\r\nCannot start target\r\r\nCannot step target"),
            std::string::npos)
      << pane_text();
  EXPECT_EQ(g_view_log, "read refresh read refresh ");
}

TEST_F(CommandsTest, ClearBufferRefreshesOnlyInBufferMode) {
  EXPECT_EQ(command(IDM_CLEAR_BUFFER), 0);
  EXPECT_EQ(pane_text(), "COMMAND: Clear buffer\r\r\nCOMMAND DONE\r\r\n");
  EXPECT_EQ(g_view_log, "");
  g_buffer_mode = 1;
  command(IDM_CLEAR_BUFFER);
  EXPECT_EQ(g_view_log, "refresh ");
}

TEST_F(CommandsTest, SelectAdapterRunsTheDialogThenUpdatesTheToolbars) {
  g_views_bottom = 200;
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
  EXPECT_EQ(g_view_log, "create(2) fields(0) read refresh clean fields(1) ");
}

TEST_F(CommandsTest, CommandsNotCarriedOutHereFallToDefaultProcessing) {
  ScopedFakeBdx scoped;
  for (int id : {7001, 7006, 7031, 7036, 6999, 7037})
    EXPECT_EQ(command(id), 0) << id;
  EXPECT_EQ(scoped.fake().sequence(), "");
  EXPECT_EQ(g_view_log, "");
  EXPECT_EQ(g_input_log, "");
  EXPECT_TRUE(IsWindow(main));
}

TEST_F(CommandsTest, ViewControlsReachTheInputHandlingBeforeTheCommandTable) {
  ScopedFakeBdx scoped;
  // The address button through the table; the check boxes only when clicked (code 0).
  EXPECT_EQ(command(IDC_VIEW_ADDRESS), 0);
  EXPECT_EQ(command(IDC_VIEW_BDM_IN_MAP), 0);
  EXPECT_EQ(command(IDC_VIEW_BUFFER_TARGET), 0);
  EXPECT_EQ(command(MAKEWPARAM(IDC_VIEW_BUFFER_TARGET, BN_SETFOCUS)), 0);
  EXPECT_EQ(g_input_log, "button(7024) button(7025) button(7026) ");

  // EN_CHANGE goes to the input handling whatever the id, ahead of the command table: an edit
  // that happens to carry a command's id runs no command.
  g_input_log.clear();
  EXPECT_EQ(command(MAKEWPARAM(8003, EN_CHANGE)), 0);
  EXPECT_EQ(command(MAKEWPARAM(IDM_CLEAR_BUFFER, EN_CHANGE)), 0);
  EXPECT_EQ(command(MAKEWPARAM(IDM_EXIT, EN_CHANGE)), 0);
  EXPECT_EQ(command(MAKEWPARAM(IDM_RECENT_DEVICE_FIRST, EN_CHANGE)), 0);
  EXPECT_EQ(g_input_log, "edit(8003) edit(7003) edit(7012) edit(7027) ");
  EXPECT_TRUE(IsWindow(main));
  EXPECT_EQ(pane_text().find("Clear buffer"), std::string::npos);

  // Every insertion into the message pane raises EN_CHANGE from control 1000.
  g_input_log.clear();
  append_line("x");
  EXPECT_NE(g_input_log.find("edit(1000)"), std::string::npos) << g_input_log;

  // A recent device is recognised by the whole wParam before anything else.
  g_recent[0] = "mc9s12dg128";
  g_input_log.clear();
  command(IDM_RECENT_DEVICE_FIRST);
  EXPECT_EQ(g_input_log, "");
  EXPECT_STREQ(current_target()->name, "MC9S12DG128");

  // WM_VSCROLL is handed on unchanged and answered with 0.
  g_input_log.clear();
  EXPECT_EQ(SendMessageA(main, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 7), 1234), 0);
  EXPECT_EQ(g_input_log, "scroll(4,7,1234) ");
  EXPECT_EQ(scoped.fake().sequence(), "");
}

TEST_F(CommandsTest, LabelsArePaintedOnlyWhileViewsAreShown) {
  RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(g_view_log, "");
  g_views_bottom = 200;
  command(IDM_CONNECT);
  g_view_log.clear();
  RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(g_view_log, "paint ");
  EXPECT_EQ(g_paint_font, g_shell.ui_font);
  EXPECT_EQ(g_paint_background, static_cast<COLORREF>(0x00C8D0D4));
  command(IDM_DISCONNECT);
  g_view_log.clear();
  RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(g_view_log, "");
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
