// The simulated part's peripherals with firmware assembled by the m68hc1x binutils
// (programs/*.s linked with programs/board.ld): SCI0 at its baud rate into the BDXSIM_SCI0 file
// and from BDXSIM_SCI0_IN, the RTI counted over a timed run, the timer overflow's interrupt
// frame, WAI woken by the RTI, and a breakpoint stopping a running part. Timing is checked in
// the part's bus cycles (cpu12_execute on a SimTarget) and over the library's timed runs.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include "adapter/bdx.h"
#include "simulator/bdxsim.h"
#include "simulator/cpu12.h"
#include "simulator/sim_srec.h"
#include "tests/support/sim_library_env.h"
#include "tests/unit/cpu12/cpu12_support.h"

namespace {

bool have_binutils() {
  return have_tool("m68hc11-as") && have_tool("m68hc11-ld") && have_tool("m68hc11-objcopy") &&
         have_tool("m68hc11-nm");
}

#define NEED_BINUTILS()                                                      \
  if (!have_binutils())                                                      \
  GTEST_SKIP() << "binutils-m68hc1x is not installed: run scripts/install-deps"

std::string build(const char* name) {
  std::string problem;
  std::string srec = build_program(name, &problem, "board.ld");
  EXPECT_FALSE(srec.empty()) << problem;
  return srec;
}

// A part with the program in its flash, reset to it.
SimTarget part_running(const std::string& srec, const char* part = "MC9S12DG256") {
  SimTarget t = powered_part(part);
  for (const SimRecord& r : sim_srec_read_file(srec.c_str()).records)
    for (size_t i = 0; i < r.data.size(); ++i)
      t.flash[sim_resolve(t, r.address + static_cast<uint32_t>(i)).index] = r.data[i];
  sim_target_reset(t);
  return t;
}

class Board : public ::testing::Test {
 protected:
  // The library with the given settings, connected, the program in flash and the part reset.
  void start_library(const std::string& srec) {
    g_env["BDXSIM_STATE"] = "";
    g_lines.clear();
    ASSERT_TRUE(load_simulated_library());
    ASSERT_EQ(bdx_Connect("R41", "COM1 8"), 0);
    if (srec.empty()) return;
    uint32_t fail = 0;
    ASSERT_EQ(bdx_FlashWriteFile(40, 40, srec.c_str(), &fail, nullptr), 0) << g_lines.back();
    ASSERT_EQ(bdx_TargetReset(), 0);
  }
  void TearDown() override {
    bdxsim_reset_for_tests();
    g_env.clear();
    bdxsim_use_environment(nullptr);
    bdx_table_reset();
  }
};

// Polls BDMSTS as a tool does until BDMACT shows the part halted.
bool wait_halted() {
  unsigned char bdm = 0;
  for (int i = 0; i < 5000; ++i) {
    if (bdx_GetByte(0xFF01, &bdm) != 0) return false;
    if (bdm & 0x40) return true;
    usleep(1000);
  }
  return false;
}

uint32_t reg(int number) {
  uint32_t regs[5] = {};
  EXPECT_EQ(bdx_RegisterGetAll(regs), 0);
  return regs[number - 1];
}

int byte_at(uint32_t address) {
  unsigned char b = 0;
  return bdx_GetMemoryByte(address, &b) == 0 ? b : -1;
}

}  // namespace

TEST_F(Board, HelloLeavesSci0AtTheBaudRate) {
  NEED_BINUTILS();
  const std::string srec = build("sci_hello");
  // In bus cycles: TE sends a preamble frame, then each byte takes a frame of 10 bits of 16 x SBR
  // cycles, one after the other.
  SimTarget t = part_running(srec);
  const uint64_t frame = 10 * 16 * 26;
  std::vector<uint64_t> left;
  uint64_t cycles = 0;
  Cpu12Run run;
  while (run.stop == Cpu12Stop::None && cycles < 20 * frame) {
    run = cpu12_execute(t, 16, UINT64_MAX);
    cycles += run.cycles;
    for (size_t i = 0; i < t.board.sent.size(); ++i) left.push_back(cycles);
    t.board.sent.clear();
  }
  ASSERT_EQ(run.stop, Cpu12Stop::Background);
  ASSERT_EQ(left.size(), 6u);
  for (size_t i = 0; i < left.size(); ++i)
    EXPECT_NEAR(static_cast<double>(left[i]), static_cast<double>((i + 2) * frame), 40.0) << i;
  EXPECT_NEAR(static_cast<double>(cycles), 7.0 * frame, 60.0);  // BGND once TC is set

  // Through the library, into the BDXSIM_SCI0 file: exactly those bytes.
  const std::string out = scratch_folder("sci0") + "sent.txt";
  g_env["BDXSIM_SCI0"] = out;
  start_library(srec);
  ASSERT_EQ(bdx_TargetStart(), 0);
  ASSERT_TRUE(wait_halted());
  EXPECT_NE(g_lines.back().find("BGND at 0x"), std::string::npos) << g_lines.back();
  EXPECT_EQ(read_file(out), "hello\n");
}

TEST_F(Board, Sci0SendsOnlyAfterTdreWasRead) {
  SimTarget t = powered_part();
  // movb #'B', SCI0DRL; ldaa SCI0SR1; movb #'A', SCI0DRL; bra *
  poke(t, 0x2000,
       {0x18, 0x0B, 'B', 0x00, 0xCF, 0x96, 0xCC, 0x18, 0x0B, 'A', 0x00, 0xCF, 0x20, 0xFE});
  t.cpu.pc = 0x2000;
  poke(t, 0x00C9, {26});
  poke(t, 0x00CB, {0x08});  // TE
  cpu12_execute(t, 3 * 4160, UINT64_MAX);
  EXPECT_EQ(std::string(t.board.sent.begin(), t.board.sent.end()), "A");
  EXPECT_TRUE(t.board.lost_write);
}

TEST_F(Board, EchoReceivesTheInputFile) {
  NEED_BINUTILS();
  const std::string folder = scratch_folder("sci0_in");
  write_bytes(folder + "in.txt", {'a', 'b', 'c', '\n', 'x'});
  g_env["BDXSIM_SCI0"] = folder + "out.txt";
  g_env["BDXSIM_SCI0_IN"] = folder + "in.txt";
  start_library(build("sci_echo"));
  ASSERT_EQ(bdx_TargetStart(), 0);
  ASSERT_TRUE(wait_halted());
  EXPECT_EQ(read_file(folder + "out.txt"), "abc\n");
}

TEST_F(Board, BadSerialFilesAreSaidAtLoad) {
  g_env["BDXSIM_SCI0"] = "/nonexistent/folder/out.txt";
  g_env["BDXSIM_SCI0_IN"] = "/nonexistent/in.txt";
  start_library("");
  ASSERT_GE(g_lines.size(), 2u);
  EXPECT_EQ(g_lines[0],
            "BDXSIM_SCI0: cannot open '/nonexistent/folder/out.txt' (No such file or directory); "
            "what SCI0 sends is not kept");
  EXPECT_EQ(g_lines[1],
            "BDXSIM_SCI0_IN: there is no file '/nonexistent/in.txt'; SCI0 receives nothing");
}

TEST_F(Board, RtiTicksFollowTheRunTimeAndWakeWai) {
  NEED_BINUTILS();
  const std::string srec = build("rti_ticks");
  start_library(srec);
  const double period_ms = 4 * 2048 / 8000.0;  // (N + 1) x 2^(M + 9) clocks of 8 MHz
  const auto begun = std::chrono::steady_clock::now();
  ASSERT_EQ(bdx_TargetStart(), 0);
  usleep(300000);
  const double ran_ms = std::chrono::duration<double, std::milli>(
                            std::chrono::steady_clock::now() - begun).count();
  ASSERT_EQ(bdx_TargetHalt(), 0);
  const double ticks = byte_at(0x2000) << 8 | byte_at(0x2001);
  EXPECT_NEAR(ticks, ran_ms / period_ms, ran_ms / period_ms * 0.01);
  // Halted waiting in the idle loop's WAI (PC after it), or in the handler it woke into; the
  // one frame stacked either way.
  const long pc = static_cast<long>(reg(1));
  const long idle = symbol_address(srec, "idle"), handler = symbol_address(srec, "on_rti");
  EXPECT_TRUE(pc == idle + 1 || (pc >= handler && pc < handler + 20)) << pc;
  EXPECT_EQ(reg(2), 0x3F00u - 9);
}

TEST_F(Board, TimerOverflowEntersItsVectorWithTheFrame) {
  NEED_BINUTILS();
  const std::string srec = build("overflow");
  const long spin = symbol_address(srec, "spin");
  const long handler = symbol_address(srec, "on_overflow");
  // TCNT wraps 65536 bus cycles after TEN (prescaler 1).
  SimTarget t = part_running(srec);
  Cpu12Run run = cpu12_execute(t, 200000, UINT64_MAX);
  ASSERT_EQ(run.stop, Cpu12Stop::Background);
  EXPECT_NEAR(static_cast<double>(run.cycles), 65536.0, 60.0);
  EXPECT_EQ(t.cpu.pc, handler + 1);
  // The frame from SP up: CCR (I clear), B, A, X, Y, the return address in the spin loop.
  EXPECT_EQ(t.cpu.sp, 0x3F00 - 9);
  const std::vector<int> frame = {0xC0, 0x44, 0x33, 0x11, 0x11, 0x22, 0x22,
                                  static_cast<int>(spin >> 8), static_cast<int>(spin & 0xFF)};
  for (size_t i = 0; i < frame.size(); ++i)
    EXPECT_EQ(peek(t, static_cast<uint16_t>(t.cpu.sp + i)), frame[i]) << i;
  EXPECT_EQ(t.cpu.ccr & 0x10, 0x10);        // I set by the entry
  EXPECT_EQ(peek(t, 0x004F), 0x80);         // TOF
  EXPECT_EQ(sim_write(t, 0x004F, 0x80), 0);  // cleared by writing 1
  EXPECT_EQ(peek(t, 0x004F), 0x00);

  // A CPU12X stacks its 16-bit CCR (IPL 0 then) and enters at the request's level 1.
  t = part_running(srec, "XDP");
  run = cpu12_execute(t, 200000, UINT64_MAX);
  ASSERT_EQ(run.stop, Cpu12Stop::Background);
  EXPECT_EQ(t.cpu.sp, 0x3F00 - 10);
  EXPECT_EQ(peek(t, t.cpu.sp) << 8 | peek(t, t.cpu.sp + 1), 0x00C0);
  EXPECT_EQ(t.cpu.ccr & 0x0710, 0x0110);
}

TEST_F(Board, TcntCountsOverThePrescaler) {
  SimTarget t = powered_part();
  poke(t, 0x2000, {0x20, 0xFE});  // bra *
  t.cpu.pc = 0x2000;
  poke(t, 0x004D, {0x03});        // PR = 3: bus / 8
  poke(t, 0x0046, {0x80});        // TEN
  cpu12_execute(t, 8000, UINT64_MAX);
  EXPECT_EQ(peek(t, 0x0044) << 8 | peek(t, 0x0045), 1000);
  poke(t, 0x0046, {0x00});        // stopped: TCNT holds
  cpu12_execute(t, 8000, UINT64_MAX);
  EXPECT_EQ(peek(t, 0x0044) << 8 | peek(t, 0x0045), 1000);
}

TEST_F(Board, BreakpointStopsARunningPartAtItsAddress) {
  NEED_BINUTILS();
  const std::string srec = build("counter");
  const long here = symbol_address(srec, "here");
  start_library(srec);
  // As a tool sets it: BKP0 = the address, BKPCT0 = BKEN | BKBDM.
  ASSERT_EQ(bdx_SetMemoryByte(0x002B, static_cast<unsigned char>(here >> 8)), 0);
  ASSERT_EQ(bdx_SetMemoryByte(0x002C, static_cast<unsigned char>(here)), 0);
  ASSERT_EQ(bdx_SetMemoryByte(0x0028, 0xA0), 0);
  for (uint32_t x = 1; x <= 2; ++x) {  // a start goes on from the breakpoint's address
    ASSERT_EQ(bdx_TargetStart(), 0);
    ASSERT_TRUE(wait_halted());
    EXPECT_EQ(g_lines.back(), sim_format("Breakpoint at 0x%lX: target halted", here));
    EXPECT_EQ(reg(1), static_cast<uint32_t>(here));
    EXPECT_EQ(reg(3), x);
  }
  // BKEN clear: it runs on.
  ASSERT_EQ(bdx_SetMemoryByte(0x0028, 0x20), 0);
  ASSERT_EQ(bdx_TargetStart(), 0);
  usleep(5000);
  ASSERT_EQ(bdx_TargetHalt(), 0);
  EXPECT_GT(reg(3), 100u);
}
