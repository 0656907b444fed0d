#include "target/target_dialog_win.h"

#include "adapter/adapter_settings.h"
#include "app/dialog_helpers_win.h"
#include "resources/target_dialog_ids.h"
#include "settings/settings.h"
#include "target/catalogue.h"
#include "target/target_dialog.h"
#include "views/hex_field_win.h"

namespace {

// Set while OK checks the fields: its message boxes have no owner, so the dialog stays usable
// under them, and a second OK or a Cancel must wait until the check is over.
bool g_checking = false;

// Enables or disables a control; a control about to be disabled hands the keyboard focus to OK
// first, so the focus is never lost.
void enable_control(HWND dialog, int id, bool on) {
  enable_item_keeping_focus(dialog, id, on, IDOK);
}

const Derivative* selected_row() {
  return catalogue_row(get_family_position(), get_derivative_position());
}

void show_description(HWND dialog) {
  const Derivative* row = selected_row();
  SetDlgItemTextA(dialog, IDC_TARGET_DESCRIPTION,
                  row && row->description ? row->description : "");
}

void fill_family_list(HWND dialog) {
  send_item(dialog, IDC_TARGET_FAMILY, CB_RESETCONTENT);
  for (int i = 0; i < family_count(); ++i)
    send_item(dialog, IDC_TARGET_FAMILY, CB_INSERTSTRING, static_cast<WPARAM>(i),
              reinterpret_cast<LPARAM>(device_family(i)->name));
  send_item(dialog, IDC_TARGET_FAMILY, CB_SETCURSEL, static_cast<WPARAM>(get_family_position()));
}

// The rows of the family at the family position, each at its catalogue index (the list's sort
// style would otherwise reorder them), with the row at the derivative position selected.
void fill_derivative_list(HWND dialog) {
  send_item(dialog, IDC_TARGET_DERIVATIVE, CB_RESETCONTENT);
  if (const DeviceFamily* family = device_family(get_family_position()))
    for (int i = 0; i < family->count; ++i)
      send_item(dialog, IDC_TARGET_DERIVATIVE, CB_INSERTSTRING, static_cast<WPARAM>(i),
                reinterpret_cast<LPARAM>(family->derivatives[i].name));
  send_item(dialog, IDC_TARGET_DERIVATIVE, CB_SETCURSEL,
            static_cast<WPARAM>(get_derivative_position()));
  show_description(dialog);
}

void set_autodetect_state(HWND dialog) {
  enable_control(dialog, IDC_TARGET_AUTODETECT,
                 autodetect_enabled(get_connected(), get_derivative_position()));
}

void show_fields(HWND dialog, const TargetMemoryMap& map) {
  for (int field = 0; field < kMemoryFieldCount; ++field)
    SetDlgItemTextA(dialog, memory_field_control(field),
                    format_memory_field(memory_field_value(map, field)).c_str());
}

// The selected row's defaults in enabled fields; a row without a map disables the fields and
// leaves their texts.
void apply_default_fill(HWND dialog) {
  const TargetMemoryMap* defaults =
      default_fill_map(get_family_position(), get_derivative_position());
  for (int field = 0; field < kMemoryFieldCount; ++field)
    enable_control(dialog, memory_field_control(field), defaults != nullptr);
  if (defaults) show_fields(dialog, *defaults);
}

void on_init(HWND dialog) {
  fill_family_list(dialog);
  fill_derivative_list(dialog);
  set_autodetect_state(dialog);
  if (opens_with_map_in_force(get_derivative_position())) {
    TargetMemoryMap map;
    get_target_memory_map(&map);
    show_fields(dialog, map);
  } else {
    apply_default_fill(dialog);
  }
  center_dialog(dialog);
}

void on_derivative_changed(HWND dialog) {
  const LRESULT selected = send_item(dialog, IDC_TARGET_DERIVATIVE, CB_GETCURSEL);
  if (selected != CB_ERR) set_derivative_position(static_cast<int>(selected));
  show_description(dialog);
  set_autodetect_state(dialog);
  apply_default_fill(dialog);
}

void on_family_changed(HWND dialog) {
  const LRESULT selected = send_item(dialog, IDC_TARGET_FAMILY, CB_GETCURSEL);
  if (selected != CB_ERR && selected != get_family_position()) {
    set_family_position(static_cast<int>(selected));
    set_derivative_position(0);
    fill_derivative_list(dialog);
  }
  set_autodetect_state(dialog);
  apply_default_fill(dialog);
}

void on_autodetect(HWND dialog) {
  if (!detect_target()) return;  // silent, as the user can simply try again
  send_item(dialog, IDC_TARGET_FAMILY, CB_SETCURSEL, static_cast<WPARAM>(get_family_position()));
  fill_derivative_list(dialog);
  set_autodetect_state(dialog);
  apply_default_fill(dialog);
}

// Checks and stores the enabled memory fields in field order: a valid value goes into the map in
// force at once, each bad field gets its own box and has its text selected (the first bad one
// also takes the focus). Disabled fields belong to a row without a map and hold nothing to
// check. Returns true when every enabled field was valid.
bool store_memory_fields(HWND dialog) {
  bool all_valid = true;
  for (int field = 0; field < kMemoryFieldCount; ++field) {
    HWND control = GetDlgItem(dialog, memory_field_control(field));
    if (!IsWindowEnabled(control)) continue;
    uint32_t value = 0;
    if (read_hex_field(control, &value) == 0) {
      TargetMemoryMap map;
      get_target_memory_map(&map);
      set_memory_field_value(&map, field, value);
      set_target_memory_map(map);
      continue;
    }
    MessageBoxA(nullptr, "Illegal hexadecimal value", "Value check",
                MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL);
    if (all_valid) focus_control(dialog, control);
    SendMessageA(control, EM_SETSEL, 0, -1);
    all_valid = false;
  }
  return all_valid;
}

void on_ok(HWND dialog) {
  const Derivative* row = selected_row();
  if (row) {
    add_recent_device(row->name);
    set_current_target(row);
  }
  refresh_caption(GetWindow(dialog, GW_OWNER));
  g_checking = true;
  const bool valid = store_memory_fields(dialog);
  g_checking = false;
  if (valid) EndDialog(dialog, 1);
}

void on_cancel(HWND dialog) {
  refresh_caption(GetWindow(dialog, GW_OWNER));
  EndDialog(dialog, 0);
}

}  // namespace

INT_PTR CALLBACK target_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      on_init(dialog);
      return TRUE;
    case WM_COMMAND: {
      if (g_checking) return TRUE;
      const int id = LOWORD(wparam);
      const int notification = HIWORD(wparam);
      switch (id) {
        case IDC_TARGET_DERIVATIVE:
          if (notification != CBN_SELCHANGE) return FALSE;
          on_derivative_changed(dialog);
          return TRUE;
        case IDC_TARGET_FAMILY:
          if (notification != CBN_SELCHANGE) return FALSE;
          on_family_changed(dialog);
          return TRUE;
        case IDC_TARGET_AUTODETECT:
          if (notification != BN_CLICKED) return FALSE;
          on_autodetect(dialog);
          return TRUE;
        case IDC_TARGET_DEFAULT:
          if (notification != BN_CLICKED) return FALSE;
          apply_default_fill(dialog);
          return TRUE;
        case IDOK:
          on_ok(dialog);
          return TRUE;
        case IDCANCEL:
          on_cancel(dialog);
          return TRUE;
        default:
          return FALSE;
      }
    }
    default:
      return FALSE;
  }
}

INT_PTR run_target_dialog(HWND owner) {
  return run_dialog(owner, "CORVANE_TARGET", target_dialog_proc);
}
