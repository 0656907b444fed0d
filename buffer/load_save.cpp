#include "buffer/load_save.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

#include "app/message_pane.h"
#include "buffer/buffer_store.h"
#include "buffer/srec.h"

namespace {
// Appends "<before><path><after>" whatever the path's length.
void append_path_line(const char* before, const char* path, const char* after) {
  std::string text = before;
  text += path;
  text += after;
  append_line(text.c_str());
}

unsigned long process_id() {
#if defined(_WIN32)
  return static_cast<unsigned long>(_getpid());
#else
  return static_cast<unsigned long>(getpid());
#endif
}

// Writes the whole buffer to an open stream and flushes it; false when any of it could not be
// written (a full disk shows at the latest when the stream's buffer is flushed or closed). The
// stream is closed either way. The file is not forced to the disk (fsync): that cost more than
// the whole conversion of a small image, and the failures that matter here (a full disk, a
// write error) are all seen without it.
bool write_and_close(FILE* f) {
  // Whole pieces of the image per write call rather than the C library's few kilobytes.
  std::setvbuf(f, nullptr, _IOFBF, 1 << 16);
  srec_write(f);
  const bool ok = std::fflush(f) == 0 && std::ferror(f) == 0;
  return std::fclose(f) == 0 && ok;
}

enum class PathKind { None, Regular, Other };

PathKind path_kind(const char* path) {
  struct stat st;
  if (stat(path, &st) != 0) return PathKind::None;
  return S_ISREG(st.st_mode) ? PathKind::Regular : PathKind::Other;
}

bool name_taken(const std::string& path) {
  struct stat st;
#if defined(_WIN32)
  return stat(path.c_str(), &st) == 0;
#else
  return lstat(path.c_str(), &st) == 0;
#endif
}

// Puts the complete file `from` in the place of `to` (which may exist). False when it cannot,
// with `to` as it was.
bool replace_file(const std::string& from, const std::string& to) {
#if defined(_WIN32)
  // rename does not replace a file here: the old one steps aside first and comes back when the
  // new one cannot take its place.
  if (!name_taken(to)) return std::rename(from.c_str(), to.c_str()) == 0;
  const std::string aside = to + "." + std::to_string(process_id()) + ".old";
  std::remove(aside.c_str());
  if (std::rename(to.c_str(), aside.c_str()) != 0) return false;
  if (std::rename(from.c_str(), to.c_str()) != 0) {
    std::rename(aside.c_str(), to.c_str());
    return false;
  }
  std::remove(aside.c_str());
  return true;
#else
  return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

// The file a save replaces: the path itself, or the file a symbolic link names (the link
// stays).
std::string file_to_replace(const char* path) {
#if !defined(_WIN32)
  struct stat st;
  if (lstat(path, &st) == 0 && S_ISLNK(st.st_mode)) {
    char* real = realpath(path, nullptr);
    if (real) {
      std::string target = real;
      std::free(real);
      return target;
    }
  }
#endif
  return path;
}
}  // namespace

int load_file_into_buffer(const char* path) {
  begin_command("Load to buffer");
  FILE* f = std::fopen(path, "r");
  if (!f) {
    append_path_line("Cannot open '", path, "'");
    return 0;
  }
  bool no_end_record = false;
  const int result = srec_read(f, &no_end_record);
  std::fclose(f);
  append_path_line(result != 0 ? "Errors in file '" : "Loaded file '", path, "'");
  if (no_end_record) append_path_line("No end record in '", path, "': the file may be cut short");
  if (result != 0) return 0;
  end_command();
  return 1;
}

int save_buffer_to_file(const char* path) {
  begin_command("Save buffer");
  if (buffer_is_empty()) {
    append_line("Buffer is empty");
    return 0;
  }
  const PathKind kind = path_kind(path);
  if (kind == PathKind::Other) {
    // A device or pipe is written to directly: there is no file to keep.
    FILE* f = std::fopen(path, "w");
    if (!f) {
      append_path_line("Cannot open '", path, "'");
      return 0;
    }
    if (!write_and_close(f)) {
      append_path_line("Cannot write '", path, "'");
      return 0;
    }
    end_command();
    return 1;
  }
  if (kind == PathKind::Regular) {
    // An old file that may not be written stays as it is, as when it was opened for writing.
    FILE* probe = std::fopen(path, "r+");
    if (!probe) {
      append_path_line("Cannot open '", path, "'");
      return 0;
    }
    std::fclose(probe);
  }

  // The file is written whole under a name of its own beside the old one, which it replaces
  // only then: a full disk or a failing write leaves the old file as it was.
  const std::string target = file_to_replace(path);
  std::string temp;
  FILE* f = nullptr;
  for (int attempt = 0; attempt < 100 && !f; ++attempt) {
    temp = target + "." + std::to_string(process_id()) + "-" + std::to_string(attempt) + ".tmp";
    if (name_taken(temp)) continue;  // another save's, left alone
    f = std::fopen(temp.c_str(), "w");
    if (!f) break;
  }
  if (!f) {
    append_path_line("Cannot open '", path, "'");
    return 0;
  }
  bool ok = write_and_close(f);
#if !defined(_WIN32)
  struct stat old;
  if (ok && kind == PathKind::Regular && stat(target.c_str(), &old) == 0)
    chmod(temp.c_str(), old.st_mode & 07777);  // the old file's permissions
#endif
  ok = ok && replace_file(temp, target);
  if (!ok) {
    std::remove(temp.c_str());
    append_path_line("Cannot write '", path, "'");
    return 0;
  }
  end_command();
  return 1;
}
