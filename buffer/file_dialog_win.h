// The common file dialogs as the buffer and programming commands use them: the 76-byte
// OPENFILENAMEA form, the main window as owner, one filter, no initial folder, an empty default
// extension, and a caller-owned path buffer that keeps the last choice between uses.
#pragma once
#include <windows.h>

// The filter of the S-record dialogs: "Motorola S-format (.s19)" / "*.s19".
extern const char kSrecFileFilter[];

// Shows the open (save false) or save dialog. path (path_size characters) holds the initial and
// the chosen path; file_title may be null. True when a file was chosen, false for Cancel.
bool run_file_dialog(HWND owner, bool save, const char* title, DWORD flags, char* path,
                     DWORD path_size, char* file_title, DWORD file_title_size);
