// The About box, the help command and the program's resources (icon, toolbar bitmaps, version).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "adapter/bdx_loader_win.h"
#include "app/about_win.h"
#include "app/html_help_win.h"
#include "app/shell_win.h"
#include "resources/resource_ids.h"
#include "tests/gui_support/app_harness_win.h"
#include "views/view_layout.h"

namespace {

struct AboutTest : testing::Test {
  HWND main = nullptr;
  void SetUp() override {
    set_adapter_library_path(nullptr);
    html_help_reset(nullptr, nullptr);
    g_view_layout = ViewLayout{0, 0};
    main = start_app();
  }
  void TearDown() override {
    html_help(nullptr, nullptr, 0x12 /* HH_CLOSE_ALL */, 0);
    if (g_shell.main_window) stop_app();
    html_help_reset(nullptr, nullptr);
  }
};

std::string class_of(HWND w) {
  char cls[64] = {0};
  GetClassNameA(w, cls, sizeof cls);
  return cls;
}

BOOL CALLBACK collect(HWND w, LPARAM lp) {
  reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
  return TRUE;
}

std::vector<HWND> children(HWND parent) {
  std::vector<HWND> all;
  EnumChildWindows(parent, collect, reinterpret_cast<LPARAM>(&all));
  return all;
}

// The help windows of this process (HTML Help names its frame "HH Parent").
std::vector<HWND> help_windows() {
  std::vector<HWND> all, found;
  EnumWindows(collect, reinterpret_cast<LPARAM>(&all));
  for (HWND w : all) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == GetCurrentProcessId() && class_of(w) == "HH Parent" && IsWindowVisible(w))
      found.push_back(w);
  }
  return found;
}

TEST_F(AboutTest, AboutBoxShowsNameAndVersion) {
  std::string caption, version, statics;
  HWND owner = nullptr;
  int icons = 0;
  RECT box = {};
  ASSERT_TRUE(with_dialog([&] { EXPECT_EQ(SendMessageA(main, WM_COMMAND, IDM_ABOUT, 0), 0); },
                          [&](HWND dialog) {
                            caption = window_text(dialog);
                            owner = GetWindow(dialog, GW_OWNER);
                            version = control_text(dialog, IDC_ABOUT_VERSION);
                            GetWindowRect(dialog, &box);
                            for (HWND c : children(dialog)) {
                              if (class_of(c) != "Static") continue;
                              if ((GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
                                ++icons;
                                EXPECT_TRUE(SendMessageA(c, STM_GETICON, 0, 0) != 0);
                              } else {
                                statics += window_text(c) + "|";
                              }
                            }
                            press_button(dialog, IDOK);
                          }));
  EXPECT_EQ(caption, "About");
  EXPECT_EQ(owner, main);
  EXPECT_EQ(version, "Version 0.9.3");
  EXPECT_EQ(icons, 1);
  EXPECT_EQ(statics.substr(0, statics.find('|')), "Corvanes Test Bench");
  // Centred on a rectangle of the main window's client size at the screen's origin.
  RECT client;
  GetClientRect(main, &client);
  const int w = box.right - box.left, h = box.bottom - box.top;
  EXPECT_EQ(box.left, client.right / 2 - w / 2);
  EXPECT_EQ(box.top, client.bottom / 2 - h / 2);
}

// A control as "class id x,y wxh" in dialog units, read back from the laid-out dialog; the
// icon sizes itself to the icon, so only its place is given.
std::string describe_in_dialog_units(HWND dialog, HWND control) {
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&r), 2);
  RECT base = {0, 0, 4000, 8000};  // 1000 horizontal and vertical base units in pixels
  MapDialogRect(dialog, &base);
  auto x = [&](LONG px) { return std::to_string((px * 4000 + base.right / 2) / base.right); };
  auto y = [&](LONG px) { return std::to_string((px * 8000 + base.bottom / 2) / base.bottom); };
  std::string d = class_of(control) + " " + std::to_string(GetDlgCtrlID(control)) + " " +
                  x(r.left) + "," + y(r.top);
  const bool icon = (GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
                    class_of(control) == "Static";
  if (!icon) d += " " + x(r.right - r.left) + "x" + y(r.bottom - r.top);
  return d;
}

TEST_F(AboutTest, AboutBoxTemplate) {
  std::vector<std::string> found;
  RECT client = {}, size = {0, 0, 186, 61};
  DWORD style = 0, ex_style = 0;
  LOGFONTA font = {};
  ASSERT_TRUE(with_dialog([&] { SendMessageA(main, WM_COMMAND, IDM_ABOUT, 0); },
                          [&](HWND dialog) {
                            GetClientRect(dialog, &client);
                            MapDialogRect(dialog, &size);
                            style = static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE));
                            ex_style = static_cast<DWORD>(GetWindowLongA(dialog, GWL_EXSTYLE));
                            HGDIOBJ f = reinterpret_cast<HGDIOBJ>(
                                SendMessageA(dialog, WM_GETFONT, 0, 0));
                            GetObjectA(f, sizeof font, &font);
                            for (HWND c : children(dialog))
                              found.push_back(describe_in_dialog_units(dialog, c));
                            press_button(dialog, IDOK);
                          }));
  EXPECT_EQ(client.right, size.right);
  EXPECT_EQ(client.bottom, size.bottom);
  const DWORD frame = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  EXPECT_EQ(style & frame, frame);
  EXPECT_TRUE(ex_style & WS_EX_DLGMODALFRAME);
  EXPECT_STREQ(font.lfFaceName, "MS Shell Dlg");
  const std::vector<std::string> expected = {
      "Button 1 129,7 50x14",  "Static -1 7,7",         "Static -1 31,7 81x10",
      "Edit 1095 29,18 86x12", "Static -1 7,34 161x10", "Static -1 7,44 81x10"};
  ASSERT_EQ(found.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(found[i], expected[i]) << i;
}

TEST_F(AboutTest, AboutBoxClosesOnlyThroughOkOrEnter) {
  bool still_open_after_escape = false, still_open_after_close = false;
  ASSERT_TRUE(with_dialog([&] { SendMessageA(main, WM_COMMAND, IDM_ABOUT, 0); },
                          [&](HWND dialog) {
                            // Escape arrives as IDCANCEL; the close box as WM_CLOSE.
                            SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                            still_open_after_escape = IsWindow(dialog) && IsWindowVisible(dialog);
                            SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
                            pump_messages(50);
                            still_open_after_close = IsWindow(dialog) && IsWindowVisible(dialog);
                            // Enter on the dialog: the dialog manager turns it into IDOK.
                            SetFocus(GetDlgItem(dialog, IDC_ABOUT_VERSION));
                            PostMessageA(GetFocus(), WM_KEYDOWN, VK_RETURN, 0);
                            PostMessageA(GetFocus(), WM_KEYUP, VK_RETURN, 0);
                          }));
  EXPECT_TRUE(still_open_after_escape);
  EXPECT_TRUE(still_open_after_close);
  // with_dialog returned: Enter ended the box.
  std::vector<HWND> all;
  EnumThreadWindows(GetCurrentThreadId(), collect, reinterpret_cast<LPARAM>(&all));
  for (HWND w : all) EXPECT_FALSE(class_of(w) == "#32770" && IsWindowVisible(w));
}

TEST_F(AboutTest, HelpOpensTheHelpFileOutsideTheMainWindow) {
  const std::string chm = exe_folder() + "\\CorvanesTestBench.chm";
  ASSERT_NE(GetFileAttributesA(chm.c_str()), INVALID_FILE_ATTRIBUTES) << chm;
  EXPECT_EQ(std::string(g_shell.help_file_path), chm);
  EXPECT_EQ(SendMessageA(main, WM_COMMAND, IDM_HELP, 0), 0);
  pump_messages(200);
  std::vector<HWND> help = help_windows();
  ASSERT_EQ(help.size(), 1u);
  EXPECT_NE(GetWindow(help[0], GW_OWNER), main);
  EXPECT_NE(GetParent(help[0]), main);
  EXPECT_NE(window_text(help[0]).find("Corvane's Test Bench"), std::string::npos)
      << window_text(help[0]);
  EXPECT_EQ(pane_text().find("COMMAND"), std::string::npos);
}

TEST_F(AboutTest, HelpWithoutTheHelpFileShowsNothingAndReportsNothing) {
  std::strcpy(g_shell.help_file_path, (exe_folder() + "\\NoSuchHelp.chm").c_str());
  const std::string before = pane_text();
  EXPECT_EQ(SendMessageA(main, WM_COMMAND, IDM_HELP, 0), 0);
  pump_messages(200);
  EXPECT_TRUE(help_windows().empty());
  EXPECT_EQ(pane_text(), before);
  EXPECT_TRUE(IsWindow(main));
}

TEST_F(AboutTest, HelpWithoutHtmlHelpDoesNothing) {
  html_help_reset("CLSID\\{00000000-0000-0000-0000-000000000000}\\InprocServer32",
                  "no-such-control.ocx");
  const std::string before = pane_text();
  EXPECT_EQ(SendMessageA(main, WM_COMMAND, IDM_HELP, 0), 0);
  pump_messages(50);
  EXPECT_TRUE(help_windows().empty());
  EXPECT_EQ(pane_text(), before);
}

// --- resources ---

TEST(Resources, ToolbarBitmapsAreSixteenColourStrips) {
  struct Strip {
    int id;
    int width;
  } strips[] = {{IDB_ADAPTER_TOOLBAR, 50}, {IDB_TARGET_TOOLBAR, 178}};
  for (const Strip& s : strips) {
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(s.id), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    ASSERT_TRUE(found != nullptr) << s.id;
    const BITMAPINFOHEADER* info =
        static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(nullptr, found)));
    EXPECT_EQ(info->biWidth, s.width) << s.id;
    EXPECT_EQ(info->biHeight, 16) << s.id;
    EXPECT_EQ(info->biBitCount, 4) << s.id;
    // Every picture differs from a blank button and from its neighbours.
    const int stride = ((s.width * 4 + 31) / 32) * 4;
    const unsigned char* bits =
        reinterpret_cast<const unsigned char*>(info) + info->biSize + 16 * 4;
    auto pixel = [&](int x, int y) {
      unsigned char b = bits[(15 - y) * stride + x / 2];
      return x % 2 ? (b & 15) : (b >> 4);
    };
    std::vector<std::string> pictures;
    for (int i = 0; i < (s.width - 2) / 16; ++i) {
      std::string p;
      int drawn = 0;
      for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
          int v = pixel(16 * i + x, y);
          p += static_cast<char>('a' + v);
          drawn += v != 7;
          if (y == 15) {
            EXPECT_EQ(v, 7) << "bottom row of picture " << i;
          }
        }
      EXPECT_GT(drawn, 20) << "picture " << i << " of " << s.id;
      pictures.push_back(p);
    }
    for (size_t i = 1; i < pictures.size(); ++i) EXPECT_NE(pictures[i], pictures[i - 1]);
  }
}

TEST(Resources, IconAndVersion) {
  HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), "ICON_QRX", IMAGE_ICON, 32,
                                             32, 0));
  ASSERT_TRUE(icon != nullptr);
  ICONINFO info;
  ASSERT_TRUE(GetIconInfo(icon, &info));
  BITMAP bm;
  GetObjectA(info.hbmMask, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, 32);
  DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  DestroyIcon(icon);

  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16) /* RT_VERSION */);
  ASSERT_TRUE(found != nullptr);
  const unsigned char* data = static_cast<const unsigned char*>(LockResource(LoadResource(nullptr, found)));
  const DWORD size = SizeofResource(nullptr, found);
  // The fixed part: signature 0xFEEF04BD, then file and product version 0.9.3.0.
  const VS_FIXEDFILEINFO* fixed = nullptr;
  for (DWORD i = 0; i + sizeof(VS_FIXEDFILEINFO) <= size; i += 4)
    if (*reinterpret_cast<const DWORD*>(data + i) == 0xFEEF04BD) {
      fixed = reinterpret_cast<const VS_FIXEDFILEINFO*>(data + i);
      break;
    }
  ASSERT_TRUE(fixed != nullptr);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00000009u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00030000u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00000009u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00030000u);
  // The texts are UTF-16 in the resource.
  auto has = [&](const char* text) {
    std::string wide;
    for (const char* c = text; *c; ++c) wide += std::string(1, *c) + std::string(1, '\0');
    return std::string(reinterpret_cast<const char*>(data), size).find(wide) != std::string::npos;
  };
  EXPECT_TRUE(has("Corvanes Test Bench"));
  EXPECT_TRUE(has("0, 9, 3, 0"));
}

}  // namespace
