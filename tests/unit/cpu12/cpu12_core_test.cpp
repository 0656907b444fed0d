// The CPU12 core on its own, where the assembled programs cannot look: budgets and stops, the
// CPU12X interrupt frame, the memory map as the CPU sees it, and the rare instructions.
#include <gtest/gtest.h>

#include "simulator/cpu12.h"
#include "simulator/sim_target.h"
#include "tests/unit/cpu12/cpu12_support.h"

namespace {

// Code at 0x2000 in RAM, registers in a known state.
SimTarget part_with(const std::vector<uint8_t>& code, const char* name = "MC9S12DG256") {
  SimTarget t = powered_part(name);
  poke(t, 0x2000, code);
  t.cpu.pc = 0x2000;
  t.cpu.sp = 0x3F00;
  return t;
}

void program_vector(SimTarget& t, uint16_t vector, uint16_t handler) {
  const uint8_t word[2] = {static_cast<uint8_t>(handler >> 8), static_cast<uint8_t>(handler)};
  ASSERT_EQ(sim_flash_program(t, 40, vector, word, 2, nullptr), 0);
}

}  // namespace

TEST(Cpu12Core, BudgetsAndStops) {
  // loop: inx; bra loop (1 + 3 cycles a turn)
  SimTarget t = part_with({0x08, 0x20, 0xFD});
  Cpu12Run r = cpu12_execute(t, 4000, UINT64_MAX);
  EXPECT_EQ(r.stop, Cpu12Stop::None);
  EXPECT_EQ(r.cycles, 4000u);
  EXPECT_EQ(r.instructions, 2000u);
  EXPECT_EQ(t.cpu.x, 1000);
  r = cpu12_execute(t, UINT64_MAX, 3);
  EXPECT_EQ(r.instructions, 3u);
  EXPECT_EQ(t.cpu.x, 1002);

  // BGND stops with PC after it; the instruction counts.
  t = part_with({0x86, 0x11, 0x00, 0x86, 0x22});
  r = cpu12_execute(t, UINT64_MAX, UINT64_MAX - 1);
  EXPECT_EQ(r.stop, Cpu12Stop::Background);
  EXPECT_EQ(r.instructions, 2u);
  EXPECT_EQ(r.at, 0x2002);
  EXPECT_EQ(t.cpu.pc, 0x2003);
  EXPECT_EQ(cpu12_stop_line(r), "BGND at 0x2002: target halted in background mode");

  // A jump to where nothing is mapped stops before executing there.
  t = part_with({0x06, 0x10, 0x00}, "MC9S12DG128");  // jmp $1000
  r = cpu12_execute(t, UINT64_MAX, UINT64_MAX - 1);
  EXPECT_EQ(r.stop, Cpu12Stop::NoMemory);
  EXPECT_EQ(r.instructions, 1u);
  EXPECT_EQ(t.cpu.pc, 0x1000);
}

TEST(Cpu12Core, WaiAndStopStackTheRegistersAndHalt) {
  SimTarget t = part_with({0x18, 0x3E, 0x10, 0x7F, 0x18, 0x3E});  // stop; andcc #$7F; stop
  t.cpu.ccr = 0xD0;
  Cpu12Run r = cpu12_execute(t, UINT64_MAX, UINT64_MAX - 1);
  EXPECT_EQ(r.stop, Cpu12Stop::Stop);  // the first STOP was a NOP: S was set
  EXPECT_EQ(r.at, 0x2004);
  EXPECT_EQ(t.cpu.pc, 0x2006);
  EXPECT_EQ(t.cpu.sp, 0x3F00 - 9);
  EXPECT_EQ(peek(t, 0x3F00 - 2), 0x20);  // return address
  EXPECT_EQ(peek(t, 0x3F00 - 1), 0x06);
  t = part_with({0x3E});
  r = cpu12_execute(t, UINT64_MAX, UINT64_MAX - 1);
  EXPECT_EQ(r.stop, Cpu12Stop::Wait);
  EXPECT_EQ(t.cpu.sp, 0x3F00 - 9);
}

TEST(Cpu12Core, Hcs12xStacksTheWholeCcr) {
  // swi at 0x2000; the handler at 0x2100: rti
  SimTarget t = part_with({0x3F, 0x86, 0x01}, "XDP");
  poke(t, 0x2100, {0x0B});
  program_vector(t, 0xFFF6, 0x2100);
  t.cpu.ccr = 0x05C4;  // IPL 5, S X Z
  t.cpu.d = 0x3344;
  t.cpu.x = 0x1111;
  t.cpu.y = 0x2222;
  ASSERT_EQ(cpu12_execute(t, UINT64_MAX, 1).stop, Cpu12Stop::None);
  EXPECT_EQ(t.cpu.pc, 0x2100);
  EXPECT_EQ(t.cpu.sp, 0x3F00 - 10);
  EXPECT_EQ(t.cpu.ccr, 0x05D4);  // I set
  const int frame[] = {0x05, 0xC4, 0x44, 0x33, 0x11, 0x11, 0x22, 0x22, 0x20, 0x01};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(peek(t, 0x3F00 - 10 + i), frame[i]) << i;
  ASSERT_EQ(cpu12_execute(t, UINT64_MAX, 1).stop, Cpu12Stop::None);
  EXPECT_EQ(t.cpu.pc, 0x2001);
  EXPECT_EQ(t.cpu.sp, 0x3F00);
  EXPECT_EQ(t.cpu.ccr, 0x05C4);

  // RTI can clear X but not set it.
  t = part_with({0x0B});
  poke(t, 0x3F00, {0xC0, 0, 0, 0, 0, 0, 0, 0x20, 0x00});
  t.cpu.ccr = 0x90;  // X clear
  ASSERT_EQ(cpu12_execute(t, UINT64_MAX, 1).stop, Cpu12Stop::None);
  EXPECT_EQ(t.cpu.ccr, 0x80);
}

TEST(Cpu12Core, MemoryAsTheCpuSeesIt) {
  // Writes to flash and EEPROM change nothing; writes to PPAGE move the window at once.
  // ldaa #$31; staa $30; ldab $8000; movb #$55, $C000; movb #$66, $0400
  SimTarget t = part_with({0x86, 0x31, 0x5A, 0x30, 0xF6, 0x80, 0x00, 0x18, 0x0B, 0x55, 0xC0,
                           0x00, 0x18, 0x0B, 0x66, 0x04, 0x00});
  const uint8_t page31[2] = {0xA1, 0xB2};
  ASSERT_EQ(sim_flash_program(t, 40, 0x318000, page31, 2, nullptr), 0);
  ASSERT_EQ(cpu12_execute(t, UINT64_MAX, 5).instructions, 5u);
  EXPECT_EQ(t.cpu.d & 0xFF, 0xA1);
  EXPECT_EQ(t.window_page, 0x31);
  EXPECT_EQ(peek(t, 0xC000), 0xFF);
  EXPECT_EQ(peek(t, 0x0400), 0xFF);

  // Code runs from flash pages through the window as well as from RAM: jmp $8000 into page
  // 0x31, which holds "ldaa #$42; bgnd".
  const uint8_t code[4] = {0x86, 0x42, 0x00, 0xFF};
  ASSERT_EQ(sim_flash_program(t, 40, 0x318002, code, 4, nullptr), 0);
  poke(t, 0x2100, {0x06, 0x80, 0x02});
  t.cpu.pc = 0x2100;
  Cpu12Run r = cpu12_execute(t, UINT64_MAX, UINT64_MAX - 1);
  EXPECT_EQ(r.stop, Cpu12Stop::Background);
  EXPECT_EQ(t.cpu.d >> 8, 0x42);
  EXPECT_EQ(r.at, 0x8004);

  // On HCS12X a GPAGE write selects the window's page too, as the memory view's paging expects.
  t = part_with({0x86, 0x39, 0x5A, 0x10, 0xF6, 0x80, 0x00}, "XDP");
  const uint8_t page39[1 + 1] = {0x5C, 0x00};
  ASSERT_EQ(sim_flash_program(t, 40, 0x398000, page39, 2, nullptr), 0);
  ASSERT_EQ(cpu12_execute(t, UINT64_MAX, 3).instructions, 3u);
  EXPECT_EQ(t.cpu.d & 0xFF, 0x5C);
}

TEST(Cpu12Core, TrapsAndTheirReturnAddress) {
  // 18 FF at 0x2000 traps through 0xFFF8 with the address after it stacked.
  SimTarget t = part_with({0x18, 0xFF});
  program_vector(t, 0xFFF8, 0x2100);
  ASSERT_EQ(cpu12_execute(t, UINT64_MAX, 1).stop, Cpu12Stop::None);
  EXPECT_EQ(t.cpu.pc, 0x2100);
  EXPECT_EQ(peek(t, 0x3F00 - 2), 0x20);
  EXPECT_EQ(peek(t, 0x3F00 - 1), 0x02);
  // A move with a postbyte moves cannot have (a 9-bit offset) traps the same way.
  t = part_with({0x18, 0x08, 0xE0, 0x12, 0x34});
  program_vector(t, 0xFFF8, 0x2100);
  ASSERT_EQ(cpu12_execute(t, UINT64_MAX, 1).stop, Cpu12Stop::None);
  EXPECT_EQ(t.cpu.pc, 0x2100);
  EXPECT_EQ(peek(t, 0x3F00 - 1), 0x02);
}

TEST(Cpu12Core, WavrResumesAnInterruptedWav) {
  // Sums an interrupt of WAV would have stacked: products 0x000400, weights 0x40; then two
  // more elements (0x20 * 0x80 + 0x30 * 0x20) are still to do.
  SimTarget t = part_with({0x3C});
  poke(t, 0x3F00 - 6, {0x04, 0x00, 0x00, 0x00, 0x00, 0x40});
  t.cpu.sp = 0x3F00 - 6;
  poke(t, 0x2200, {0x20, 0x30});
  poke(t, 0x2300, {0x80, 0x20});
  t.cpu.x = 0x2200;
  t.cpu.y = 0x2300;
  t.cpu.d = 0x0002;
  ASSERT_EQ(cpu12_execute(t, UINT64_MAX, 1).stop, Cpu12Stop::None);
  EXPECT_EQ(t.cpu.sp, 0x3F00);
  EXPECT_EQ(t.cpu.y, 0x0000);
  EXPECT_EQ(t.cpu.d, 0x1A00);
  EXPECT_EQ(t.cpu.x, 0x00E0);
}
