#include "cli/stdout_pane.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "app/message_pane.h"

namespace {

std::string g_pending;  // text of the line being built

void emit_line(const std::string& line) {
  // A lone "\r" (an error text continued by the next one) joins the pieces on one line.
  std::string out;
  out.reserve(line.size() + 1);
  for (char c : line) {
    if (c != '\r') out.push_back(c);
  }
  out.push_back('\n');
  std::fwrite(out.data(), 1, out.size(), stdout);
}

int replace_selection(const char* text) {
  g_pending += text ? text : "";
  size_t end;
  while ((end = g_pending.find("\r\r\n")) != std::string::npos) {
    std::string line = g_pending.substr(0, end);
    g_pending.erase(0, end + 3);
    emit_line(line);
  }
  return 1;
}

// Clearing the pane cannot take back what was printed; the lines simply go on.
void clear() {}

const PaneSeam kSeam = {replace_selection, clear};

}  // namespace

void stdout_pane_install() {
  g_pending.clear();
  pane_set_seam(&kSeam);
}

void stdout_pane_finish() {
  if (!g_pending.empty()) {
    std::string line = g_pending;
    g_pending.clear();
    emit_line(line);
  }
  std::fflush(stdout);
}
