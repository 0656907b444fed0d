#include "buffer/file_dialog_win.h"

#include <commdlg.h>

#include <cstring>

const char kSrecFileFilter[] = "Motorola S-format (.s19)\0*.s19\0";

bool run_file_dialog(HWND owner, bool save, const char* title, DWORD flags, char* path,
                     DWORD path_size, char* file_title, DWORD file_title_size) {
  OPENFILENAMEA ofn;
  std::memset(&ofn, 0, sizeof ofn);
  // The structure without the Windows 2000 tail: 76 bytes in the 32-bit program.
  ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = kSrecFileFilter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = path;
  ofn.nMaxFile = path_size;
  ofn.lpstrFileTitle = file_title;
  ofn.nMaxFileTitle = file_title ? file_title_size : 0;
  ofn.lpstrInitialDir = nullptr;
  ofn.lpstrTitle = title;
  ofn.Flags = flags;
  ofn.lpstrDefExt = "";
  const BOOL chosen = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
  return chosen != FALSE;
}
