// Bench reads and writes of target memory: a paged read puts the paging register back, the
// window reads through the page in force, flash is refused, EEPROM goes through sectors.
#include <gtest/gtest.h>

#include "adapter/target_memory.h"
#include "target/catalogue.h"
#include "tests/support/fake_bdx.h"
#include "tests/support/memory_pane.h"

namespace {

struct TargetMemory : testing::Test {
  ScopedMemoryPane pane;
  ScopedFakeBdx bdx;
  FakeBdx& fake = bdx.fake();
  TargetMemoryMap map{};
  void SetUp() override {
    reset_target_map();
    select_target_by_name("MC9S12DG256");
    get_target_memory_map(&map);
  }
};

TEST_F(TargetMemory, APagedReadPutsPpageBackAndTheWindowReadsThePageInForce) {
  fake.memory[0x30] = 0x35;
  const TargetRead read = read_target_memory(0x3C8000, 2, false);
  EXPECT_EQ(read.unreadable, 0u);
  EXPECT_EQ(fake.sequence(), "bdx_GetMemoryByte bdx_SetMemoryByte bdx_GetBlock bdx_SetMemoryByte");
  EXPECT_EQ(fake.args("bdx_SetMemoryByte", 0), "30|3C");
  EXPECT_EQ(fake.args("bdx_SetMemoryByte", 1), "30|35");

  fake.calls.clear();
  read_target_memory(0x8000, 4, false);
  EXPECT_EQ(fake.sequence(), "bdx_GetBlock");  // no page written

  // A block read that fails is read again byte by byte: only the bytes that fail are missing.
  fake.calls.clear();
  fake.set_result("bdx_GetBlock", -1);
  fake.failing_reads.insert(0x1001);
  const TargetRead some = read_target_memory(0x1000, 3, false);
  EXPECT_EQ(some.unreadable, 1u);
  EXPECT_FALSE(some.available[1]);
}

TEST_F(TargetMemory, FlashIsRefusedAndEepromIsProgrammedBySector) {
  EXPECT_FALSE(write_target_memory(map, 0x3FFF, {1, 2}).ok);  // 0x4000 is flash
  EXPECT_EQ(memory_pane_lines_joined("|"), "0x4000 is flash: use program");
  EXPECT_EQ(fake.count("bdx_SetByte"), 0);

  fake.memory[0x400] = 0xAA;
  fake.memory[0x403] = 0xDD;
  const TargetWrite w = write_target_memory(map, 0x401, {0x11, 0x22});
  // The fake's sector call does not change its memory, so the read-back fails: the write itself
  // is what is checked here.
  EXPECT_EQ(w.written, 2u);
  EXPECT_EQ(fake.args("bdx_EpromProgramSector"), "40|400|AA1122DD");
}

}  // namespace
