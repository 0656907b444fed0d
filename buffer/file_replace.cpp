#include "buffer/file_replace.h"

#if defined(_WIN32)
#include <process.h>

unsigned long current_process_id() { return static_cast<unsigned long>(_getpid()); }
#else
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

unsigned long current_process_id() { return static_cast<unsigned long>(getpid()); }

bool replace_file_on_disk(const char* from, const char* to) {
  if (std::rename(from, to) != 0) return false;
  // The new name is an entry of the folder: without this, a power cut may bring back the old.
  std::string folder = to;
  const std::string::size_type slash = folder.rfind('/');
  folder = slash == std::string::npos ? "." : slash == 0 ? "/" : folder.substr(0, slash);
  const int fd = open(folder.c_str(), O_RDONLY);
  if (fd >= 0) {
    fsync(fd);  // the file is in place either way; some file systems cannot sync a folder
    close(fd);
  }
  return true;
}
#endif
