#include <windows.h>

#include "app/shell_win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
  start_application(instance, show_command);
  return run_message_loop();
}
