// The file-system layer over Win32 calls.
#include <windows.h>

#include <io.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "buffer/file_system.h"

unsigned long current_process_id() { return GetCurrentProcessId(); }

bool flush_to_disk(std::FILE* f) {
  if (std::fflush(f) != 0) return false;
  const HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)));
  return file != INVALID_HANDLE_VALUE && FlushFileBuffers(file) != 0;
}

bool replace_file_on_disk(const std::string& from, const std::string& to) {
  // One call: there is no moment without a file at `to`, and WRITE_THROUGH returns only once
  // the move is on the disk.
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  const DWORD error = GetLastError();
  errno = error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? ENOSPC
          : error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ? EACCES
                                                                              : EIO;
  return false;
}

NameKind name_kind(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return NameKind::Missing;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return NameKind::Link;
  return attributes & FILE_ATTRIBUTE_DIRECTORY ? NameKind::Other : NameKind::Regular;
}

// The programs follow no links on Windows: a save replaces the file at the name it was given.
std::string resolve_links(const std::string& path) { return path; }

void copy_permissions(const std::string&, const std::string&) {}

std::string temporary_folder() {
  std::string folder = ".";
  for (const char* variable : {"TEMP", "TMP"}) {
    const char* value = std::getenv(variable);
    if (value && *value) {
      folder = value;
      break;
    }
  }
  if (folder.back() != '/' && folder.back() != '\\') folder += '\\';
  return folder;
}
