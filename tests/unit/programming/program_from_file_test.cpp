// Programming straight from a file: the user's buffer set aside and put back exactly, a damaged
// file that never reaches the target, and the pane at the end of each outcome.
#include <gtest/gtest.h>

#include <cstdio>

#include "app/message_pane.h"
#include "programming/coverage.h"
#include "programming/program_from_file.h"
#include "tests/support/test_files.h"
#include "tests/unit/programming/programming_test_util.h"

namespace {

class ProgramFromFile : public ProgrammingTest {
 protected:
  static TargetMemoryMap map() {
    TargetMemoryMap m;
    get_target_memory_map(&m);
    return m;
  }
  void SetUp() override {
    ProgrammingTest::SetUp();
    select_only_pages({0x3F}, false, false);
    // The user's buffer: data the file does not hold, and data at an address it does.
    put(0xC100, 0xC10F);
    put(0x2000, 0x2003);
    put(0xC000, 0xC001);
    user_ = buffer_contents();
  }
  std::vector<std::pair<uint32_t, uint8_t>> user_;
};

TEST_F(ProgramFromFile, ProgramsOnlyTheFileAndGivesTheBufferBack) {
  const std::string path = temp_file("pff_good.s19", "S105C000AABBD5\nS9030000FC\n");
  ASSERT_EQ(program_regions_from_file(path.c_str()), 1);
  EXPECT_EQ(call_list(fake()), "FlashProgramBlock(40|C000|2)");
  EXPECT_EQ(fake().flash_blocks[0], (std::vector<unsigned char>{0xAA, 0xBB}));
  EXPECT_EQ(buffer_contents(), user_);
  // Each frame clears the pane: the last one is all that is left.
  EXPECT_EQ(lines(), "COMMAND: Programmed/Downloaded memory regions from file|COMMAND DONE");
}

TEST_F(ProgramFromFile, ADamagedFileNeverReachesTheTarget) {
  // The first record is good; the second has a bad checksum.
  const std::string path =
      temp_file("pff_bad.s19", "S105C000AABBD5\nS105C010CCDD00\nS9030000FC\n");
  ASSERT_EQ(program_regions_from_file(path.c_str()), 0);
  EXPECT_EQ(call_list(fake()), "");
  EXPECT_EQ(buffer_contents(), user_);
  EXPECT_EQ(lines(), "COMMAND: Load to buffer|Checksum error in line 2|Errors in file '" + path +
                         "'");
  // A record that cannot be read stops the load just as well.
  const std::string unsupported = temp_file("pff_s4.s19", "S105C000AABBD5\nS4030000FC\n");
  ASSERT_EQ(program_regions_from_file(unsupported.c_str()), 0);
  EXPECT_EQ(call_list(fake()), "");
  EXPECT_EQ(buffer_contents(), user_);
}

TEST_F(ProgramFromFile, AFailedProgrammingKeepsItsLinesAndTheBuffer) {
  fake().set_result("bdx_FlashProgramBlock", -1);
  const std::string path = temp_file("pff_fail.s19", "S105C000AABBD5\nS9030000FC\n");
  ASSERT_EQ(program_regions_from_file(path.c_str()), 0);
  EXPECT_EQ(buffer_contents(), user_);
  EXPECT_EQ(lines(), "COMMAND: Load to buffer|Loaded file '" + path + "'|COMMAND DONE|"
                     "Scanning for selected Flash...|Flash block at: C000|Failed programming Flash");
}

TEST_F(ProgramFromFile, AFileThatCannotBeOpenedAddsOneLine) {
  append_line("earlier line");
  const std::string missing = testing::TempDir() + "pff_missing.s19";
  std::remove(missing.c_str());
  ASSERT_EQ(program_regions_from_file(missing.c_str()), 0);
  EXPECT_EQ(lines(), "earlier line|Cannot open");
  EXPECT_EQ(call_list(fake()), "");
  EXPECT_EQ(buffer_contents(), user_);
}

TEST_F(ProgramFromFile, AFileWithoutDataIsRefused) {
  const std::string path = temp_file("pff_header.s19", "S00600004844521B\nS9030000FC\n");
  ASSERT_EQ(program_regions_from_file(path.c_str()), 0);
  EXPECT_EQ(call_list(fake()), "");
  EXPECT_EQ(buffer_contents(), user_);
  EXPECT_EQ(lines(), "COMMAND: Load to buffer|Loaded file '" + path + "'|COMMAND DONE|No data in '" +
                         path + "'");
}

TEST_F(ProgramFromFile, BytesThatWentNowhereAreCountedAfterTheFrame) {
  // Page 0x3F is selected; 0x3C is on the part but not selected, 0x7F is no page of it, and
  // the register block is written by no pass.
  const std::string path = temp_file(
      "pff_nowhere.s19",
      "S105C000AABBD5\nS2073C8000AABBCC0B\nS2077F8000AABBCCC8\nS1040030AA21\nS9030000FC\n");
  ASSERT_EQ(program_regions_from_file(path.c_str()), 1);
  EXPECT_EQ(lines(), "COMMAND: Programmed/Downloaded memory regions from file|COMMAND DONE|"
                     "3 bytes lie outside the selected regions, first at 0x3C8000|"
                     "4 bytes lie where MC9S12DG256 has no memory, first at 0x30");
  clear_buffer_quietly();
  put(0xC000, 0xC001);
  put(0x3C8000, 0x3C8002);
  select_only_pages({0x3C, 0x30}, false, false);
  const RegionSelection pages = image_flash_pages(map(), region_selection());
  EXPECT_TRUE(pages.include_page[0x3C]);
  EXPECT_FALSE(pages.include_page[0x3F]);  // not selected
  EXPECT_FALSE(pages.include_page[0x30]);  // nothing on it
  EXPECT_FALSE(pages.include_eeprom || pages.include_volatile);
}

}  // namespace
