// Menus, toolbars and command dispatch of the main window: the menu bar and its pop-ups, the
// adapter and target toolbars with their tool tips, the menu enabling rules, and on_command,
// which maps every command id to the operation that carries it out (including the connect and
// disconnect sequences).
#pragma once
#include <windows.h>

#include "target/catalogue.h"

// Points the hooks of the lower layers at the shell: the catalogue's toolbar update and the
// adapter dialog's caption update. Called once while the main window is created.
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

// The register and memory views as the connect, disconnect and run-control commands drive
// them. The views install their operations; until then (and for every null entry) no views
// are built, create_views succeeds without building any, and the rest do nothing.
struct ViewOperations {
  int (*create_views)(const ProcessorInfo* info, HWND main_window);  // 1 done, 0 failed
  void (*destroy_views)(HWND main_window);
  void (*set_register_fields_enabled)(int enabled);
  void (*read_registers)(const ProcessorInfo* info);
  void (*write_registers)(const ProcessorInfo* info);
  void (*clear_register_dirty_flags)();
  void (*refresh_memory_view)();
  void (*write_memory_view)();
  int (*buffer_mode)();  // 1 while the memory view shows the buffer
  // WM_PAINT while the views are shown: draws the register view's title, the memory view's
  // caption and the register labels into dc (UI font and background colour already selected).
  void (*paint_labels)(HDC dc);
};
// Installs the view operations; null restores the ones without views.
void set_view_operations(const ViewOperations* operations);

// The input of the views' own controls, handed on by the main window: the memory view's address
// button (7024) and check boxes (7025, 7026), EN_CHANGE of every edit child, and WM_VSCROLL of
// the memory view's scroll bars. Until the view input handling installs its operations (and for
// every null entry) these do nothing.
struct ViewInputOperations {
  int (*on_view_button)(int id);
  int (*on_edit_change)(int id);
  int (*on_vscroll)(WPARAM wparam, LPARAM lparam);
};
// Installs the view input operations; null restores the ones that do nothing.
void set_view_input_operations(const ViewInputOperations* operations);
// WM_VSCROLL of the main window.
void on_vscroll(WPARAM wparam, LPARAM lparam);
// WM_PAINT while the views are shown: paints their labels.
void paint_view_labels(HDC dc);
