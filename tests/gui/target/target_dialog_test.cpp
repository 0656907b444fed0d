// The Target MPU dialog over the real main window: its template, the lists, the memory fields
// and their check on OK with its message boxes, Default, Cancel, and Autodetect against the
// simulated XF part.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "adapter/adapter_settings.h"
#include "adapter/bdx_loader_win.h"
#include "app/shell_win.h"
#include "resources/resource_ids.h"
#include "resources/target_dialog_ids.h"
#include "settings/settings.h"
#include "target/catalogue.h"
#include "target/target_dialog_win.h"
#include "tests/gui_support/app_harness_win.h"
#include "tests/gui_support/dialog_template_win.h"

namespace {

const int kFields[] = {1051, 1052, 1059, 1054, 1055, 1060, 1057, 1058};

std::string entries(HWND dialog, int id) {
  std::string out;
  const int n = static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    char text[64] = {0};
    SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    out += std::string(i ? "|" : "") + text;
  }
  return out;
}

int selection(HWND dialog, int id) {
  return static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0));
}

// Picks an entry as the user does: the list changes, then tells the dialog.
void pick(HWND dialog, int id, int index) {
  SendDlgItemMessageA(dialog, id, CB_SETCURSEL, index, 0);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != 0; }

// The eight memory fields' texts in field order, "-" marking a disabled field.
std::string fields(HWND dialog) {
  std::string out;
  for (int id : kFields)
    out += (out.empty() ? "" : " ") + std::string(enabled(dialog, id) ? "" : "-") +
           control_text(dialog, id);
  return out;
}

// --- message boxes: every one that appears is recorded as "caption: text" and answered OK ---
HWND g_box_owner_dialog = nullptr;
std::vector<std::string>* g_boxes = nullptr;

BOOL CALLBACK collect_window(HWND w, LPARAM lp) {
  reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
  return TRUE;
}

std::string class_of(HWND w) {
  char name[64] = {0};
  GetClassNameA(w, name, sizeof name);
  return name;
}

void CALLBACK answer_boxes(HWND, UINT, UINT_PTR, DWORD) {
  if (!g_boxes) return;
  std::vector<HWND> windows;
  EnumThreadWindows(GetCurrentThreadId(), collect_window, reinterpret_cast<LPARAM>(&windows));
  for (HWND w : windows) {
    if (w == g_box_owner_dialog || class_of(w) != "#32770" || !IsWindowVisible(w)) continue;
    std::vector<HWND> children;
    EnumChildWindows(w, collect_window, reinterpret_cast<LPARAM>(&children));
    std::string text;
    for (HWND c : children)
      if (_stricmp(class_of(c).c_str(), "Static") == 0 && !window_text(c).empty())
        text += window_text(c);
    g_boxes->push_back(window_text(w) + ": " + text);
    press_button(w, IDOK);
  }
}

std::vector<std::string> boxes_during(HWND dialog, const std::function<void()>& action) {
  std::vector<std::string> boxes;
  g_box_owner_dialog = dialog;
  g_boxes = &boxes;
  UINT_PTR timer = SetTimer(nullptr, 0, 20, answer_boxes);
  action();
  KillTimer(nullptr, timer);
  g_boxes = nullptr;
  return boxes;
}

struct TargetDialog : testing::Test {
  HWND main = nullptr;
  void SetUp() override {
    set_adapter_library_path(nullptr);
    set_connected(0);
    main = start_app();
  }
  void TearDown() override {
    if (g_shell.main_window) stop_app();
    set_adapter_library_path(nullptr);
  }
  // Opens the dialog over the main window, runs drive on it and makes sure it ends.
  INT_PTR run(const std::function<void(HWND)>& drive) {
    INT_PTR result = -2;
    const bool shown = with_dialog([&] { result = run_target_dialog(main); },
                                   [&](HWND d) {
                                     drive(d);
                                     if (IsWindow(d) && IsWindowVisible(d)) EndDialog(d, 99);
                                   });
    EXPECT_TRUE(shown);
    return result;
  }
};

TEST(TargetDialogTemplate, MatchesTheLayout) {
  DialogTemplate t;
  ASSERT_TRUE(read_dialog_template("CORVANE_TARGET", &t));
  EXPECT_EQ(t.style, static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME |
                                        DS_SETFONT | DS_FIXEDSYS));
  EXPECT_EQ(t.caption, "Target MPU");
  EXPECT_EQ(t.font, "MS Shell Dlg");
  EXPECT_EQ(t.point_size, 8);
  EXPECT_EQ(t.cx, 274);
  EXPECT_EQ(t.cy, 164);
  const DWORD child = WS_CHILD | WS_VISIBLE;
  const DWORD button = child | WS_TABSTOP | BS_PUSHBUTTON;
  const DWORD label = child | SS_LEFT;
  const DWORD combo = child | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST | CBS_SORT;
  const DWORD edit = child | WS_TABSTOP | WS_BORDER | ES_LEFT | ES_AUTOHSCROLL;
  const DialogTemplateItem want[] = {
      {child | WS_TABSTOP | BS_DEFPUSHBUTTON, 222, 7, 46, 14, 1, 0x80, "OK"},
      {button, 222, 23, 46, 14, 2, 0x80, "Cancel"},
      {label, 7, 7, 93, 9, -1, 0x82, "Family"},
      {combo, 7, 17, 210, 89, 1045, 0x85, ""},
      {child | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 7, 35, 208, 25, 1046, 0x81, ""},
      {label, 7, 64, 120, 10, -1, 0x82, "Derivative"},
      {combo, 7, 74, 209, 89, 1047, 0x85, ""},
      {button, 222, 47, 46, 14, 1048, 0x80, "Autodetect"},
      {label, 7, 92, 65, 10, -1, 0x82, "Memory regions"},
      {label, 47, 104, 34, 8, -1, 0x82, "Volatile"},
      {label, 107, 103, 34, 8, -1, 0x82, "Eeprom"},
      {label, 163, 103, 34, 8, -1, 0x82, "Flash prom"},
      {edit, 45, 114, 44, 12, 1052, 0x81, ""},
      {edit, 46, 129, 44, 12, 1051, 0x81, ""},
      {edit, 107, 114, 44, 12, 1055, 0x81, ""},
      {edit, 107, 130, 44, 12, 1054, 0x81, ""},
      {edit, 163, 113, 26, 12, 1058, 0x81, ""},
      {edit, 163, 131, 26, 12, 1057, 0x81, ""},
      {label, 40, 145, 25, 12, -1, 0x82, "INITRM"},
      {edit, 67, 145, 23, 12, 1059, 0x81, ""},
      {label, 102, 146, 23, 12, -1, 0x82, "INITEE"},
      {edit, 128, 146, 23, 12, 1060, 0x81, ""},
      {button, 218, 144, 50, 14, 3, 0x80, "Default"},
  };
  ASSERT_EQ(t.items.size(), sizeof want / sizeof want[0]);
  for (size_t i = 0; i < t.items.size(); ++i) {
    const DialogTemplateItem& g = t.items[i];
    const DialogTemplateItem& w = want[i];
    EXPECT_EQ(g.id, w.id) << i;
    EXPECT_EQ(g.class_atom, w.class_atom) << w.id;
    EXPECT_EQ(g.text, w.text) << w.id;
    EXPECT_EQ(g.style, w.style) << w.id << " " << w.text;
    EXPECT_EQ(g.x, w.x) << w.id;
    EXPECT_EQ(g.y, w.y) << w.id;
    EXPECT_EQ(g.cx, w.cx) << w.id;
    EXPECT_EQ(g.cy, w.cy) << w.id;
  }
}

TEST_F(TargetDialog, AfterStartUpItShowsTheUnknownRowWithEmptyDisabledFields) {
  std::string caption;
  HWND owner = nullptr;
  const INT_PTR result = run([&](HWND d) {
    caption = window_text(d);
    owner = GetWindow(d, GW_OWNER);
    EXPECT_EQ(entries(d, IDC_TARGET_FAMILY), "Freescale HCS12|Freescale HCSX12/XGATE");
    EXPECT_EQ(selection(d, IDC_TARGET_FAMILY), 0);
    // Catalogue order, not sorted: both MC9S12E64 rows, MC9S12UF32 last.
    const std::string rows = entries(d, IDC_TARGET_DERIVATIVE);
    EXPECT_EQ(rows.substr(0, rows.find("|MC9S12A64")), "unknown|MC9S12A32");
    EXPECT_NE(rows.find("|MC9S12DG256|MC9S12E64|MC9S12E64|MC9S12GC16|"), std::string::npos);
    EXPECT_EQ(rows.substr(rows.rfind('|') + 1), "MC9S12UF32");
    EXPECT_EQ(SendDlgItemMessageA(d, IDC_TARGET_DERIVATIVE, CB_GETCOUNT, 0, 0), 27);
    EXPECT_EQ(selection(d, IDC_TARGET_DERIVATIVE), 0);
    EXPECT_EQ(control_text(d, IDC_TARGET_DESCRIPTION),
              "If the Adaptor is connected You can try to automatically detect the target MPU");
    EXPECT_EQ(fields(d), "- - - - - - - -");
    EXPECT_FALSE(enabled(d, IDC_TARGET_AUTODETECT)) << "not connected";
    press_button(d, IDCANCEL);
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(caption, "Target MPU");
  EXPECT_EQ(owner, main);
}

TEST_F(TargetDialog, RowsFillOrDisableTheFieldsAndTheFamilyResetsTheRow) {
  const INT_PTR result = run([&](HWND d) {
    pick(d, IDC_TARGET_DERIVATIVE, 8);
    EXPECT_EQ(fields(d), "1000 3FFF 10 400 FFF 0 30 3F");
    EXPECT_EQ(control_text(d, IDC_TARGET_DESCRIPTION),
              "32k Flash, 2k RAM, SPI, SCI, CAN, Timers, ADC, PWM, 3.15-5.5 V, 16/25MHz");
    EXPECT_EQ(get_derivative_position(), 8);
    // Default puts the row's values back over typed ones.
    set_control_text(d, IDC_TARGET_INITEE, "77");
    press_button(d, IDC_TARGET_DEFAULT);
    EXPECT_EQ(fields(d), "1000 3FFF 10 400 FFF 0 30 3F");
    pick(d, IDC_TARGET_DERIVATIVE, 1);  // MC9S12A32: no map, the texts stay
    EXPECT_EQ(fields(d), "-1000 -3FFF -10 -400 -FFF -0 -30 -3F");
    pick(d, IDC_TARGET_FAMILY, 1);
    EXPECT_EQ(entries(d, IDC_TARGET_DERIVATIVE), "unknown|XDP|XF");
    EXPECT_EQ(selection(d, IDC_TARGET_DERIVATIVE), 0);
    EXPECT_EQ(get_family_position(), 1);
    EXPECT_EQ(get_derivative_position(), 0);
    pick(d, IDC_TARGET_DERIVATIVE, 2);
    EXPECT_EQ(fields(d), "400 FFF 0 1000 13FF 11 38 3F");
    press_button(d, IDCANCEL);
  });
  EXPECT_EQ(result, 0);
  // Cancel keeps the positions the lists set, and leaves the target and the map alone.
  EXPECT_EQ(get_family_position(), 1);
  EXPECT_EQ(get_derivative_position(), 2);
  EXPECT_EQ(target_known(), 0);
  TargetMemoryMap map;
  get_target_memory_map(&map);
  EXPECT_EQ(map.volatile_end, 0u);
}

TEST_F(TargetDialog, OkReportsABadFieldOnceAndStoresTheOthers) {
  std::vector<std::string> boxes;
  DWORD start = 0, end = 0;
  bool focused = false, open_after_bad_ok = false;
  const INT_PTR result = run([&](HWND d) {
    pick(d, IDC_TARGET_DERIVATIVE, 8);  // MC9S12C32
    set_control_text(d, IDC_TARGET_VOLATILE_START, "1G00");
    set_control_text(d, IDC_TARGET_INITRM, "1FF");
    set_control_text(d, IDC_TARGET_EEPROM_END, "fe0");
    boxes = boxes_during(d, [&] { press_button(d, IDOK); });
    open_after_bad_ok = IsWindowVisible(d) != 0;
    SendDlgItemMessageA(d, IDC_TARGET_VOLATILE_START, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                        reinterpret_cast<LPARAM>(&end));
    focused = GetFocus() == GetDlgItem(d, IDC_TARGET_VOLATILE_START);
    // Steps before the check are done: the target is switched and listed, the caption shows it.
    EXPECT_STREQ(current_target()->name, "MC9S12C32");
    EXPECT_STREQ(recent_device(0), "MC9S12C32");
    EXPECT_EQ(window_text(main),
              "Corvane's Test Bench - Adapter: R41, Not Connected, Target MPU: 'MC9S12C32'");
    TargetMemoryMap map;
    get_target_memory_map(&map);
    EXPECT_EQ(map.volatile_start, 0x1000u) << "the bad field stores nothing";
    EXPECT_EQ(map.initrm, 0xFFu);
    EXPECT_EQ(map.eeprom_end, 0xFE0u);
    EXPECT_EQ(map.flash_last_page, 0x3Fu);
    set_control_text(d, IDC_TARGET_VOLATILE_START, "1100");
    EXPECT_TRUE(boxes_during(d, [&] { press_button(d, IDOK); }).empty());
  });
  EXPECT_EQ(boxes, std::vector<std::string>{"Value check: Illegal hexadecimal value"});
  EXPECT_TRUE(open_after_bad_ok);
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 4u);
  EXPECT_TRUE(focused);
  EXPECT_EQ(result, 1);
  TargetMemoryMap map;
  get_target_memory_map(&map);
  EXPECT_EQ(map.volatile_start, 0x1100u);
  EXPECT_EQ(map.initrm, 0xFFu);

  // Opened again on a known row: the map in force, in enabled fields.
  run([&](HWND d) {
    EXPECT_EQ(selection(d, IDC_TARGET_DERIVATIVE), 8);
    EXPECT_EQ(fields(d), "1100 3FFF FF 400 FE0 0 30 3F");
    // Every bad or empty field gets its own box, in field order.
    set_control_text(d, IDC_TARGET_VOLATILE_END, "");
    set_control_text(d, IDC_TARGET_FLASH_LAST_PAGE, "0x3F");
    EXPECT_EQ(boxes_during(d, [&] { press_button(d, IDOK); }).size(), 2u);
    press_button(d, IDCANCEL);
  });
}

TEST_F(TargetDialog, OkOnARowWithoutAMapClosesWithoutBoxes) {
  select_target_by_name("MC9S12DG256");
  reset_target_map();
  std::vector<std::string> boxes;
  // From the menu (and both toolbars): command 7011.
  const bool shown = with_dialog([&] { EXPECT_EQ(SendMessageA(main, WM_COMMAND, 7011, 0), 0); },
                                 [&](HWND d) {
                                   boxes = boxes_during(d, [&] { press_button(d, IDOK); });
                                   if (IsWindowVisible(d)) EndDialog(d, 99);
                                 });
  EXPECT_TRUE(shown);
  EXPECT_TRUE(boxes.empty()) << boxes.size();
  EXPECT_STREQ(recent_device(0), "unknown");
  EXPECT_EQ(target_known(), 0);
  EXPECT_EQ(window_text(main),
            "Corvane's Test Bench - Adapter: R41, Not Connected, No target MPU selected");
}

// Autodetect against the simulated XF, from a copy of the library of its own: the library reads
// the part from the environment when it is loaded.
TEST(TargetDialogAutodetect, FindsTheConnectedXfWhileTheHcs12ListIsShown) {
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  const std::string copy =
      std::string(folder) + "bdxdll_xf_" + std::to_string(GetCurrentProcessId()) + ".dll";
  ASSERT_TRUE(CopyFileA((exe_folder() + "\\bdxdll.dll").c_str(), copy.c_str(), FALSE));
  SetEnvironmentVariableA("BDXSIM_DERIVATIVE", "XF");
  set_adapter_library_path(copy.c_str());
  set_connected(0);
  HWND main = start_app();
  SetEnvironmentVariableA("BDXSIM_DERIVATIVE", nullptr);
  SendMessageA(main, WM_COMMAND, IDM_CONNECT, 0);
  ASSERT_EQ(get_connected(), 1) << pane_text();
  ASSERT_STREQ(current_target()->name, "XF");
  select_target_by_name("MC9S12C32");

  bool shown = with_dialog([&] { EXPECT_EQ(run_target_dialog(main), 0); }, [&](HWND d) {
    EXPECT_EQ(selection(d, IDC_TARGET_DERIVATIVE), 8);
    EXPECT_FALSE(enabled(d, IDC_TARGET_AUTODETECT)) << "a known row is selected";
    pick(d, IDC_TARGET_DERIVATIVE, 0);
    EXPECT_TRUE(enabled(d, IDC_TARGET_AUTODETECT));
    SetFocus(GetDlgItem(d, IDC_TARGET_AUTODETECT));
    press_button(d, IDC_TARGET_AUTODETECT);
    EXPECT_EQ(selection(d, IDC_TARGET_FAMILY), 1);
    EXPECT_EQ(entries(d, IDC_TARGET_DERIVATIVE), "unknown|XDP|XF");
    EXPECT_EQ(selection(d, IDC_TARGET_DERIVATIVE), 2);
    EXPECT_EQ(fields(d), "400 FFF 0 1000 13FF 11 38 3F");
    EXPECT_FALSE(enabled(d, IDC_TARGET_AUTODETECT));
    EXPECT_NE(GetFocus(), nullptr) << "the focus left the disabled button for a live control";
    EXPECT_STREQ(current_target()->name, "MC9S12C32") << "the target changes only on OK";
    press_button(d, IDCANCEL);
  });
  EXPECT_TRUE(shown);
  EXPECT_EQ(get_family_position(), 1);
  EXPECT_EQ(get_derivative_position(), 2);
  SendMessageA(main, WM_COMMAND, IDM_DISCONNECT, 0);
  stop_app();
  set_adapter_library_path(nullptr);
  set_connected(0);
}

}  // namespace
