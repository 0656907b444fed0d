#include "programming/program_from_file_win.h"

#include <commdlg.h>

#include "buffer/file_dialog_win.h"
#include "programming/program_from_file.h"
#include "programming/regions_dialog_win.h"
#include "settings/settings.h"

namespace {
char g_path[512];  // kept between uses
}  // namespace

bool program_regions_from_file_command(HWND owner) {
  if (!run_file_dialog(owner, false, "Load File to Target", OFN_PATHMUSTEXIST, g_path,
                       sizeof g_path, nullptr, 0))
    return false;
  show_memory_regions_dialog(owner);
  if (MessageBoxA(owner, "This Command will program selected memory regions in the target\rContinue?",
                  "Program", MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
    return false;
  program_regions_from_file(g_path);
  add_recent_file(g_path);
  return true;
}
