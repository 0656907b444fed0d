#include <windows.h>

#include "app/shell_win.h"
#include "settings/registry_store_win.h"
#include "settings/settings.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
  // The settings live in the registry; the main window loads them while it is created.
  set_settings_store(registry_settings_store());
  start_application(instance, show_command);
  return run_message_loop();
}
