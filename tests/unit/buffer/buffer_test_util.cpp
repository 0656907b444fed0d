#include "tests/unit/buffer/buffer_test_util.h"

#include <gtest/gtest.h>

#include "app/message_pane.h"

void reset_buffer_quietly() {
  const PaneSeam* seam = pane_get_seam();
  pane_set_seam(nullptr);
  buffer_clear();
  buffer_fail_allocations_after(-1);
  pane_set_seam(seam);
}

FILE* stream_with(const std::string& text) {
  FILE* f = std::tmpfile();
  if (!f) return nullptr;
  std::fwrite(text.data(), 1, text.size(), f);
  std::rewind(f);
  return f;
}

std::string stream_text(FILE* f) {
  std::fflush(f);
  std::rewind(f);
  std::string out;
  int c;
  while ((c = std::getc(f)) != EOF) out.push_back(char(c));
  return out;
}
