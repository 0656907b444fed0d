#include "programming/regions_dialog_win.h"

#include "app/dialog_helpers_win.h"
#include "programming/region_selection.h"
#include "resources/memory_regions_ids.h"
#include "target/catalogue.h"

namespace {

void show_row(HWND dialog, int box, int edit, bool enabled, const std::string& range,
              bool checked) {
  enable_item(dialog, box, enabled);
  SetDlgItemTextA(dialog, edit, range.c_str());
  CheckDlgButton(dialog, box, checked ? BST_CHECKED : BST_UNCHECKED);
}

// Fills the dialog from a fresh copy of the map; clears the flags of pages that are not there.
void fill_dialog(HWND dialog) {
  TargetMemoryMap map;
  get_target_memory_map(&map);
  RegionSelection& selection = region_selection();
  const RegionsDialogFill fill = fill_memory_regions(map, &selection);
  show_row(dialog, IDC_REGIONS_VOLATILE, IDC_REGIONS_VOLATILE_RANGE, fill.volatile_enabled,
           fill.volatile_range, selection.include_volatile);
  show_row(dialog, IDC_REGIONS_EEPROM, IDC_REGIONS_EEPROM_RANGE, fill.eeprom_enabled,
           fill.eeprom_range, selection.include_eeprom);
  for (int page = 0; page < kFlashPageCount; ++page) {
    const int id = page_control_id(page);
    enable_item(dialog, id, fill.page_enabled[page]);
    CheckDlgButton(dialog, id, selection.include_page[page] ? BST_CHECKED : BST_UNCHECKED);
  }
}

// OK: every box back into the selection, disabled ones included.
void read_dialog(HWND dialog) {
  RegionSelection& selection = region_selection();
  selection.include_volatile = IsDlgButtonChecked(dialog, IDC_REGIONS_VOLATILE) == BST_CHECKED;
  selection.include_eeprom = IsDlgButtonChecked(dialog, IDC_REGIONS_EEPROM) == BST_CHECKED;
  for (int page = 0; page < kFlashPageCount; ++page)
    selection.include_page[page] =
        IsDlgButtonChecked(dialog, page_control_id(page)) == BST_CHECKED;
}

}  // namespace

INT_PTR CALLBACK memory_regions_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      fill_dialog(dialog);
      center_dialog(dialog);
      return TRUE;  // the default focus applies
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDOK:
          read_dialog(dialog);
          EndDialog(dialog, 1);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
        case IDC_REGIONS_SELECT_ALL:
          set_all_regions(true);
          fill_dialog(dialog);
          return TRUE;
        case IDC_REGIONS_DESELECT_ALL:
          set_all_regions(false);
          fill_dialog(dialog);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

bool show_memory_regions_dialog(HWND owner) {
  return run_dialog(owner, "CORVANE_MEMORY_REGIONS", memory_regions_dialog_proc) == 1;
}
