// The register view and the memory view as child controls of the main window: built after a
// successful connect, removed on Disconnect. Their tables, texts and rules are portable
// (views/register_view.h, views/memory_view.h); these functions create the controls and move
// texts in and out of them.
#pragma once
#include <windows.h>

#include <cstdint>

struct ProcessorInfo;

// --- both views ---
// Builds the register fields and the memory view for the family of info (HCS12 or HCS12X).
// Families without a register set (codes 1, 4, 5) build nothing and succeed; no record or any
// other code fails (0).
int create_views(const ProcessorInfo* info, HWND main_window);
// Removes both views; nothing while none are shown.
void destroy_views(HWND main_window);
// read_registers for the current target, then refresh_memory_view unless the buffer is shown.
void refresh_views();

// --- register view ---
// Reads the target's registers and, when all were read, shows them.
void read_registers(const ProcessorInfo* info);
// Writes every field to the target (stops at the first field without a hexadecimal value).
void write_registers(const ProcessorInfo* info);
// Sets each field's text from its last read value (while views are shown and a target is set).
void show_registers();
void set_register_fields_enabled(int enable);
// Clears every dirty flag; returns the field count (0 while no views are shown).
int clear_register_dirty_flags();

// --- memory view ---
void create_memory_view(HWND main_window, int x, int y);
// Fills the 64 cells from the target (or the buffer in buffer mode) and the row labels.
void refresh_memory_view();
// Writes the 64 cells to the target; stops at the first cell without a hexadecimal value.
void write_memory_view();
void destroy_memory_view();
// 1 while the memory view shows the buffer.
int memory_view_buffer_mode();

// The memory view's input, handed on by the main window (app/view_input_win.cpp).
void memory_view_toggle_buffer_mode();  // "Buffer/Target" (IDC_VIEW_BUFFER_TARGET)
void memory_view_bdm_in_map_clicked();  // "BDM in map" (IDC_VIEW_BDM_IN_MAP)
void memory_view_address_button();      // the address button (IDC_VIEW_ADDRESS): edit, then go to
// EN_CHANGE of a memory cell: in buffer mode a hexadecimal text goes into the buffer at once.
// True when the text was stored, false when it was not (not a cell, target mode, no number).
bool memory_view_cell_changed(int id);
// WM_VSCROLL from one of the view's scroll bars; other windows are ignored.
void memory_view_vscroll(HWND bar, int code, int thumb);
