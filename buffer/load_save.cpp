#include "buffer/load_save.h"

#include <cstdio>
#include <string>

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
  FILE* f = std::fopen(path, "w");
  if (!f) {
    append_path_line("Cannot open '", path, "'");
    return 0;
  }
  srec_write(f);
  const bool write_failed = std::ferror(f) != 0;
  if (std::fclose(f) != 0 || write_failed) {
    append_path_line("Cannot write '", path, "'");
    return 0;
  }
  end_command();
  return 1;
}
