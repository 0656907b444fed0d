#include "tests/support/memory_pane.h"

#include "app/message_pane.h"

namespace {
MemoryPane g_memory;

int memory_replace_selection(const char* text) {
  std::string& t = g_memory.text;
  size_t a = g_memory.sel_start > t.size() ? t.size() : g_memory.sel_start;
  size_t b = g_memory.sel_end > t.size() ? t.size() : g_memory.sel_end;
  if (b < a) b = a;
  t.replace(a, b - a, text);
  g_memory.sel_start = g_memory.sel_end = a + std::string(text).size();
  ++g_memory.insertions;
  return 1;
}

void memory_clear() {
  g_memory.text.clear();
  g_memory.sel_start = g_memory.sel_end = 0;
}

const PaneSeam kSeam = PANE_SEAM_OF(memory);
}  // namespace

MemoryPane& memory_pane_install() {
  g_memory = MemoryPane();
  pane_set_seam(&kSeam);
  return g_memory;
}

MemoryPane& memory_pane() { return g_memory; }

void memory_pane_select(size_t start, size_t end) {
  g_memory.sel_start = start;
  g_memory.sel_end = end;
}

std::string memory_pane_lines_joined(const char* separator) {
  std::string out;
  const std::string& t = g_memory.text;
  size_t pos = 0;
  while (pos < t.size()) {
    size_t end = t.find("\r\r\n", pos);
    if (end == std::string::npos) {
      out += t.substr(pos);
      break;
    }
    out += t.substr(pos, end - pos);
    pos = end + 3;
    if (pos < t.size()) out += separator;
  }
  return out;
}

ScopedMemoryPane::~ScopedMemoryPane() { pane_set_seam(nullptr); }
