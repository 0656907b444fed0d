#include "app/commands_win.h"

#include <commctrl.h>

#include <cstring>
#include <string>

#include "adapter/adapter_dialog_win.h"
#include "adapter/adapter_settings.h"
#include "adapter/bdx.h"
#include "adapter/connection.h"
#include "app/about_win.h"
#include "app/command_table.h"
#include "app/message_pane.h"
#include "app/shell_win.h"
#include "app/title_win.h"
#include "buffer/buffer_store.h"
#include "buffer/dump_dialog_win.h"
#include "buffer/load_save.h"
#include "buffer/load_save_win.h"
#include "app/view_input_win.h"
#include "programming/erase.h"
#include "programming/erase_win.h"
#include "programming/program_from_file_win.h"
#include "programming/program_target.h"
#include "programming/programmer.h"
#include "programming/programmer_dialog_win.h"
#include "programming/regions_dialog_win.h"
#include "resources/resource_ids.h"
#include "settings/recent_menus_win.h"
#include "settings/settings.h"
#include "target/target_dialog_win.h"
#include "views/view_layout.h"
#include "views/views_win.h"

namespace {

const ProcessorInfo* current_info() {
  const Derivative* target = current_target();
  return target ? target->info : nullptr;
}

// Registers, then the memory view, read afresh from the target.
void refresh_views_from_target() {
  read_registers(current_info());
  refresh_memory_view();
}

// --- toolbars ---

// The toolbar takes the size of its button records; a 32-bit program's records are 20 bytes.
static_assert(sizeof(void*) != 4 || sizeof(TBBUTTON) == 20, "TBBUTTON record of 20 bytes");

constexpr DWORD kToolbarStyle =
    WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_TOOLTIPS | CCS_TOP;
static_assert(kToolbarStyle == 0x54000101, "the toolbars' style");

HWND create_toolbar(HWND window, int bitmap, const int* commands, int count) {
  TBBUTTON buttons[16];
  std::memset(buttons, 0, sizeof buttons);
  if (count > 16) count = 16;
  for (int i = 0; i < count; ++i) {
    buttons[i].iBitmap = i;
    buttons[i].idCommand = commands[i];
    buttons[i].fsState = TBSTATE_ENABLED;
    buttons[i].fsStyle = TBSTYLE_BUTTON;
  }
  return CreateToolbarEx(window, kToolbarStyle, 1, 2, g_shell.instance, bitmap, buttons, count,
                         0, 0, 0, 0, sizeof(TBBUTTON));
}

void set_button_state(HWND toolbar, int command, bool enabled) {
  SendMessageA(toolbar, TB_SETSTATE, command, MAKELPARAM(enabled ? TBSTATE_ENABLED : 0, 0));
}

// While a programmer run talks to the library, the commands that would talk to it rest.
bool rests_during_run(int command) { return programmer_busy() && command_uses_adapter(command); }

// Lays the message pane out again (below the views, or in the lower half without them).
void resize_to_client(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
}

// --- the connect and disconnect sequences ---

// First half: connect the adapter with the settings and identify the derivative (the sequence
// every front end shares), then build the views and read the target (second half).
//
// Identification runs three times in all: here, so that the views are built for the family
// actually connected; at the start of the second half, because the Adapter dialog's Connect
// sends 7016 without this first half; and once more after the views exist and the caption
// shows the connection, just before the reset. Each read is four bytes and changes the current
// target only when it succeeds, so the repeats cost little and never undo a choice.
void connect_command(HWND window) {
  if (!current_target()) return;
  if (!connect_and_identify(get_adapter_type(), get_adapter_port(), get_target_clock(), true))
    return;
  SendMessageA(window, WM_COMMAND, IDM_CONNECT_VIEWS, 0);
}

// Second half, also sent by the adapter dialog's Connect button once the adapter is connected.
void connect_views_command(HWND window) {
  if (!create_views(current_info(), window)) {
    append_line("No Target Selected");
    // The adapter is connected but the tool cannot work with it. Left open with the connected
    // flag at 0, the adapter could never be closed from the menu (Disconnect is grayed while
    // the flag is 0, and Connect would open it a second time), so it is closed again here and
    // the tool and the adapter agree that there is no connection. This holds for both ways in:
    // the menu's Connect (7015) and the Adapter dialog's Connect, which sends this command too.
    bdx_Disconnect();
    set_connected(0);
    update_title(window);
    update_toolbars();
    return;
  }
  autodetect_target();
  set_connected(1);
  update_title(window);
  resize_to_client(window);
  set_register_fields_enabled(0);
  autodetect_target();
  bdx_TargetReset();
  read_registers(current_info());
  refresh_memory_view();
  clear_register_dirty_flags();
  set_register_fields_enabled(1);
  update_toolbars();
}

void disconnect_command(HWND window) {
  bdx_Disconnect();
  destroy_views(window);
  set_connected(0);
  update_title(window);
  update_toolbars();
  resize_to_client(window);
}

void refresh_in_buffer_mode() {
  if (memory_view_buffer_mode()) refresh_memory_view();
}

// A Recent Devices entry selects that derivative by name; the list keeps its order.
void select_recent_device(HWND window, int slot) {
  const char* name = recent_device(slot);
  if (!name) return;
  select_target_by_name(name);
  update_title(window);
}

// A Recent Files entry loads that file as "Load buffer" does once its file dialog has named it;
// the file then moves to the top of the list.
void load_recent_file(int slot) {
  const char* entry = recent_file(slot);
  if (!entry) return;
  const std::string path = entry;  // the entry moves within the list while it is added
  load_file_into_buffer(path.c_str());
  add_recent_file(path.c_str());
  refresh_in_buffer_mode();
}

void refresh_in_target_mode() {
  if (!memory_view_buffer_mode()) refresh_memory_view();
}

}  // namespace

void install_shell_hooks() {
  set_update_toolbars_hook(update_toolbars);
}


void create_menus(HWND window) {
  g_shell.menu_bar = CreateMenu();
  g_shell.recent_devices_menu = CreatePopupMenu();
  g_shell.recent_files_menu = CreatePopupMenu();
  HMENU* const popups[MENU_POPUP_COUNT] = {&g_shell.file_menu, &g_shell.adapter_menu,
                                           &g_shell.target_menu, &g_shell.help_menu};
  for (int p = 0; p < MENU_POPUP_COUNT; ++p) {
    const MenuPopup& popup = menu_popup(p);
    HMENU menu = CreatePopupMenu();
    *popups[p] = menu;
    for (int i = 0; i < popup.count; ++i) {
      const MenuEntry& e = popup.entries[i];
      switch (e.kind) {
        case MENU_ENTRY_ITEM:
          AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(e.command), e.text);
          break;
        case MENU_ENTRY_SEPARATOR:
          AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
          break;
        case MENU_ENTRY_RECENT_DEVICES:
          AppendMenuA(menu, MF_STRING | MF_POPUP,
                      reinterpret_cast<UINT_PTR>(g_shell.recent_devices_menu), e.text);
          break;
        case MENU_ENTRY_RECENT_FILES:
          AppendMenuA(menu, MF_STRING | MF_POPUP,
                      reinterpret_cast<UINT_PTR>(g_shell.recent_files_menu), e.text);
          break;
      }
    }
    AppendMenuA(g_shell.menu_bar, MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(menu),
                popup.title);
  }
  SetMenu(window, g_shell.menu_bar);
}

void destroy_menus() {
  if (g_shell.file_menu) DestroyMenu(g_shell.file_menu);
  if (g_shell.help_menu) DestroyMenu(g_shell.help_menu);
  g_shell.menu_bar = g_shell.file_menu = g_shell.adapter_menu = g_shell.target_menu = nullptr;
  g_shell.help_menu = g_shell.recent_devices_menu = g_shell.recent_files_menu = nullptr;
  g_shell.adapter_toolbar = g_shell.target_toolbar = nullptr;
}

void on_init_menu_popup() {
  refresh_recent_menus();
  if (!g_shell.menu_bar) return;
  const int connected = get_connected();
  const int known = target_known();
  int count = 0;
  const int* commands = ruled_menu_commands(&count);
  for (int i = 0; i < count; ++i) {
    const MenuItemState state = menu_item_enabled(commands[i], connected, known);
    if (state == kMenuItemUntouched) continue;
    EnableMenuItem(g_shell.menu_bar, static_cast<UINT>(commands[i]),
                   MF_BYCOMMAND | (state == kMenuItemEnabled ? MF_ENABLED : MF_GRAYED));
  }
  // During a programmer run every command that uses the library rests; after it, those that no
  // rule above grays are enabled again.
  commands = adapter_commands(&count);
  for (int i = 0; i < count; ++i) {
    if (!programmer_busy() && menu_item_enabled(commands[i], connected, known) != kMenuItemUntouched)
      continue;
    EnableMenuItem(g_shell.menu_bar, static_cast<UINT>(commands[i]),
                   MF_BYCOMMAND | (programmer_busy() ? MF_GRAYED : MF_ENABLED));
  }
}

void create_toolbars(HWND window) {
  int count = 0;
  const int* commands = adapter_toolbar_commands(&count);
  g_shell.adapter_toolbar = create_toolbar(window, IDB_ADAPTER_TOOLBAR, commands, count);
  commands = target_toolbar_commands(&count);
  g_shell.target_toolbar = create_toolbar(window, IDB_TARGET_TOOLBAR, commands, count);
}

void update_toolbars() {
  if (!g_shell.adapter_toolbar || !g_shell.target_toolbar) return;  // not created yet
  if (g_view_layout.shown) {
    ShowWindow(g_shell.adapter_toolbar, SW_HIDE);
    ShowWindow(g_shell.target_toolbar, SW_SHOW);
  } else {
    ShowWindow(g_shell.adapter_toolbar, SW_SHOW);
    ShowWindow(g_shell.target_toolbar, SW_HIDE);
    int count = 0;
    const int* buttons = adapter_toolbar_commands(&count);
    for (int i = 0; i < count; ++i) {
      bool enabled = !rests_during_run(buttons[i]);
      if (buttons[i] == IDM_CONNECT)
        enabled = enabled &&
                  connect_button_enabled(get_adapter_type(), current_target() != nullptr);
      set_button_state(g_shell.adapter_toolbar, buttons[i], enabled);
    }
  }
}

void update_toolbar_states() {
  if (!g_shell.target_toolbar) return;
  const bool known = target_known() != 0;
  int count = 0;
  const int* commands = target_toolbar_state_commands(&count);
  for (int i = 0; i < count; ++i)
    set_button_state(g_shell.target_toolbar, commands[i], known && !rests_during_run(commands[i]));
  // The other buttons (Select Device, Disconnect) follow only a programmer run.
  commands = target_toolbar_commands(&count);
  for (int i = 0; i < count; ++i) {
    const CommandRow* row = find_command(commands[i]);
    if (row && row->state_position == 0)
      set_button_state(g_shell.target_toolbar, commands[i], !rests_during_run(commands[i]));
  }
}

void tooltip_text(LPARAM lparam) {
  NMHDR* header = reinterpret_cast<NMHDR*>(lparam);
  if (!header || header->code != TTN_NEEDTEXTA) return;
  NMTTDISPINFOA* info = reinterpret_cast<NMTTDISPINFOA*>(lparam);
  if (!info->lpszText) info->lpszText = info->szText;
  const char* text = command_tooltip(static_cast<int>(header->idFrom));
  std::strncpy(info->lpszText, text, kTooltipTextSize - 1);
  info->lpszText[kTooltipTextSize - 1] = '\0';
}

LRESULT on_command(HWND window, WPARAM wparam, LPARAM lparam) {
  if (wparam >= IDM_RECENT_DEVICE_FIRST && wparam <= IDM_RECENT_DEVICE_LAST) {
    if (programmer_busy()) return 0;  // as Select Device: the run uses the current target
    select_recent_device(window, static_cast<int>(wparam - IDM_RECENT_DEVICE_FIRST));
    return 0;
  }
  if (wparam >= IDM_RECENT_FILE_FIRST && wparam <= IDM_RECENT_FILE_LAST) {
    load_recent_file(static_cast<int>(wparam - IDM_RECENT_FILE_FIRST));
    return 0;
  }
  const int id = LOWORD(wparam);
  const int notification = HIWORD(wparam);
  // The memory view's check boxes, clicked.
  if (notification == 0 && (id == IDC_VIEW_BDM_IN_MAP || id == IDC_VIEW_BUFFER_TARGET)) {
    on_view_button(id);
    return 0;
  }
  // Any edit child of the main window: register fields, memory cells, the address field and the
  // message pane.
  if (notification == EN_CHANGE) {
    on_edit_change(id);
    return 0;
  }
  // The adapter library is busy with a programmer run: nothing else may talk to it.
  if (programmer_busy() && command_uses_adapter(id)) return 0;
  switch (id) {
    case IDM_DUMP_TO_BUFFER:
      if (dump_to_buffer_command(window)) refresh_in_buffer_mode();
      return 0;
    case IDM_PROGRAM_FROM_FILE:
      open_programmer_dialog(window);
      return 0;
    case IDM_LOAD_BUFFER:
      load_buffer_command(window);
      refresh_in_buffer_mode();
      return 0;
    case IDM_SAVE_BUFFER:
      save_buffer_command(window);
      return 0;
    case IDM_PROGRAM_FROM_BUFFER:
      if (show_memory_regions_dialog(window)) {
        program_target_from_buffer();
        refresh_in_target_mode();
      }
      return 0;
    case IDM_PROGRAM_REGIONS_FROM_FILE:
      if (program_regions_from_file_command(window)) refresh_in_target_mode();
      return 0;
    case IDM_ERASE_REGIONS:
      if (show_memory_regions_dialog(window)) {
        erase_regions();
        refresh_in_target_mode();
      }
      return 0;
    case IDM_ERASE_ALL:
      mass_erase(window);
      refresh_in_target_mode();
      return 0;
    case IDM_MEMORY_REGIONS:
      show_memory_regions_dialog(window);
      return 0;
    case IDM_CLEAR_BUFFER:
      buffer_clear();
      refresh_in_buffer_mode();
      return 0;
    case IDM_SELECT_ADAPTER:
      run_adapter_dialog(window);
      update_toolbars();
      return 0;
    case IDM_SELECT_DEVICE:
      run_target_dialog(window);
      update_toolbars();
      return 0;
    case IDM_EXIT:
      SendMessageA(window, WM_CLOSE, 0, 0);
      return 0;
    case IDM_HELP:
      show_help();
      return 0;
    case IDM_ABOUT:
      run_about_box(window);
      return 0;
    case IDM_CONNECT:
      connect_command(window);
      return 0;
    case IDM_CONNECT_VIEWS:
      connect_views_command(window);
      return 0;
    case IDM_DISCONNECT:
      disconnect_command(window);
      return 0;
    case IDM_RESET_TARGET:
      reset_target();
      refresh_views_from_target();
      return 0;
    case IDM_REFRESH_VIEW:
      refresh_views_from_target();
      return 0;
    case IDM_UPDATE_TARGET:
      write_registers(current_info());
      read_registers(current_info());
      write_memory_view();
      refresh_memory_view();
      return 0;
    case IDM_STEP:
      step_target();
      refresh_views_from_target();
      return 0;
    case IDM_RUN:
      run_target();
      return 0;
    case IDM_HALT:
      halt_target();
      read_registers(current_info());
      return 0;
    case IDC_VIEW_ADDRESS:
      on_view_button(id);
      return 0;
    default:
      return DefWindowProcA(window, WM_COMMAND, wparam, lparam);
  }
}
