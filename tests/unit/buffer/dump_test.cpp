// Region text and "Dump to buffer".
#include <gtest/gtest.h>

#include <string>

#include "buffer/buffer_store.h"
#include "buffer/dump.h"
#include "tests/support/fake_bdx.h"
#include "tests/support/memory_pane.h"

namespace {

std::string regions() {
  std::string out;
  char t[32];
  for (int i = 0; i < g_region_count; ++i) {
    std::snprintf(t, sizeof t, "%s%X-%X", i ? " " : "", unsigned(g_regions[i].region_start),
                  unsigned(g_regions[i].region_end));
    out += t;
  }
  return out;
}

TEST(RegionText, SeparatorsPrefixesAndLimits) {
  ASSERT_EQ(parse_region_text("0x0-0x7FF;0x2000-0x3FFF"), 1);
  EXPECT_EQ(regions(), "0-7FF 2000-3FFF");
  ASSERT_EQ(parse_region_text("0x0-0x7FF 0x2000-0x3FFF"), 1);  // a blank for the ";"
  EXPECT_EQ(regions(), "0-7FF 2000-3FFF");
  ASSERT_EQ(parse_region_text("0X10-0X1F"), 1);
  EXPECT_EQ(regions(), "10-1F");
  ASSERT_EQ(parse_region_text("10-1F;\r\n20-2F;"), 1);
  EXPECT_EQ(regions(), "10-1F 20-2F");
  ASSERT_EQ(parse_region_text("10-1F\xA0" "20-2F"), 1);  // bytes from 0x80 up separate too
  EXPECT_EQ(regions(), "10-1F 20-2F");
  ASSERT_EQ(parse_region_text("0x100-0x100"), 1);  // accepted; the dump skips it
  EXPECT_EQ(regions(), "100-100");

  // A blank after "-" makes the number after it a new region without "-": rejected, and the
  // list stays as it was.
  EXPECT_EQ(parse_region_text("0x100- 0x200"), 0);
  EXPECT_EQ(parse_region_text("0x100 -0x200"), 0);
  EXPECT_EQ(parse_region_text("x-1"), 0);
  EXPECT_EQ(parse_region_text("1-"), 0);
  EXPECT_EQ(regions(), "100-100");

  std::string sixteen, seventeen;
  for (int i = 0; i < 16; ++i) sixteen += std::to_string(i) + "0-" + std::to_string(i) + "F;";
  seventeen = sixteen + "A0-AF";
  EXPECT_EQ(parse_region_text(sixteen.c_str()), 1);
  EXPECT_EQ(g_region_count, 16);
  EXPECT_EQ(parse_region_text(seventeen.c_str()), 0);
  EXPECT_EQ(g_region_count, 16);

  ASSERT_EQ(parse_region_text(""), 1);
  EXPECT_EQ(g_region_count, 0);
  ASSERT_EQ(parse_region_text("  \t"), 1);
  EXPECT_EQ(g_region_count, 0);
}

struct Dump : testing::Test {
  ScopedMemoryPane pane;
  ScopedFakeBdx bdx;
  FakeBdx& fake = bdx.fake();
  void SetUp() override { buffer_init(); }
  void TearDown() override { buffer_clear(); }
  std::string lines() { return memory_pane_lines_joined(); }
};

TEST_F(Dump, EveryRegionIsReadOnceAndWritten) {
  fake.memory[0x7FF] = 0x5A;
  fake.memory[0x2000] = 0xA5;
  ASSERT_EQ(parse_region_text("0x0-0x7FF;0x2000-0x3FFF;5-5;9-3"), 1);
  ASSERT_EQ(dump_regions(), 1);
  EXPECT_EQ(lines(),
            "COMMAND: Dump to buffer|Region 0x0-0x7FF|Region 0x2000-0x3FFF|COMMAND DONE");
  EXPECT_EQ(fake.sequence(), "bdx_GetBlock bdx_GetBlock");
  EXPECT_EQ(fake.args("bdx_GetBlock", 0), "0|800");
  EXPECT_EQ(fake.args("bdx_GetBlock", 1), "2000|2000");
  uint8_t v = 0;
  ASSERT_EQ(buffer_get_byte(0x7FF, &v), 1);
  EXPECT_EQ(v, 0x5A);
  ASSERT_EQ(buffer_get_byte(0x2000, &v), 1);
  EXPECT_EQ(v, 0xA5);
  EXPECT_EQ(buffer_get_byte(0x800, &v), 0);
}

TEST_F(Dump, FailuresStopWithoutCommandDone) {
  ASSERT_EQ(parse_region_text("0-F;20-2F"), 1);
  fake.queue_result("bdx_GetBlock", 0);
  fake.queue_result("bdx_GetBlock", -1);
  EXPECT_EQ(dump_regions(), 0);
  EXPECT_EQ(lines(), "COMMAND: Dump to buffer|Region 0x0-0xF|Cannot get memory at 0x20");
  // A region whose size does not fit in 32 bits is refused, not dumped as nothing.
  fake.calls.clear();
  ASSERT_EQ(parse_region_text("0x0-0xFFFFFFFF"), 1);
  EXPECT_EQ(dump_regions(), 0);
  EXPECT_EQ(lines(), "COMMAND: Dump to buffer|Failed getting memory (size 0x100000000) ");
  EXPECT_EQ(fake.sequence(), "");
  // A full buffer.
  ASSERT_EQ(parse_region_text("0-3F"), 1);
  buffer_fail_allocations_after(0);
  EXPECT_EQ(dump_regions(), 0);
  buffer_fail_allocations_after(-1);
  EXPECT_EQ(lines(), "COMMAND: Dump to buffer|Failed buffer management (size 0x40) ");
}

}  // namespace
