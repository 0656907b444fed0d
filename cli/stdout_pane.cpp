#include "cli/stdout_pane.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/message_pane.h"

namespace {

std::string g_pending;  // text of the line being built
bool g_quiet = false;
std::vector<std::string> g_held;  // quiet: the lines since the last frame began
bool g_results = false;           // quiet: a result line was printed
std::vector<std::string> g_all;   // every line, for stdout_pane_lines
std::string g_summary;            // quiet: the one line to print at the end
bool g_has_summary = false;

// A lone "\r" (an error text continued by the next one) joins the pieces on one line.
std::string joined(const std::string& line) {
  std::string out;
  out.reserve(line.size());
  for (char c : line) {
    if (c != '\r') out.push_back(c);
  }
  return out;
}

void print_line(const std::string& line) {
  const std::string out = joined(line) + "\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
}

void emit_line(const std::string& line) {
  g_all.push_back(joined(line));
  if (g_quiet) {
    g_held.push_back(line);
  } else {
    print_line(line);
  }
}

int console_pane_replace_selection(const char* text) {
  g_pending += text ? text : "";
  size_t end;
  while ((end = g_pending.find("\r\r\n")) != std::string::npos) {
    std::string line = g_pending.substr(0, end);
    g_pending.erase(0, end + 3);
    emit_line(line);
  }
  return 1;
}

// Clearing the pane cannot take back what was printed; the lines simply go on. Held lines are
// cleared as the program's pane would be.
void console_pane_clear() {
  if (g_quiet) g_held.clear();
}

const PaneSeam kSeam = PANE_SEAM_OF(console_pane);

}  // namespace

void stdout_pane_install(bool quiet) {
  g_pending.clear();
  g_held.clear();
  g_quiet = quiet;
  g_results = false;
  g_all.clear();
  g_summary.clear();
  g_has_summary = false;
  pane_set_seam(&kSeam);
}

bool stdout_pane_quiet() { return g_quiet; }

void stdout_pane_result(const char* line) {
  if (!g_quiet) {
    append_line(line);
    return;
  }
  g_all.push_back(joined(line));
  print_line(line);
  g_results = true;
}

void stdout_pane_summary(const std::string& line) {
  g_summary = line;
  g_has_summary = true;
}

std::vector<std::string> stdout_pane_lines() {
  std::vector<std::string> lines = g_all;
  if (!g_pending.empty()) lines.push_back(joined(g_pending));
  return lines;
}

void stdout_pane_finish(bool failed) {
  if (!g_pending.empty()) {
    std::string line = g_pending;
    g_pending.clear();
    emit_line(line);
  }
  if (g_quiet) {
    if (g_has_summary) {
      print_line(g_summary);
    } else if (failed) {
      for (const std::string& line : g_held) print_line(line);
    } else if (!g_results && !g_held.empty()) {
      print_line(g_held.back());
    }
    g_held.clear();
  }
  std::fflush(stdout);
}
