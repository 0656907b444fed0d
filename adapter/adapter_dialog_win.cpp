#include "adapter/adapter_dialog_win.h"

#include <cstdio>
#include <string>
#include <vector>

#include "adapter/adapter_settings.h"
#include "adapter/connection.h"
#include "app/dialog_helpers_win.h"
#include "resources/adapter_dialog_ids.h"
#include "resources/resource_ids.h"

namespace {

port_probe_fn g_probe = port_exists;

HWND owner_of(HWND dialog) { return GetWindow(dialog, GW_OWNER); }

void fill_combo(HWND dialog, int id, const std::vector<std::string>& entries, int selected) {
  send_item(dialog, id, CB_RESETCONTENT);
  for (size_t i = 0; i < entries.size(); ++i)
    send_item(dialog, id, CB_INSERTSTRING, i, reinterpret_cast<LPARAM>(entries[i].c_str()));
  if (selected >= 0) send_item(dialog, id, CB_SETCURSEL, selected);
}

// Text of the selected entry of a combo box; false when nothing is selected.
bool selected_text(HWND dialog, int id, std::string* text) {
  const LRESULT sel = send_item(dialog, id, CB_GETCURSEL);
  if (sel == CB_ERR) return false;
  const LRESULT length = send_item(dialog, id, CB_GETLBTEXTLEN, sel);
  text->clear();
  if (length <= 0) return true;
  std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
  send_item(dialog, id, CB_GETLBTEXT, sel, reinterpret_cast<LPARAM>(buffer.data()));
  text->assign(buffer.data());
  return true;
}

void show_connected(HWND dialog) {
  SetDlgItemTextA(dialog, IDC_ADAPTER_STATUS, "Connected");
  enable_item(dialog, IDC_ADAPTER_TYPE, false);
  enable_item(dialog, IDC_ADAPTER_PORT, false);
  enable_item(dialog, IDC_ADAPTER_CLOCK, false);
  // The button that takes the focus is enabled before the one that gives it up.
  enable_item(dialog, IDC_ADAPTER_DISCONNECT, true);
  enable_item_keeping_focus(dialog, IDC_ADAPTER_CONNECT, false, IDC_ADAPTER_DISCONNECT);
}

void show_disconnected(HWND dialog) {
  SetDlgItemTextA(dialog, IDC_ADAPTER_STATUS, "Disconnected");
  enable_item(dialog, IDC_ADAPTER_TYPE, true);
  // Only the serial adapter has a port to choose; the box stays as fill_adapter_dialog left it.
  enable_item(dialog, IDC_ADAPTER_PORT, adapter_dialog_selection().type == ADAPTER_R41);
  enable_item(dialog, IDC_ADAPTER_CLOCK, true);
  enable_item(dialog, IDC_ADAPTER_CONNECT, true);
  enable_item_keeping_focus(dialog, IDC_ADAPTER_DISCONNECT, false, IDC_ADAPTER_CONNECT);
}

void on_ok(HWND dialog) {
  read_adapter_dialog(dialog);
  const AdapterSelection s = adapter_dialog_selection();
  set_adapter_type(s.type);
  set_adapter_port(s.type == ADAPTER_R42 ? -1 : s.port);
  refresh_caption(owner_of(dialog));
  set_target_clock(s.target_clock);
  EndDialog(dialog, 1);
}

void on_connect(HWND dialog) {
  read_adapter_dialog(dialog);
  if (connect_adapter_selection() != kConnectDone) return;  // failure reported, or not connectable
  send_command(owner_of(dialog), IDM_CONNECT_VIEWS);
  refresh_caption(owner_of(dialog));
  // The main window closes the connection again when it cannot set up the target views.
  if (get_connected())
    show_connected(dialog);
  else
    show_disconnected(dialog);
}

void on_disconnect(HWND dialog) {
  send_command(owner_of(dialog), IDM_DISCONNECT);
  show_disconnected(dialog);
}
}  // namespace

void set_port_probe(port_probe_fn probe) { g_probe = probe ? probe : port_exists; }

int port_exists(int index) {
  // The device namespace form opens COM10 and above too.
  char name[32];
  std::snprintf(name, sizeof name, "\\\\.\\COM%lld", static_cast<long long>(index) + 1);
  HANDLE port = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  if (port == INVALID_HANDLE_VALUE) return 0;
  CloseHandle(port);
  return 1;
}

void fill_adapter_dialog(HWND dialog) {
  const AdapterSelection s = adapter_dialog_selection();
  fill_combo(dialog, IDC_ADAPTER_TYPE, {"R41", "R42", "R43"}, s.type);

  std::vector<std::string> entries;
  int selected = -1;
  switch (s.type) {
    case ADAPTER_R41:
      enable_item(dialog, IDC_ADAPTER_PORT, true);
      selected = build_port_entries(s.port, g_probe, &entries);
      fill_combo(dialog, IDC_ADAPTER_PORT, entries, selected);
      break;
    case ADAPTER_R42:
      fill_combo(dialog, IDC_ADAPTER_PORT, {"(USB)"}, 0);
      enable_item(dialog, IDC_ADAPTER_PORT, false);
      break;
    case ADAPTER_R43:
      enable_item(dialog, IDC_ADAPTER_PORT, false);
      break;
    default:
      break;
  }
  if (build_clock_entries(s.type, s.target_clock, &entries, &selected))
    fill_combo(dialog, IDC_ADAPTER_CLOCK, entries, selected);
  SetDlgItemTextA(dialog, IDC_ADAPTER_DESCRIPTION, adapter_description(s.type));
}

void read_adapter_dialog(HWND dialog) {
  AdapterSelection s = adapter_dialog_selection();
  s.type = static_cast<int32_t>(send_item(dialog, IDC_ADAPTER_TYPE, CB_GETCURSEL));
  std::string text;
  if (selected_text(dialog, IDC_ADAPTER_PORT, &text)) {
    int port = s.port;
    if (parse_port_text(text.c_str(), &port)) s.port = port;
  }
  if (selected_text(dialog, IDC_ADAPTER_CLOCK, &text)) s.target_clock = parse_clock_text(text.c_str());
  set_adapter_dialog_selection(s);
}

INT_PTR CALLBACK adapter_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      AdapterSelection s = adapter_dialog_selection();
      s.type = get_adapter_type() < 0 ? 0 : get_adapter_type();
      // The USB adapter's settings carry no serial port (-1): the selection keeps the last one.
      if (get_adapter_port() >= 0) s.port = get_adapter_port();
      s.target_clock = get_target_clock();
      set_adapter_dialog_selection(s);
      fill_adapter_dialog(dialog);
      if (get_connected())
        show_connected(dialog);
      else
        show_disconnected(dialog);
      center_dialog(dialog);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDOK: on_ok(dialog); break;
        case IDCANCEL: EndDialog(dialog, 0); break;
        case IDC_ADAPTER_CONNECT: on_connect(dialog); break;
        case IDC_ADAPTER_DISCONNECT: on_disconnect(dialog); break;
        case IDC_ADAPTER_TYPE:
          if (HIWORD(wparam) == CBN_CLOSEUP) {
            read_adapter_dialog(dialog);
            fill_adapter_dialog(dialog);
          }
          break;
        default: break;
      }
      return TRUE;
    default:
      return FALSE;
  }
}

INT_PTR run_adapter_dialog(HWND owner) {
  return run_dialog(owner, "CORVANE_ADAPTER", adapter_dialog_proc);
}
