// The Programmer dialog and the Buffer Memory Regions dialog in the real main window, over the
// simulated part: runs, Abort from the pump, the busy rule, quitting during a run, dumps.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "adapter/bdx_loader_win.h"
#include "app/html_help_win.h"
#include "app/shell_win.h"
#include "buffer/buffer_store.h"
#include "programming/programmer.h"
#include "resources/programmer_ids.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"
#include "target/catalogue.h"
#include "tests/gui_support/app_harness_win.h"
#include "tests/support/test_files.h"

namespace {

// An S-record file of `records` 8-byte records from 0xC000 up, then S9.
std::string write_image(const char* name, int records) {
  const std::string path = temp_path(name);
  FILE* f = std::fopen(path.c_str(), "w");
  for (int r = 0; r < records; ++r) {
    const unsigned a = 0xC000 + 8 * unsigned(r);
    unsigned sum = 0x0B + (a >> 8) + (a & 0xFF);
    std::fprintf(f, "S10B%04X", a);
    for (int i = 0; i < 8; ++i) {
      const unsigned b = (r + i) & 0xFF;
      sum += b;
      std::fprintf(f, "%02X", b);
    }
    std::fprintf(f, "%02X\n", ~sum & 0xFF);
  }
  std::fprintf(f, "S9030000FC\n");
  std::fclose(f);
  return path;
}

struct ProgrammerGui : testing::Test {
  HWND main = nullptr;
  HWND dialog = nullptr;
  void start(const char* latency_us = nullptr) {
    SetEnvironmentVariableA("BDXSIM_LATENCY_US", latency_us);
    set_adapter_library_path(nullptr);
    html_help_reset(nullptr, nullptr);
    main = start_app();
    SendMessageA(main, WM_COMMAND, IDM_CONNECT, 0);
    SendMessageA(main, WM_COMMAND, IDM_PROGRAM_FROM_FILE, 0);
    dialog = g_shell.modeless_dialog;
    ASSERT_TRUE(dialog);
  }
  void TearDown() override {
    if (g_shell.main_window) stop_app();
    SetEnvironmentVariableA("BDXSIM_LATENCY_US", nullptr);
    g_programmer.file_path.clear();
  }
  std::string status() { return control_text(dialog, IDC_PROGRAMMER_STATUS); }
  void check(int id, bool on) { CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }
  int bar(UINT message) {
    return static_cast<int>(SendDlgItemMessageA(dialog, IDC_PROGRAMMER_BAR, message, 0, 0));
  }
};

TEST_F(ProgrammerGui, OpensIdleAndRunsBothPassesWithTheBarToTheEnd) {
  start();
  EXPECT_EQ(window_text(dialog), "Programmer");
  EXPECT_EQ(status(), "");
  EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_PROGRAMMER_PROGRAM), BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_PROGRAMMER_VERIFY), BST_UNCHECKED);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_PROGRAMMER_ABORT)));
  EXPECT_NE(GetWindowLongA(GetDlgItem(dialog, IDC_PROGRAMMER_FILE), GWL_STYLE) & ES_READONLY, 0);

  // Empty path.
  press_button(dialog, IDC_PROGRAMMER_START);
  EXPECT_EQ(status(), "No Loadfile specified");

  // 99 records and the end record: 100 lines, both passes: 200 units, the bar 0..210.
  g_programmer.file_path = write_image("gui_prog100.s19", 99);
  check(IDC_PROGRAMMER_VERIFY, true);
  press_button(dialog, IDC_PROGRAMMER_START);
  EXPECT_EQ(status(), "FLASH Verified OK!");
  PBRANGE range = {};
  SendDlgItemMessageA(dialog, IDC_PROGRAMMER_BAR, PBM_GETRANGE, FALSE,
                      reinterpret_cast<LPARAM>(&range));
  EXPECT_EQ(range.iLow, 0);
  EXPECT_EQ(range.iHigh, 210);
  EXPECT_EQ(bar(PBM_GETPOS), 210);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_PROGRAMMER_START)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_PROGRAMMER_ABORT)));
  // The library's own lines went to the message pane.
  EXPECT_NE(pane_text().find("Programmed 792 bytes"), std::string::npos) << pane_text();

  // Other data over the programmed flash (0xFF over 0x00: bits would have to go back to 1): the
  // status names the address.
  const std::string other = temp_path("gui_prog_other.s19");
  if (FILE* f = std::fopen(other.c_str(), "w")) {
    std::fputs("S10BC000FFFFFFFFFFFFFFFF3C\nS9030000FC\n", f);
    std::fclose(f);
  }
  g_programmer.file_path = other;
  check(IDC_PROGRAMMER_VERIFY, false);
  press_button(dialog, IDC_PROGRAMMER_START);
  EXPECT_EQ(status(), "FAILED programming the device at: 0x00C000");

  // Both boxes clear: success at once, no file call.
  check(IDC_PROGRAMMER_PROGRAM, false);
  SetWindowTextA(g_shell.message_pane, "");
  press_button(dialog, IDC_PROGRAMMER_START);
  EXPECT_EQ(status(), "FAILED programming the device at: 0x00C000");  // nothing new shown
  EXPECT_EQ(pane_text().find("Programmed"), std::string::npos);

  // Done closes the dialog and empties the slot; the path is kept.
  press_button(dialog, IDC_PROGRAMMER_DONE);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_EQ(g_shell.modeless_dialog, nullptr);
  EXPECT_NE(g_programmer.file_path.find("gui_prog_other.s19"), std::string::npos);
}

TEST_F(ProgrammerGui, AbortDeliveredByThePumpStopsBeforeAnyLibraryCall) {
  start();
  g_programmer.file_path = write_image("gui_abort.s19", 10);
  pump_messages(50);
  SetWindowTextA(g_shell.message_pane, "");
  PostMessageA(dialog, WM_COMMAND, IDC_PROGRAMMER_ABORT, 0);
  press_button(dialog, IDC_PROGRAMMER_START);
  EXPECT_EQ(status(), "Programming aborted");
  EXPECT_EQ(pane_text().find("Programmed"), std::string::npos) << pane_text();
}

// Posts WM_CLOSE to the main window after a delay, from another thread, while the main thread
// is inside a run.
struct DelayedClose {
  HWND window;
  DWORD delay_ms;
  DWORD posted_at;
};
DWORD WINAPI close_later(void* p) {
  DelayedClose* c = static_cast<DelayedClose*>(p);
  Sleep(c->delay_ms);
  c->posted_at = GetTickCount();
  PostMessageA(c->window, WM_CLOSE, 0, 0);
  return 0;
}

TEST_F(ProgrammerGui, TheToolClosesDuringARunOnceTheRunHasReturned) {
  start("2000");  // 2 ms a round trip: 2000 records take 4 s
  g_programmer.file_path = write_image("gui_quit.s19", 2000);
  // A second dialog's Start is refused while the first one runs; the menus rest.
  DelayedClose closer = {main, 600, 0};
  HANDLE thread = CreateThread(nullptr, 0, close_later, &closer, 0, nullptr);
  const DWORD started = GetTickCount();
  press_button(dialog, IDC_PROGRAMMER_START);
  const DWORD ended = GetTickCount();
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  EXPECT_GT(closer.posted_at, started);
  EXPECT_LT(ended - closer.posted_at, 1500u) << "the run stopped soon after the close";
  EXPECT_LT(ended - started, 3500u) << "not the whole file";
  EXPECT_FALSE(IsWindow(main)) << "closed once the run had returned";
  EXPECT_EQ(stop_app(), 0);
}

TEST_F(ProgrammerGui, NothingElseTalksToTheLibraryDuringARun) {
  start("2000");
  g_programmer.file_path = write_image("gui_busy.s19", 300);
  SendMessageA(main, WM_COMMAND, IDM_PROGRAM_FROM_FILE, 0);
  HWND second = g_shell.modeless_dialog;
  ASSERT_NE(second, dialog);  // the slot holds the newest
  // From inside the run (a posted message the pump delivers): a second Start, the menus, a
  // toolbar command.
  std::string second_status;
  PostMessageA(second, WM_COMMAND, IDC_PROGRAMMER_START, 0);
  PostMessageA(main, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(g_shell.file_menu), 0);
  PostMessageA(main, WM_COMMAND, IDM_RESET_TARGET, 0);
  add_recent_device("MC9S12C32");  // a Recent Devices entry would change the target
  const Derivative* target = current_target();
  PostMessageA(main, WM_COMMAND, IDM_RECENT_DEVICE_FIRST, 0);
  SetWindowTextA(g_shell.message_pane, "");
  press_button(dialog, IDC_PROGRAMMER_START);
  second_status = control_text(second, IDC_PROGRAMMER_STATUS);
  EXPECT_EQ(second_status, "Programmer is busy");
  EXPECT_EQ(status(), "FLASH Programmed");
  // The reset asked for during the run was not carried out (it would have re-read the views).
  EXPECT_EQ(pane_text().find("Cannot"), std::string::npos) << pane_text();
  EXPECT_EQ(current_target(), target);
  // After the run everything is available again.
  SendMessageA(main, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(g_shell.file_menu), 0);
  for (int id : {IDM_DUMP_TO_BUFFER, IDM_SELECT_DEVICE, IDM_RECENT_DEVICE_FIRST})
    EXPECT_EQ(GetMenuState(g_shell.menu_bar, id, MF_BYCOMMAND) & MF_GRAYED, 0u) << id;
  EXPECT_EQ(SendMessageA(g_shell.target_toolbar, TB_GETSTATE, IDM_RESET_TARGET, 0) &
                TBSTATE_ENABLED,
            TBSTATE_ENABLED);
}

TEST_F(ProgrammerGui, DumpDialogDefaultTextSyntaxErrorAndReadBack) {
  start();
  std::string text, box;
  ASSERT_TRUE(with_dialog([&] { SendMessageA(main, WM_COMMAND, IDM_DUMP_TO_BUFFER, 0); },
                          [&](HWND d) {
                            text = control_text(d, IDC_BUFFER_REGIONS_TEXT);
                            set_control_text(d, IDC_BUFFER_REGIONS_TEXT, "0x100- 0x200");
                            EXPECT_TRUE(with_dialog([&] { press_button(d, IDOK); },
                                                    [&](HWND b) {
                                                      box = window_text(b) + ": " +
                                                            control_text(b, 0xFFFF);
                                                      press_button(b, IDOK);
                                                    }));
                            EXPECT_TRUE(IsWindow(d));  // stays open
                            press_button(d, IDCANCEL);
                          }));
  EXPECT_EQ(text, "0x0-0x7FF;0x2000-0x3FFF");
  EXPECT_EQ(box, "Buffer Regions: Syntax errorin text string: START-END [; START-END]");

  // The next opening shows the last text; a dump of the identification bytes.
  ASSERT_TRUE(with_dialog([&] { SendMessageA(main, WM_COMMAND, IDM_DUMP_TO_BUFFER, 0); },
                          [&](HWND d) {
                            text = control_text(d, IDC_BUFFER_REGIONS_TEXT);
                            set_control_text(d, IDC_BUFFER_REGIONS_TEXT, "0x10-0x1F");
                            press_button(d, IDOK);
                          }));
  EXPECT_EQ(text, "0x100- 0x200");
  EXPECT_EQ(pane_text(), "COMMAND: Dump to buffer\r\r\nRegion 0x10-0x1F\r\r\nCOMMAND DONE\r\r\n");
  uint8_t v = 0;
  ASSERT_EQ(buffer_get_byte(0x1C, &v), 1);
  EXPECT_EQ(v, 0x25);  // MC9S12DG256
  EXPECT_EQ(buffer_get_byte(0x20, &v), 0);
  buffer_clear();
}

}  // namespace
