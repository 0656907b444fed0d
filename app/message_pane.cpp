#include "app/message_pane.h"

#include <cstdarg>
#include <cstdio>

namespace {
const PaneSeam* g_pane = nullptr;

int insert(const char* text) {
  if (!g_pane || !g_pane->replace_selection) return 0;
  return g_pane->replace_selection(text ? text : "");
}
}  // namespace

void pane_set_seam(const PaneSeam* seam) { g_pane = seam; }

const PaneSeam* pane_get_seam() { return g_pane; }

extern "C" int append_line(const char* text) {
  insert(text);
  insert("\r");
  return insert("\r\n");
}

void append_formatted(const char* format, ...) {
  char line[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  append_line(line);
}

void append_error(const char* text) {
  insert(text);
  insert("\r");
}

void begin_command(const char* name) {
  if (g_pane && g_pane->clear) g_pane->clear();
  if (name) {
    char line[256];
    std::snprintf(line, sizeof line, "COMMAND: %s", name);
    append_line(line);
  }
}

void end_command() {
  insert("COMMAND DONE");
  insert("\r");
  insert("\r\n");
}
