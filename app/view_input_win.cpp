#include "app/view_input_win.h"

#include <string>

#include "app/dialog_helpers_win.h"
#include "app/shell_win.h"
#include "programming/programmer.h"
#include "resources/resource_ids.h"
#include "views/register_view.h"
#include "views/view_layout.h"
#include "views/views_win.h"

int on_view_button(int id) {
  if (programmer_busy()) return 0;  // the library is busy with a programmer run
  switch (id) {
    case IDC_VIEW_ADDRESS: memory_view_address_button(); break;
    case IDC_VIEW_BDM_IN_MAP: memory_view_bdm_in_map_clicked(); break;
    case IDC_VIEW_BUFFER_TARGET: memory_view_toggle_buffer_mode(); break;
    default: break;
  }
  return 0;
}

int on_edit_change(int id) {
  if (memory_view_cell_changed(id)) return 0;
  if (!g_view_layout.shown) return 0;
  // The labels are painted with or without " (dirty)".
  InvalidateRect(g_shell.main_window, nullptr, TRUE);
  RegisterField* field = find_register_field(id);
  if (!field) return 0;
  const std::string text = item_text(g_shell.main_window, id, 64);  // at most 63 characters
  field->dirty = register_text_dirty(*field, text.c_str());
  return 0;
}

int on_vscroll(WPARAM wparam, LPARAM lparam) {
  if (programmer_busy()) return 0;  // moving the view would read the target
  memory_view_vscroll(reinterpret_cast<HWND>(lparam), LOWORD(wparam), HIWORD(wparam));
  return 0;
}
