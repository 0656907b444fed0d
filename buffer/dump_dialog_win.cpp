#include "buffer/dump_dialog_win.h"

#include <string>

#include "app/dialog_helpers_win.h"
#include "buffer/dump.h"
#include "resources/programmer_ids.h"

namespace {

const char kDefaultRegionText[] = "0x0-0x7FF;0x2000-0x3FFF";

INT_PTR CALLBACK buffer_regions_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      if (g_region_text.empty()) g_region_text = kDefaultRegionText;
      SetDlgItemTextA(dialog, IDC_BUFFER_REGIONS_TEXT, g_region_text.c_str());
      center_dialog(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDOK: {
          // kept whether accepted or not
          g_region_text = item_text(dialog, IDC_BUFFER_REGIONS_TEXT, kRegionTextLimit + 1);
          if (parse_region_text(g_region_text.c_str())) {
            EndDialog(dialog, 1);
          } else {
            MessageBoxA(dialog, "Syntax errorin text string: START-END [; START-END]",
                        "Buffer Regions", MB_OK);
          }
          return TRUE;
        }
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

}  // namespace

int dump_to_buffer_command(HWND owner) {
  if (run_dialog(owner, "CORVANE_BUFFER_REGIONS", buffer_regions_proc) != 1) return 0;
  return dump_regions() ? 1 : 0;
}
