// Menus, toolbars and command dispatch of the main window: the menu bar and its pop-ups, the
// adapter and target toolbars with their tool tips, the menu enabling rules, and on_command,
// which maps every command id to the operation that carries it out (including the connect and
// disconnect sequences).
#pragma once
#include <windows.h>

#include "target/catalogue.h"

// Points the hook of the lower layers at the shell: the catalogue's toolbar update. Called once
// while the main window is created.
void install_shell_hooks();

// Builds the menu bar with its pop-ups and attaches it to window.
void create_menus(HWND window);
// WM_DESTROY: destroys the File and Help pop-ups and forgets the menu and toolbar handles (the
// toolbars go with the window).
void destroy_menus();
// WM_INITMENUPOPUP, whichever pop-up opens: rebuilds the recent sub-menus and applies every
// enabling rule to all menus.
void on_init_menu_popup();

// Creates the adapter toolbar, then the target toolbar (both visible until update_toolbars).
void create_toolbars(HWND window);
// Shows the target toolbar while views are shown, else the adapter toolbar with its Connect
// button set by the state.
void update_toolbars();
// Enables the target toolbar's buttons while a known derivative is selected.
void update_toolbar_states();
// WM_NOTIFY: answers a tool-tip text request (TTN_NEEDTEXTA) for a toolbar button; other
// notifications are left alone.
void tooltip_text(LPARAM lparam);

// WM_COMMAND. Returns 0 for the commands it carries out, default processing for the rest.
LRESULT on_command(HWND window, WPARAM wparam, LPARAM lparam);

