// Erasing against the recording fake: the orders of the calls and the lines of "Mass Erase
// Device" and "Erase Regions", their failures, and what ends a command without "COMMAND DONE".
#include <gtest/gtest.h>

#include "programming/erase.h"
#include "tests/unit/programming/programming_test_util.h"

namespace {

using Erase = ProgrammingTest;

// After an erase of the sector that holds the security byte 0xFF0F: 0xFE programmed there (the
// word 0xFF0E, whose first byte the erase left at 0xFF) and its line.
const char kUnsecuredCalls[] = " FlashProgramBlock(40|FF0E|2)";
const char kUnsecuredLine[] = "|Security byte set to unsecured (0xFE)";

std::string page_lines(const char* format, int first, int last) {
  std::string out;
  for (int p = first; p <= last; ++p) {
    char t[48];
    std::snprintf(t, sizeof t, format, p);
    out += std::string("|") + t;
  }
  return out;
}

TEST_F(Erase, MassEraseResetsErasesAllAndResetsIgnoringTheRegions) {
  set_all_regions(false);
  ASSERT_EQ(mass_erase_confirmed(), 1);
  EXPECT_EQ(call_list(fake()), std::string("TargetReset() FlashEraseAll(40) "
                                           "EpromEraseAll(40|400) TargetReset()") +
                                   kUnsecuredCalls);
  EXPECT_EQ(fake().flash_blocks.back(), (std::vector<unsigned char>{0xFF, 0xFE}));
  EXPECT_EQ(lines(), std::string("COMMAND: Mass Erase Device|Erasing Flash...|Erasing Eprom...") +
                         kUnsecuredLine + "|COMMAND DONE");
}

TEST_F(Erase, MassEraseStopsAtTheFirstFailure) {
  fake().set_result("bdx_FlashEraseAll", -1);
  ASSERT_EQ(mass_erase_confirmed(), 0);
  EXPECT_EQ(call_list(fake()), "TargetReset() FlashEraseAll(40)");
  EXPECT_EQ(lines(), "COMMAND: Mass Erase Device|Erasing Flash...|Failed erasing Flash");

  fake_bdx_install().set_result("bdx_EpromEraseAll", -1);
  ASSERT_EQ(mass_erase_confirmed(), 0);
  EXPECT_EQ(call_list(fake()), "TargetReset() FlashEraseAll(40) EpromEraseAll(40|400)");
  EXPECT_EQ(lines(), "COMMAND: Mass Erase Device|Erasing Flash...|Erasing Eprom...|"
                     "Failed erasing EEPROM");

  // Both resets' results are only named: the erase goes on and is done.
  fake_bdx_install().set_result("bdx_TargetReset", -1);
  ASSERT_EQ(mass_erase_confirmed(), 1);
  EXPECT_EQ(call_list(fake()), std::string("TargetReset() FlashEraseAll(40) "
                                           "EpromEraseAll(40|400) TargetReset()") +
                                   kUnsecuredCalls);
  EXPECT_EQ(lines(), std::string("COMMAND: Mass Erase Device|Cannot reset target|Erasing Flash...|"
                                 "Erasing Eprom...|Cannot reset target") +
                         kUnsecuredLine + "|COMMAND DONE");

  // A security byte that cannot be programmed fails the erase: the part would lock itself.
  fake_bdx_install().set_result("bdx_FlashProgramBlock", -1);
  ASSERT_EQ(mass_erase_confirmed(), 0);
  EXPECT_EQ(lines().substr(lines().rfind('|') + 1),
            "Cannot set the security byte to unsecured (0xFE)");
}

TEST_F(Erase, RegionsEepromThenRamThenEveryPageAscending) {
  ASSERT_EQ(erase_regions(), 1);
  std::string calls = "EpromEraseAll(40|400) LoadBlock(1000|3000)";
  for (int p = 0x30; p <= 0x3F; ++p) calls += " FlashEraseBlock(" + std::to_string(p) + "|40)";
  EXPECT_EQ(call_list(fake()), calls + kUnsecuredCalls);
  EXPECT_EQ(lines(), "COMMAND: Erase Regions|EEPROM erased|Volatile memory filled ('00') " +
                         page_lines("Block %2.2X erased", 0x30, 0x3F) + kUnsecuredLine +
                         "|COMMAND DONE");
  for (uint32_t a = 0x1000; a <= 0x3FFF; ++a) ASSERT_EQ(fake().memory[a], 0) << a;
  EXPECT_NE(lines().find("Block 30 erased"), std::string::npos);
}

TEST_F(Erase, RegionsFollowTheSelection) {
  select_only_pages({0x00, 0x31, 0x3F}, false, false);  // page 0x00 is below the flash
  ASSERT_EQ(erase_regions(), 1);
  EXPECT_EQ(call_list(fake()),
            std::string("FlashEraseBlock(49|40) FlashEraseBlock(63|40)") + kUnsecuredCalls);
  EXPECT_EQ(lines(), std::string("COMMAND: Erase Regions|Block 31 erased|Block 3F erased") +
                         kUnsecuredLine + "|COMMAND DONE");
  // Page 0x3E's sector holds no security byte.
  select_only_pages({0x3E}, false, false);
  fake_bdx_install();
  ASSERT_EQ(erase_regions(), 1);
  EXPECT_EQ(call_list(fake()), "FlashEraseBlock(62|40)");

  // The fill takes the low 16 bits of the range alone.
  TargetMemoryMap wide;
  get_target_memory_map(&wide);
  wide.volatile_start = 0x3F1000;
  wide.volatile_end = 0x3F10FF;
  set_target_memory_map(wide);
  select_only_pages({}, false, true);
  fake_bdx_install();
  ASSERT_EQ(erase_regions(), 1);
  EXPECT_EQ(call_list(fake()), "LoadBlock(1000|100)");

  // No volatile range: no fill and no line.
  TargetMemoryMap map;
  get_target_memory_map(&map);
  map.volatile_end = map.volatile_start;
  set_target_memory_map(map);
  select_only_pages({}, false, true);
  fake_bdx_install();
  ASSERT_EQ(erase_regions(), 1);
  EXPECT_EQ(call_list(fake()), "");
  EXPECT_EQ(lines(), "COMMAND: Erase Regions|COMMAND DONE");
}

// A failed step is reported and the others still run, but the command is not done.
TEST_F(Erase, RegionsCarryOnAfterAFailedStepWithoutCommandDone) {
  for (int i = 0; i < 0x3C - 0x30; ++i) fake().queue_result("bdx_FlashEraseBlock", 0);
  fake().queue_result("bdx_FlashEraseBlock", 1);
  ASSERT_EQ(erase_regions(), 0);
  EXPECT_EQ(lines(), "COMMAND: Erase Regions|EEPROM erased|Volatile memory filled ('00') " +
                         page_lines("Block %2.2X erased", 0x30, 0x3B) +
                         "|FAILED erasing block 3C" + page_lines("Block %2.2X erased", 0x3D, 0x3F) +
                         kUnsecuredLine);
  EXPECT_EQ(fake().count("bdx_FlashEraseBlock"), 16);

  fake_bdx_install().set_result("bdx_EpromEraseAll", -1);
  fake().set_result("bdx_LoadBlock", 1);
  select_only_pages({0x30}, true, true);
  ASSERT_EQ(erase_regions(), 0);
  EXPECT_EQ(lines(), "COMMAND: Erase Regions|Failed erasing EEPROM|"
                     "Failed writing volatile memory at 1000|Block 30 erased");
}

}  // namespace
