#include <cstdio>
#include <string>

#include "adapter/bdx.h"
#include "app/dialog_helpers_win.h"
#include "app/message_pane.h"
#include "app/shell_win.h"
#include "buffer/buffer_store.h"
#include "resources/resource_ids.h"
#include "views/hex_parse.h"
#include "views/memory_view.h"
#include "views/register_view.h"
#include "views/view_layout.h"
#include "views/views_win.h"

static_assert(SB_LINEUP == kScrollLineUp && SB_LINEDOWN == kScrollLineDown &&
                  SB_PAGEUP == kScrollPageUp && SB_PAGEDOWN == kScrollPageDown &&
                  SB_THUMBPOSITION == kScrollThumbPosition &&
                  SB_THUMBTRACK == kScrollThumbTrack && SB_TOP == kScrollTop &&
                  SB_BOTTOM == kScrollBottom,
              "scroll codes");

namespace {

struct MemoryViewWindows {
  HWND main;
  HWND cells[kMemoryCellCount];
  HWND column_labels[16];
  HWND row_labels[4];
  HWND row_scroll, page_scroll;
  HWND address_button, bdm_in_map, buffer_target;
};
MemoryViewWindows g_windows;

HWND child(HWND parent, DWORD ex_style, const char* cls, const char* text, DWORD style, int x,
           int y, int w, int h, int id, HFONT font) {
  HWND window = CreateWindowExA(ex_style, cls, text, style, x, y, w, h, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                g_shell.instance, nullptr);
  SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
  return window;
}

// The address field is the first row label.
HWND address_field() { return g_windows.row_labels[0]; }

void set_thumbs() {
  SetScrollPos(g_windows.row_scroll, SB_CTL, g_memory_view.row_position, TRUE);
  SetScrollPos(g_windows.page_scroll, SB_CTL, g_memory_view.page_position, TRUE);
}

}  // namespace

void create_memory_view(HWND main_window, int x, int y) {
  const int cx = x + 60;
  g_windows = MemoryViewWindows();
  g_windows.main = main_window;
  reset_memory_view_state(x, y);
  const HFONT fixed = g_shell.fixed_font;
  const HFONT ui = g_shell.ui_font;
  // Cells and row labels: WS_CHILD | WS_VISIBLE | WS_BORDER | ES_UPPERCASE | ES_CENTER
  const DWORD cell_style = WS_CHILD | WS_VISIBLE | WS_BORDER | ES_UPPERCASE | ES_CENTER;
  for (int i = 0; i < kMemoryCellCount; ++i)
    g_windows.cells[i] = child(main_window, WS_EX_WINDOWEDGE, "EDIT", "", cell_style,
                               cx + 24 * (i % 16), y + 20 + 20 * (i / 16), 22, 18,
                               kMemoryCellIdFirst + i, fixed);
  for (int k = 0; k < 16; ++k) {
    char text[4];
    std::snprintf(text, sizeof text, "x%1.1X", unsigned(k));
    g_windows.column_labels[k] =
        child(main_window, WS_EX_STATICEDGE, "STATIC", text,
              WS_CHILD | WS_VISIBLE | WS_BORDER | SS_CENTER, cx + 24 * k, y + 100, 22, 18, -1,
              fixed);
  }
  for (int r = 0; r < 4; ++r)
    g_windows.row_labels[r] =
        child(main_window, WS_EX_WINDOWEDGE, "EDIT", "", cell_style | ES_READONLY, x,
              y + 20 + 20 * r, 58, 18, kMemoryRowLabelIdFirst + r, fixed);
  g_windows.row_scroll = child(main_window, WS_EX_WINDOWEDGE, "SCROLLBAR", "",
                               WS_CHILD | WS_VISIBLE | SBS_VERT, cx + 390, y + 20, 20, 98,
                               kMemoryRowScrollId, ui);
  g_windows.page_scroll = child(main_window, WS_EX_WINDOWEDGE, "SCROLLBAR", "",
                                WS_CHILD | WS_VISIBLE | SBS_VERT, cx + 419, y + 20, 15, 98,
                                kMemoryPageScrollId, ui);
  g_windows.address_button =
      child(main_window, WS_EX_CLIENTEDGE, "BUTTON", "mem",
            WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | BS_PUSHBUTTON, x, y, 58, 20,
            IDC_VIEW_ADDRESS, ui);
  g_windows.bdm_in_map = child(main_window, 0, "BUTTON", "BDM in map",
                               WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, cx + 100, y, 100, 20,
                               IDC_VIEW_BDM_IN_MAP, ui);
  // BS_CHECKBOX: the box does not check itself; the Buffer/Target toggle sets it.
  g_windows.buffer_target = child(main_window, 0, "BUTTON", "Buffer/Target",
                                  WS_CHILD | WS_VISIBLE | BS_CHECKBOX | BS_LEFTTEXT, cx + 300, y,
                                  100, 20, IDC_VIEW_BUFFER_TARGET, ui);
  g_memory_view.address_edit_mode = 0;
  g_memory_view.buffer_mode = 0;
}

void refresh_memory_view() {
  if (!g_view_layout.shown || !g_windows.main) return;
  const uint32_t base = g_memory_view.base;
  if (g_memory_view.buffer_mode) {
    for (int i = 0; i < kMemoryCellCount; ++i) {
      uint8_t value = 0;
      const int held = buffer_get_byte(base + uint32_t(i), &value);
      SetWindowTextA(g_windows.cells[i], memory_cell_text(held, value).c_str());
    }
  } else {
    const int bdm_in_map = SendMessageA(g_windows.bdm_in_map, BM_GETCHECK, 0, 0) != 0;
    for (int i = 0; i < kMemoryCellCount; ++i) {
      HWND cell = g_windows.cells[i];
      // Greyed while its byte is read, so a slow link shows where the scan is.
      EnableWindow(cell, FALSE);
      UpdateWindow(cell);
      uint8_t value = 0;
      const bool read = read_view_byte(base + uint32_t(i), bdm_in_map, &value);
      SetWindowTextA(cell, memory_cell_text(read, value).c_str());
      EnableWindow(cell, TRUE);
      UpdateWindow(cell);
    }
  }
  for (int r = 0; r < 4; ++r) SetWindowTextA(g_windows.row_labels[r], memory_row_label(r).c_str());
}

void write_memory_view() {
  if (g_memory_view.buffer_mode || !g_view_layout.shown || !g_windows.main) return;
  for (int i = 0; i < kMemoryCellCount; ++i) {
    HWND cell = g_windows.cells[i];
    const std::string text = window_text(cell, 16);  // at most 15 characters
    uint32_t value = 0;
    if (text.empty() || parse_hex(text.c_str(), &value) != 0) {
      append_error("No reasonable value for memory");
      return;
    }
    EnableWindow(cell, FALSE);
    UpdateWindow(cell);
    // The cell's own address, as shown: no paging step, and the BDM map whatever the box says.
    if (bdx_SetByte(g_memory_view.base + uint32_t(i), static_cast<unsigned char>(value & 0xFF)) ==
        -1)
      return;
    EnableWindow(cell, TRUE);
    UpdateWindow(cell);
  }
}

void destroy_memory_view() {
  if (!g_windows.main) return;
  for (HWND w : g_windows.cells) DestroyWindow(w);
  for (HWND w : g_windows.column_labels) DestroyWindow(w);
  for (HWND w : g_windows.row_labels) DestroyWindow(w);
  DestroyWindow(g_windows.row_scroll);
  DestroyWindow(g_windows.page_scroll);
  DestroyWindow(g_windows.address_button);
  DestroyWindow(g_windows.bdm_in_map);
  DestroyWindow(g_windows.buffer_target);
  g_windows = MemoryViewWindows();
}

int memory_view_buffer_mode() { return g_memory_view.buffer_mode; }

void memory_view_toggle_buffer_mode() {
  if (!g_windows.main) return;
  g_memory_view.buffer_mode = !g_memory_view.buffer_mode;
  SendMessageA(g_windows.buffer_target, BM_SETCHECK, g_memory_view.buffer_mode ? 1 : 0, 0);
  ShowWindow(g_windows.bdm_in_map, g_memory_view.buffer_mode ? SW_HIDE : SW_SHOW);
  refresh_memory_view();
  InvalidateRect(g_windows.main, nullptr, TRUE);  // the caption names the source
}

void memory_view_bdm_in_map_clicked() {
  if (!g_windows.main) return;
  refresh_memory_view();
  InvalidateRect(g_windows.main, nullptr, TRUE);
}

void memory_view_address_button() {
  if (!g_windows.main) return;
  if (!g_memory_view.address_edit_mode) {
    g_memory_view.address_edit_mode = 1;
    SetWindowTextA(g_windows.address_button, "set");
    SendMessageA(address_field(), EM_SETREADONLY, FALSE, 0);
    return;
  }
  g_memory_view.address_edit_mode = 0;
  const std::string text = window_text(address_field(), 64);  // at most 63 characters
  switch (memory_view_goto(text.c_str())) {
    case kGotoBadlyFormed:
      append_error("Badly formed address");
      break;
    case kGotoNoRegion:
      append_error("Memory region doesn't exist");
      break;
    case kGotoMoved:
      set_thumbs();
      refresh_memory_view();
      break;
  }
  SetWindowTextA(g_windows.address_button, "mem");
  SendMessageA(address_field(), EM_SETREADONLY, TRUE, 0);
}

bool memory_view_cell_changed(int id) {
  if (!g_windows.main || id < kMemoryCellIdFirst || id >= kMemoryCellIdFirst + kMemoryCellCount)
    return false;
  const std::string text = window_text(g_windows.cells[id - kMemoryCellIdFirst], 64);
  uint32_t value = 0;
  if (text.empty() || parse_hex(text.c_str(), &value) != 0 || !g_memory_view.buffer_mode) return false;
  // Only bytes the buffer holds change; typing never creates bytes.
  buffer_set_byte(g_memory_view.base + uint32_t(id - kMemoryCellIdFirst),
                  static_cast<uint8_t>(value & 0xFF));
  return true;
}

void memory_view_vscroll(HWND bar, int code, int thumb) {
  if (!g_windows.main || !bar) return;
  if (bar == g_windows.row_scroll) {
    if (!scroll_memory_rows(code, unsigned(thumb), g_register_view.row_range)) return;
    SetScrollPos(g_windows.row_scroll, SB_CTL, g_memory_view.row_position, TRUE);
  } else if (bar == g_windows.page_scroll) {
    if (!scroll_memory_pages(code, unsigned(thumb), g_register_view.page_range)) return;
    set_thumbs();  // the row bar moves too when the view entered the page window
  } else {
    return;
  }
  refresh_memory_view();
}
