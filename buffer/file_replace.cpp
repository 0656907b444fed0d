#include "buffer/file_replace.h"

#include <sys/stat.h>

#include <cstdlib>
#include <string>

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

// A name in the temporary folder that no file has yet; empty when none is found.
std::string temporary_file_name(const char* stem) {
#if defined(_WIN32)
  const char* variables[] = {"TEMP", "TMP"};
  const char* folder = ".";
  const char kSeparator = '\\';
#else
  const char* variables[] = {"TMPDIR"};
  const char* folder = "/tmp";
  const char kSeparator = '/';
#endif
  for (const char* variable : variables) {
    const char* value = std::getenv(variable);
    if (value && *value) {
      folder = value;
      break;
    }
  }
  std::string base = folder;
  if (base.back() != '/' && base.back() != '\\') base += kSeparator;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = base + stem + "-" + std::to_string(current_process_id()) + "-" +
                             std::to_string(attempt) + ".s19";
    struct stat st;
    if (stat(name.c_str(), &st) != 0) return name;
  }
  return std::string();
}
