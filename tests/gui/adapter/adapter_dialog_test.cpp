#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "adapter/adapter_dialog_win.h"
#include "adapter/adapter_settings.h"
#include "app/commands_win.h"
#include "app/dialog_helpers_win.h"
#include "app/message_pane.h"
#include "app/shell_win.h"
#include "resources/adapter_dialog_ids.h"
#include "target/catalogue.h"
#include "tests/gui_support/app_harness_win.h"
#include "tests/gui_support/dialog_template_win.h"
#include "tests/support/fake_bdx.h"
#include "tests/support/memory_pane.h"

namespace {

// An owner window that records the commands the dialog sends it.
// With g_owner_refuses_views it behaves as a main window that cannot set up the target views
// and closes the connection again.
std::vector<WPARAM> g_owner_commands;
bool g_owner_refuses_views = false;
LRESULT CALLBACK owner_proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_COMMAND) {
    g_owner_commands.push_back(wp);
    if (wp == 7016 && g_owner_refuses_views) set_connected(0);
    return 0;
  }
  return DefWindowProcA(w, m, wp, lp);
}

HWND make_owner() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = owner_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "AdapterDialogTestOwner";
    RegisterClassA(&wc);
    registered = true;
  }
  return CreateWindowA("AdapterDialogTestOwner", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                       nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

std::vector<HWND> g_titles;
void record_title(HWND w) { g_titles.push_back(w); }

std::set<int> g_present_ports;
std::vector<int> g_probed;
int fake_probe(int index) {
  g_probed.push_back(index);
  return g_present_ports.count(index) ? 1 : 0;
}

std::string entries(HWND dialog, int id) {
  std::string all;
  int n = static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    char text[64] = {};
    SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    all += (i ? "|" : "") + std::string(text);
  }
  return all;
}
int selection(HWND dialog, int id) {
  return static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0));
}
bool enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != 0; }

// Picks an entry of a list and closes it, as the user does.
void pick(HWND dialog, int id, int position) {
  SendDlgItemMessageA(dialog, id, CB_SETCURSEL, position, 0);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_CLOSEUP),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

struct AdapterDialog : testing::Test {
  ScopedMemoryPane pane;
  ScopedFakeBdx bdx;
  HWND owner = nullptr;
  void SetUp() override {
    owner = make_owner();
    ASSERT_TRUE(owner != nullptr) << GetLastError();
    g_owner_commands.clear();
    g_owner_refuses_views = false;
    g_titles.clear();
    g_probed.clear();
    g_present_ports.clear();
    set_port_probe(fake_probe);
    set_caption_hook(record_title);
    reset_target_map();
    set_adapter_defaults();
    set_connected(0);
  }
  void TearDown() override {
    set_port_probe(nullptr);
    set_caption_hook(nullptr);
    DestroyWindow(owner);
  }
  // Opens the dialog, runs drive on it, and makes sure it ends. Returns the dialog's result.
  INT_PTR run(const std::function<void(HWND)>& drive) {
    INT_PTR result = -2;
    bool shown = with_dialog([&] { result = run_adapter_dialog(owner); },
                             [&](HWND d) {
                               drive(d);
                               if (IsWindow(d) && IsWindowVisible(d)) EndDialog(d, 99);
                             });
    EXPECT_TRUE(shown) << "result " << result << " error " << GetLastError();
    return result;
  }
};

}  // namespace

TEST(AdapterDialogTemplate, MatchesTheLayout) {
  DialogTemplate header;
  ASSERT_TRUE(read_dialog_template("CORVANE_ADAPTER", &header));
  const std::vector<DialogTemplateItem>& items = header.items;
  EXPECT_EQ(header.style, static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME |
                                             DS_SETFONT | DS_FIXEDSYS));
  EXPECT_EQ(header.caption, "Adapter");
  EXPECT_EQ(header.font, "MS Shell Dlg");
  EXPECT_EQ(header.point_size, 8);
  EXPECT_EQ(header.cx, 259);
  EXPECT_EQ(header.cy, 98);

  const DWORD child = WS_CHILD | WS_VISIBLE;
  const DWORD combo = child | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST | CBS_SORT;
  const DialogTemplateItem want[] = {
      {child | WS_TABSTOP | BS_DEFPUSHBUTTON, 202, 7, 50, 14, 1, 0x80, "OK"},
      {child | WS_TABSTOP | BS_PUSHBUTTON, 202, 24, 50, 14, 2, 0x80, "Cancel"},
      {child | BS_GROUPBOX, 7, 7, 190, 84, -1, 0x80, "Type"},
      {child | ES_MULTILINE | ES_READONLY, 17, 20, 110, 31, 2101, 0x81, ""},
      {combo, 131, 20, 59, 50, 1233, 0x85, ""},
      {child | ES_READONLY | WS_BORDER, 132, 36, 58, 14, 1044, 0x81, ""},
      {combo, 17, 55, 60, 151, 1234, 0x85, ""},
      {child | SS_LEFT, 81, 56, 37, 11, -1, 0x82, "Serial Port"},
      {combo, 17, 72, 60, 151, 1235, 0x85, ""},
      {child | SS_LEFT, 81, 72, 64, 11, -1, 0x82, "Target Frequency"},
      {child | WS_TABSTOP | BS_PUSHBUTTON, 203, 47, 49, 16, 1004, 0x80, "Connect"},
      {child | WS_TABSTOP | BS_PUSHBUTTON, 203, 67, 49, 17, 1005, 0x80, "Disconnect"},
  };
  ASSERT_EQ(items.size(), sizeof want / sizeof want[0]);
  for (size_t i = 0; i < items.size(); ++i) {
    const DialogTemplateItem& g = items[i];
    const DialogTemplateItem& w = want[i];
    EXPECT_EQ(g.id, w.id) << i;
    EXPECT_EQ(g.class_atom, w.class_atom) << w.id;
    EXPECT_EQ(g.text, w.text) << w.id;
    EXPECT_EQ(g.style, w.style) << w.id;
    EXPECT_EQ(g.x, w.x) << w.id;
    EXPECT_EQ(g.y, w.y) << w.id;
    EXPECT_EQ(g.cx, w.cx) << w.id;
    EXPECT_EQ(g.cy, w.cy) << w.id;
  }
}

TEST_F(AdapterDialog, OpensCentredWithItsControls) {
  run([&](HWND d) {
    EXPECT_EQ(window_text(d), "Adapter");
    EXPECT_EQ(GetWindow(d, GW_OWNER), owner);
    for (int id : {IDOK, IDCANCEL, IDC_ADAPTER_DESCRIPTION, IDC_ADAPTER_TYPE, IDC_ADAPTER_STATUS,
                   IDC_ADAPTER_PORT, IDC_ADAPTER_CLOCK, IDC_ADAPTER_CONNECT,
                   IDC_ADAPTER_DISCONNECT})
      EXPECT_TRUE(GetDlgItem(d, id) != nullptr) << id;
    press_button(d, IDCANCEL);
  });
}

TEST_F(AdapterDialog, FirstStartShowsR41WithCom1And4MHz) {
  const AdapterSelection stored = {0, 0, 0};
  apply_adapter_settings(&stored);
  run([](HWND d) {
    EXPECT_EQ(entries(d, IDC_ADAPTER_TYPE), "R41|R42|R43");
    EXPECT_EQ(selection(d, IDC_ADAPTER_TYPE), 0);
    EXPECT_EQ(entries(d, IDC_ADAPTER_PORT), "COM1");
    EXPECT_EQ(selection(d, IDC_ADAPTER_PORT), 0);
    EXPECT_TRUE(enabled(d, IDC_ADAPTER_PORT));
    EXPECT_EQ(entries(d, IDC_ADAPTER_CLOCK), "4,0|8,0");
    EXPECT_EQ(selection(d, IDC_ADAPTER_CLOCK), 0);
    EXPECT_EQ(control_text(d, IDC_ADAPTER_DESCRIPTION),
              "HLD/tandrel R41, RS232 serial BDM adapter for HCS12");
    EXPECT_EQ(control_text(d, IDC_ADAPTER_STATUS), "Disconnected");
    EXPECT_TRUE(enabled(d, IDC_ADAPTER_CONNECT));
    EXPECT_FALSE(enabled(d, IDC_ADAPTER_DISCONNECT));
    press_button(d, IDCANCEL);
  });
}

TEST_F(AdapterDialog, R41PortListHasExistingPortsAndTheUnprobedSelection) {
  g_present_ports = {0, 4, 127};
  const AdapterSelection stored = {0, 2, 8000};
  apply_adapter_settings(&stored);
  run([](HWND d) {
    EXPECT_EQ(entries(d, IDC_ADAPTER_PORT), "COM1|COM3|COM5|COM128");
    EXPECT_EQ(selection(d, IDC_ADAPTER_PORT), 1);
    EXPECT_EQ(selection(d, IDC_ADAPTER_CLOCK), 1);
    press_button(d, IDCANCEL);
  });
  EXPECT_EQ(g_probed.size(), 127u);
  for (int i : g_probed) EXPECT_NE(i, 2) << "the selected port is never opened";
}

TEST_F(AdapterDialog, R42AndR43Lists) {
  const AdapterSelection r42 = {1, 3, 2500};
  apply_adapter_settings(&r42);
  run([](HWND d) {
    EXPECT_EQ(entries(d, IDC_ADAPTER_PORT), "(USB)");
    EXPECT_EQ(selection(d, IDC_ADAPTER_PORT), 0);
    EXPECT_FALSE(enabled(d, IDC_ADAPTER_PORT));
    EXPECT_EQ(entries(d, IDC_ADAPTER_CLOCK), "Auto|0,500|1,0|2,0|2,500|3,0|3,500|4,0|8,0");
    EXPECT_EQ(selection(d, IDC_ADAPTER_CLOCK), 4);
    EXPECT_EQ(control_text(d, IDC_ADAPTER_DESCRIPTION),
              "HLD/tandrel R42, USB serial BDM adapter for HCS08/HCS12");
    press_button(d, IDCANCEL);
  });
  EXPECT_TRUE(g_probed.empty());

  const AdapterSelection r43 = {2, 0, 4000};
  apply_adapter_settings(&r43);
  run([](HWND d) {
    EXPECT_FALSE(enabled(d, IDC_ADAPTER_PORT));
    EXPECT_EQ(entries(d, IDC_ADAPTER_CLOCK), "3 MHz|30 MHz");
    EXPECT_EQ(selection(d, IDC_ADAPTER_CLOCK), -1);
    EXPECT_EQ(control_text(d, IDC_ADAPTER_DESCRIPTION), "HLD/tandrel R43, USB Multi adapter JTAG");
    press_button(d, IDCANCEL);
  });
}

TEST_F(AdapterDialog, TypeListSwitchesThePortAndClockLists) {
  g_present_ports = {1};
  run([](HWND d) {
    EXPECT_EQ(entries(d, IDC_ADAPTER_PORT), "COM1|COM2");
    pick(d, IDC_ADAPTER_TYPE, 1);
    EXPECT_EQ(entries(d, IDC_ADAPTER_PORT), "(USB)");
    EXPECT_FALSE(enabled(d, IDC_ADAPTER_PORT));
    EXPECT_EQ(entries(d, IDC_ADAPTER_CLOCK), "Auto|0,500|1,0|2,0|2,500|3,0|3,500|4,0|8,0");
    EXPECT_EQ(selection(d, IDC_ADAPTER_CLOCK), 8) << "8,0 was chosen for R41";
    pick(d, IDC_ADAPTER_TYPE, 2);
    EXPECT_EQ(entries(d, IDC_ADAPTER_PORT), "(USB)") << "left as it was";
    EXPECT_EQ(entries(d, IDC_ADAPTER_CLOCK), "3 MHz|30 MHz");
    pick(d, IDC_ADAPTER_TYPE, 0);
    EXPECT_TRUE(enabled(d, IDC_ADAPTER_PORT));
    EXPECT_EQ(entries(d, IDC_ADAPTER_PORT), "COM1|COM2");
    EXPECT_EQ(entries(d, IDC_ADAPTER_CLOCK), "4,0|8,0");
    EXPECT_EQ(selection(d, IDC_ADAPTER_CLOCK), 1) << "R43's list had no selection: 8000 stays";
    press_button(d, IDCANCEL);
  });
  // The selection was read at each close of the type list, even though the dialog was cancelled.
  AdapterSelection s;
  get_adapter_selection(&s);
  EXPECT_EQ(s.type, 0);
  EXPECT_EQ(get_target_clock(), 8000) << "settings change only on OK";
}

TEST_F(AdapterDialog, OkReadsTheChosenClocksBack) {
  struct Case { int position; int khz; } cases[] = {{4, 2500}, {0, -1}, {1, 500}};
  for (const Case& c : cases) {
    const AdapterSelection r42 = {1, 0, 8000};
    apply_adapter_settings(&r42);
    g_titles.clear();
    INT_PTR result = run([&](HWND d) {
      pick(d, IDC_ADAPTER_CLOCK, c.position);
      press_button(d, IDOK);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(get_target_clock(), c.khz);
    EXPECT_EQ(get_adapter_port(), -1);
    AdapterSelection s;
    get_adapter_selection(&s);
    EXPECT_EQ(s.target_clock, c.khz);
    EXPECT_EQ(s.port, 0);
    ASSERT_EQ(g_titles.size(), 1u);
    EXPECT_EQ(g_titles[0], owner);
  }
}

TEST_F(AdapterDialog, OkStoresSerialPortAndCancelKeepsTheSettings) {
  g_present_ports = {0, 6};
  INT_PTR result = run([](HWND d) {
    pick(d, IDC_ADAPTER_PORT, 1);  // COM7
    pick(d, IDC_ADAPTER_CLOCK, 0);
    press_button(d, IDCANCEL);
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(get_adapter_port(), 0);
  result = run([](HWND d) {
    pick(d, IDC_ADAPTER_PORT, 1);
    pick(d, IDC_ADAPTER_CLOCK, 0);
    press_button(d, IDOK);
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(get_adapter_type(), 0);
  EXPECT_EQ(get_adapter_port(), 6);
  EXPECT_EQ(get_target_clock(), 4000);
}

TEST_F(AdapterDialog, ConnectAndDisconnectChangeTheDialogState) {
  g_present_ports = {3};
  INT_PTR result = run([&](HWND d) {
    pick(d, IDC_ADAPTER_PORT, 1);  // COM4
    pick(d, IDC_ADAPTER_CLOCK, 0);
    press_button(d, IDC_ADAPTER_CONNECT);
    EXPECT_EQ(bdx.fake().args("bdx_Connect"), "R41|COM4 4");
    EXPECT_EQ(control_text(d, IDC_ADAPTER_STATUS), "Connected");
    for (int id : {IDC_ADAPTER_TYPE, IDC_ADAPTER_PORT, IDC_ADAPTER_CLOCK, IDC_ADAPTER_CONNECT})
      EXPECT_FALSE(enabled(d, id)) << id;
    EXPECT_TRUE(enabled(d, IDC_ADAPTER_DISCONNECT));
    EXPECT_EQ(get_connected(), 1);
    ASSERT_EQ(g_owner_commands.size(), 1u);
    EXPECT_EQ(g_owner_commands[0], 7016u);
    EXPECT_EQ(g_titles.size(), 1u);

    press_button(d, IDC_ADAPTER_DISCONNECT);
    ASSERT_EQ(g_owner_commands.size(), 2u);
    EXPECT_EQ(g_owner_commands[1], 7017u);
    EXPECT_EQ(control_text(d, IDC_ADAPTER_STATUS), "Disconnected");
    for (int id : {IDC_ADAPTER_TYPE, IDC_ADAPTER_PORT, IDC_ADAPTER_CLOCK, IDC_ADAPTER_CONNECT})
      EXPECT_TRUE(enabled(d, id)) << id;
    EXPECT_FALSE(enabled(d, IDC_ADAPTER_DISCONNECT));

    press_button(d, IDC_ADAPTER_CONNECT);
    press_button(d, IDCANCEL);
  });
  EXPECT_EQ(result, 0);
  // A connection made in the dialog stays in force after Cancel, with its settings.
  EXPECT_EQ(get_connected(), 1);
  EXPECT_EQ(get_adapter_port(), 3);
  EXPECT_EQ(get_target_clock(), 4000);
}

TEST_F(AdapterDialog, KeyboardFocusMovesToTheButtonThatStaysEnabled) {
  run([](HWND d) {
    SetFocus(GetDlgItem(d, IDC_ADAPTER_CONNECT));
    ASSERT_EQ(GetFocus(), GetDlgItem(d, IDC_ADAPTER_CONNECT));
    press_button(d, IDC_ADAPTER_CONNECT);
    EXPECT_EQ(GetFocus(), GetDlgItem(d, IDC_ADAPTER_DISCONNECT));
    press_button(d, IDC_ADAPTER_DISCONNECT);
    EXPECT_EQ(GetFocus(), GetDlgItem(d, IDC_ADAPTER_CONNECT));
    press_button(d, IDCANCEL);
  });
}

TEST_F(AdapterDialog, ConnectFollowsTheMainWindowWhenItCannotUseTheTarget) {
  g_owner_refuses_views = true;
  run([](HWND d) {
    SetFocus(GetDlgItem(d, IDC_ADAPTER_CONNECT));
    press_button(d, IDC_ADAPTER_CONNECT);
    ASSERT_EQ(g_owner_commands.size(), 1u);
    EXPECT_EQ(g_owner_commands[0], 7016u);
    EXPECT_EQ(control_text(d, IDC_ADAPTER_STATUS), "Disconnected");
    for (int id : {IDC_ADAPTER_TYPE, IDC_ADAPTER_PORT, IDC_ADAPTER_CLOCK, IDC_ADAPTER_CONNECT})
      EXPECT_TRUE(enabled(d, id)) << id;
    EXPECT_FALSE(enabled(d, IDC_ADAPTER_DISCONNECT));
    EXPECT_EQ(GetFocus(), GetDlgItem(d, IDC_ADAPTER_CONNECT));
    EXPECT_EQ(g_titles.size(), 1u);
    press_button(d, IDCANCEL);
  });
  EXPECT_EQ(get_connected(), 0);
}

TEST_F(AdapterDialog, DisconnectLeavesTheUsbPortBoxDisabled) {
  const AdapterSelection r42 = {1, 0, -1};
  apply_adapter_settings(&r42);
  run([](HWND d) {
    press_button(d, IDC_ADAPTER_CONNECT);
    EXPECT_EQ(control_text(d, IDC_ADAPTER_STATUS), "Connected");
    press_button(d, IDC_ADAPTER_DISCONNECT);
    EXPECT_TRUE(enabled(d, IDC_ADAPTER_TYPE));
    EXPECT_TRUE(enabled(d, IDC_ADAPTER_CLOCK));
    EXPECT_FALSE(enabled(d, IDC_ADAPTER_PORT));
    press_button(d, IDCANCEL);
  });
  // Connected, then the part's security state read (BDMSTS, FSEC).
  EXPECT_EQ(bdx.fake().sequence(),
            "bdx_Connect bdx_Sync bdx_GetBdmSpeed bdx_GetByte bdx_GetMemoryByte");
}

TEST_F(AdapterDialog, OpeningWhileConnectedShowsTheConnectedState) {
  set_connected(1);
  run([](HWND d) {
    EXPECT_EQ(control_text(d, IDC_ADAPTER_STATUS), "Connected");
    for (int id : {IDC_ADAPTER_TYPE, IDC_ADAPTER_PORT, IDC_ADAPTER_CLOCK, IDC_ADAPTER_CONNECT})
      EXPECT_FALSE(enabled(d, id)) << id;
    EXPECT_TRUE(enabled(d, IDC_ADAPTER_DISCONNECT));
    press_button(d, IDCANCEL);
  });
}

TEST_F(AdapterDialog, FailingConnectReportsAfterTheLibraryAndStaysDisconnected) {
  bdx.fake().set_result("bdx_Connect", -1);
  bdx.fake().report_on("bdx_Connect", "No R42 adapter found");
  const AdapterSelection r42 = {1, 0, 2500};
  apply_adapter_settings(&r42);
  run([&](HWND d) {
    press_button(d, IDC_ADAPTER_CONNECT);
    EXPECT_EQ(pane.pane().text,
              "No R42 adapter found\r\r\nCannot open connection to R42\r\r\nFailed connection\r");
    EXPECT_EQ(control_text(d, IDC_ADAPTER_STATUS), "Disconnected");
    EXPECT_TRUE(enabled(d, IDC_ADAPTER_CONNECT));
    EXPECT_TRUE(enabled(d, IDC_ADAPTER_TYPE));
    EXPECT_FALSE(enabled(d, IDC_ADAPTER_DISCONNECT));
    EXPECT_TRUE(IsWindowVisible(d)) << "the dialog stays open";
    press_button(d, IDCANCEL);
  });
  EXPECT_EQ(get_connected(), 0);
  EXPECT_TRUE(g_owner_commands.empty());
}

TEST_F(AdapterDialog, ConnectWithR43DoesNothing) {
  const AdapterSelection r43 = {2, 0, -1};
  apply_adapter_settings(&r43);
  run([](HWND d) {
    press_button(d, IDC_ADAPTER_CONNECT);
    EXPECT_EQ(control_text(d, IDC_ADAPTER_STATUS), "Disconnected");
    press_button(d, IDCANCEL);
  });
  EXPECT_EQ(bdx.fake().calls.size(), 0u);
  EXPECT_EQ(pane.pane().text, "");
  EXPECT_TRUE(g_owner_commands.empty());
}

TEST_F(AdapterDialog, RealPortProbeFinishesWithoutSerialPorts) {
  set_port_probe(nullptr);
  DWORD start = GetTickCount();
  int found = 0;
  for (int i = 0; i < 128; ++i) found += port_exists(i);
  EXPECT_LT(GetTickCount() - start, 20000u);
  run([&](HWND d) {
    int n = static_cast<int>(SendDlgItemMessageA(d, IDC_ADAPTER_PORT, CB_GETCOUNT, 0, 0));
    EXPECT_GE(n, 1);
    EXPECT_LE(n, found + 1);
    char first[16] = {};
    SendDlgItemMessageA(d, IDC_ADAPTER_PORT, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(first));
    EXPECT_EQ(std::string(first).rfind("COM", 0), 0u);
    press_button(d, IDCANCEL);
  });
  EXPECT_LT(GetTickCount() - start, 40000u);
}

// Over the real main window: the library's and the connection's lines land in the message pane
// before "Failed connection", and a later successful Connect hands over to the main window.
TEST(AdapterDialogInShell, FailingThenSucceedingConnect) {
  HWND main = start_app();
  ASSERT_TRUE(main != nullptr);
  {
    ScopedFakeBdx bdx;
    set_caption_hook(nullptr);
    const AdapterSelection r42 = {1, 0, 2500};
    apply_adapter_settings(&r42);
    bdx.fake().queue_result("bdx_Connect", -1);
    bdx.fake().report_on("bdx_Connect", "R42: no adapter on USB");
    begin_command(nullptr);
    bool shown = with_dialog([&] { run_adapter_dialog(main); }, [&](HWND d) {
      EXPECT_EQ(GetWindow(d, GW_OWNER), main);
      press_button(d, IDC_ADAPTER_CONNECT);
      EXPECT_EQ(pane_text(),
                "R42: no adapter on USB\r\r\nCannot open connection to R42\r\r\nFailed connection\r");
      EXPECT_EQ(control_text(d, IDC_ADAPTER_STATUS), "Disconnected");
      EXPECT_EQ(get_connected(), 0);
      bdx.fake().reports.clear();
      press_button(d, IDC_ADAPTER_CONNECT);
      EXPECT_EQ(control_text(d, IDC_ADAPTER_STATUS), "Connected");
      EXPECT_EQ(bdx.fake().args("bdx_SetBdmSpeed"), "2.5");
      press_button(d, IDCANCEL);
    });
    EXPECT_TRUE(shown);
    EXPECT_EQ(get_adapter_type(), 1);
    EXPECT_EQ(get_adapter_port(), -1);
    EXPECT_EQ(get_target_clock(), 2500);
  }
  stop_app();
}

// Over the real main window: the adapter connects but the views cannot be set up (a current
// target of a family without views), so the main window closes the connection again and the
// dialog shows it disconnected.
const ProcessorInfo kArmInfo = {FAMILY_ARM, 0xEE, 0, 0, nullptr};
const Derivative kArm = {"ARMPART", nullptr, &kArmInfo};

TEST(AdapterDialogInShell, ConnectWhoseViewsFailShowsDisconnected) {
  HWND main = start_app();
  ASSERT_TRUE(main != nullptr);
  {
    ScopedFakeBdx bdx;
    set_caption_hook(nullptr);
    set_current_target(&kArm);
    const AdapterSelection r41 = {0, 0, 8000};
    apply_adapter_settings(&r41);
    begin_command(nullptr);
    bool shown = with_dialog([&] { run_adapter_dialog(main); }, [&](HWND d) {
      press_button(d, IDC_ADAPTER_CONNECT);
      EXPECT_EQ(get_connected(), 0);
      EXPECT_EQ(bdx.fake().sequence(), "bdx_Connect bdx_GetByte bdx_GetMemoryByte bdx_Disconnect");
      EXPECT_EQ(control_text(d, IDC_ADAPTER_STATUS), "Disconnected");
      EXPECT_TRUE(enabled(d, IDC_ADAPTER_CONNECT));
      EXPECT_FALSE(enabled(d, IDC_ADAPTER_DISCONNECT));
      press_button(d, IDCANCEL);
    });
    EXPECT_TRUE(shown);
  }
  stop_app();
}
