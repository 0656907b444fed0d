// The programmer run over a recording sink and the recording fake adapter.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "programming/programmer.h"
#include "tests/support/fake_bdx.h"
#include "tests/support/memory_pane.h"
#include "tests/support/test_files.h"

namespace {

std::string g_log;       // what the run showed
int g_position = 0;      // the bar
int g_pumps = 0;
int g_abort_on_pump = -1;  // the n-th single-message pump delivers an Abort click

void test_status(const char* t) { g_log += std::string("[") + t + "]"; }
void test_set_range(int m) { g_log += "range(" + std::to_string(m) + ")"; }
void test_set_position(int p) { g_position = p; }
int test_step() { return g_position++; }
void test_deliver_one_message() {
  if (++g_pumps == g_abort_on_pump) programmer_request_abort();
}
constexpr auto test_deliver_messages = quiet_sink_deliver_messages;
constexpr auto test_repaint = quiet_sink_repaint;
const ProgrammerSink kSink = PROGRAMMER_SINK_OF(test);

std::string hundred_lines() {
  std::string text;
  for (int i = 0; i < 99; ++i) text += "S1051000AABB85\n";
  return text + "S9030000FC\n";
}

struct Programmer : testing::Test {
  ScopedMemoryPane pane;
  ScopedFakeBdx bdx;
  FakeBdx& fake = bdx.fake();
  void SetUp() override {
    g_log.clear();
    g_position = 0;
    g_pumps = 0;
    g_abort_on_pump = -1;
    g_programmer.abort_flag = 0;
    g_programmer.program_flash = true;
    g_programmer.verify_flash = true;
  }
};

TEST_F(Programmer, BothPassesOverAHundredLines) {
  const std::string path = temp_file("prog100.s19", hundred_lines());
  // The library calls back once per record; the bar steps until it passes the line total.
  fake.fixed["bdx_FlashWriteFile"] = 0;
  ASSERT_EQ(programmer_run(path.c_str(), kSink), 1);
  EXPECT_EQ(g_log, "range(210)[Programming FLASH][FLASH Programmed][Verifying FLASH]"
                   "[FLASH Verified OK!]");
  EXPECT_EQ(g_position, 210);  // full at the end
  EXPECT_EQ(g_programmer.line_total, 200);
  // Between the two, the part's security byte is read: a file without one leaves an erased
  // byte to be set to 0xFE (this one reads 0x00).
  EXPECT_EQ(fake.sequence(), "bdx_FlashWriteFile bdx_GetMemoryByte bdx_FlashVerifyFile");
  EXPECT_EQ(fake.args("bdx_FlashWriteFile").substr(0, 6), "40|40|");
  EXPECT_FALSE(programmer_busy());
}

TEST_F(Programmer, FailuresAbortsAndNothingToDo) {
  EXPECT_EQ(programmer_run("", kSink), 0);
  EXPECT_EQ(g_log, "[No Loadfile specified]");
  g_log.clear();
  EXPECT_EQ(programmer_run("/no/such/file.s19", kSink), 0);
  EXPECT_EQ(g_log, "[Can't open '/no/such/file.s19']");

  const std::string path = temp_file("prog.s19", hundred_lines());
  // An Abort delivered by the single pump before writing: no library call.
  g_log.clear();
  g_abort_on_pump = 2;
  EXPECT_EQ(programmer_run(path.c_str(), kSink), 0);
  EXPECT_EQ(g_log, "range(210)[Programming aborted]");
  EXPECT_EQ(fake.sequence(), "");

  // A failing write names the library's failing address.
  g_log.clear();
  g_abort_on_pump = -1;
  g_programmer.abort_flag = 0;
  fake.set_result("bdx_FlashWriteFile", -1);
  EXPECT_EQ(programmer_run(path.c_str(), kSink), 0);
  EXPECT_EQ(g_log.substr(g_log.find("][") + 1),
            "[FAILED programming the device at: 0x000000]");

  // Both boxes clear: success at once, the file is not even opened.
  fake.calls.clear();
  g_log.clear();
  g_programmer.program_flash = g_programmer.verify_flash = false;
  EXPECT_EQ(programmer_run("/no/such/file.s19", kSink), 1);
  EXPECT_EQ(g_log, "");
  EXPECT_EQ(fake.sequence(), "");
}

// A library that calls back far more often than the file has lines: the bar stands at 3 when it
// is called and steps only until it has passed the line total.
int g_bar_at_call = -1;
int g_bar_highest = -1;
int BDX_CALL calls_back_500_times(unsigned char, unsigned char, const char*, uint32_t*,
                                  bdx_progress_callback progress) {
  g_bar_at_call = g_position;
  for (int i = 0; i < 500; ++i) {
    progress();
    if (g_position > g_bar_highest) g_bar_highest = g_position;
  }
  return 0;
}

TEST_F(Programmer, TheBarStartsAtThreeAndStopsAtTheLineTotal) {
  const std::string path = temp_file("prog_bar.s19", hundred_lines());
  BdxTable table = fake_bdx_table();
  table.bdx_FlashWriteFile = calls_back_500_times;
  bdx_table_set(table);
  g_programmer.verify_flash = false;
  ASSERT_EQ(programmer_run(path.c_str(), kSink), 1);
  EXPECT_EQ(g_bar_at_call, 3);
  // The counter holds the position before each step, so the bar stops one step past the line
  // total and never goes on from there.
  EXPECT_EQ(g_bar_highest, 101);
}

// The count ends on what no S-record file holds, so that an endless stream ends the run.
TEST_F(Programmer, LinesNoFileHoldsEndTheRunAsUnreadable) {
  int lines = 0;
  // The longest record's line, blanks after it, and then a piece of a longer line.
  const std::string longest = "S3" + std::string(512, 'F');
  const std::string good = temp_file("longest.s19", longest + "   \n" + longest + "\n");
  EXPECT_EQ(count_programmer_lines(good.c_str(), &lines), LineCount::Counted);
  EXPECT_EQ(lines, 4);  // two pieces of 511 characters and their ends
  const std::string longer = temp_file("longer.s19", longest + "  F\n");
  EXPECT_EQ(count_programmer_lines(longer.c_str(), &lines), LineCount::CannotRead);
  // A bound on the lines read, with room for exactly as many.
  const std::string three = temp_file("three.s19", "SS\nSS\n\n");
  EXPECT_EQ(count_programmer_lines(three.c_str(), &lines, 3), LineCount::Counted);
  EXPECT_EQ(lines, 2);
  EXPECT_EQ(count_programmer_lines(three.c_str(), &lines, 2), LineCount::CannotRead);
  // A device without end: the run ends with a status, before any library call.
  EXPECT_EQ(programmer_run("/dev/zero", kSink), 0);
  EXPECT_EQ(g_log, "[Can't read '/dev/zero']");
  EXPECT_EQ(fake.sequence(), "");
}

TEST(ProgrammerText, LineCountAndDisplayPath) {
  const std::string path = temp_file(
      "count.s19", "S0030000FC\nS\n\nS1051000AABB85\r\nS9030000FC\nSX stop here\nS1051000AABB85\n");
  // Counted: S0, "S" with its line end, S1, S9; not the empty line; nothing from "SX" on.
  int lines = 0;
  EXPECT_EQ(count_programmer_lines(path.c_str(), &lines), LineCount::Counted);
  EXPECT_EQ(lines, 4);
  const std::string tab = temp_file("tab.s19", "S1051000AABB85\nS\tend\nS9030000FC\n");
  EXPECT_EQ(count_programmer_lines(tab.c_str(), &lines), LineCount::Counted);
  EXPECT_EQ(lines, 1);
  // A line of one character is not counted: here the last one, without a line end.
  const std::string one = temp_file("one.s19", "S1051000AABB85\nS");
  EXPECT_EQ(count_programmer_lines(one.c_str(), &lines), LineCount::Counted);
  EXPECT_EQ(lines, 1);
  EXPECT_EQ(count_programmer_lines("/no/such/file", &lines), LineCount::CannotOpen);

  EXPECT_EQ(display_path("C:\\Work\\a.s19", 48), "c:/work/a.s19");
  const std::string sixty = "C:\\Projects\\Firmware\\Release\\Build42\\Output\\Image\\APP.S19";
  const std::string long60 = sixty + std::string(60 - sixty.size(), 'X');
  ASSERT_EQ(long60.size(), 60u);
  const std::string shown = display_path(long60, 48);
  EXPECT_EQ(shown.size(), 48u);
  EXPECT_EQ(shown.substr(0, 12), "c:/p./..../.");
  std::string tail = long60.substr(24);
  for (char& c : tail) c = c == '\\' ? '/' : char(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ(shown.substr(12), tail);
}

}  // namespace
