// The "Recent &Devices" and "&Recent Files" pop-ups of the File menu, built from the recent lists.
#pragma once

// Brings both pop-ups (the shell's recent_devices_menu and recent_files_menu) in line with the
// lists, devices first: one item "%d: %s" (slot + 1, entry) per filled slot, in slot order, with
// the id IDM_RECENT_DEVICE_FIRST + slot or IDM_RECENT_FILE_FIRST + slot. An item that exists already is set in
// place, so opening the menus again never duplicates one; an empty slot has no item. Called on
// every WM_INITMENUPOPUP.
void refresh_recent_menus();
