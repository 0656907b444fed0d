// The portable rules of the register and memory views: the hexadecimal parser, the register sets
// and their reads and writes, the paging step, row labels, scrolling and the go-to address.
#include <gtest/gtest.h>

#include <string>

#include "target/catalogue.h"
#include "tests/support/fake_bdx.h"
#include "tests/support/memory_pane.h"
#include "views/hex_parse.h"
#include "views/memory_view.h"
#include "views/register_view.h"

namespace {

uint32_t hex(const char* text) {
  uint32_t v = 0xDEADBEEF;
  EXPECT_EQ(parse_hex(text, &v), 0) << text;
  return v;
}

TEST(ParseHex, EndsAtBlanksAndRejectsOtherCharacters) {
  EXPECT_EQ(hex("ff"), 0xFFu);
  EXPECT_EQ(hex("1D0"), 0x1D0u);
  EXPECT_EQ(hex("1 2"), 1u);
  EXPECT_EQ(hex(" 12"), 0u);
  EXPECT_EQ(hex(""), 0u);
  EXPECT_EQ(hex("123456789"), 0x23456789u);  // higher digits fall off
  EXPECT_EQ(hex("12\x80" "5"), 0x12u);        // bytes from 0x80 up end the number too
  uint32_t v = 7;
  EXPECT_EQ(parse_hex("0x10", &v), -1);
  EXPECT_EQ(parse_hex("12G4", &v), -1);
  EXPECT_EQ(v, 7u);  // untouched on failure
}

struct Views : testing::Test {
  ScopedMemoryPane pane;
  ScopedFakeBdx bdx;
  FakeBdx& fake = bdx.fake();
  void SetUp() override { reset_target_map(); }
  std::string lines() { return memory_pane_lines_joined(); }
};

TEST_F(Views, RegisterSetsOfBothFamilies) {
  ASSERT_EQ(layout_register_view(FAMILY_HCS12, 20, 40), 1);
  const RegisterViewState& v = g_register_view;
  EXPECT_STREQ(v.title, "HCS12 Registers");
  ASSERT_EQ(v.count, 6);
  EXPECT_EQ(v.page_range, 64);
  EXPECT_EQ(v.row_range, 4096);
  EXPECT_STREQ(v.fields[5].label, "CCR");
  EXPECT_EQ(v.fields[5].width, 8);
  EXPECT_EQ(v.fields[5].edit_width, 22);
  EXPECT_EQ(v.fields[5].label_x, 43);
  EXPECT_EQ(v.fields[5].edit_y, 40 + 120);
  EXPECT_EQ(v.fields[5].label_y, 40 + 122);
  EXPECT_EQ(v.fields[0].control_id, 6000);
  EXPECT_EQ(v.fields[0].label_x, 63);
  ASSERT_EQ(layout_register_view(FAMILY_HCS12X, 20, 40), 1);
  EXPECT_STREQ(v.title, "HCS12X Registers");
  EXPECT_EQ(v.fields[5].width, 16);
  EXPECT_EQ(v.fields[5].edit_width, 40);
  EXPECT_EQ(v.page_range, 128);
  EXPECT_EQ(layout_register_view(FAMILY_HCS08, 20, 40), 0);
}

TEST_F(Views, ReadingRegistersAndTheSavedCcr) {
  layout_register_view(FAMILY_HCS12X, 20, 40);
  fake.registers[0] = 0x12345;  // wider than 16 bits: shown as its low 16 bits
  fake.memory[0xFF06] = 0xD0;
  fake.memory[0xFF07] = 0x08;
  ASSERT_EQ(read_register_values(FAMILY_HCS12X), 1);
  EXPECT_EQ(register_field_text(g_register_view.fields[0]), "2345");
  EXPECT_EQ(g_register_view.fields[5].last_value, 0x08D0u);  // high byte from 0xFF07
  EXPECT_EQ(register_field_text(g_register_view.fields[5]), "08D0");
  EXPECT_EQ(register_text_dirty(g_register_view.fields[0], "2345"), 0);
  EXPECT_EQ(register_text_dirty(g_register_view.fields[0], "2346"), 1);
  EXPECT_EQ(register_text_dirty(g_register_view.fields[0], ""), 1);
  EXPECT_EQ(register_text_dirty(g_register_view.fields[0], "x"), 1);

  // A failed CCR read keeps the five values just read, and reports nothing.
  fake.registers[1] = 0x0C00;
  fake.failing_reads.insert(0xFF07);
  EXPECT_EQ(read_register_values(FAMILY_HCS12X), 0);
  EXPECT_EQ(g_register_view.fields[1].last_value, 0x0C00u);
  // bdx_RegisterGetAll failing: a line on HCS12 only.
  fake.set_result("bdx_RegisterGetAll", -1);
  EXPECT_EQ(read_register_values(FAMILY_HCS12X), 0);
  EXPECT_EQ(lines(), "");
  layout_register_view(FAMILY_HCS12, 20, 40);
  EXPECT_EQ(read_register_values(FAMILY_HCS12), 0);
  EXPECT_EQ(lines(), "Failed to get register values from target");
}

TEST_F(Views, WritingRegistersStopsAtTheFirstBadField) {
  layout_register_view(FAMILY_HCS12, 20, 40);
  std::string texts[6] = {"1234", "", "0", "0", "0", "0"};
  write_register_values(FAMILY_HCS12, texts);
  EXPECT_EQ(fake.sequence(), "bdx_RegisterSet");
  EXPECT_EQ(fake.args("bdx_RegisterSet"), "1|1234");
  EXPECT_EQ(pane.pane().text, "No reasonable value for SP\r");

  fake.calls.clear();
  texts[0] = "12G4";
  write_register_values(FAMILY_HCS12, texts);
  EXPECT_EQ(fake.sequence(), "");

  fake.calls.clear();
  std::string all[6] = {"C000", "3FFF", "1", "2", "FFFF", "1D0"};
  write_register_values(FAMILY_HCS12, all);
  EXPECT_EQ(fake.count("bdx_RegisterSet"), 5);
  EXPECT_EQ(fake.args("bdx_RegisterSet", 4), "5|FFFF");
  EXPECT_EQ(fake.args("bdx_SetByte"), "FF06|D0");  // HCS12: the low byte only
  EXPECT_EQ(fake.count("bdx_SetByte"), 1);

  fake.calls.clear();
  layout_register_view(FAMILY_HCS12X, 20, 40);
  all[5] = "8D0";
  write_register_values(FAMILY_HCS12X, all);
  EXPECT_EQ(fake.args("bdx_SetByte", 0), "FF06|D0");
  EXPECT_EQ(fake.args("bdx_SetByte", 1), "FF07|8");
}

// The paging step and the row labels, by family.
TEST_F(Views, PagingStepAndRowLabels) {
  select_target_by_name("MC9S12DG256");
  ASSERT_EQ(get_family_code(), FAMILY_HCS12);
  uint32_t a = 0x3C8005;
  select_page(&a);
  EXPECT_EQ(a, 0x8005u);
  EXPECT_EQ(fake.args("bdx_SetMemoryByte"), "30|3C");
  a = 0xC000;
  select_page(&a);
  EXPECT_EQ(fake.args("bdx_SetMemoryByte", 1), "30|3F");
  a = 0x4000;
  select_page(&a);
  EXPECT_EQ(fake.args("bdx_SetMemoryByte", 2), "30|3E");
  fake.calls.clear();
  a = 0x3CC000;  // a page's row outside its window: no page write, address as it is
  select_page(&a);
  EXPECT_EQ(a, 0x3CC000u);
  a = 0x1000;
  select_page(&a);
  EXPECT_EQ(fake.sequence(), "");

  reset_memory_view_state(120, 40);
  g_memory_view.base = 0x3C8000;
  EXPECT_EQ(memory_row_label(0), "3C8000");
  EXPECT_EQ(memory_row_label(3), "3C8030");
  g_memory_view.base = 0x3CC000;
  EXPECT_EQ(memory_row_label(0), "00C000");
  EXPECT_EQ(memory_row_label(3), "00C030");

  select_target_by_name("XF");
  ASSERT_EQ(get_family_code(), FAMILY_HCS12X);
  fake.calls.clear();
  a = 0x7F8010;
  select_page(&a);
  EXPECT_EQ(a, 0x8010u);
  EXPECT_EQ(fake.args("bdx_SetMemoryByte"), "10|7F");  // GPAGE
  g_memory_view.base = 0x7F8000;
  EXPECT_EQ(memory_row_label(1), "7F8010");
  g_memory_view.base = 0xFF8000;
  EXPECT_EQ(memory_row_label(0), "7F8000");  // 23 bits on HCS12X

  // A failed read is "xx".
  fake.failing_reads.insert(0x8010);
  uint8_t value = 0;
  EXPECT_EQ(read_view_byte(0x7F8010, 0, &value), 0);
  EXPECT_EQ(memory_cell_text(0, value), "xx");
  EXPECT_EQ(memory_cell_text(1, 0x0A), "0A");
}

TEST_F(Views, ScrollingClampsAndMovesIntoThePageWindow) {
  select_target_by_name("MC9S12DG256");
  reset_memory_view_state(120, 40);
  g_memory_view.row_position = 4090;
  ASSERT_EQ(scroll_memory_rows(kScrollPageDown, 0, 4096), 1);
  EXPECT_EQ(g_memory_view.row_position, 4092);
  EXPECT_EQ(g_memory_view.base, 4092u << 4);
  scroll_memory_rows(kScrollLineUp, 0, 4096);
  EXPECT_EQ(g_memory_view.row_position, 4091);
  scroll_memory_rows(kScrollThumbTrack, 0x10, 4096);  // dragging the row thumb follows it
  EXPECT_EQ(g_memory_view.base, 0x100u);
  EXPECT_EQ(scroll_memory_rows(8, 0, 4096), 0);  // SB_ENDSCROLL

  // Page 0 -> 1 while showing offset 0x0100: into the window at 0x018000, row 0x800.
  ASSERT_EQ(scroll_memory_pages(kScrollLineDown, 0, 64), 1);
  EXPECT_EQ(g_memory_view.base, 0x018000u);
  EXPECT_EQ(g_memory_view.row_position, 0x800);
  EXPECT_EQ(g_memory_view.page_position, 1);
  // Inside the window the offset is kept.
  g_memory_view.base = 0x9000;
  g_memory_view.page_position = 0;
  scroll_memory_pages(kScrollLineDown, 0, 64);
  EXPECT_EQ(g_memory_view.base, 0x019000u);
  // Dragging the page thumb changes nothing until it is released; then it is signed.
  EXPECT_EQ(scroll_memory_pages(kScrollThumbTrack, 5, 64), 0);
  EXPECT_EQ(g_memory_view.page_position, 1);
  scroll_memory_pages(kScrollThumbPosition, 0xFFFF, 64);  // -1, clamped to 0
  EXPECT_EQ(g_memory_view.page_position, 0);
  scroll_memory_pages(kScrollBottom, 0, 64);
  EXPECT_EQ(g_memory_view.page_position, 63);
  scroll_memory_pages(kScrollPageDown, 0, 64);
  EXPECT_EQ(g_memory_view.page_position, 63);
}

// The edges of the paging rules: the window 0x8000-0xBFFF (0xC000 is outside it), page 0 and
// HCS12X, where a view is never moved into the window, and the reads that the modes choose.
TEST_F(Views, PageWindowEdgesAndTheReadsTheyChoose) {
  select_target_by_name("MC9S12DG256");
  reset_memory_view_state(120, 40);
  g_memory_view = MemoryViewState{0x3C8000, 0x800, 0x3C, 0, 0, 0, 0};
  scroll_memory_rows(kScrollLineDown, 0, 4096);
  EXPECT_EQ(g_memory_view.base, 0x3C8010u);  // row scrolling keeps the page
  g_memory_view.base = 0x3CBFF0;
  EXPECT_EQ(memory_row_label(0), "3CBFF0");  // the window's last row keeps its page
  EXPECT_EQ(memory_row_label(1), "00C000");
  for (uint32_t offset : {0xBFF0u, 0xC000u}) {
    g_memory_view = MemoryViewState{offset, int(offset >> 4), 0, 0, 0, 0, 0};
    scroll_memory_pages(kScrollLineDown, 0, 64);
    EXPECT_EQ(g_memory_view.base, offset == 0xBFF0 ? 0x01BFF0u : 0x018000u) << offset;
  }
  g_memory_view = MemoryViewState{0x010100, 0x10, 1, 0, 0, 0, 0};
  scroll_memory_pages(kScrollLineUp, 0, 64);
  EXPECT_EQ(g_memory_view.base, 0x0100u);  // page 0 is not moved into the window

  fake.calls.clear();
  uint8_t value = 0;
  read_view_byte(0x1000, 1, &value);  // "BDM in map"
  read_view_byte(0x1001, 0, &value);
  EXPECT_EQ(fake.sequence(), "bdx_GetByte bdx_GetMemoryByte");
  fake.calls.clear();
  layout_register_view(FAMILY_HCS12, 20, 40);
  read_register_values(FAMILY_HCS12);
  EXPECT_EQ(fake.count("bdx_GetByte"), 1);  // the saved CCR's low byte only
  EXPECT_EQ(fake.args("bdx_GetByte"), "FF06");

  select_target_by_name("XF");
  g_memory_view = MemoryViewState{0x0100, 0x10, 0, 0, 0, 0, 0};
  scroll_memory_pages(kScrollLineDown, 0, 128);
  EXPECT_EQ(g_memory_view.base, 0x010100u);  // HCS12X pages have no window to move into
}

TEST_F(Views, GoToAddress) {
  reset_memory_view_state(120, 40);
  ASSERT_EQ(memory_view_goto("3C8000"), kGotoMoved);
  EXPECT_EQ(g_memory_view.base, 0x3C8000u);
  EXPECT_EQ(g_memory_view.page_position, 0x3C);
  EXPECT_EQ(g_memory_view.row_position, 0x800);
  EXPECT_EQ(memory_view_goto("400000"), kGotoNoRegion);
  EXPECT_EQ(memory_view_goto("12G4"), kGotoBadlyFormed);
  EXPECT_EQ(g_memory_view.base, 0x3C8000u);  // left where it was
  // Below 0x10000 the page follows to 0, so both scroll bars agree with the view.
  ASSERT_EQ(memory_view_goto("1234"), kGotoMoved);
  EXPECT_EQ(g_memory_view.base, 0x1230u);
  EXPECT_EQ(g_memory_view.row_position, 0x123);
  EXPECT_EQ(g_memory_view.page_position, 0);
  ASSERT_EQ(memory_view_goto(""), kGotoMoved);
  EXPECT_EQ(g_memory_view.base, 0u);
  EXPECT_EQ(memory_view_goto("FFFFFFFF"), kGotoNoRegion);
}

}  // namespace
