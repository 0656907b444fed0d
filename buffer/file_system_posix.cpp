// The file-system layer over POSIX calls (Linux and the other Unix systems).
#include "buffer/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

unsigned long current_process_id() { return static_cast<unsigned long>(getpid()); }

bool flush_to_disk(std::FILE* f) { return std::fflush(f) == 0 && fsync(fileno(f)) == 0; }

bool replace_file_on_disk(const std::string& from, const std::string& to) {
  if (std::rename(from.c_str(), to.c_str()) != 0) return false;
  // The new name is an entry of the folder: without this, a power cut may bring back the old.
  const std::string::size_type slash = to.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : to.substr(0, slash);
  const int saved_errno = errno;
  const int fd = open(folder.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    fsync(fd);  // the file is in place either way; some file systems cannot sync a folder
    close(fd);
  }
  errno = saved_errno;
  return true;
}

NameKind name_kind(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return NameKind::Missing;
  if (S_ISLNK(st.st_mode)) return NameKind::Link;
  return S_ISREG(st.st_mode) ? NameKind::Regular : NameKind::Other;
}

std::string resolve_links(const std::string& path) {
  std::string p = path;
  for (int hops = 0; hops < 40 && name_kind(p) == NameKind::Link; ++hops) {
    char target[4096];
    const ssize_t n = readlink(p.c_str(), target, sizeof target - 1);
    if (n <= 0) break;
    const std::string named(target, static_cast<size_t>(n));
    const std::string::size_type slash = p.rfind('/');
    // A relative link is read from the folder the link stands in.
    p = named[0] == '/' || slash == std::string::npos ? named : p.substr(0, slash + 1) + named;
  }
  return p;
}

void copy_permissions(const std::string& from, const std::string& to) {
  struct stat st;
  if (stat(from.c_str(), &st) != 0) return;
  chmod(to.c_str(), st.st_mode & 07777);
  if (chown(to.c_str(), st.st_uid, st.st_gid) != 0) {
    // Only root may give a file away; everybody else keeps the file as theirs.
  }
}

std::string temporary_folder() {
  const char* value = std::getenv("TMPDIR");
  std::string folder = value && *value ? value : "/tmp";
  if (folder.back() != '/') folder += '/';
  return folder;
}
