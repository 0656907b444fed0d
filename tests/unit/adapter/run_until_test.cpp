// Running to an address: the breakpoint module where a run proves it stops the part, stepping
// where its registers only keep what is written (plain memory), and the BGND met on the way.
#include <gtest/gtest.h>

#include "adapter/run_until.h"
#include "target/catalogue.h"
#include "target/hcs12_registers.h"
#include "tests/support/fake_bdx.h"
#include "tests/support/memory_pane.h"

namespace {

// A part whose program is NOPs from 0xC000 on, then a BGND at 0xC100, in the fake's memory; with
// `module`, BKPCT0 = BKEN|BKBDM stops a run before the instruction at BKP0H:BKP0L.
bool g_module = false;
constexpr uint32_t kScratch = 0x1000;

uint32_t& pc() { return fake_bdx().registers[0]; }
unsigned char& byte(uint32_t address) { return fake_bdx().memory[address]; }

bool breakpoint_at(uint32_t address) {
  return g_module && byte(kRegisterBkpct0) == (kBkpct0Bken | kBkpct0Bkbdm) &&
         uint32_t((byte(kRegisterBkp0h) << 8) | byte(kRegisterBkp0l)) == address;
}

// Executes one instruction: a BGND halts after it, 0x20 branches to itself.
bool execute() {
  const unsigned char opcode = byte(pc());
  if (opcode != 0x20) pc() = (pc() + 1) & 0xFFFF;
  return opcode == 0x00;
}

int BDX_CALL start() {
  fake_bdx().calls.push_back({"bdx_TargetStart", ""});
  byte(kBdmStatus) = 0;  // running
  for (int n = 0; n < 100000; ++n) {
    if (n > 0 && breakpoint_at(pc())) break;
    if (execute()) break;
    if (n == 99999) return 0;  // still running
  }
  byte(kBdmStatus) = kBdmstsBdmact;
  return 0;
}
int BDX_CALL step() {
  fake_bdx().calls.push_back({"bdx_TargetStep", ""});
  execute();
  return 0;
}
int BDX_CALL halt() {
  fake_bdx().calls.push_back({"bdx_TargetHalt", ""});
  byte(kBdmStatus) = kBdmstsBdmact;
  return 0;
}

struct RunUntil : ::testing::Test {
  ScopedMemoryPane pane;
  ScopedFakeBdx bdx;
  FakeBdx& fake = bdx.fake();
  void SetUp() override {
    g_bdx.bdx_TargetStart = start;
    g_bdx.bdx_TargetStep = step;
    g_bdx.bdx_TargetHalt = halt;
    for (uint32_t a = 0xC000; a < 0xC100; ++a) fake.memory[a] = 0xA7;  // NOP
    fake.memory[kScratch] = 0x12;
    fake.memory[kScratch + 1] = 0x34;
    fake.memory[kBdmStatus] = kBdmstsBdmact;
    fake.memory[kSavedCcrLow] = 0xD0;
    pc() = 0xC000;
  }
  // The part is as it was, apart from PC: RAM, CCR and a cleared breakpoint.
  void expect_left_alone() {
    EXPECT_EQ(fake.memory[kScratch], 0x12);
    EXPECT_EQ(fake.memory[kScratch + 1], 0x34);
    EXPECT_EQ(fake.memory[kSavedCcrLow], 0xD0);
    EXPECT_EQ(fake.memory[kRegisterBkpct0], 0);
  }
};

TEST_F(RunUntil, TheBreakpointModuleStopsThePartAtTheAddress) {
  g_module = true;
  const UntilRun r = run_until_address(0xC010, 1000, FAMILY_HCS12, kScratch);
  EXPECT_EQ(r.end, UntilEnd::Reached);
  EXPECT_EQ(r.method, UntilMethod::BreakpointModule);
  EXPECT_EQ(r.pc, 0xC010u);
  EXPECT_EQ(pc(), 0xC010u);
  EXPECT_EQ(fake.count("bdx_TargetStep"), 0);
  expect_left_alone();
}

TEST_F(RunUntil, RegistersThatOnlyKeepWhatIsWrittenMeanStepping) {
  g_module = false;  // BKPCT0 reads back, but the trial's BGND runs
  const UntilRun r = run_until_address(0xC010, 1000, FAMILY_HCS12, kScratch);
  EXPECT_EQ(r.end, UntilEnd::Reached);
  EXPECT_EQ(r.method, UntilMethod::Stepping);
  EXPECT_EQ(pc(), 0xC010u);
  EXPECT_EQ(fake.count("bdx_TargetStep"), 0x10);
  expect_left_alone();
}

TEST_F(RunUntil, Hcs12xPartsAreStepped) {
  g_module = true;
  const UntilRun r = run_until_address(0xC004, 1000, FAMILY_HCS12X, kScratch);
  EXPECT_EQ(r.method, UntilMethod::Stepping);
  EXPECT_EQ(r.end, UntilEnd::Reached);
  EXPECT_EQ(fake.count("bdx_TargetStart"), 0);
}

TEST_F(RunUntil, ABgndBeforeTheAddressEndsTheRunBothWays) {
  for (bool module : {true, false}) {
    g_module = module;
    pc() = 0xC0F0;
    const UntilRun r = run_until_address(0xC200, 1000, FAMILY_HCS12, kScratch);
    EXPECT_EQ(r.end, UntilEnd::HaltedElsewhere) << module;
    EXPECT_EQ(r.pc, 0xC101u) << module;  // after the BGND, as a run leaves it
    expect_left_alone();
  }
}

TEST_F(RunUntil, AtTheAddressAlreadyTheRunGoesRoundOnce) {
  g_module = true;
  pc() = 0xC010;
  fake.memory[0xC011] = 0x00;  // comes back nowhere: halts at the BGND after one NOP
  const UntilRun r = run_until_address(0xC010, 1000, FAMILY_HCS12, kScratch);
  EXPECT_EQ(r.end, UntilEnd::HaltedElsewhere);
  EXPECT_EQ(fake.count("bdx_TargetStep"), 1);
}

TEST_F(RunUntil, TheLimitHaltsThePartBothWays) {
  for (bool module : {true, false}) {
    g_module = module;
    pc() = 0xC000;
    fake.memory[0xC100] = 0x20;  // a branch to itself
    const UntilRun r = run_until_address(0x8000, 20, FAMILY_HCS12, kScratch);
    EXPECT_EQ(r.end, UntilEnd::TimedOut) << module;
    EXPECT_EQ(r.pc, 0xC100u) << module;
    EXPECT_GE(r.elapsed_ms, 20) << module;
    EXPECT_EQ(fake.memory[kBdmStatus], kBdmstsBdmact) << module;  // halted
    expect_left_alone();
  }
}

}  // namespace
