// The shell state and the main window: one process-wide record, filled at start-up and by the
// main window's creation handler.
#pragma once
#include <windows.h>

struct ShellState {
  HINSTANCE instance;
  char exe_directory[260];
  char help_file_path[260];
  HBRUSH background_brush;
  HWND main_window;
  HWND message_pane;
  HFONT fixed_font;
  HFONT ui_font;
  HMENU menu_bar;
  HMENU file_menu;
  HMENU adapter_menu;
  HMENU target_menu;
  HMENU help_menu;
  HMENU recent_devices_menu;
  HMENU recent_files_menu;
  HWND adapter_toolbar;
  HWND target_toolbar;
  DWORD_PTR help_cookie;  // HH_INITIALIZE fills it, HH_UNINITIALIZE takes it back
  HWND modeless_dialog;
};

extern ShellState g_shell;

constexpr COLORREF kBackgroundColour = RGB(212, 208, 200);
static_assert(kBackgroundColour == 0x00C8D0D4, "the background colour");
constexpr int kMessagePaneId = 1000;
// A read-only multi-line edit with both scroll bars and no automatic scrolling.
constexpr DWORD kMessagePaneStyle =
    WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_READONLY | ES_MULTILINE;
static_assert(kMessagePaneStyle == 0x50300804, "the message pane's style");
extern const char kMainWindowClass[];            // "CorvaneWindowClass"

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Start-up up to and including bdx_Init: paths, brush, class, main window, message pane, show,
// adapter library. Returns the main window.
HWND start_application(HINSTANCE instance, int show_command);
// The message loop; deletes the brush afterwards and returns the quit code.
int run_message_loop();
