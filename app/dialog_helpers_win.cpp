#include "app/dialog_helpers_win.h"

#include "app/shell_win.h"
#include "app/title_win.h"

namespace {
caption_fn g_caption = update_title;

// The templates are resources of the program itself (the GUI tests link them in too); before
// start-up has recorded the instance, the program's module is the same one.
HINSTANCE template_module() {
  return g_shell.instance ? g_shell.instance : GetModuleHandleA(nullptr);
}
}  // namespace

void center_dialog(HWND dialog) {
  int width;
  int height;
  HWND parent = GetParent(dialog);
  if (parent) {
    RECT client;
    GetClientRect(parent, &client);
    width = client.right - client.left;
    height = client.bottom - client.top;
  } else {
    width = GetSystemMetrics(SM_CXSCREEN);
    height = GetSystemMetrics(SM_CYSCREEN);
  }
  RECT own;
  GetWindowRect(dialog, &own);
  int w = own.right - own.left;
  int h = own.bottom - own.top;
  SetWindowPos(dialog, nullptr, width / 2 - w / 2, height / 2 - h / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER);
}

LRESULT send_item(HWND dialog, int id, UINT message, WPARAM wparam, LPARAM lparam) {
  return SendDlgItemMessageA(dialog, id, message, wparam, lparam);
}

std::string window_text(HWND window, int size) {
  if (size <= 0) return std::string();
  std::string text(static_cast<size_t>(size), '\0');
  const int n = GetWindowTextA(window, &text[0], size);
  text.resize(static_cast<size_t>(n > 0 ? n : 0));
  return text;
}

std::string item_text(HWND dialog, int id, int size) {
  return window_text(GetDlgItem(dialog, id), size);
}

void enable_item(HWND dialog, int id, bool on) { EnableWindow(GetDlgItem(dialog, id), on); }

void enable_item_keeping_focus(HWND dialog, int id, bool on, int heir) {
  HWND item = GetDlgItem(dialog, id);
  if (!on && GetFocus() == item) focus_control(dialog, GetDlgItem(dialog, heir));
  EnableWindow(item, on);
}

void focus_control(HWND dialog, HWND control) {
  SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

INT_PTR run_dialog(HWND owner, const char* name, DLGPROC proc) {
  return DialogBoxParamA(template_module(), name, owner, proc, 0);
}

HWND create_modeless_dialog(HWND owner, const char* name, DLGPROC proc) {
  return CreateDialogParamA(template_module(), name, owner, proc, 0);
}

void send_command(HWND window, int command) {
  SendMessageA(window, WM_COMMAND, static_cast<WPARAM>(command), 0);
}

void refresh_caption(HWND owner) { g_caption(owner); }

void set_caption_hook(caption_fn hook) { g_caption = hook ? hook : update_title; }
