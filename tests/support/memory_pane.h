// An in-memory message pane for tests: behaves like the Edit control's selection handling.
#pragma once
#include <string>

struct MemoryPane {
  std::string text;
  size_t sel_start = 0;
  size_t sel_end = 0;
  int insertions = 0;
};

// Installs a fresh in-memory pane as the message pane and returns it.
MemoryPane& memory_pane_install();
// The installed in-memory pane.
MemoryPane& memory_pane();
// Select [start, end) as a user would with the mouse.
void memory_pane_select(size_t start, size_t end);
// The pane's lines: text split at "\r\r\n" (the framing append_line writes).
std::string memory_pane_lines_joined(const char* separator = "|");

// RAII: installs an in-memory pane for a test and removes it afterwards.
struct ScopedMemoryPane {
  ScopedMemoryPane() { memory_pane_install(); }
  ~ScopedMemoryPane();
  MemoryPane& pane() { return memory_pane(); }
};
