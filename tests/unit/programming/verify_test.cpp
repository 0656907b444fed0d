// Verifying the target against the buffer, against the recording fake: where each byte is read
// back, the report of a difference, and the bytes it leaves out.
#include <gtest/gtest.h>

#include "programming/program_target.h"
#include "programming/verify.h"
#include "tests/unit/programming/programming_test_util.h"

namespace {

using Verify = ProgrammingTest;

TEST_F(Verify, ReadsBackWhereProgrammingWrote) {
  put(0xC000, 0xC00F);      // page 0x3F
  put(0x8000, 0x8003);      // the first page through the window
  put(0x318000, 0x318003);  // paged
  put(0x0400, 0x0403);      // EEPROM
  put(0x1000, 0x1001);      // RAM
  ASSERT_EQ(program_target_from_buffer(), 1);
  // The target as programming left it, with the calls forgotten.
  ScopedMemoryPane fresh;
  const auto programmed = fake().memory;
  fake_bdx_install().memory = programmed;
  ASSERT_EQ(verify_target_against_buffer(), 1);
  EXPECT_EQ(lines(), "COMMAND: Verify target|Verified 30 bytes|COMMAND DONE");
  EXPECT_EQ(call_list(fake()),
            "SetMemoryByte(12|1) GetBlock(400|4) SetMemoryByte(10|9) GetBlock(1000|2) "
            "SetMemoryByte(30|30) GetBlock(8000|4) GetBlock(C000|10) SetMemoryByte(30|31) "
            "GetBlock(318000|4)");
}

TEST_F(Verify, ReportsTheFirstDifferenceAndHowManyDiffer) {
  put(0xC000, 0xC00F);
  for (uint32_t a = 0xC000; a <= 0xC00F; ++a) fake().memory[a] = pattern(a);
  fake().memory[0xC004] = 0x00;
  fake().memory[0xC009] = 0x01;
  put(0x208000, 0x208003);  // below the first page: not on this part
  ASSERT_EQ(verify_target_against_buffer(), 0);
  char first[80];
  std::snprintf(first, sizeof first, "Verify failed at 0xC004: read 0x00, expected 0x%2.2X",
                pattern(0xC004));
  EXPECT_EQ(lines(), std::string("COMMAND: Verify target|"
                                 "4 bytes outside the selected regions not verified|") +
                         first + "|2 of 16 bytes differ");
}

TEST_F(Verify, FailuresAndNothingToCompare) {
  put(0xC000, 0xC001);
  fake().set_result("bdx_GetBlock", 1);
  ASSERT_EQ(verify_target_against_buffer(), 0);
  EXPECT_EQ(lines(), "COMMAND: Verify target|Cannot get memory at 0xC000");

  select_only_pages({0x30}, false, false);
  ASSERT_EQ(verify_target_against_buffer(), 0);
  EXPECT_EQ(lines(), "COMMAND: Verify target|2 bytes outside the selected regions not verified|"
                     "Nothing to verify in the selected regions");
}

}  // namespace
