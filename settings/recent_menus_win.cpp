#include "settings/recent_menus_win.h"

#include <windows.h>

#include <string>

#include "app/shell_win.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"

namespace {

typedef const char* (*recent_entry_fn)(int slot);

void refresh_menu(HMENU menu, int first_id, int slots, recent_entry_fn entry) {
  if (!menu) return;
  int position = 0;  // items of the slots before this one: the pop-up holds nothing else
  for (int slot = 0; slot < slots; ++slot) {
    const UINT id = static_cast<UINT>(first_id + slot);
    const bool exists = GetMenuState(menu, id, MF_BYCOMMAND) != static_cast<UINT>(-1);
    const char* text = entry(slot);
    if (!text) {
      if (exists) DeleteMenu(menu, id, MF_BYCOMMAND);
      continue;
    }
    std::string label = std::to_string(slot + 1) + ": " + text;
    MENUITEMINFOA info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_TYPE | MIIM_DATA;
    info.fType = MFT_STRING;
    info.wID = id;
    info.dwItemData = 0;
    info.dwTypeData = &label[0];
    info.cch = static_cast<UINT>(label.size());
    if (exists)
      SetMenuItemInfoA(menu, id, FALSE, &info);
    else
      InsertMenuItemA(menu, static_cast<UINT>(position), TRUE, &info);
    ++position;
  }
}

}  // namespace

void refresh_recent_menus() {
  refresh_menu(g_shell.recent_devices_menu, IDM_RECENT_DEVICE_FIRST, kRecentDeviceSlots,
               recent_device);
  refresh_menu(g_shell.recent_files_menu, IDM_RECENT_FILE_FIRST, kRecentFileSlots, recent_file);
}
