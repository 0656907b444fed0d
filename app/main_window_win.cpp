// Start-up, the main window procedure's lifecycle messages and the message loop.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "adapter/adapter_settings.h"
#include "adapter/bdx.h"
#include "adapter/bdx_loader_win.h"
#include "app/commands_win.h"
#include "app/html_help_win.h"
#include "app/message_pane.h"
#include "app/shell_win.h"
#include "app/title_win.h"
#include "buffer/buffer_store.h"
#include "settings/settings.h"
#include "target/catalogue.h"
#include "app/view_input_win.h"
#include "programming/programmer.h"
#include "programming/programmer_dialog_win.h"
#include "views/memory_view.h"
#include "views/register_view.h"
#include "views/view_layout.h"

ShellState g_shell;
const char kMainWindowClass[] = "CorvaneWindowClass";

namespace {

// The message pane seam over the Edit control: insert at the selection, not undoable.
int pane_replace_selection(const char* text) {
  if (!g_shell.message_pane) return 0;
  return static_cast<int>(
      SendMessageA(g_shell.message_pane, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text)));
}

void pane_clear() {
  if (g_shell.message_pane)
    SendMessageA(g_shell.message_pane, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
}

const PaneSeam kEditPane = PANE_SEAM_OF(pane);

constexpr BYTE kFixedFontPitch = FIXED_PITCH | FF_MODERN;
static_assert(kFixedFontPitch == 0x31, "the fixed font's pitch and family");
constexpr BYTE kUiFontPitch = DEFAULT_PITCH | FF_MODERN;
static_assert(kUiFontPitch == 0x30, "the UI font's pitch and family");

int font_height(HDC dc, int points) { return -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72); }

void create_fonts(HWND window) {
  HDC dc = GetDC(window);
  LOGFONTA font;
  std::memset(&font, 0, sizeof font);
  font.lfHeight = font_height(dc, 10);
  font.lfPitchAndFamily = kFixedFontPitch;
  std::strcpy(font.lfFaceName, "Courier");
  g_shell.fixed_font = CreateFontIndirectA(&font);
  std::strcpy(font.lfFaceName, "MS Sans Serif");
  font.lfPitchAndFamily = kUiFontPitch;
  font.lfHeight = font_height(dc, 8);
  font.lfWidth = 0;
  g_shell.ui_font = CreateFontIndirectA(&font);
  ReleaseDC(window, dc);
}

LRESULT on_create(HWND window) {
  g_shell.main_window = window;
  create_fonts(window);
  install_shell_hooks();
  create_menus(window);
  set_current_target(nullptr);
  g_view_layout.shown = 0;
  reset_target_map();
  set_adapter_defaults();
  buffer_init();
  load_settings();  // stored adapter settings replace the defaults
  update_title(window);
  create_toolbars(window);
  update_toolbars();
  html_help(nullptr, nullptr, kHhInitialize, reinterpret_cast<DWORD_PTR>(&g_shell.help_cookie));
  return 1;
}

LRESULT on_size(HWND window, WPARAM wparam, LPARAM lparam) {
  if (wparam == SIZE_MINIMIZED) return DefWindowProcA(window, WM_SIZE, wparam, lparam);
  if (g_shell.adapter_toolbar) SendMessageA(g_shell.adapter_toolbar, TB_AUTOSIZE, 0, 0);
  int width = LOWORD(lparam);
  int height = HIWORD(lparam);
  int top;
  int pane_height;
  if (g_view_layout.shown) {
    top = g_view_layout.bottom;
    pane_height = height - g_view_layout.bottom;
  } else {
    top = height / 2;
    pane_height = height / 2;
  }
  if (pane_height < 0) pane_height = 0;
  if (g_shell.message_pane) MoveWindow(g_shell.message_pane, 0, top, width, pane_height, TRUE);
  return 1;
}

// The views' labels, painted on the window's own colour; without views the class background
// is all there is.
LRESULT on_paint(HWND window, WPARAM wparam, LPARAM lparam) {
  if (!g_view_layout.shown) return DefWindowProcA(window, WM_PAINT, wparam, lparam);
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  SelectObject(dc, g_shell.ui_font);
  SetBkColor(dc, kBackgroundColour);
  const RegisterViewState& registers = g_register_view;
  TextOutA(dc, registers.title_x, registers.title_y, registers.title,
           static_cast<int>(std::strlen(registers.title)));
  const char* caption = memory_view_caption();
  TextOutA(dc, g_memory_view.caption_x, g_memory_view.caption_y, caption,
           static_cast<int>(std::strlen(caption)));
  for (int n = 0; n < registers.count; ++n) {
    const RegisterField& f = registers.fields[n];
    char label[32];
    std::snprintf(label, sizeof label, f.dirty ? "%s (dirty)" : "%s", f.label);
    TextOutA(dc, f.label_x, f.label_y, label, static_cast<int>(std::strlen(label)));
  }
  EndPaint(window, &paint);
  return 0;
}

LRESULT on_destroy(HWND window, WPARAM wparam, LPARAM lparam) {
  save_settings();
  destroy_menus();
  if (g_shell.fixed_font) DeleteObject(g_shell.fixed_font);
  if (g_shell.ui_font) DeleteObject(g_shell.ui_font);
  g_shell.fixed_font = g_shell.ui_font = nullptr;
  buffer_clear();
  html_help(nullptr, nullptr, kHhUninitialize, g_shell.help_cookie);
  PostQuitMessage(0);
  return DefWindowProcA(window, WM_DESTROY, wparam, lparam);
}

}  // namespace

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      return on_create(window);
    case WM_SIZE:
      return on_size(window, wparam, lparam);
    case WM_PAINT:
      return on_paint(window, wparam, lparam);
    case WM_DESTROY:
      return on_destroy(window, wparam, lparam);
    case WM_COMMAND:
      return on_command(window, wparam, lparam);
    case WM_NOTIFY:
      tooltip_text(lparam);
      return DefWindowProcA(window, message, wparam, lparam);
    case WM_VSCROLL:
      on_vscroll(wparam, lparam);
      return 0;
    case WM_INITMENUPOPUP:
      on_init_menu_popup();
      return 0;
    case WM_CLOSE:
      // During a programmer run the window and the dialog are still in use: the run is asked to
      // stop, and the window closes once it has returned.
      if (programmer_busy()) {
        programmer_close_main_window_after_run();
        return 0;
      }
      return DefWindowProcA(window, message, wparam, lparam);
    case WM_NCDESTROY:
      // The pane went with its parent; later reports have nowhere to go.
      if (window == g_shell.main_window) {
        g_shell.message_pane = nullptr;
        g_shell.main_window = nullptr;
      }
      return DefWindowProcA(window, message, wparam, lparam);
    default:
      return DefWindowProcA(window, message, wparam, lparam);
  }
}

namespace {
// Fills the executable's folder and the help file path; both empty when the path is unknown.
void compute_paths(HINSTANCE instance) {
  char path[260];
  DWORD n = GetModuleFileNameA(instance, path, sizeof path);
  if (n == 0 || n >= sizeof path) {
    // A failed or truncated path cannot name the folder.
    g_shell.exe_directory[0] = '\0';
    g_shell.help_file_path[0] = '\0';
    return;
  }
  path[n] = '\0';
  char* slash = std::strrchr(path, '\\');
  if (slash) *slash = '\0';
  std::snprintf(g_shell.exe_directory, sizeof g_shell.exe_directory, "%s", path);
  static const char kHelpName[] = "\\CorvanesTestBench.chm";
  if (std::strlen(g_shell.exe_directory) + sizeof kHelpName > sizeof g_shell.help_file_path)
    g_shell.help_file_path[0] = '\0';  // does not fit: no help rather than the wrong file
  else
    std::snprintf(g_shell.help_file_path, sizeof g_shell.help_file_path, "%s%s",
                  g_shell.exe_directory, kHelpName);
}
}  // namespace

HWND start_application(HINSTANCE instance, int show_command) {
  g_shell.instance = instance;
  compute_paths(instance);
  g_shell.background_brush = CreateSolidBrush(kBackgroundColour);

  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);

  WNDCLASSEXA wc;
  std::memset(&wc, 0, sizeof wc);
  wc.cbSize = sizeof wc;
  wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  wc.lpfnWndProc = main_window_proc;
  wc.cbWndExtra = 4;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, "ICON_QRX");
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = g_shell.background_brush;
  wc.lpszClassName = kMainWindowClass;
  RegisterClassExA(&wc);

  CreateWindowExA(WS_EX_WINDOWEDGE, kMainWindowClass, "Corvane",
                  WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                  CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);

  g_shell.message_pane = CreateWindowExA(
      WS_EX_STATICEDGE, "Edit", "", kMessagePaneStyle, 0, 0, 0, 0, g_shell.main_window,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kMessagePaneId)), instance, nullptr);
  SendMessageA(g_shell.message_pane, WM_SETFONT, reinterpret_cast<WPARAM>(g_shell.ui_font), FALSE);
  pane_set_seam(&kEditPane);

  ShowWindow(g_shell.main_window, show_command);
  UpdateWindow(g_shell.main_window);

  load_adapter_library();
  bdx_Init(append_line);
  return g_shell.main_window;
}

int run_message_loop() {
  MSG msg = {};  // a failing GetMessageA leaves it untouched: exit code 0
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (html_help(nullptr, nullptr, kHhPretranslateMessage, reinterpret_cast<DWORD_PTR>(&msg)))
      continue;
    if (g_shell.modeless_dialog && IsDialogMessageA(g_shell.modeless_dialog, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (g_shell.background_brush) DeleteObject(g_shell.background_brush);
  g_shell.background_brush = nullptr;
  return static_cast<int>(msg.wParam);
}
