// The silicon's traps in the simulated part, through the library's functions as the tool calls
// them: security and the blank check, flash and EEPROM protection, one program per part, flash
// changes that cannot be kept, and a run that keeps its bus time.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "adapter/bdx.h"
#include "simulator/bdxsim.h"
#include "tests/support/sim_library_env.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point t) {
  return std::chrono::duration<double>(Clock::now() - t).count();
}

class SimTraps : public ::testing::Test {
 protected:
  void SetUp() override {
    g_env = {{"BDXSIM_STATE", ""}};
    start();
  }
  void TearDown() override {
    g_env = {{"BDXSIM_STATE", ""}};
    start();  // the last program lets its part go
    bdxsim_use_environment(nullptr);
    bdx_table_reset();
#ifndef _WIN32
    if (mounted_) umount2(folder_.c_str(), MNT_DETACH);
#endif
    if (!folder_.empty()) std::filesystem::remove_all(folder_);
  }
  // A program loading the library, with the settings in g_env.
  void start() {
    g_lines.clear();
    ASSERT_TRUE(load_simulated_library());
  }
  // Keeping in a state file of a folder of this test's own.
  std::string keep_in_folder() {
    folder_ = ::testing::TempDir() + "simtraps_" +
              std::to_string(Clock::now().time_since_epoch().count());
    std::filesystem::create_directories(folder_);
    g_env["BDXSIM_STATE"] = folder_ + "/state.bin";
    return g_env["BDXSIM_STATE"];
  }
  int connect() { return bdx_Connect("R41", "COM1 8"); }
  int program(uint32_t address, uint8_t high, uint8_t low) {
    unsigned char word[2] = {high, low};
    return bdx_FlashProgramBlock(40, address, word, 2);
  }
  int mem(uint32_t address) {
    unsigned char v = 0;
    return bdx_GetMemoryByte(address, &v) == 0 ? v : -1;
  }
  int bdmsts() {
    unsigned char v = 0;
    return bdx_GetByte(0xFF01, &v) == 0 ? v : -1;
  }
  std::string last() const { return g_lines.empty() ? "" : g_lines.back(); }
  std::string folder_;
  bool mounted_ = false;
};

constexpr int kUNSEC = 0x02;

}  // namespace

TEST_F(SimTraps, ASecuredPartAnswersOnlyInItsRegisterBlockAndSaysWhy) {
  ASSERT_EQ(connect(), 0);
  ASSERT_EQ(program(0xFF0E, 0xFF, 0x00), 0);  // SEC 00
  EXPECT_EQ(mem(0x1000), 0x00);               // secured only from the next reset on
  ASSERT_EQ(bdx_TargetReset(), 0);

  EXPECT_EQ(mem(0x0101), 0x00);  // FSEC
  EXPECT_NE(mem(0x03FF), -1);
  EXPECT_EQ(bdmsts(), 0x00);  // ENBDM, BDMACT and UNSEC clear
  const size_t lines = g_lines.size();
  EXPECT_EQ(mem(0x0400), -1);
  EXPECT_EQ(last(),
            "MC9S12DG256 is secured (FSEC 0x00): 0x400 cannot be read; erasing flash and EEPROM "
            "unsecures it");
  uint32_t regs[5] = {};
  EXPECT_EQ(bdx_RegisterGetAll(regs), -1);
  EXPECT_NE(last().find("is secured (FSEC 0x00): registers cannot be read"), std::string::npos);
  EXPECT_EQ(bdx_TargetHalt(), -1);
  EXPECT_NE(last().find("is secured (FSEC 0x00): it cannot be halted"), std::string::npos);
  EXPECT_EQ(g_lines.size(), lines + 3);  // one line each
  unsigned char block[4] = {};
  uint32_t fail = 0;
  EXPECT_EQ(bdx_GetBlock(0x03FE, 4, block, &fail), -1);
  EXPECT_EQ(fail, 0x400u);
  EXPECT_EQ(bdx_TargetStep(), -1);
  EXPECT_EQ(program(0xC000, 1, 2), -1);
}

// Whatever the part's state, it never executes while secured and halted, and one that was left
// running goes on: its count in the register block (readable while secured) moves until a reset.
TEST_F(SimTraps, ASecuredPartThatRunsGoesOnRunning) {
  keep_in_folder();
  start();
  ASSERT_EQ(connect(), 0);
  ASSERT_EQ(program(0xFF0E, 0xFF, 0xFD), 0);  // SEC 01: secured at the next program's connect
  const unsigned char loop[] = {0x72, 0x02, 0x00, 0x20, 0xFB};  // inc $0200; bra to it
  uint32_t fail = 0;
  ASSERT_EQ(bdx_LoadBlock(0x2000, sizeof loop, loop, &fail), 0);
  ASSERT_EQ(bdx_RegisterSet(1, 0x2000), 0);
  ASSERT_EQ(bdx_TargetStart(), 0);
  start();
  ASSERT_EQ(connect(), 0);
  EXPECT_EQ(bdmsts(), 0x00);
  EXPECT_EQ(bdx_TargetHalt(), -1);
  const int before = mem(0x0200);
  std::this_thread::sleep_for(std::chrono::microseconds(20000));
  EXPECT_NE(mem(0x0200), before);
  ASSERT_EQ(bdx_TargetReset(), 0);
  const int halted = mem(0x0200);
  std::this_thread::sleep_for(std::chrono::microseconds(20000));
  EXPECT_EQ(mem(0x0200), halted);
  EXPECT_EQ(bdx_TargetStart(), -1);
}

// SEC (FSEC bits 1:0) 10 is unsecured; anything else secures a part that is not blank.
TEST_F(SimTraps, OnlySec10LeavesAProgrammedPartUnsecured) {
  ASSERT_EQ(connect(), 0);
  for (uint8_t fsec : {0xFE, 0xBE, 0xFD, 0xFF, 0xFC}) {
    ASSERT_EQ(bdx_FlashEraseAll(40), 0);
    if (fsec != 0xFF) {
      ASSERT_EQ(program(0xFF0E, 0xFF, fsec), 0);
    }
    ASSERT_EQ(program(0xC000, 0x12, 0x34), 0);
    ASSERT_EQ(bdx_TargetReset(), 0);
    const bool unsecured = (fsec & 3) == 2;
    EXPECT_EQ(mem(0xC000), unsecured ? 0x12 : -1) << std::hex << int(fsec);
    EXPECT_EQ(bdmsts(), unsecured ? 0xC0 : 0x00) << std::hex << int(fsec);
  }
}

// On every derivative: secured through its security byte at its next reset, the mass erases
// work on it, and once flash and EEPROM are both erased it is unsecured until its next reset,
// where the blank check unsecures it again (UNSEC set).
TEST_F(SimTraps, MassErasingBothMemoriesUnsecuresEveryPart) {
  for (const char* name : {"MC9S12B128", "MC9S12C32", "MC9S12DG128", "MC9S12DG256", "MC9S12UF32",
                           "XDP", "XF"}) {
    SCOPED_TRACE(name);
    g_env["BDXSIM_DERIVATIVE"] = name;
    start();
    ASSERT_EQ(connect(), 0);
    EXPECT_EQ(bdmsts(), 0xC0 | kUNSEC);  // a new part is blank
    ASSERT_EQ(program(0xFF0E, 0xFF, 0x00), 0);
    ASSERT_EQ(bdx_TargetReset(), 0);
    EXPECT_EQ(mem(0xC000), -1);
    EXPECT_EQ(bdmsts(), 0x00);
    ASSERT_EQ(bdx_FlashEraseAll(40), 0);
    EXPECT_EQ(bdmsts(), 0xC0 | kUNSEC);
    ASSERT_EQ(bdx_TargetReset(), 0);
    EXPECT_EQ(bdmsts(), 0xC0 | kUNSEC);
    EXPECT_EQ(mem(0xC000), 0xFF);
  }
  // With EEPROM programmed, erasing the flash alone leaves the part secured.
  g_env["BDXSIM_DERIVATIVE"] = "MC9S12DG256";
  start();
  ASSERT_EQ(connect(), 0);
  ASSERT_EQ(bdx_EpromProgramByte(40, 0x0400, 0x55), 0);
  ASSERT_EQ(bdx_TargetReset(), 0);
  EXPECT_EQ(bdmsts(), 0x00);
  ASSERT_EQ(bdx_FlashEraseAll(40), 0);
  EXPECT_EQ(bdmsts(), 0x00);
  ASSERT_EQ(bdx_EpromEraseAll(40, 0x0400), 0);
  ASSERT_EQ(bdx_TargetReset(), 0);
  EXPECT_EQ(bdmsts(), 0xC0 | kUNSEC);
}

TEST_F(SimTraps, ProtectedAreasRefuseProgramsAndErasesUntilLifted) {
  ASSERT_EQ(connect(), 0);
  ASSERT_EQ(program(0xFF0C, 0xFF, 0xC7), 0);  // block 0: the upper 2 KiB (FPHDIS 0, FPHS 00)
  ASSERT_EQ(program(0xFF0E, 0xFF, 0xFE), 0);
  ASSERT_EQ(program(0xF7FE, 0x11, 0x22), 0);
  ASSERT_EQ(bdx_EpromProgramByte(40, 0x0FFD, 0xF0), 0);  // EPROT: the upper 64 bytes
  ASSERT_EQ(bdx_TargetReset(), 0);
  EXPECT_EQ(mem(0x0104), 0xC7);
  EXPECT_EQ(mem(0x0114), 0xF0);

  EXPECT_EQ(program(0xF800, 0x33, 0x44), -1);
  EXPECT_EQ(last(), "0xF800 is protected (FPROT 0xC7)");
  EXPECT_EQ(bdx_FlashEraseBlock(0x3F, 40), -1);
  EXPECT_EQ(last(), "0xF800 is protected (FPROT 0xC7)");
  EXPECT_EQ(mem(0xF7FE), 0x11);  // nothing erased
  EXPECT_EQ(mem(0xF800), 0xFF);  // nothing programmed
  EXPECT_EQ(program(0xF7FC, 0x33, 0x44), 0);  // just below the area
  EXPECT_EQ(bdx_EpromProgramByte(40, 0x0FC0, 0x01), -1);
  EXPECT_EQ(last(), "0xFC0 is protected (EPROT 0xF0)");
  EXPECT_EQ(bdx_EpromProgramByte(40, 0x0FBF, 0x01), 0);

  // The other blocks have protection bytes of their own: block 1 (pages 0x38-0x3B), shown at
  // 0x0104 when FCNFG selects it, protects nothing.
  ASSERT_EQ(bdx_SetMemoryByte(0x0103, 0x01), 0);
  EXPECT_EQ(mem(0x0104), 0xFF);
  EXPECT_EQ(program(0x3BBFFE, 0x55, 0x66), 0);
  // Written through the BDM, protection is lifted until the next reset.
  ASSERT_EQ(bdx_SetMemoryByte(0x0103, 0x00), 0);
  ASSERT_EQ(bdx_SetMemoryByte(0x0104, 0xFF), 0);
  EXPECT_EQ(program(0xF800, 0x33, 0x44), 0);
  ASSERT_EQ(bdx_TargetReset(), 0);
  EXPECT_EQ(program(0xF900, 0x33, 0x44), -1);

  // The mass erases lift protection first.
  ASSERT_EQ(bdx_FlashEraseAll(40), 0);
  EXPECT_EQ(mem(0xF7FE), 0xFF);
  ASSERT_EQ(bdx_EpromEraseAll(40, 0x0400), 0);
  EXPECT_EQ(mem(0x0FFD), 0xFF);
}

#ifndef _WIN32  // a second program by fork, a small disk by mount
// A part is one program's at a time: another program is refused at once and told which one
// has it; other parts in the same state file stay free; a program that ends lets its part go.
TEST_F(SimTraps, APartIsOneProgramsAtATime) {
  keep_in_folder();
  start();
  int to_child[2], to_parent[2];
  ASSERT_EQ(pipe(to_child), 0);
  ASSERT_EQ(pipe(to_parent), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The other program: takes the part, programs it and holds it until told to end.
    char c = connect() == 0 && program(0xFF0E, 0xFF, 0xFE) == 0 && program(0xC000, 0xC1, 0x1D) == 0
                 ? 'y'
                 : 'n';
    if (write(to_parent[1], &c, 1) != 1 || read(to_child[0], &c, 1) != 1) _exit(2);
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(to_parent[0], &c, 1), 1);
  ASSERT_EQ(c, 'y');
  const Clock::time_point asked = Clock::now();
  EXPECT_EQ(connect(), -1);
  EXPECT_LT(seconds_since(asked), 0.5);
  EXPECT_EQ(last(), "MC9S12DG256 is in use by another program (process " + std::to_string(child) + ")");

  g_env["BDXSIM_DERIVATIVE"] = "MC9S12DG128";
  start();
  ASSERT_EQ(connect(), 0);
  ASSERT_EQ(program(0xFF0E, 0xFF, 0xFE), 0);
  ASSERT_EQ(program(0xC000, 0xD1, 0x28), 0);

  ASSERT_EQ(write(to_child[1], "x", 1), 1);
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_EQ(status, 0);
  g_env.erase("BDXSIM_DERIVATIVE");
  start();
  ASSERT_EQ(connect(), 0);
  EXPECT_EQ(mem(0xC000), 0xC1);  // both programs' changes are in the file
  g_env["BDXSIM_DERIVATIVE"] = "MC9S12DG128";
  start();
  ASSERT_EQ(connect(), 0);
  EXPECT_EQ(mem(0xC000), 0xD1);
}

// A state file on a full disk: the flash call that cannot be kept fails and changes nothing.
TEST_F(SimTraps, AFullDiskFailsTheFlashCall) {
  const std::string path = keep_in_folder();
  // Room for one state file of the part, not for the new one beside it during a save.
  if (mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=400k") != 0)
    GTEST_SKIP() << "a small tmpfs cannot be mounted here: " << std::strerror(errno);
  mounted_ = true;
  start();
  ASSERT_EQ(connect(), 0);
  ASSERT_EQ(program(0xFF0E, 0xFF, 0xFE), 0);
  EXPECT_EQ(program(0xC000, 0x12, 0x34), -1);
  EXPECT_EQ(last(), "Cannot write state file '" + path +
                        "': No space left on device; the change to flash and EEPROM is undone");
  EXPECT_EQ(mem(0xC000), 0xFF);
  start();
  ASSERT_EQ(connect(), 0);
  EXPECT_EQ(mem(0xFF0F), 0xFE);
  EXPECT_EQ(mem(0xC000), 0xFF);
}
#endif

// A run executes the bus cycles of the time from start to halt, however few calls came between:
// far more than a call may spend catching up on (the fastest clock, 100 MHz: a 50 MHz bus).
TEST_F(SimTraps, ARunExecutesItsWholeTime) {
  g_env["BDXSIM_CLOCK_KHZ"] = "100000";
  start();
  ASSERT_EQ(bdx_Connect("R41", "COM1 100"), 0);
  // Y:X counts rounds of "inx; bne" back to it (4 bus cycles: INX 1, BNE 3), "iny; bra" back.
  const unsigned char count[] = {0x08, 0x26, 0xFD, 0x02, 0x20, 0xFA};
  uint32_t fail = 0;
  ASSERT_EQ(bdx_LoadBlock(0x2000, sizeof count, count, &fail), 0);
  ASSERT_EQ(bdx_RegisterSet(1, 0x2000), 0);
  ASSERT_EQ(bdx_RegisterSet(3, 0), 0);
  ASSERT_EQ(bdx_RegisterSet(4, 0), 0);
  const Clock::time_point before_start = Clock::now();
  ASSERT_EQ(bdx_TargetStart(), 0);
  const Clock::time_point started = Clock::now();
  std::this_thread::sleep_for(std::chrono::microseconds(300000));
  const Clock::time_point halting = Clock::now();
  ASSERT_EQ(bdx_TargetHalt(), 0);
  const double longest = seconds_since(before_start);
  const double shortest = std::chrono::duration<double>(halting - started).count();
  uint32_t regs[5] = {};
  ASSERT_EQ(bdx_RegisterGetAll(regs), 0);
  const double rounds = regs[3] * 65536.0 + regs[2];
  const double rounds_per_second = 50e6 / 4;
  EXPECT_GE(rounds, shortest * rounds_per_second * 0.99);
  EXPECT_LE(rounds, longest * rounds_per_second * 1.01);
}
