#include <string>

#include "app/dialog_helpers_win.h"
#include "app/shell_win.h"
#include "target/catalogue.h"
#include "views/hex_parse.h"
#include "views/memory_view.h"
#include "views/register_view.h"
#include "views/view_layout.h"
#include "views/views_win.h"

namespace {

HWND g_field_windows[kMaxRegisterFields];

// The views' origin in the main window's client area; the memory view starts at x 120.
const int kViewsX = 20;
const int kViewsY = 40;
const int kMemoryViewX = 120;

}  // namespace

int create_views(const ProcessorInfo* info, HWND main_window) {
  if (!info || info->family_code < FAMILY_HCS08 || info->family_code > FAMILY_MPC5000) return 0;
  const int family = register_view_family(info);
  if (!family) return 1;  // a family without a register set: nothing to show
  layout_register_view(family, kViewsX, kViewsY);
  for (int n = 0; n < g_register_view.count; ++n) {
    const RegisterField& f = g_register_view.fields[n];
    // WS_CHILD | WS_VISIBLE | WS_BORDER | ES_UPPERCASE | ES_CENTER
    g_field_windows[n] = CreateWindowExA(
        WS_EX_WINDOWEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_UPPERCASE | ES_CENTER,
        f.edit_x, f.edit_y, f.edit_width, f.edit_height, main_window,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(f.control_id)), g_shell.instance, nullptr);
  }
  g_view_layout.shown = 1;
  g_view_layout.bottom = kViewsY + 160;
  InvalidateRect(main_window, nullptr, TRUE);
  for (int n = 0; n < g_register_view.count; ++n)
    SendMessageA(g_field_windows[n], WM_SETFONT, reinterpret_cast<WPARAM>(g_shell.fixed_font), 0);
  create_memory_view(main_window, kMemoryViewX, kViewsY);
  SetScrollRange(GetDlgItem(main_window, kMemoryRowScrollId), SB_CTL, 0, g_register_view.row_range,
                 TRUE);
  SetScrollRange(GetDlgItem(main_window, kMemoryPageScrollId), SB_CTL, 0,
                 g_register_view.page_range, TRUE);
  return 1;
}

void destroy_views(HWND main_window) {
  if (!g_view_layout.shown) return;
  for (int n = 0; n < g_register_view.count; ++n) {
    DestroyWindow(g_field_windows[n]);
    g_field_windows[n] = nullptr;
  }
  g_view_layout.shown = 0;
  destroy_memory_view();
  InvalidateRect(main_window, nullptr, TRUE);
}

void refresh_views() {
  const Derivative* target = current_target();
  read_registers(target ? target->info : nullptr);
  if (!memory_view_buffer_mode()) refresh_memory_view();
}

void read_registers(const ProcessorInfo* info) {
  const int family = register_view_family(info);
  if (!family) return;
  if (read_register_values(family)) show_registers();
}

void write_registers(const ProcessorInfo* info) {
  const int family = register_view_family(info);
  if (!family || !g_view_layout.shown) return;
  std::string texts[kRegisterFieldCount];
  for (int n = 0; n < g_register_view.count && n < kRegisterFieldCount; ++n)
    texts[n] = window_text(g_field_windows[n], 16);  // at most 15 characters
  write_register_values(family, texts);
}

void show_registers() {
  if (!current_target() || !g_view_layout.shown) return;
  for (int n = 0; n < g_register_view.count; ++n)
    SetWindowTextA(g_field_windows[n], register_field_text(g_register_view.fields[n]).c_str());
}

void set_register_fields_enabled(int enable) {
  if (!g_view_layout.shown) return;
  for (int n = 0; n < g_register_view.count; ++n) {
    EnableWindow(g_field_windows[n], enable ? TRUE : FALSE);
    UpdateWindow(g_field_windows[n]);
  }
}

int clear_register_dirty_flags() {
  if (!g_view_layout.shown) return 0;
  for (int n = 0; n < g_register_view.count; ++n) g_register_view.fields[n].dirty = 0;
  return g_register_view.count;
}
