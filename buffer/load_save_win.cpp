#include "buffer/load_save_win.h"

#include <commdlg.h>

#include "buffer/file_dialog_win.h"
#include "buffer/load_save.h"
#include "settings/settings.h"

namespace {
// Kept between uses, so each dialog opens with the last choice (empty at start).
char g_load_path[512];
char g_load_title[128];
char g_save_path[512];
char g_save_title[128];
}  // namespace

void load_buffer_command(HWND owner) {
  // The file need not exist here: a name that cannot be opened is reported by the load.
  if (!run_file_dialog(owner, false, "Load File to Buffer", OFN_EXPLORER | OFN_PATHMUSTEXIST,
                       g_load_path, sizeof g_load_path, g_load_title, sizeof g_load_title))
    return;
  load_file_into_buffer(g_load_path);
  add_recent_file(g_load_path);
}

void save_buffer_command(HWND owner) {
  if (!run_file_dialog(owner, true, "Save Buffer to file", OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT,
                       g_save_path, sizeof g_save_path, g_save_title, sizeof g_save_title))
    return;
  save_buffer_to_file(g_save_path);
}
