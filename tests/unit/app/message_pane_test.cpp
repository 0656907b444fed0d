#include <gtest/gtest.h>

#include "app/message_pane.h"
#include "tests/support/memory_pane.h"

TEST(MessagePane, FramingBytesAreExact) {
  ScopedMemoryPane p;
  append_line("abc");
  EXPECT_EQ(p.pane().text, "abc\r\r\n");
  EXPECT_EQ(p.pane().insertions, 3);  // text, "\r" and "\r\n" are separate insertions
  end_command();
  EXPECT_EQ(p.pane().text, "abc\r\r\nCOMMAND DONE\r\r\n");
}

TEST(MessagePane, ErrorThenLineShareOneLine) {
  ScopedMemoryPane p;
  append_error("A");
  append_line("B");
  EXPECT_EQ(p.pane().text, "A\rB\r\r\n");
}

TEST(MessagePane, BeginCommandClearsAndNamesTheCommand) {
  ScopedMemoryPane p;
  append_line("old");
  begin_command("Clear buffer");
  EXPECT_EQ(p.pane().text, "COMMAND: Clear buffer\r\r\n");
  begin_command(nullptr);
  EXPECT_EQ(p.pane().text, "");
  append_line("x");
  EXPECT_EQ(p.pane().text, "x\r\r\n");  // after a clear the caret is at the start
}

TEST(MessagePane, BeginCommandCutsOverlongNamesAt255) {
  ScopedMemoryPane p;
  std::string name(400, 'n');
  begin_command(name.c_str());
  EXPECT_EQ(p.pane().text.size(), 255u + 3u);
}

TEST(MessagePane, InsertsAtTheUsersSelection) {
  ScopedMemoryPane p;
  append_line("one two three");
  memory_pane_select(4, 7);  // the user selects "two"
  append_line("X");
  append_line("Y");
  EXPECT_EQ(p.pane().text, "one X\r\r\nY\r\r\n three\r\r\n");
}

TEST(MessagePane, WithoutAPaneTextIsDropped) {
  pane_set_seam(nullptr);
  EXPECT_EQ(append_line("lost"), 0);
  append_error("lost");
  begin_command("lost");
  end_command();
}
