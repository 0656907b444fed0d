// Self-checking CPU12 programs (programs/*.s), assembled and linked at test time with the
// m68hc1x binutils, converted to S-records, loaded into the tool's buffer, programmed into the
// simulated part's flash and run through the adapter library until their BGND. Each program
// counts its checks and notes its first failure in a status block in RAM (programs/common.inc).
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include "adapter/bdx.h"
#include "buffer/buffer_store.h"
#include "buffer/load_save.h"
#include "programming/program_target.h"
#include "programming/region_selection.h"
#include "simulator/bdxsim.h"
#include "target/catalogue.h"
#include "tests/support/memory_pane.h"
#include "tests/support/sim_library_env.h"
#include "tests/unit/cpu12/cpu12_support.h"

namespace {

std::string last_lines() {
  std::string s;
  for (size_t i = g_lines.size() > 5 ? g_lines.size() - 5 : 0; i < g_lines.size(); ++i)
    s += g_lines[i] + "\n";
  return s;
}

// Programs the buffer into the part as "Program Target Regions from buffer" does, with every
// region selected and the part's own memory map.
bool program_buffer_into_part(const char* part, std::string* problem) {
  select_target_by_name(part);
  set_all_regions(true);
  if (program_target_from_buffer() == 1) return true;
  *problem = "programming failed: " + last_lines();
  return false;
}

struct Status {
  unsigned checks = 0, fails = 0, done = 0, first = 0, actual = 0;
};

Status read_status() {
  unsigned char s[8] = {};
  uint32_t fail = 0;
  EXPECT_EQ(bdx_GetBlock(0x2F00, 8, s, &fail), 0);
  Status st;
  st.checks = s[0] << 8 | s[1];
  st.fails = s[2];
  st.done = s[3];
  st.first = s[4] << 8 | s[5];
  st.actual = s[6] << 8 | s[7];
  return st;
}

struct ProgramCase {
  const char* program;
  const char* part;
};

class Cpu12Program : public ::testing::TestWithParam<ProgramCase> {
 protected:
  void SetUp() override {
    g_env.clear();
    g_env["BDXSIM_STATE"] = "";
    g_env["BDXSIM_DERIVATIVE"] = GetParam().part;
    g_lines.clear();
    ASSERT_TRUE(load_simulated_library());
    ASSERT_EQ(bdx_Connect("R41", "COM1 8"), 0);
  }
  void TearDown() override {
    buffer_clear();
    bdxsim_use_environment(nullptr);
    bdx_table_reset();
  }
  ScopedMemoryPane pane_;
};

}  // namespace

TEST_P(Cpu12Program, RunsToItsBgndWithEveryCheckPassed) {
  if (!have_tool("m68hc11-as") || !have_tool("m68hc11-ld") || !have_tool("m68hc11-objcopy"))
    GTEST_SKIP() << "binutils-m68hc1x is not installed: run scripts/install-deps";
  std::string problem;
  std::string srec = build_program(GetParam().program, &problem);
  ASSERT_FALSE(srec.empty()) << problem;
  buffer_clear();
  ASSERT_EQ(load_file_into_buffer(srec.c_str()), 1) << memory_pane_lines_joined();
  ASSERT_TRUE(program_buffer_into_part(GetParam().part, &problem)) << problem;

  ASSERT_EQ(bdx_TargetReset(), 0);
  uint32_t regs[5] = {};
  ASSERT_EQ(bdx_RegisterGetAll(regs), 0);
  ASSERT_GE(regs[0], 0xC000u);  // the reset vector points into the program
  ASSERT_EQ(bdx_TargetStart(), 0);
  unsigned char bdm = 0;
  for (int i = 0; i < 5000 && !(bdm & 0x40); ++i) {
    ASSERT_EQ(bdx_GetByte(0xFF01, &bdm), 0);
    if (!(bdm & 0x40)) usleep(1000);
  }
  ASSERT_EQ(bdm & 0x40, 0x40) << "the program did not reach its BGND: " << last_lines();
  EXPECT_NE(g_lines.back().find("BGND at 0x"), std::string::npos) << last_lines();

  Status st = read_status();
  EXPECT_EQ(st.done, 0xA5u) << "finish did not run";
  EXPECT_GT(st.checks, 0u);
  EXPECT_EQ(st.fails, 0u) << "first failed check: " << st.first << " (0xFFFF: wrong count, 0xFFFE:"
                          << " unexpected exception), value found 0x" << std::hex << st.actual
                          << std::dec << ", checks made " << st.checks;
}

// Every program on an HCS12; the HCS12X runs the same core (its interrupt frame holds the 16-bit
// CCR, so the program that inspects frames byte by byte runs on the HCS12 only).
INSTANTIATE_TEST_SUITE_P(
    Programs, Cpu12Program,
    ::testing::Values(ProgramCase{"arith", "MC9S12DG256"}, ProgramCase{"indexed", "MC9S12DG256"},
                      ProgramCase{"loops", "MC9S12DG256"}, ProgramCase{"muldiv", "MC9S12DG256"},
                      ProgramCase{"table", "MC9S12DG256"}, ProgramCase{"stack", "MC9S12DG256"},
                      ProgramCase{"call", "MC9S12DG256"}, ProgramCase{"arith", "XDP"},
                      ProgramCase{"indexed", "XDP"}, ProgramCase{"loops", "XDP"},
                      ProgramCase{"muldiv", "XDP"}, ProgramCase{"table", "XDP"},
                      ProgramCase{"call", "XDP"}),
    [](const ::testing::TestParamInfo<ProgramCase>& info) {
      return std::string(info.param.program) + "_" + info.param.part;
    });
