// The input of the views' own controls, handed on by the main window: the memory view's address
// button and check boxes, EN_CHANGE of every edit child, and WM_VSCROLL of the memory view's
// scroll bars.
#pragma once
#include <windows.h>

// The address button, "BDM in map" and "Buffer/Target" (IDC_VIEW_*). Returns 0.
int on_view_button(int id);
// EN_CHANGE of any edit child: memory cells in buffer mode store their byte; otherwise, while
// views are shown, the labels are repainted and a register field's dirty flag follows its text.
// Returns 0.
int on_edit_change(int id);
// WM_VSCROLL of the main window. Returns 0.
int on_vscroll(WPARAM wparam, LPARAM lparam);
