// The file system where POSIX and Windows differ, for the tool and the simulated library alike:
// this process's id, forcing a written file onto the disk, what a name stands for without
// following a link, the file a link names, a file's permissions given to its replacement,
// putting a completely written file in another's place in one step, and the temporary folder.
// file_system_posix.cpp implements it over POSIX calls, file_system_win.cpp over Win32's; the
// core and the simulated library link the one of their platform, as both link the S-record
// reader. file_system.cpp holds what is built on top of it for either platform.
#pragma once
#include <cstdio>
#include <string>

// This process's id, which temporary file names carry so that two programs never pick one name.
unsigned long current_process_id();

// Forces what was written to the open stream f onto the disk (fflush, then fsync or
// FlushFileBuffers), so that a file that is to take an old file's place is there whole before
// the old one goes. False on failure. f stays open.
bool flush_to_disk(std::FILE* f);

// Puts the file `from` in the place of `to` (which may exist) with one call of the file system,
// so that at every moment one of the two complete files stands at `to`, and makes the change
// itself last on the disk: rename, then the folder forced to the disk; MoveFileExA with
// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH on Windows. False when it cannot, with
// both files as they were and errno saying why.
bool replace_file_on_disk(const std::string& from, const std::string& to);

// What a name stands for, a symbolic link itself rather than what it names.
enum class NameKind { Missing, Regular, Link, Other };
NameKind name_kind(const std::string& path);

// The file path finally names once symbolic links are followed (it may not exist yet); path
// itself when it is no link. A save replaces that file and leaves the links as they are. A
// loop of links is left to the open, which then fails.
std::string resolve_links(const std::string& path);

// Gives the file at `to` the permission bits of the file at `from` (and its owner, where the
// user may change that), so that a file that replaces another keeps them. Windows has nothing
// more to keep: a new file is writable for whoever made it, and a read-only one is never
// replaced.
void copy_permissions(const std::string& from, const std::string& to);

// The temporary folder, ending in its separator: TMPDIR (else /tmp); on Windows TEMP or TMP
// (else the current folder).
std::string temporary_folder();

// A name "<stem>-<process id>-<n>.s19" in the temporary folder that no file has yet; empty when
// none is found.
std::string temporary_file_name(const char* stem);
