#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "adapter/adapter_settings.h"
#include "adapter/bdx.h"
#include "adapter/bdx_loader_win.h"
#include "app/commands_win.h"
#include "app/dialog_helpers_win.h"
#include "app/html_help_win.h"
#include "app/message_pane.h"
#include "app/shell_win.h"
#include "tests/gui_support/app_harness_win.h"
#include "tests/support/memory_settings_store.h"
#include "views/view_layout.h"

namespace {

RECT pane_rect() {
  RECT r;
  GetWindowRect(g_shell.message_pane, &r);
  MapWindowPoints(HWND_DESKTOP, g_shell.main_window, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

struct ShellTest : testing::Test {
  void SetUp() override {
    set_adapter_library_path((exe_folder() + "\\bdx_partial_dll.dll").c_str());
    html_help_reset(nullptr, nullptr);
    g_view_layout = ViewLayout{0, 0};
  }
  void TearDown() override {
    if (g_shell.main_window) stop_app();
    set_adapter_library_path(nullptr);
    g_view_layout = ViewLayout{0, 0};
  }
};

TEST_F(ShellTest, StartUpBuildsTheWindowAndThePane) {
  HWND main = start_app();
  ASSERT_TRUE(main != nullptr);
  char cls[64];
  GetClassNameA(main, cls, sizeof cls);
  EXPECT_STREQ(cls, "CorvaneWindowClass");
  EXPECT_TRUE(IsWindowVisible(main));
  EXPECT_TRUE(GetWindowLongA(main, GWL_STYLE) & WS_CLIPCHILDREN);

  HWND pane = GetDlgItem(main, 1000);
  ASSERT_EQ(pane, g_shell.message_pane);
  GetClassNameA(pane, cls, sizeof cls);
  EXPECT_STREQ(cls, "Edit");
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(pane, GWL_STYLE)) & 0xFFFF0FFF, 0x50300804u);
  EXPECT_TRUE(GetWindowLongA(pane, GWL_EXSTYLE) & WS_EX_STATICEDGE);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(pane, WM_GETFONT, 0, 0)), g_shell.ui_font);

  LOGFONTA font;
  GetObjectA(g_shell.fixed_font, sizeof font, &font);
  EXPECT_STREQ(font.lfFaceName, "Courier");
  EXPECT_EQ(font.lfPitchAndFamily, 0x31);
  EXPECT_LT(font.lfHeight, 0);
  GetObjectA(g_shell.ui_font, sizeof font, &font);
  EXPECT_STREQ(font.lfFaceName, "MS Sans Serif");
  EXPECT_EQ(font.lfPitchAndFamily, 0x30);

  std::string help = g_shell.help_file_path;
  EXPECT_EQ(help, exe_folder() + "\\CorvanesTestBench.chm");
}

TEST_F(ShellTest, LibraryReportsIntoThePaneAndMissingFunctionsAreNamed) {
  start_app();
  std::string text = pane_text();
  // The library's own line comes from bdx_Init's callback, after the loader's report.
  EXPECT_NE(text.find("lacks the functions bdx_Sync, bdx_TargetStart"), std::string::npos) << text;
  EXPECT_NE(text.find("partial library ready\r\r\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("bdx_Connect,"), std::string::npos);
  EXPECT_EQ(bdx_Connect("R42", ""), 0);  // present in the library
  EXPECT_EQ(bdx_Sync(), -1);             // missing: fails cleanly
  uint32_t fail = 1;
  unsigned char data[2];
  EXPECT_NE(bdx_GetBlock(0x4000, 2, data, &fail), 0);
  EXPECT_EQ(fail, 0x4000u);
}

TEST_F(ShellTest, MissingLibraryIsReportedAndTheToolRuns) {
  set_adapter_library_path("C:\\nowhere\\bdxdll.dll");
  start_app();
  EXPECT_EQ(pane_text(),
            "Cannot load adapter library 'C:\\nowhere\\bdxdll.dll'; every adapter call will fail\r\r\n");
  EXPECT_EQ(bdx_Connect("R41", "COM1 8"), -1);
  EXPECT_EQ(bdx_TargetReset(), -1);
  pump_messages(50);
  EXPECT_EQ(stop_app(), 0);
}

TEST_F(ShellTest, ALibraryThatFaultsIsNamedAndTheToolRuns) {
  set_adapter_library_path((exe_folder() + "\\bdx_faulting_dll.dll").c_str());
  start_app();
  EXPECT_EQ(pane_text(),
            "The adapter library faulted in bdx_Init (exception 0xC0000005)\r\r\n");
  EXPECT_EQ(bdx_Init(append_line), -1);        // each call that faults fails
  EXPECT_EQ(bdx_Connect("R41", "COM1 8"), -1);  // the others go on as the library has them
  pump_messages(50);
  EXPECT_EQ(stop_app(), 0);
}

TEST_F(ShellTest, PaneFillsTheLowerHalfWithoutViews) {
  HWND main = start_app();
  SendMessageA(main, WM_SIZE, SIZE_RESTORED, MAKELPARAM(400, 301));
  RECT r = pane_rect();
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 150);
  EXPECT_EQ(r.right, 400);
  EXPECT_EQ(r.bottom - r.top, 150);

  // Minimising leaves the pane where it was.
  SendMessageA(main, WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(160, 24));
  RECT m = pane_rect();
  EXPECT_EQ(m.top, 150);
  EXPECT_EQ(m.right, 400);
  EXPECT_EQ(m.bottom - m.top, 150);
}

TEST_F(ShellTest, PaneSitsBelowTheViewsAndNeverGetsANegativeHeight) {
  HWND main = start_app();
  g_view_layout = ViewLayout{1, 220};
  SendMessageA(main, WM_SIZE, SIZE_RESTORED, MAKELPARAM(500, 400));
  RECT r = pane_rect();
  EXPECT_EQ(r.top, 220);
  EXPECT_EQ(r.bottom - r.top, 180);
  SendMessageA(main, WM_SIZE, SIZE_RESTORED, MAKELPARAM(500, 100));
  r = pane_rect();
  EXPECT_EQ(r.top, 220);
  EXPECT_EQ(r.bottom - r.top, 0);
}

TEST_F(ShellTest, PaneOperationsWriteExactBytesAtTheSelection) {
  start_app();
  begin_command(nullptr);
  EXPECT_EQ(pane_text(), "");
  append_error("A");
  append_line("B");
  EXPECT_EQ(pane_text(), "A\rB\r\r\n");
  begin_command("Clear buffer");
  append_line("one two three");
  end_command();
  EXPECT_EQ(pane_text(), "COMMAND: Clear buffer\r\r\none two three\r\r\nCOMMAND DONE\r\r\n");
  // The user selects "two": the next lines replace it and follow it there.
  int start = static_cast<int>(std::string(pane_text()).find("two"));
  SendMessageA(g_shell.message_pane, EM_SETSEL, start, start + 3);
  append_line("X");
  append_line("Y");
  EXPECT_EQ(pane_text(),
            "COMMAND: Clear buffer\r\r\none X\r\r\nY\r\r\n three\r\r\nCOMMAND DONE\r\r\n");
}

TEST_F(ShellTest, SettingsAreLoadedAtCreationAndSavedFirstAtDestruction) {
  ScopedMemorySettingsStore settings;
  MemorySettingsStore& store = settings.store();
  store.machine() = {{"Atype", "1"}, {"Aport", "0"}, {"Aspeed", "2500"}};
  // Saved first: the menus, the fonts and the pane are all still there, the buffer not cleared.
  std::string at_first_write;
  store.on_write = [&](const std::string&) {
    if (!at_first_write.empty()) return;
    at_first_write = g_shell.file_menu && g_shell.ui_font ? "menus fonts" : "gone";
    at_first_write += pane_text().find("Clear buffer") == std::string::npos ? " buffer" : "";
  };
  HWND main = start_app();
  // Loaded after the defaults and before the caption: the stored type shows in the first caption.
  EXPECT_EQ(window_text(main),
            "Corvane's Test Bench - Adapter: R42, Not Connected, No target MPU selected");
  EXPECT_EQ(get_target_clock(), 2500);
  begin_command(nullptr);
  EXPECT_EQ(stop_app(), 0);
  EXPECT_EQ(at_first_write, "menus fonts buffer");
  EXPECT_EQ(store.written(), "Atype Aport Aspeed");
  EXPECT_EQ(store.machine()["Aspeed"], "2500");
  set_adapter_defaults();
}

TEST_F(ShellTest, WithoutHtmlHelpTheToolStartsRunsAndExitsWithZero) {
  html_help_reset("CLSID\\{00000000-0000-0000-0000-000000000000}\\InprocServer32",
                  "no-such-control.ocx");
  HWND main = start_app();
  EXPECT_FALSE(html_help_available());
  EXPECT_EQ(html_help(nullptr, nullptr, kHhInitialize, 0), nullptr);
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(run_message_loop(), 0);
  EXPECT_EQ(g_shell.main_window, nullptr);
  UnregisterClassA(kMainWindowClass, GetModuleHandleA(nullptr));
  html_help_reset(nullptr, nullptr);
}

TEST_F(ShellTest, HtmlHelpIsFoundWhereThePlatformHasIt) {
  EXPECT_TRUE(html_help_available());
}

TEST_F(ShellTest, CenterDialogUsesTheParentsClientSizeAtTheScreenOrigin) {
  HWND main = start_app();
  SetWindowPos(main, nullptr, 50, 60, 700, 500, SWP_NOZORDER);
  RECT client;
  GetClientRect(main, &client);
  HWND popup = CreateWindowExA(0, "STATIC", "", WS_POPUP, 10, 10, 201, 101, main, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  center_dialog(popup);
  RECT r;
  GetWindowRect(popup, &r);
  EXPECT_EQ(r.left, client.right / 2 - 201 / 2);
  EXPECT_EQ(r.top, client.bottom / 2 - 101 / 2);
  DestroyWindow(popup);

  HWND lone = CreateWindowExA(0, "STATIC", "", WS_POPUP, 10, 10, 300, 120, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  center_dialog(lone);
  GetWindowRect(lone, &r);
  EXPECT_EQ(r.left, GetSystemMetrics(SM_CXSCREEN) / 2 - 150);
  EXPECT_EQ(r.top, GetSystemMetrics(SM_CYSCREEN) / 2 - 60);
  DestroyWindow(lone);
}

struct FindWindow {
  DWORD pid;
  HWND window;
};

BOOL CALLBACK find_main_window(HWND w, LPARAM lp) {
  auto* f = reinterpret_cast<FindWindow*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  char cls[64] = {0};
  GetClassNameA(w, cls, sizeof cls);
  if (pid == f->pid && std::string(cls) == "CorvaneWindowClass") {
    f->window = w;
    return FALSE;
  }
  return TRUE;
}

// The real program: started as a user would, closed through WM_CLOSE, exit code 0.
TEST(Program, ClosesWithExitCodeZero) {
  std::string exe = exe_folder() + "\\CorvanesTestBench.exe";
  STARTUPINFOA si;
  ZeroMemory(&si, sizeof si);
  si.cb = sizeof si;
  PROCESS_INFORMATION pi;
  ASSERT_TRUE(CreateProcessA(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                             exe_folder().c_str(), &si, &pi));
  WaitForInputIdle(pi.hProcess, 10000);
  HWND found = nullptr;
  for (int i = 0; i < 200 && !found; ++i) {
    FindWindow f = {pi.dwProcessId, nullptr};
    EnumWindows(find_main_window, reinterpret_cast<LPARAM>(&f));
    found = f.window;
    if (!found) Sleep(50);
  }
  ASSERT_TRUE(found != nullptr);
  PostMessageA(found, WM_CLOSE, 0, 0);
  ASSERT_EQ(WaitForSingleObject(pi.hProcess, 20000), WAIT_OBJECT_0);
  DWORD code = 99;
  GetExitCodeProcess(pi.hProcess, &code);
  EXPECT_EQ(code, 0u);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
}

}  // namespace
