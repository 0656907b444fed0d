#include "buffer/load_save.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#if defined(_WIN32)
#include <io.h>
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

// Writes the whole buffer to an open stream and pushes it to the disk; false when any of it
// could not be written. The stream is closed either way.
bool write_and_close(FILE* f) {
  srec_write(f);
  bool ok = std::fflush(f) == 0 && std::ferror(f) == 0;
#if defined(_WIN32)
  ok = ok && _commit(_fileno(f)) == 0;
#else
  // A device or pipe cannot be synchronised; only a regular file's failure counts.
  if (ok && fsync(fileno(f)) != 0 && errno != EINVAL && errno != EROFS) ok = false;
#endif
  return std::fclose(f) == 0 && ok;
}
}  // namespace

int load_file_into_buffer(const char* path) {
  begin_command("Load to buffer");
  FILE* f = std::fopen(path, "r");
  if (!f) {
    append_path_line("Cannot open '", path, "'");
    return 0;
  }
  const int result = srec_read(f);
  std::fclose(f);
  if (result != 0) {
    append_path_line("Errors in file '", path, "'");
    return 0;
  }
  append_path_line("Loaded file '", path, "'");
  end_command();
  return 1;
}

int save_buffer_to_file(const char* path) {
  begin_command("Save buffer");
  if (buffer_is_empty()) {
    append_line("Buffer is empty");
    return 0;
  }
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (fs::exists(status) && !fs::is_regular_file(status)) {
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

  if (fs::exists(status)) {
    // An old file that may not be written stays as it is, as when it was opened for writing.
    FILE* probe = std::fopen(path, "r+");
    if (!probe) {
      append_path_line("Cannot open '", path, "'");
      return 0;
    }
    std::fclose(probe);
  }

  // The file is written whole under a name of its own beside the old one (beside the file a
  // link points to), which it replaces only then: a full disk or a failing write leaves the
  // old file as it was.
  fs::path target(path);
  if (fs::is_symlink(fs::symlink_status(target, ec))) {
    const fs::path real = fs::weakly_canonical(target, ec);
    if (!ec) target = real;
  }
  const std::string final_name = target.string();
  std::string temp;
  FILE* f = nullptr;
  for (int attempt = 0; attempt < 100 && !f; ++attempt) {
    temp = final_name + "." + std::to_string(process_id()) + "-" + std::to_string(attempt) + ".tmp";
    if (fs::exists(fs::symlink_status(temp, ec))) continue;  // another save's, left alone
    f = std::fopen(temp.c_str(), "w");
    if (!f) break;
  }
  if (!f) {
    append_path_line("Cannot open '", path, "'");
    return 0;
  }
  bool ok = write_and_close(f);
  if (ok && fs::exists(status)) {
    // Keep the old file's permissions.
    fs::permissions(temp, status.permissions(), fs::perm_options::replace, ec);
  }
  if (ok) {
    fs::rename(temp, final_name, ec);
    ok = !ec;
  }
  if (!ok) {
    fs::remove(temp, ec);
    append_path_line("Cannot write '", path, "'");
    return 0;
  }
  end_command();
  return 1;
}
