// The settings in the real registry: a run of the tool saves them and the next run, in this
// process and as the program itself, reads them back; the key under HKEY_CURRENT_USER takes over
// when the one under HKEY_LOCAL_MACHINE cannot be written.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "adapter/adapter_settings.h"
#include "adapter/bdx_loader_win.h"
#include "app/shell_win.h"
#include "settings/registry_store_win.h"
#include "settings/settings.h"
#include "target/catalogue.h"
#include "tests/gui_support/app_harness_win.h"

namespace {

void delete_settings_keys() {
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSettingsKeyPath);
  RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKeyPath);
  // Both views of a 64-bit registry: a 64-bit program's run before this one (the x64 tests in
  // the same prefix) leaves its key in the view the 32-bit program must find empty.
  RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kSettingsKeyPath, KEY_WOW64_64KEY, 0);
  RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kSettingsKeyPath, KEY_WOW64_32KEY, 0);
}

// The value as stored, or "<missing>" ("<type N>" for a value that is not REG_SZ).
std::string stored(HKEY root, const char* name, REGSAM view = 0) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, kSettingsKeyPath, 0, KEY_READ | view, &key) != ERROR_SUCCESS)
    return "<missing>";
  char data[2048] = {0};
  DWORD size = sizeof data - 1, type = 0;
  const LONG r = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  if (r != ERROR_SUCCESS) return "<missing>";
  if (type != REG_SZ) return "<type " + std::to_string(type) + ">";
  return std::string(data, strnlen(data, size));
}

void store_value(HKEY root, const char* name, const char* text) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(root, kSettingsKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                 static_cast<DWORD>(strlen(text)) + 1);
  RegCloseKey(key);
}

struct RegistrySettings : testing::Test {
  void SetUp() override {
    set_adapter_library_path(nullptr);
    delete_settings_keys();
    set_settings_store(registry_settings_store());
    set_adapter_defaults();
  }
  void TearDown() override {
    if (g_shell.main_window) stop_app();
    registry_store_refuse_machine_key(0);
    set_settings_store(nullptr);
    delete_settings_keys();
    set_adapter_defaults();
  }
};

// A path of 300 characters: longer than the old 256-byte read area, as a deep project folder
// gives.
std::string long_path() {
  std::string path = "C:\\projects";
  while (path.size() < 290) path += "\\firmware_release";
  path.resize(290);
  return path + "\\app.s19";
}

TEST_F(RegistrySettings, SettingsAndRecentListsSurviveARestart) {
  start_app();
  set_adapter_dialog_selection({1, 3, 2500});
  add_recent_device("MC9S12C32");
  add_recent_device("XF");
  add_recent_file("C:\\fw\\first.s19");
  add_recent_file(long_path().c_str());
  EXPECT_EQ(stop_app(), 0);

  EXPECT_EQ(stored(HKEY_LOCAL_MACHINE, "Atype"), "1");
  EXPECT_EQ(stored(HKEY_LOCAL_MACHINE, "Aport"), "3");
  EXPECT_EQ(stored(HKEY_LOCAL_MACHINE, "Aspeed"), "2500");
  EXPECT_EQ(stored(HKEY_LOCAL_MACHINE, "MRUD0"), "XF");
  EXPECT_EQ(stored(HKEY_LOCAL_MACHINE, "MRUD1"), "MC9S12C32");
  EXPECT_EQ(stored(HKEY_LOCAL_MACHINE, "MRUD2"), "<missing>");
  EXPECT_EQ(stored(HKEY_LOCAL_MACHINE, "MRUF0"), long_path());
  EXPECT_EQ(stored(HKEY_LOCAL_MACHINE, "MRUF1"), "C:\\fw\\first.s19");
  EXPECT_EQ(stored(HKEY_CURRENT_USER, "Atype"), "<missing>") << "the machine's key was writable";
#ifndef _WIN64
  // A 32-bit program on 64-bit Windows writes to the registry's 32-bit view.
  BOOL wow64 = FALSE;
  IsWow64Process(GetCurrentProcess(), &wow64);
  if (wow64) {
    EXPECT_EQ(stored(HKEY_LOCAL_MACHINE, "Atype", KEY_WOW64_32KEY), "1");
    EXPECT_EQ(stored(HKEY_LOCAL_MACHINE, "Atype", KEY_WOW64_64KEY), "<missing>");
  }
#endif

  // The lists change in memory; the next start reads what was saved, the long path whole.
  add_recent_file("C:\\fw\\other.s19");
  set_adapter_defaults();
  HWND main = start_app();
  EXPECT_EQ(window_text(main),
            "Corvane's Test Bench - Adapter: R42, Not Connected, No target MPU selected");
  EXPECT_EQ(get_adapter_port(), -1);
  EXPECT_EQ(get_target_clock(), 2500);
  EXPECT_STREQ(recent_device(0), "XF");
  EXPECT_STREQ(recent_device(1), "MC9S12C32");
  EXPECT_EQ(recent_device(2), nullptr);
  ASSERT_NE(recent_file(0), nullptr);
  EXPECT_EQ(recent_file(0), long_path());
  EXPECT_STREQ(recent_file(1), "C:\\fw\\first.s19");
  EXPECT_EQ(recent_file(2), nullptr);
  SendMessageA(main, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(g_shell.file_menu), 0);
  EXPECT_EQ(GetMenuItemCount(g_shell.recent_files_menu), 2);
  EXPECT_EQ(GetMenuItemCount(g_shell.recent_devices_menu), 2);
}

TEST_F(RegistrySettings, WithoutWriteAccessToTheMachineKeyTheUsersKeyKeepsThem) {
  store_value(HKEY_LOCAL_MACHINE, "MRUD0", "XDP");  // left by an administrator's run
  registry_store_refuse_machine_key(1);
  start_app();
  EXPECT_EQ(recent_device(0), nullptr) << "read from where it is written";
  set_adapter_dialog_selection({0, 1, 4000});
  add_recent_file("C:\\fw\\user.s19");
  stop_app();
  EXPECT_EQ(stored(HKEY_CURRENT_USER, "Aport"), "1");
  EXPECT_EQ(stored(HKEY_CURRENT_USER, "Aspeed"), "4000");
  EXPECT_EQ(stored(HKEY_CURRENT_USER, "MRUF0"), "C:\\fw\\user.s19");
  EXPECT_EQ(stored(HKEY_LOCAL_MACHINE, "MRUF0"), "<missing>");
  EXPECT_EQ(stored(HKEY_LOCAL_MACHINE, "Aport"), "<missing>");

  set_adapter_defaults();
  add_recent_file("C:\\fw\\lost.s19");
  start_app();
  EXPECT_EQ(get_adapter_port(), 1);
  EXPECT_EQ(get_target_clock(), 4000);
  EXPECT_STREQ(recent_file(0), "C:\\fw\\user.s19");
  EXPECT_EQ(recent_file(1), nullptr);
}

TEST_F(RegistrySettings, ValuesThatAreNotTextReadAsMissing) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const DWORD number = 4000;
  RegSetValueExA(key, "Aspeed", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                 sizeof number);
  RegCloseKey(key);
  store_value(HKEY_LOCAL_MACHINE, "Aport", "2");  // with its terminator, as other tools write
  EXPECT_EQ(read_number_setting("Aspeed", 77), 77);
  EXPECT_EQ(read_number_setting("Aport", 77), 2);
  EXPECT_STREQ(read_setting("MRUF3", "none"), "none");
}

// The program itself, started twice: what one run saved at exit, the next reads at start.
struct Program {
  PROCESS_INFORMATION process = {};
  HWND window = nullptr;
  bool start() {
    std::string command = "\"" + exe_folder() + "\\CorvanesTestBench.exe\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                        exe_folder().c_str(), &startup, &process))
      return false;
    for (int i = 0; i < 600 && !window; ++i) {
      Sleep(50);
      HWND w = FindWindowA("CorvaneWindowClass", nullptr);
      DWORD pid = 0;
      if (w) GetWindowThreadProcessId(w, &pid);
      if (w && pid == process.dwProcessId && IsWindowVisible(w)) window = w;
    }
    return window != nullptr;
  }
  std::string caption() {
    char text[256] = {0};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 5000, &ignored);
    return text;
  }
  void command(int id) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_COMMAND, static_cast<WPARAM>(id), 0, SMTO_ABORTIFHUNG, 5000,
                        &ignored);
  }
  // Closes the window as the close box does; true when the program ended with exit code 0.
  bool close() {
    PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD code = 1;
    const bool ended = WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0 &&
                       GetExitCodeProcess(process.hProcess, &code) && code == 0;
    if (!ended) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ended;
  }
};

TEST_F(RegistrySettings, TheProgramKeepsItsSettingsBetweenRuns) {
  store_value(HKEY_LOCAL_MACHINE, "Atype", "1");
  store_value(HKEY_LOCAL_MACHINE, "Aspeed", "fast");  // not a number: read as 0
  store_value(HKEY_LOCAL_MACHINE, "MRUD1", "mc9s12c32");
  Program first;
  ASSERT_TRUE(first.start());
  EXPECT_EQ(first.caption(),
            "Corvane's Test Bench - Adapter: R42, Not Connected, No target MPU selected");
  first.command(7028);  // Recent Devices, slot 1
  EXPECT_EQ(first.caption(),
            "Corvane's Test Bench - Adapter: R42, Not Connected, Target MPU: 'MC9S12C32'");
  ASSERT_TRUE(first.close());
  EXPECT_EQ(stored(HKEY_LOCAL_MACHINE, "Atype"), "1");
  EXPECT_EQ(stored(HKEY_LOCAL_MACHINE, "Aport"), "0");
  EXPECT_EQ(stored(HKEY_LOCAL_MACHINE, "Aspeed"), "0");
  EXPECT_EQ(stored(HKEY_LOCAL_MACHINE, "MRUD1"), "mc9s12c32");

  store_value(HKEY_LOCAL_MACHINE, "Atype", "0");
  Program second;
  ASSERT_TRUE(second.start());
  EXPECT_EQ(second.caption(),
            "Corvane's Test Bench - Adapter: R41, Not Connected, No target MPU selected");
  ASSERT_TRUE(second.close());
}

}  // namespace
