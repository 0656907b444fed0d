#include "app/about_win.h"

#include "app/dialog_helpers_win.h"
#include "app/html_help_win.h"
#include "app/shell_win.h"
#include "resources/resource_ids.h"

const char kVersionText[] = "Version 0.9.3";

INT_PTR CALLBACK about_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SetDlgItemTextA(dialog, IDC_ABOUT_VERSION, kVersionText);
      center_dialog(dialog);
      return TRUE;
    case WM_COMMAND:
      // Only OK (or Enter) closes the box; Escape and the close box do not.
      if (LOWORD(wparam) == IDOK) {
        EndDialog(dialog, 1);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

void run_about_box(HWND owner) {
  run_dialog(owner, "QRX_ABOUT", about_dialog_proc);
}

void show_help() {
  html_help(GetDesktopWindow(), g_shell.help_file_path, kHhDisplayTopic, 0);
}
