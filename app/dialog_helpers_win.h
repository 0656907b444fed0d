// Small helpers every dialog of the tool shares: centring it, sending to a dialog item, reading a
// control's text, enabling an item without losing the keyboard focus, running a dialog from its
// template, and handing a command or a caption change up to the main window.
#pragma once
#include <windows.h>

#include <string>

// Centres a dialog over its parent's client area, or over the screen when it has none (called
// on WM_INITDIALOG by every dialog).
void center_dialog(HWND dialog);

// SendDlgItemMessageA on the item id of dialog.
LRESULT send_item(HWND dialog, int id, UINT message, WPARAM wparam = 0, LPARAM lparam = 0);

// The text of a control, at most size - 1 characters of it; empty when it has none or the
// window is not there.
std::string window_text(HWND window, int size);
// The same for the item id of dialog.
std::string item_text(HWND dialog, int id, int size);

// Enables or disables the item id.
void enable_item(HWND dialog, int id, bool on);
// Enables or disables the item id; an item about to be disabled that holds the keyboard focus
// first hands it to the item heir, so the focus is never lost. The heir must be enabled.
void enable_item_keeping_focus(HWND dialog, int id, bool on, int heir);
// Gives control the keyboard focus the way the dialog manager does (WM_NEXTDLGCTL): its text
// is selected and the default button follows.
void focus_control(HWND dialog, HWND control);

// Runs the modal dialog of template name over owner; returns what EndDialog was given (-1 when
// the dialog could not be created).
INT_PTR run_dialog(HWND owner, const char* name, DLGPROC proc);
// Creates the modeless dialog of template name over owner; null when it could not be created.
HWND create_modeless_dialog(HWND owner, const char* name, DLGPROC proc);

// Sends command (an IDM_* id) to window as WM_COMMAND, as a menu item does; it has run when this
// returns.
void send_command(HWND window, int command);

// The one way up for a dialog that changed what the caption shows (the adapter settings, the
// connection, the current target): rebuilds the caption of owner with update_title
// (app/title_win.h), or with the function set_caption_hook installed in its place.
void refresh_caption(HWND owner);
typedef void (*caption_fn)(HWND window);
// Null restores update_title.
void set_caption_hook(caption_fn hook);
