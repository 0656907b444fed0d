#include "programming/programmer_dialog_win.h"

#include <commctrl.h>
#include <commdlg.h>

#include <cstring>
#include <string>

#include "app/commands_win.h"
#include "app/dialog_helpers_win.h"
#include "app/shell_win.h"
#include "programming/programmer.h"
#include "resources/programmer_ids.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"
#include "views/views_win.h"

namespace {

HWND g_running = nullptr;         // the dialog whose run is in progress
bool g_close_after_run = false;   // the main window asked to close during the run
bool g_quit_seen = false;         // the pump took a WM_QUIT off the queue
WPARAM g_quit_code = 0;
char g_browse_path[512] = "";     // the "..." dialog's own path, kept between uses

// --- the dialog's display of a run ---

HWND bar() { return GetDlgItem(g_running, IDC_PROGRAMMER_BAR); }

void dialog_status(const char* text) { SetDlgItemTextA(g_running, IDC_PROGRAMMER_STATUS, text); }
void dialog_set_range(int maximum) {
  SendMessageA(bar(), PBM_SETRANGE, 0, MAKELPARAM(0, maximum));
  SendMessageA(bar(), PBM_SETSTEP, 1, 0);
}
void dialog_set_position(int position) { SendMessageA(bar(), PBM_SETPOS, position, 0); }
int dialog_step() { return static_cast<int>(SendMessageA(bar(), PBM_DELTAPOS, 1, 0)); }

// Hands one message to its window as it is (no translation, no dialog keys). A WM_QUIT is kept
// for the main loop: the run is asked to stop and the quit is posted again once it returned.
bool deliver(const MSG& msg) {
  if (msg.message == WM_QUIT) {
    g_quit_seen = true;
    g_quit_code = msg.wParam;
    programmer_request_abort();
    return false;
  }
  SendMessageA(msg.hwnd, msg.message, msg.wParam, msg.lParam);
  return true;
}
void dialog_deliver_one_message() {
  MSG msg;
  if (!g_quit_seen && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) deliver(msg);
}
void dialog_deliver_messages() {
  MSG msg;
  while (!g_quit_seen && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
    if (!deliver(msg)) break;
}
void dialog_repaint() { UpdateWindow(g_running); }

const ProgrammerSink kDialogSink = PROGRAMMER_SINK_OF(dialog);

// --- the dialog ---

const int kRunControls[] = {IDC_PROGRAMMER_BROWSE, IDC_PROGRAMMER_SETTINGS, IDC_PROGRAMMER_FILE,
                            IDC_PROGRAMMER_START, IDC_PROGRAMMER_DONE};

void set_idle_controls(HWND dialog, bool idle) {
  for (int id : kRunControls) enable_item(dialog, id, idle);
  enable_item(dialog, IDC_PROGRAMMER_ABORT, !idle);
  UpdateWindow(dialog);
}

void browse(HWND dialog) {
  static const char kFilter[] = "S-format \0*.22;*.s3;*.s1;*.s19\0Any File (*.*)\0*.*\0";
  OPENFILENAMEA ofn;
  std::memset(&ofn, 0, sizeof ofn);
  ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;  // the 76-byte form every Windows takes
  ofn.hwndOwner = dialog;
  ofn.lpstrFilter = kFilter;
  ofn.lpstrFile = g_browse_path;
  ofn.nMaxFile = sizeof g_browse_path;
  ofn.lpstrTitle = "Reprogram Target";
  ofn.Flags = OFN_PATHMUSTEXIST;
  ofn.lpstrDefExt = "";
  if (!GetOpenFileNameA(&ofn)) return;
  g_programmer.file_path = g_browse_path;
  SetDlgItemTextA(dialog, IDC_PROGRAMMER_FILE, display_path(g_programmer.file_path, 48).c_str());
}

void start(HWND dialog) {
  if (programmer_busy()) {
    // Another dialog's run is talking to the adapter library.
    SetDlgItemTextA(dialog, IDC_PROGRAMMER_STATUS, "Programmer is busy");
    return;
  }
  set_idle_controls(dialog, false);
  g_programmer.abort_flag = 0;
  g_programmer.program_flash = IsDlgButtonChecked(dialog, IDC_PROGRAMMER_PROGRAM) == BST_CHECKED;
  g_programmer.verify_flash = IsDlgButtonChecked(dialog, IDC_PROGRAMMER_VERIFY) == BST_CHECKED;
  g_running = dialog;
  // From here on the library is busy: the commands that would talk to it rest.
  g_programmer.idle = false;
  update_toolbars();
  update_toolbar_states();
  const std::string path = g_programmer.file_path;
  const int ok = programmer_run(path.c_str(), kDialogSink);
  g_running = nullptr;
  update_toolbars();
  update_toolbar_states();
  const bool closing = g_close_after_run || g_quit_seen;
  if (ok && !closing) {
    add_recent_file(path.c_str());
    refresh_views();
  }
  set_idle_controls(dialog, true);
  if (g_quit_seen) {
    g_quit_seen = false;
    PostQuitMessage(static_cast<int>(g_quit_code));
  }
  if (g_close_after_run) {
    g_close_after_run = false;
    if (g_shell.main_window) DestroyWindow(g_shell.main_window);  // the dialogs go with it
  }
}

INT_PTR CALLBACK programmer_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      center_dialog(dialog);
      SetDlgItemTextA(dialog, IDC_PROGRAMMER_STATUS, "");
      SetDlgItemTextA(dialog, IDC_PROGRAMMER_FILE, g_programmer.file_path.c_str());
      send_item(dialog, IDC_PROGRAMMER_FILE, EM_SETREADONLY, TRUE);
      set_idle_controls(dialog, true);
      CheckDlgButton(dialog, IDC_PROGRAMMER_PROGRAM, BST_CHECKED);
      CheckDlgButton(dialog, IDC_PROGRAMMER_VERIFY, BST_UNCHECKED);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDC_PROGRAMMER_BROWSE: browse(dialog); return TRUE;
        case IDC_PROGRAMMER_SETTINGS:
          send_command(g_shell.main_window, IDM_SELECT_DEVICE);
          return TRUE;
        case IDC_PROGRAMMER_START: start(dialog); return TRUE;
        case IDC_PROGRAMMER_ABORT: programmer_request_abort(); return TRUE;
        case IDC_PROGRAMMER_DONE:
          // Also the close box and Escape: never while this dialog's run uses it.
          if (dialog == g_running) return TRUE;
          if (g_shell.modeless_dialog == dialog) g_shell.modeless_dialog = nullptr;
          DestroyWindow(dialog);
          return TRUE;
        default: return FALSE;
      }
    case WM_SETFOCUS:
      if (programmer_busy()) UpdateWindow(g_shell.main_window);
      return TRUE;
    case WM_DESTROY:
      // Destroyed with its owner: the main loop must not offer messages to it any more.
      if (g_shell.modeless_dialog == dialog) g_shell.modeless_dialog = nullptr;
      return FALSE;
    default: return FALSE;
  }
}

}  // namespace

HWND open_programmer_dialog(HWND owner) {
  HWND dialog = create_modeless_dialog(owner, "CORVANE_PROGRAMMER", programmer_dialog_proc);
  g_shell.modeless_dialog = dialog;
  return dialog;
}

void programmer_close_main_window_after_run() {
  programmer_request_abort();
  g_close_after_run = true;
}
