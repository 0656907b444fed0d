// Programming from the buffer against the recording fake: the call sequence of the flash pass
// (staging, padding, PPAGE, both representations of a page), the EEPROM sectors and bytes, the
// volatile bytes, and the lines of every step and failure.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "programming/program_target.h"
#include "tests/unit/programming/programming_test_util.h"

namespace {

using Bytes = std::vector<unsigned char>;

class ProgramTarget : public ProgrammingTest {
 protected:
  // Only page 0x3F, no EEPROM, no RAM: the flash staging rules alone.
  void only_page_3f() { select_only_pages({0x3F}, false, false); }
};

TEST_F(ProgramTarget, OddRunsArePaddedToWholeWordsWithFF) {
  only_page_3f();
  put_bytes(0xC000, {0x11, 0x22, 0x33});
  ASSERT_EQ(program_target_from_buffer(), 1);
  EXPECT_EQ(call_list(fake()), "FlashProgramBlock(40|C000|4)");
  EXPECT_EQ(fake().flash_blocks[0], (Bytes{0x11, 0x22, 0x33, 0xFF}));
  EXPECT_EQ(lines(), "Scanning for selected Flash...|Block 0x3F programmed|Block 0x3F is blank|"
                     "COMMAND DONE");

  // Only the odd byte of a word: a leading pad.
  clear_buffer_quietly();
  fake_bdx_install();
  put_bytes(0xC001, {0x44});
  ASSERT_EQ(program_target_from_buffer(), 1);
  EXPECT_EQ(call_list(fake()), "FlashProgramBlock(40|C000|2)");
  EXPECT_EQ(fake().flash_blocks[0], (Bytes{0xFF, 0x44}));

  // Both pads.
  clear_buffer_quietly();
  fake_bdx_install();
  put_bytes(0xC001, {0x55, 0x66});
  ASSERT_EQ(program_target_from_buffer(), 1);
  EXPECT_EQ(call_list(fake()), "FlashProgramBlock(40|C000|4)");
  EXPECT_EQ(fake().flash_blocks[0], (Bytes{0xFF, 0x55, 0x66, 0xFF}));
}

TEST_F(ProgramTarget, RunsAreCutAt512BytesAndNeverSpanAGap) {
  only_page_3f();
  put(0xC000, 0xC000 + 599);
  ASSERT_EQ(program_target_from_buffer(), 1);
  EXPECT_EQ(call_list(fake()), "FlashProgramBlock(40|C000|200) FlashProgramBlock(40|C200|58)");

  // Written from the top, so that no block reaches over the gap (a block that did would hold
  // its fill bytes there).
  clear_buffer_quietly();
  fake_bdx_install();
  put(0xC010, 0xC011);
  put(0xC000, 0xC001);
  ASSERT_EQ(program_target_from_buffer(), 1);
  EXPECT_EQ(call_list(fake()), "FlashProgramBlock(40|C000|2) FlashProgramBlock(40|C010|2)");

  // Data only in the middle of the window still makes the page one to program.
  clear_buffer_quietly();
  fake_bdx_install();
  put(0xC100, 0xC1FF);
  ASSERT_EQ(program_target_from_buffer(), 1);
  EXPECT_EQ(call_list(fake()), "FlashProgramBlock(40|C100|100)");
  EXPECT_EQ(lines().find("Block 0x3F programmed"), std::string("Scanning for selected Flash...|").size());
}

// Over a sparse random buffer every call starts even, carries whole words, at most 512 bytes,
// only held bytes and fill, and every held byte is programmed exactly once.
TEST_F(ProgramTarget, EveryHeldByteGoesOutOnceInWholeWords) {
  only_page_3f();
  std::srand(12);
  // Runs of random length and data with random gaps, written from the top down so that the
  // gaps stay absent; what the buffer then holds is the reference.
  std::vector<std::pair<uint32_t, std::vector<uint8_t>>> runs;
  for (uint32_t a = 0xC000; a <= 0xFFFF;) {
    std::vector<uint8_t> run(static_cast<size_t>(std::rand() % 700));
    for (uint8_t& b : run) b = static_cast<uint8_t>(std::rand());
    if (a + run.size() > 0x10000) run.resize(0x10000 - a);
    runs.emplace_back(a, run);
    a += static_cast<uint32_t>(run.size()) + 1 + static_cast<uint32_t>(std::rand() % 40);
  }
  for (auto it = runs.rbegin(); it != runs.rend(); ++it) put_bytes(it->first, it->second);
  std::map<uint32_t, uint8_t> held;
  for (const auto& e : buffer_contents()) held[e.first] = e.second;
  ASSERT_EQ(program_target_from_buffer(), 1);

  std::map<uint32_t, int> seen;
  int index = 0;
  for (const FakeBdxCall& c : fake().calls) {
    ASSERT_EQ(c.name, "bdx_FlashProgramBlock");
    const uint32_t address = static_cast<uint32_t>(std::strtoul(c.args.substr(3).c_str(), nullptr, 16));
    const Bytes& data = fake().flash_blocks[static_cast<size_t>(index++)];
    ASSERT_EQ(address % 2, 0u) << c.args;
    ASSERT_EQ(data.size() % 2, 0u) << c.args;
    ASSERT_LE(data.size(), 512u) << c.args;
    for (size_t i = 0; i < data.size(); ++i) {
      auto it = held.find(address + static_cast<uint32_t>(i));
      // The security byte goes out by its own rule (security_test.cpp).
      if (address + i == 0xFF0F) {
        ++seen[0xFF0F];
        continue;
      }
      if (it == held.end()) {
        // Fill only at the two ends of a call.
        EXPECT_TRUE(i == 0 || i == data.size() - 1) << std::hex << address + i;
        EXPECT_EQ(data[i], 0xFF);
      } else {
        EXPECT_EQ(data[i], it->second);
        ++seen[it->first];
      }
    }
  }
  EXPECT_EQ(seen.size(), held.size());
  for (const auto& e : seen) EXPECT_EQ(e.second, 1) << std::hex << e.first;
}

TEST_F(ProgramTarget, APageHeldInBothFormsIsProgrammedFromBoth) {
  only_page_3f();
  put(0xC000, 0xC003);
  put(0x3F8000, 0x3F8003);
  ASSERT_EQ(program_target_from_buffer(), 1);
  EXPECT_EQ(lines(), "Scanning for selected Flash...|"
                     "Warning Block 0x3F (multiple representation in buffer)|"
                     "Block 0x3F programmed|Block 0x3F programmed|COMMAND DONE");
  EXPECT_EQ(call_list(fake()), "FlashProgramBlock(40|C000|4) SetMemoryByte(30|3F) "
                               "FlashProgramBlock(40|3F8000|4)");
}

TEST_F(ProgramTarget, EveryPageInItsPlaceWithPpageForTheWindowedOnes) {
  select_only_pages({0x30, 0x31, 0x3E, 0x3F}, false, false);
  put(0x4000, 0x4001);      // page 0x3E, non-paged
  put(0x8000, 0x8001);      // the first page, through the window after reset
  put(0x318000, 0x318001);  // page 0x31, paged
  put(0x3F8000, 0x3F8001);  // page 0x3F, paged only
  put(0x208000, 0x208001);  // page 0x20: below the first page, never touched
  ASSERT_EQ(program_target_from_buffer(), 1);
  EXPECT_EQ(lines(), "Scanning for selected Flash...|Block 0x3F programmed|Block 0x3E programmed|"
                     "Block 0x30 programmed|Block 0x3F programmed|Block 0x3E is blank|"
                     "Block 0x31 programmed|Block 0x30 is blank|COMMAND DONE");
  EXPECT_EQ(call_list(fake()),
            "FlashProgramBlock(40|4000|2) SetMemoryByte(30|30) FlashProgramBlock(40|8000|2) "
            "SetMemoryByte(30|3F) FlashProgramBlock(40|3F8000|2) SetMemoryByte(30|31) "
            "FlashProgramBlock(40|318000|2)");
}

TEST_F(ProgramTarget, FlashOfOnlyTheFixedPagesNeedsNoPpage) {
  select_target_by_name("MC9S12UF32");  // pages 0x3E-0x3F, no EEPROM
  select_only_pages({0x3E, 0x3F}, false, false);
  put(0x4000, 0x4001);
  put(0xC000, 0xC001);
  put(0x3F8000, 0x3F8001);  // not programmed: the paged pass is for parts with more pages
  ASSERT_EQ(program_target_from_buffer(), 1);
  EXPECT_EQ(lines(), "Scanning for selected Flash...|"
                     "Warning Block 0x3F (multiple representation in buffer)|"
                     "Block 0x3F programmed|Block 0x3E programmed|COMMAND DONE");
  EXPECT_EQ(call_list(fake()), "FlashProgramBlock(40|C000|2) FlashProgramBlock(40|4000|2)");
}

TEST_F(ProgramTarget, FlashThatDoesNotEndAtPage3FWritesNothing) {
  TargetMemoryMap map;
  get_target_memory_map(&map);
  map.flash_last_page = 0x3C;
  set_target_memory_map(map);
  put(0xC000, 0xC001);
  ASSERT_EQ(program_target_from_buffer(), 0);
  EXPECT_EQ(lines(), "Scanning for selected Flash...|"
                     "No available Flash, please check target setup|Failed programming Flash");
  EXPECT_EQ(call_list(fake()), "");
  // The all-zero map of a derivative without one fails the same way.
  reset_target_map();
  fake_bdx_install();
  EXPECT_EQ(program_target_from_buffer(), 0);
  EXPECT_EQ(call_list(fake()), "");
}

std::string eeprom_byte_call(uint32_t a) {
  char t[48];
  std::snprintf(t, sizeof t, "EpromProgramByte(40|%X|%X)", static_cast<unsigned>(a), pattern(a));
  return t;
}

TEST_F(ProgramTarget, EepromInAlignedSectorsWhereFourBytesAreHeld) {
  select_only_pages({}, true, false);
  // 0x0404-0x0406 is only three bytes long: six byte writes.
  put(0x0401, 0x0406);
  ASSERT_EQ(program_target_from_buffer(), 1);
  std::string expected = "SetMemoryByte(12|1)";
  for (uint32_t a = 0x401; a <= 0x406; ++a) expected += " " + eeprom_byte_call(a);
  EXPECT_EQ(call_list(fake()), expected);
  EXPECT_EQ(lines(), "Scanning for selected Flash...|Programming Eeprom...|COMMAND DONE");

  // One more byte makes the sector at 0x0404 whole.
  clear_buffer_quietly();
  fake_bdx_install();
  put(0x0401, 0x0407);
  ASSERT_EQ(program_target_from_buffer(), 1);
  char sector[48];
  std::snprintf(sector, sizeof sector, "EpromProgramSector(40|404|%X)",
                static_cast<unsigned>(pattern(0x404)) << 24 | pattern(0x405) << 16 |
                    pattern(0x406) << 8 | pattern(0x407));
  EXPECT_EQ(call_list(fake()), "SetMemoryByte(12|1) " + eeprom_byte_call(0x401) + " " +
                                   eeprom_byte_call(0x402) + " " + eeprom_byte_call(0x403) + " " +
                                   sector);
}

// The walk compares signed: an end at 0x80000000 or above is negative, so nothing follows INITEE.
TEST_F(ProgramTarget, EepromEndAboveTheSignedRangeWritesNothing) {
  select_only_pages({}, true, false);
  put(0x0401, 0x0406);
  TargetMemoryMap map;
  get_target_memory_map(&map);
  map.eeprom_end = 0x80000000;
  set_target_memory_map(map);
  ASSERT_EQ(program_target_from_buffer(), 1);
  EXPECT_EQ(call_list(fake()), "SetMemoryByte(12|1)");
}

TEST_F(ProgramTarget, EepromFailuresNameTheSector) {
  select_only_pages({}, true, true);
  put_bytes(0x0404, {0x12, 0x34, 0x56, 0x78});
  fake().set_result("bdx_EpromProgramSector", -1);
  ASSERT_EQ(program_target_from_buffer(), 0);
  EXPECT_EQ(lines(), "Scanning for selected Flash...|Programming Eeprom...|"
                     "Sector: 404, data: 12345678|Failed programming Eeprom");
  EXPECT_EQ(fake().count("bdx_SetMemoryByte"), 1);  // INITEE only: the RAM pass never ran

  clear_buffer_quietly();
  ScopedMemoryPane fresh;
  fake_bdx_install().set_result("bdx_EpromProgramByte", -1);
  put_bytes(0x0405, {0x9A});
  ASSERT_EQ(program_target_from_buffer(), 0);
  EXPECT_EQ(lines(), "Scanning for selected Flash...|Programming Eeprom...|"
                     "Sector: 405, data: 9A|Failed programming Eeprom");

  ScopedMemoryPane again;
  fake_bdx_install().set_result("bdx_SetMemoryByte", 1);
  ASSERT_EQ(program_target_from_buffer(), 0);
  EXPECT_EQ(lines(), "Scanning for selected Flash...|Programming Eeprom...|Writing INITEE|"
                     "Failed programming Eeprom");
}

TEST_F(ProgramTarget, VolatileBytesOneByOneAfterInitrm) {
  select_only_pages({}, false, true);
  put(0x1000, 0x1001);
  put(0x3FFF, 0x3FFF);
  put(0x4000, 0x4000);  // flash window, not RAM
  ASSERT_EQ(program_target_from_buffer(), 1);
  char expected[160];
  std::snprintf(expected, sizeof expected,
                "SetMemoryByte(10|9) SetMemoryByte(1000|%X) SetMemoryByte(1001|%X) "
                "SetMemoryByte(3FFF|%X)",
                pattern(0x1000), pattern(0x1001), pattern(0x3FFF));
  EXPECT_EQ(call_list(fake()), expected);
  EXPECT_EQ(lines(), "Scanning for selected Flash...|Downloading (volatile)...|COMMAND DONE");

  // A failed byte write has no line of its own; a failed INITRM write has one.
  ScopedMemoryPane fresh;
  fake_bdx_install().queue_result("bdx_SetMemoryByte", 0);
  fake().queue_result("bdx_SetMemoryByte", 1);
  ASSERT_EQ(program_target_from_buffer(), 0);
  EXPECT_EQ(lines(), "Scanning for selected Flash...|Downloading (volatile)...|Download Failed");
  ScopedMemoryPane again;
  fake_bdx_install().set_result("bdx_SetMemoryByte", 1);
  ASSERT_EQ(program_target_from_buffer(), 0);
  EXPECT_EQ(lines(), "Scanning for selected Flash...|Downloading (volatile)...|Writing INITRM|"
                     "Download Failed");
}

TEST_F(ProgramTarget, FlashFailuresStopEverything) {
  put(0xC000, 0xC001);
  put(0x318000, 0x318001);
  put(0x1000, 0x1000);
  fake().set_result("bdx_FlashProgramBlock", -1);
  ASSERT_EQ(program_target_from_buffer(), 0);
  EXPECT_EQ(lines(), "Scanning for selected Flash...|Flash block at: C000|Failed programming Flash");
  // Nothing is programmed after the failure; block 0's protection is looked up (FCNFG selects
  // it and is put back) to name it if it is in the way.
  EXPECT_EQ(call_list(fake()), "FlashProgramBlock(40|C000|2) GetMemoryByte(103) "
                               "SetMemoryByte(103|0) GetMemoryByte(104) SetMemoryByte(103|0)");

  // A failed PPAGE write: only the summary line.
  ScopedMemoryPane fresh;
  fake_bdx_install().set_result("bdx_SetMemoryByte", 1);
  ASSERT_EQ(program_target_from_buffer(), 0);
  EXPECT_EQ(lines(), "Scanning for selected Flash...|Block 0x3F programmed|Block 0x3E is blank|"
                     "Block 0x30 is blank|Block 0x3F is blank|Block 0x3E is blank|"
                     "Block 0x3D is blank|Block 0x3C is blank|Block 0x3B is blank|"
                     "Block 0x3A is blank|Block 0x39 is blank|Block 0x38 is blank|"
                     "Block 0x37 is blank|Block 0x36 is blank|Block 0x35 is blank|"
                     "Block 0x34 is blank|Block 0x33 is blank|Block 0x32 is blank|"
                     "Failed programming Flash");
}

TEST_F(ProgramTarget, AnEmptyBufferWritesOnlyTheInitRegisters) {
  ASSERT_EQ(program_target_from_buffer(), 1);
  std::string expected = "Scanning for selected Flash...|Block 0x3F is blank|Block 0x3E is blank|"
                         "Block 0x30 is blank|";
  for (int p = 0x3F; p >= 0x30; --p) {
    char t[32];
    std::snprintf(t, sizeof t, "Block 0x%2.2X is blank|", p);
    expected += t;
  }
  expected += "Programming Eeprom...|Downloading (volatile)...|COMMAND DONE";
  EXPECT_EQ(lines(), expected);
  EXPECT_EQ(call_list(fake()), "SetMemoryByte(12|1) SetMemoryByte(10|9)");

  // No page selected: the flash pass writes nothing and says nothing.
  ScopedMemoryPane fresh;
  fake_bdx_install();
  select_only_pages({}, false, false);
  put(0xC000, 0xC001);
  ASSERT_EQ(program_target_from_buffer(), 1);
  EXPECT_EQ(lines(), "Scanning for selected Flash...|COMMAND DONE");
  EXPECT_EQ(call_list(fake()), "");
}

TEST(WindowHoldsData, AnyHeldByteInTheSixteenKilobytes) {
  ScopedMemoryPane pane;
  clear_buffer_quietly();
  EXPECT_FALSE(window_holds_data(0xC000));
  put(0xBFF0, 0xBFFF);
  EXPECT_FALSE(window_holds_data(0xC000));
  EXPECT_TRUE(window_holds_data(0x8000));
  put(0xFFFF, 0xFFFF);
  EXPECT_TRUE(window_holds_data(0xC000));
  put(0x3F7FFF, 0x3F7FFF);
  EXPECT_FALSE(window_holds_data(0x3F8000));
  clear_buffer_quietly();
}

}  // namespace
