// Putting a completely written file in the place of another in one step.
#pragma once
#include <string>

// Puts the file `from` in the place of `to` (which may exist) with one call of the file system,
// so that at every moment one of the two complete files stands at `to`, and makes the change
// itself last on the disk. False when it cannot, with `to` as it was. On Windows this is
// MoveFileExA (file_replace_win.cpp); elsewhere rename, then the folder forced to the disk.
bool replace_file_on_disk(const char* from, const char* to);

// This process's id, which temporary file names carry so that two programs never pick one name.
unsigned long current_process_id();

// A name "<stem>-<process id>-<n>.s19" in the temporary folder (TMPDIR, on Windows TEMP or TMP)
// that no file has yet; empty when none is found.
std::string temporary_file_name(const char* stem);
