// The 26 library functions over the simulated part, called the way the tool calls them: through
// its function table, bound with bdxsim_lookup.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "adapter/bdx.h"
#include "app/message_pane.h"
#include "simulator/bdxsim.h"
#include "tests/support/memory_pane.h"
#include "tests/support/sim_library_env.h"
#include "tests/support/test_files.h"

namespace {

int g_progress_calls = 0;
int g_abort_on_call = 0;

int g_disconnect_on_call = 0;

// The tool's progress callback delivers every pending message, so any command, a Disconnect
// included, may run inside it.
int BDX_CALL progress(void) {
  ++g_progress_calls;
  if (g_progress_calls == g_disconnect_on_call) bdx_Disconnect();
  return g_progress_calls == g_abort_on_call ? 1 : 0;
}

std::string joined() {
  std::string s;
  for (const std::string& l : g_lines) s += l + "|";
  return s;
}

// One S-record line with its count and checksum.
std::string srec(char type, uint32_t address, const std::vector<uint8_t>& data) {
  int address_bytes = type == '1' || type == '9' || type == '0' ? 2 : type == '2' || type == '8' ? 3 : 4;
  std::vector<uint8_t> bytes;
  bytes.push_back(static_cast<uint8_t>(address_bytes + data.size() + 1));
  for (int i = address_bytes - 1; i >= 0; --i) bytes.push_back(static_cast<uint8_t>(address >> (8 * i)));
  bytes.insert(bytes.end(), data.begin(), data.end());
  unsigned sum = 0;
  for (uint8_t b : bytes) sum += b;
  bytes.push_back(static_cast<uint8_t>(~sum));
  std::string line = std::string("S") + type;
  char hex[3];
  for (uint8_t b : bytes) {
    std::snprintf(hex, sizeof hex, "%02X", b);
    line += hex;
  }
  return line + "\r\n";
}

int mem(uint32_t address) {
  unsigned char v = 0;
  return bdx_GetMemoryByte(address, &v) == 0 ? v : -1;
}

class SimLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    g_env.clear();
    g_env["BDXSIM_STATE"] = "";
    g_lines.clear();
    g_progress_calls = 0;
    g_abort_on_call = 0;
    g_disconnect_on_call = 0;
    restart();
  }
  void TearDown() override {
    bdxsim_use_environment(nullptr);
    bdx_table_reset();
    for (const std::string& p : files_) std::remove(p.c_str());
  }
  // As if the library were unloaded and loaded with the settings in g_env.
  void restart() {
    ASSERT_TRUE(load_simulated_library());
  }
  void connect() { ASSERT_EQ(bdx_Connect("R41", "COM1 8"), 0); }
  // Programs the security byte 0xFF0F := 0xFE: a part with anything programmed would otherwise
  // be secured at its next reset (or its next program's connect).
  void keep_unsecured() {
    const unsigned char word[2] = {0xFF, 0xFE};
    ASSERT_EQ(bdx_FlashProgramBlock(40, 0xFF0E, word, 2), 0);
  }
  // Code into RAM through the BDM.
  void load(const std::vector<unsigned char>& code, uint32_t at) {
    uint32_t fail = 0;
    ASSERT_EQ(bdx_LoadBlock(at, static_cast<uint32_t>(code.size()), code.data(), &fail), 0);
  }
  // One step; the PC after it.
  uint32_t step_to() {
    uint32_t regs[5] = {};
    EXPECT_EQ(bdx_TargetStep(), 0);
    EXPECT_EQ(bdx_RegisterGetAll(regs), 0);
    return regs[0];
  }
  uint32_t step_from(uint32_t pc) {
    EXPECT_EQ(bdx_RegisterSet(1, pc), 0);
    return step_to();
  }
  std::string file(const char* name, const std::string& text) {
    std::string p = temp_path(name);
    write_file(p, text);
    files_.push_back(p);
    return p;
  }
  std::string track(const std::string& p) {
    files_.push_back(p);
    files_.push_back(p + "." + std::to_string(getpid()) + ".new");
    files_.push_back(p + ".lock");
    return p;
  }
  std::vector<std::string> files_;
};

}  // namespace

TEST_F(SimLibrary, LookupFindsEveryContractFunctionAndNothingElse) {
  for (int i = 0; i < bdx_function_count(); ++i)
    EXPECT_NE(bdxsim_lookup(nullptr, bdx_function_name(i)), nullptr) << bdx_function_name(i);
  EXPECT_EQ(bdxsim_lookup(nullptr, "bdx_Nothing"), nullptr);
  EXPECT_EQ(bdxsim_lookup(nullptr, nullptr), nullptr);
}

TEST_F(SimLibrary, ConnectionRules) {
  EXPECT_EQ(bdx_Connect("R41", "COM2 8"), -1);
  EXPECT_EQ(bdx_Connect("R41", "COM1"), -1);
  EXPECT_EQ(bdx_Connect("R41", "COM0 8"), -1);
  EXPECT_EQ(bdx_Connect("R43", ""), -1);
  EXPECT_EQ(bdx_Connect("R42", "COM1 8"), -1);
  EXPECT_EQ(bdx_Connect(nullptr, ""), -1);
  EXPECT_EQ(joined(),
            "R41: no answer on COM2|"
            "R41: bad connection parameters 'COM1' (expected COM<n> <MHz>)|"
            "R41: bad connection parameters 'COM0 8' (expected COM<n> <MHz>)|"
            "Adapter model 'R43' is not supported|"
            "R42: unexpected connection parameters 'COM1 8'|");
  EXPECT_EQ(bdx_Connect("R41", "COM1 0"), 0);  // clock left to detection
  EXPECT_EQ(bdx_Connect("R42", ""), 0);
  EXPECT_EQ(g_lines.back(), "Connected to R42 on USB");
  EXPECT_EQ(bdx_Disconnect(), 0);
  EXPECT_EQ(bdx_Disconnect(), -1);

  g_env["BDXSIM_PORT"] = "3";
  restart();
  EXPECT_EQ(bdx_Connect("R41", "COM1 8"), -1);
  EXPECT_EQ(bdx_Connect("R41", "COM3 8"), 0);
  EXPECT_EQ(g_lines.back(), "Connected to R41 on COM3");
}

TEST_F(SimLibrary, EveryCallButInitAndConnectFailsWhileNotConnected) {
  unsigned char b = 0, block[4] = {};
  uint32_t regs[5], fail = 0;
  float speed = 0;
  std::string f = file("a.s19", srec('1', 0xC000, {1, 2}));
  EXPECT_EQ(bdx_Disconnect(), -1);
  EXPECT_EQ(bdx_Sync(), -1);
  EXPECT_EQ(bdx_TargetStart(), -1);
  EXPECT_EQ(bdx_TargetStep(), -1);
  EXPECT_EQ(bdx_TargetHalt(), -1);
  EXPECT_EQ(bdx_TargetReset(), -1);
  EXPECT_EQ(bdx_GetBdmSpeed(&speed), -1);
  EXPECT_EQ(bdx_SetBdmSpeed(8.0f), -1);
  EXPECT_EQ(bdx_RegisterGetAll(regs), -1);
  EXPECT_EQ(bdx_RegisterSet(1, 0), -1);
  EXPECT_EQ(bdx_GetByte(0x1A, &b), -1);
  EXPECT_EQ(bdx_GetMemoryByte(0x1A, &b), -1);
  EXPECT_EQ(bdx_SetByte(0x1000, 1), -1);
  EXPECT_EQ(bdx_SetMemoryByte(0x1000, 1), -1);
  EXPECT_EQ(bdx_GetBlock(0x1000, 4, block, &fail), -1);
  EXPECT_EQ(fail, 0x1000u);
  EXPECT_EQ(bdx_LoadBlock(0x1004, 4, block, &fail), -1);
  EXPECT_EQ(fail, 0x1004u);
  EXPECT_EQ(bdx_FlashEraseAll(40), -1);
  EXPECT_EQ(bdx_FlashEraseBlock(0x30, 40), -1);
  EXPECT_EQ(bdx_FlashProgramBlock(40, 0xC000, block, 4), -1);
  EXPECT_NE(bdx_FlashWriteFile(40, 40, f.c_str(), &fail, progress), 0);
  EXPECT_EQ(g_lines.back(), "Not connected");
  EXPECT_NE(bdx_FlashVerifyFile(f.c_str(), &fail, progress), 0);
  EXPECT_EQ(bdx_EpromEraseAll(40, 0x400), -1);
  EXPECT_EQ(bdx_EpromProgramByte(40, 0x400, 1), -1);
  EXPECT_EQ(bdx_EpromProgramSector(40, 0x400, 1), -1);
  EXPECT_EQ(g_progress_calls, 0);
  connect();
  EXPECT_EQ(mem(0x1000), 0);
}

TEST_F(SimLibrary, IdentificationOfTheChosenPart) {
  connect();
  EXPECT_EQ(mem(0x1A), 0x00);
  EXPECT_EQ(mem(0x1C), 0x25);
  EXPECT_EQ(mem(0x1D), 0x81);
  g_env["BDXSIM_DERIVATIVE"] = "xdp";
  g_lines.clear();
  restart();
  connect();
  EXPECT_EQ(mem(0x1A), 0xC4);
  EXPECT_EQ(g_lines.size(), 1u);  // only the connect line: the setting was good
}

TEST_F(SimLibrary, BadSettingsAreReportedAtInitAndFallBack) {
  g_env["BDXSIM_DERIVATIVE"] = "MC9S12A32";
  g_env["BDXSIM_PORT"] = "COM4";
  g_env["BDXSIM_CLOCK_KHZ"] = "8MHz";
  g_env["BDXSIM_FAIL"] = "bdx_Nothing, bdx_Sync@0,bdx_GetByte@x, bdx_Sync@2";
  g_env["BDXSIM_LATENCY_US"] = "-5";
  restart();
  EXPECT_EQ(joined(),
            "BDXSIM_DERIVATIVE: unknown part 'MC9S12A32', using MC9S12DG256|"
            "BDXSIM_PORT: bad port 'COM4', using COM1|"
            "BDXSIM_CLOCK_KHZ: bad clock '8MHz', using 8000 kHz|"
            "BDXSIM_FAIL: ignoring 'bdx_Nothing' (expected bdx_Name or bdx_Name@N)|"
            "BDXSIM_FAIL: ignoring 'bdx_Sync@0' (expected bdx_Name or bdx_Name@N)|"
            "BDXSIM_FAIL: ignoring 'bdx_GetByte@x' (expected bdx_Name or bdx_Name@N)|"
            "BDXSIM_LATENCY_US: bad delay '-5', using 0|");
  connect();
  EXPECT_EQ(mem(0x1D), 0x81);
  EXPECT_EQ(bdx_Sync(), 0);
  EXPECT_EQ(bdx_Sync(), -1);  // the good entry of the list holds
  EXPECT_EQ(g_lines.back(), "Simulated failure of bdx_Sync (call 2)");
  EXPECT_EQ(bdx_Sync(), 0);
}

TEST_F(SimLibrary, AFailingInitStillReportsThroughItsCallback) {
  g_env["BDXSIM_FAIL"] = "bdx_Init@1";
  g_env["BDXSIM_PORT"] = "0";
  bdxsim_reset_for_tests();
  g_lines.clear();
  EXPECT_EQ(bdx_Init(collect), -1);
  EXPECT_EQ(joined(), "BDXSIM_PORT: bad port '0', using COM1|Simulated failure of bdx_Init (call 1)|");
  connect();
  EXPECT_EQ(g_lines.back(), "Connected to R41 on COM1");
  EXPECT_EQ(bdx_Init(collect), 0);
}

TEST_F(SimLibrary, BdmSpeed) {
  ASSERT_EQ(bdx_Connect("R42", ""), 0);
  float speed = -1;
  ASSERT_EQ(bdx_GetBdmSpeed(&speed), 0);
  EXPECT_EQ(speed, 0.0f);
  ASSERT_EQ(bdx_Sync(), 0);
  ASSERT_EQ(bdx_GetBdmSpeed(&speed), 0);
  EXPECT_EQ(speed, 8.0f);
  EXPECT_EQ(bdx_SetBdmSpeed(4.0f), -1);
  EXPECT_EQ(g_lines.back(), "No answer from target at 4.000 MHz");
  EXPECT_EQ(bdx_SetBdmSpeed(7.8f), 0);
  EXPECT_EQ(bdx_GetBdmSpeed(nullptr), -1);
  g_env["BDXSIM_CLOCK_KHZ"] = "4000";
  restart();
  ASSERT_EQ(bdx_Connect("R42", ""), 0);
  EXPECT_EQ(bdx_SetBdmSpeed(4.0f), 0);
  EXPECT_EQ(bdx_SetBdmSpeed(8.0f), -1);
}

TEST_F(SimLibrary, RunStateResetAndRegisters) {
  connect();
  keep_unsecured();
  unsigned char vector[2] = {0xC1, 0x00};
  ASSERT_EQ(bdx_FlashProgramBlock(40, 0xFFFE, vector, 2), 0);
  ASSERT_EQ(bdx_RegisterSet(1, 0x4000), 0);
  ASSERT_EQ(bdx_RegisterSet(3, 0x1234), 0);
  EXPECT_EQ(bdx_RegisterSet(9, 0), -1);
  EXPECT_EQ(g_lines.back(), "No register number 9");
  uint32_t regs[5] = {};
  ASSERT_EQ(bdx_RegisterGetAll(regs), 0);
  EXPECT_EQ(regs[0], 0x4000u);
  EXPECT_EQ(regs[2], 0x1234u);

  // "bra *" in RAM: running, the registers cannot be read; memory stays reachable.
  load({0x20, 0xFE}, 0x2000);
  ASSERT_EQ(bdx_RegisterSet(1, 0x2000), 0);
  ASSERT_EQ(bdx_TargetStart(), 0);
  ASSERT_EQ(bdx_TargetStart(), 0);  // already running
  EXPECT_EQ(bdx_RegisterGetAll(regs), -1);
  EXPECT_EQ(g_lines.back(), "Cannot read registers: target is running");
  EXPECT_EQ(bdx_RegisterSet(1, 0), -1);
  EXPECT_EQ(g_lines.back(), "Cannot write registers: target is running");
  EXPECT_EQ(bdx_TargetStep(), -1);
  EXPECT_EQ(g_lines.back(), "Cannot step: target is running");
  unsigned char b = 0;
  EXPECT_EQ(bdx_GetByte(0xFF06, &b), -1);
  ASSERT_EQ(bdx_GetByte(0xFF01, &b), 0);
  EXPECT_EQ(b & 0x40, 0);  // BDM not active
  EXPECT_EQ(bdx_GetMemoryByte(0x1A, &b), 0);
  ASSERT_EQ(bdx_TargetHalt(), 0);
  ASSERT_EQ(bdx_TargetHalt(), 0);  // already halted
  ASSERT_EQ(bdx_GetByte(0xFF01, &b), 0);
  EXPECT_EQ(b & 0x40, 0x40);
  ASSERT_EQ(bdx_RegisterGetAll(regs), 0);
  EXPECT_EQ(regs[0], 0x2000u);
  EXPECT_EQ(regs[2], 0x1234u);

  // The CCR at 0xFF06 is the core's: BEQ follows it.
  load({0x27, 0x02}, 0x2100);
  ASSERT_EQ(bdx_SetByte(0xFF06, 0xD4), 0);  // Z
  EXPECT_EQ(step_from(0x2100), 0x2104u);
  ASSERT_EQ(bdx_SetByte(0xFF06, 0xD0), 0);
  EXPECT_EQ(step_from(0x2100), 0x2102u);
  ASSERT_EQ(bdx_GetByte(0xFF06, &b), 0);
  EXPECT_EQ(b, 0xD0);
  ASSERT_EQ(bdx_GetMemoryByte(0xFF06, &b), 0);
  EXPECT_EQ(b, 0xFF);  // flash under the BDM registers

  // A reset halts a running part and takes PC from the vector.
  ASSERT_EQ(bdx_RegisterSet(1, 0x2000), 0);
  ASSERT_EQ(bdx_TargetStart(), 0);
  ASSERT_EQ(bdx_TargetReset(), 0);
  ASSERT_EQ(bdx_RegisterGetAll(regs), 0);
  EXPECT_EQ(regs[0], 0xC100u);
  EXPECT_EQ(regs[2], 0u);
  ASSERT_EQ(bdx_GetByte(0xFF06, &b), 0);
  EXPECT_EQ(b, 0xD0);
}

TEST_F(SimLibrary, StepExecutesOneInstruction) {
  connect();
  // ldx #0; inx; bra to the inx
  load({0xCE, 0x00, 0x00, 0x08, 0x20, 0xFD}, 0x2000);
  ASSERT_EQ(bdx_RegisterSet(1, 0x2000), 0);
  ASSERT_EQ(bdx_RegisterSet(3, 0x5555), 0);
  uint32_t regs[5] = {};
  const uint32_t pcs[] = {0x2003, 0x2004, 0x2003, 0x2004, 0x2003};
  const uint32_t xs[] = {0, 1, 1, 2, 2};
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(bdx_TargetStep(), 0);
    ASSERT_EQ(bdx_RegisterGetAll(regs), 0);
    EXPECT_EQ(regs[0], pcs[i]) << i;
    EXPECT_EQ(regs[2], xs[i]) << i;
  }
  unsigned char b = 0;
  ASSERT_EQ(bdx_GetByte(0xFF06, &b), 0);
  EXPECT_EQ(b, 0xD0);  // INX leaves N, V, C alone, clears Z

  // Stepping a BGND moves past it and stays halted, without a line.
  size_t lines = g_lines.size();
  load({0x00}, 0x2100);
  EXPECT_EQ(step_from(0x2100), 0x2101u);
  EXPECT_EQ(g_lines.size(), lines);
  // WAI stacks the registers and halts: the step happened, with a line saying so.
  ASSERT_EQ(bdx_RegisterSet(2, 0x3000), 0);
  load({0x3E}, 0x2200);
  EXPECT_EQ(step_from(0x2200), 0x2201u);
  EXPECT_EQ(g_lines.back(), "WAI at 0x2200: target halted (no enabled interrupt can end the wait)");
  ASSERT_EQ(bdx_RegisterGetAll(regs), 0);
  EXPECT_EQ(regs[1], 0x3000u - 9);
  // SWI without a vector cannot be taken: the step fails and nothing changes.
  load({0x3F}, 0x2300);
  EXPECT_EQ(bdx_RegisterSet(1, 0x2300), 0);
  EXPECT_EQ(bdx_TargetStep(), -1);
  EXPECT_EQ(g_lines.back(), "SWI at 0x2300: vector at 0xFFF6 is erased, target halted");
  ASSERT_EQ(bdx_RegisterGetAll(regs), 0);
  EXPECT_EQ(regs[0], 0x2300u);
  EXPECT_EQ(regs[1], 0x3000u - 9);
  // An unimplemented opcode without a TRAP vector likewise.
  load({0x18, 0x40}, 0x2300);
  EXPECT_EQ(bdx_TargetStep(), -1);
  EXPECT_EQ(g_lines.back(),
            "Unimplemented opcode 18 40 at 0x2300: TRAP vector at 0xFFF8 is erased, target halted");

  // Nothing to execute where no memory is (MC9S12DG128 has none at 0x1000-0x1FFF).
  g_env["BDXSIM_DERIVATIVE"] = "MC9S12DG128";
  restart();
  connect();
  ASSERT_EQ(bdx_RegisterSet(1, 0x1000), 0);
  EXPECT_EQ(bdx_TargetStep(), -1);
  EXPECT_EQ(g_lines.back(), "No memory at 0x1000 to execute: target halted");
  ASSERT_EQ(bdx_RegisterGetAll(regs), 0);
  EXPECT_EQ(regs[0], 0x1000u);
}

TEST_F(SimLibrary, ARunningPartMakesProgressAndStopsAtBgnd) {
  connect();
  // ldx #0; loop: inx; cpx #2000; bne loop; ldaa #$42; bgnd
  load({0xCE, 0x00, 0x00, 0x08, 0x8E, 0x07, 0xD0, 0x26, 0xFA, 0x86, 0x42, 0x00}, 0x2000);
  ASSERT_EQ(bdx_RegisterSet(1, 0x2000), 0);
  ASSERT_EQ(bdx_TargetStart(), 0);
  size_t lines = g_lines.size();
  unsigned char status = 0;
  // At the simulated 4 MHz bus the loop takes about 3 ms; each call brings the part up to date.
  for (int i = 0; i < 2000 && !(status & 0x40); ++i) {
    ASSERT_EQ(bdx_GetByte(0xFF01, &status), 0);
    if (!(status & 0x40)) usleep(1000);
  }
  ASSERT_EQ(status & 0x40, 0x40) << "the part did not reach its BGND";
  ASSERT_EQ(g_lines.size(), lines + 1);
  EXPECT_EQ(g_lines.back(), "BGND at 0x200B: target halted in background mode");
  uint32_t regs[5] = {};
  ASSERT_EQ(bdx_RegisterGetAll(regs), 0);
  EXPECT_EQ(regs[0], 0x200Cu);
  EXPECT_EQ(regs[2], 2000u);
  EXPECT_EQ(regs[4] >> 8, 0x42u);
  ASSERT_EQ(bdx_TargetHalt(), 0);

  // "bra *": halted after a while, the part has run (and the call did not wait for it).
  load({0x08, 0x20, 0xFD}, 0x2100);
  ASSERT_EQ(bdx_RegisterSet(1, 0x2100), 0);
  ASSERT_EQ(bdx_RegisterSet(3, 0), 0);
  ASSERT_EQ(bdx_TargetStart(), 0);
  usleep(5000);
  ASSERT_EQ(bdx_TargetHalt(), 0);
  ASSERT_EQ(bdx_RegisterGetAll(regs), 0);
  EXPECT_GT(regs[2], 100u);
}

TEST_F(SimLibrary, BlocksFailAtTheFirstAddressThatCannotBeReached) {
  g_env["BDXSIM_DERIVATIVE"] = "MC9S12DG128";  // nothing at 0x1000-0x1FFF
  restart();
  connect();
  std::vector<unsigned char> data(0x20, 0xA5);
  uint32_t fail = 0;
  EXPECT_EQ(bdx_LoadBlock(0x0FF0, 0x20, data.data(), &fail), -1);
  EXPECT_EQ(fail, 0x1000u);
  EXPECT_EQ(g_lines.back(), "No memory at 0x1000");
  std::vector<unsigned char> back(0x20, 0);
  EXPECT_EQ(bdx_GetBlock(0x0FF0, 0x20, back.data(), &fail), -1);
  EXPECT_EQ(fail, 0x1000u);
  EXPECT_EQ(back[0], 0xFF);  // EEPROM does not take plain writes
  ASSERT_EQ(bdx_LoadBlock(0x3FF0, 0x10, data.data(), &fail), 0);
  ASSERT_EQ(bdx_GetBlock(0x3FF0, 0x10, back.data(), &fail), 0);
  EXPECT_EQ(back[15], 0xA5);
  EXPECT_EQ(bdx_GetBlock(0x39BFF0, 0x20, back.data(), &fail), -1);
  EXPECT_EQ(fail, 0x39C000u);
  EXPECT_EQ(bdx_GetBlock(0xFFFFFFF0u, 0x20, back.data(), &fail), -1);
  EXPECT_EQ(fail, 0xFFFFFFF0u);
  EXPECT_EQ(bdx_GetBlock(0x1000, 0, nullptr, &fail), 0);
  EXPECT_EQ(bdx_GetBlock(0x3000, 4, nullptr, &fail), -1);
}

TEST_F(SimLibrary, InjectedFailuresCountCallsSinceLoad) {
  g_env["BDXSIM_FAIL"] = "bdx_GetMemoryByte@2,bdx_LoadBlock,bdx_FlashVerifyFile";
  restart();
  connect();
  unsigned char b = 0;
  EXPECT_EQ(bdx_GetMemoryByte(0x1A, &b), 0);
  EXPECT_EQ(bdx_GetMemoryByte(0x1A, &b), -1);
  EXPECT_EQ(g_lines.back(), "Simulated failure of bdx_GetMemoryByte (call 2)");
  EXPECT_EQ(bdx_GetMemoryByte(0x1A, &b), 0);
  uint32_t fail = 0;
  unsigned char data[2] = {};
  EXPECT_EQ(bdx_LoadBlock(0x2000, 2, data, &fail), -1);
  EXPECT_EQ(fail, 0x2000u);
  EXPECT_EQ(bdx_LoadBlock(0x2000, 2, data, &fail), -1);
  std::string f = file("v.s19", srec('2', 0x3C8000, {1, 2}));
  EXPECT_NE(bdx_FlashVerifyFile(f.c_str(), &fail, progress), 0);
  EXPECT_EQ(fail, 0x3C8000u);
  EXPECT_EQ(g_progress_calls, 0);
  restart();  // counting starts again with the library
  connect();
  EXPECT_EQ(bdx_GetMemoryByte(0x1A, &b), 0);
  EXPECT_EQ(bdx_GetMemoryByte(0x1A, &b), -1);
}

TEST_F(SimLibrary, FileProgrammingAndVerification) {
  connect();
  // Two records sharing the word at 0xC00E, the same page given at both of its addresses,
  // EEPROM and RAM data.
  std::vector<uint8_t> first(15, 0x11);
  std::string text = srec('0', 0, {'h', 'i'}) + srec('1', 0xC000, first) + srec('1', 0xC00F, {0x22}) +
                     srec('2', 0x3C8000, {0x33, 0x44, 0x55}) + srec('1', 0x0401, {0x66, 0x77}) +
                     srec('1', 0x2000, {0x88}) + srec('9', 0, {});
  std::string f = file("p.s19", text);
  uint32_t fail = 0xDEAD;
  ASSERT_EQ(bdx_FlashWriteFile(40, 40, f.c_str(), &fail, progress), 0) << joined();
  EXPECT_EQ(g_progress_calls, 5);
  EXPECT_EQ(g_lines.back(), "Programmed 22 bytes from '" + f + "'");
  EXPECT_EQ(mem(0xC00E), 0x11);
  EXPECT_EQ(mem(0xC00F), 0x22);
  EXPECT_EQ(mem(0x3C8002), 0x55);
  EXPECT_EQ(mem(0x3C8003), 0xFF);
  EXPECT_EQ(mem(0x0401), 0x66);
  EXPECT_EQ(mem(0x2000), 0x88);
  g_progress_calls = 0;
  ASSERT_EQ(bdx_FlashVerifyFile(f.c_str(), &fail, progress), 0) << joined();
  EXPECT_EQ(g_progress_calls, 5);
  EXPECT_EQ(g_lines.back(), "Verified 22 bytes");

  // A RAM byte changed since: verification names it.
  ASSERT_EQ(bdx_SetMemoryByte(0x2000, 0x89), 0);
  EXPECT_NE(bdx_FlashVerifyFile(f.c_str(), &fail, progress), 0);
  EXPECT_EQ(fail, 0x2000u);
  EXPECT_EQ(g_lines.back(), "Verify failed at 0x2000: read 0x89, expected 0x88");

  // Programming again over flash whose bits would have to go back to 1 fails at that word.
  const unsigned char zeros[2] = {0x00, 0x00};
  ASSERT_EQ(bdx_FlashProgramBlock(40, 0xC000, zeros, 2), 0);
  EXPECT_NE(bdx_FlashWriteFile(40, 40, f.c_str(), &fail, progress), 0);
  EXPECT_EQ(fail, 0xC000u);
  EXPECT_EQ(g_lines.back(), "Flash not erased at 0xC000");
}

TEST_F(SimLibrary, FileProgrammingStopsWhenAskedAndOnBadFiles) {
  connect();
  std::string f = file("q.s19", srec('1', 0xC000, {1, 2}) + srec('1', 0xC010, {3, 4}) +
                                   srec('1', 0xC020, {5, 6}));
  uint32_t fail = 0;
  g_abort_on_call = 2;
  EXPECT_NE(bdx_FlashWriteFile(40, 40, f.c_str(), &fail, progress), 0);
  EXPECT_EQ(fail, 0xC010u);
  EXPECT_EQ(g_lines.back(), "Programming aborted at 0xC010");
  EXPECT_EQ(mem(0xC000), 1);
  EXPECT_EQ(mem(0xC010), 0xFF);
  g_progress_calls = 0;
  EXPECT_NE(bdx_FlashVerifyFile(f.c_str(), &fail, progress), 0);
  EXPECT_EQ(fail, 0xC010u);
  EXPECT_EQ(g_lines.back(), "Verify aborted at 0xC010");

  // Disconnected from within the callback: the run stops at that record.
  ASSERT_EQ(bdx_FlashEraseAll(40), 0);
  g_abort_on_call = 0;
  g_progress_calls = 0;
  g_disconnect_on_call = 3;
  EXPECT_NE(bdx_FlashWriteFile(40, 40, f.c_str(), &fail, progress), 0);
  EXPECT_EQ(fail, 0xC020u);
  EXPECT_EQ(g_lines.back(), "Connection closed");
  connect();
  EXPECT_EQ(mem(0xC010), 3);
  EXPECT_EQ(mem(0xC020), 0xFF);
  g_disconnect_on_call = 0;

  // A damaged line anywhere: nothing is programmed.
  std::string bad = srec('1', 0xC030, {7, 8});
  bad[bad.size() - 3] ^= 1;
  std::string g = file("r.s19", srec('1', 0xC040, {9, 9}) + bad);
  EXPECT_NE(bdx_FlashWriteFile(40, 40, g.c_str(), &fail, nullptr), 0);
  EXPECT_EQ(g_lines.back(), "Bad S-record in line 2 of '" + g + "': Checksum error");
  EXPECT_EQ(mem(0xC040), 0xFF);

  std::string h = file("s.s19", srec('1', 0x0100, {1}));  // the register block
  EXPECT_NE(bdx_FlashWriteFile(40, 40, h.c_str(), &fail, nullptr), 0);
  EXPECT_EQ(fail, 0x0100u);
  EXPECT_EQ(g_lines.back(), "No flash, EEPROM or RAM at 0x100");
  EXPECT_NE(bdx_FlashWriteFile(0, 40, f.c_str(), &fail, nullptr), 0);
  EXPECT_EQ(bdx_FlashWriteFile(40, 40, "/nonexistent/x.s19", &fail, nullptr), -1);
  EXPECT_EQ(g_lines.back(), "Cannot open file '/nonexistent/x.s19'");
}

TEST_F(SimLibrary, FlashAndEepromAreKeptInTheStateFile) {
  std::string path = track(temp_path("state.bin"));
  g_env["BDXSIM_STATE"] = path;
  restart();
  connect();
  keep_unsecured();
  unsigned char w[2] = {0xAB, 0xCD};
  ASSERT_EQ(bdx_FlashProgramBlock(40, 0x3C8000, w, 2), 0);
  ASSERT_EQ(bdx_EpromProgramSector(40, 0x0400, 0x01020304), 0);
  ASSERT_EQ(bdx_SetMemoryByte(0x1000, 0x42), 0);  // RAM too: the board stayed powered
  restart();
  connect();
  EXPECT_EQ(mem(0x3C8000), 0xAB);
  EXPECT_EQ(mem(0x0403), 0x04);
  EXPECT_EQ(mem(0x1000), 0x42);

  // Another part keeps its own contents in the same file.
  g_env["BDXSIM_DERIVATIVE"] = "MC9S12DG128";
  restart();
  connect();
  EXPECT_EQ(mem(0x3C8000), 0xFF);
  ASSERT_EQ(bdx_FlashProgramBlock(40, 0x3C8000, w + 1, 0), -1);
  ASSERT_EQ(bdx_EpromEraseAll(40, 0x0800), 0);
  keep_unsecured();
  ASSERT_EQ(bdx_EpromProgramByte(40, 0x0800, 0x99), 0);
  bdxsim_save_state();
  std::FILE* temp = std::fopen((path + "." + std::to_string(getpid()) + ".new").c_str(), "rb");
  EXPECT_EQ(temp, nullptr);  // the temporary file took the state file's place
  if (temp) std::fclose(temp);
  g_env.erase("BDXSIM_DERIVATIVE");
  restart();
  connect();
  EXPECT_EQ(mem(0x3C8000), 0xAB);
  g_env["BDXSIM_DERIVATIVE"] = "MC9S12DG128";
  restart();
  connect();
  EXPECT_EQ(mem(0x0800), 0x99);

  // A file cut short is reported as damaged when the part is taken, the part starts erased, and
  // the next save replaces the file with a whole one.
  const std::string whole = read_file(path);
  ASSERT_GT(whole.size(), 100u);
  for (size_t cut : {whole.size() / 2, size_t{20}, size_t{3}, size_t{0}}) {
    write_file(path, whole.substr(0, cut));
    g_lines.clear();
    restart();
    connect();
    ASSERT_EQ(g_lines.size(), 2u) << cut;
    EXPECT_EQ(g_lines[0], "State file '" + path + "' is damaged; MC9S12DG128 starts erased");
    EXPECT_EQ(mem(0x0800), 0xFF);
  }
  keep_unsecured();
  ASSERT_EQ(bdx_EpromProgramByte(40, 0x0801, 0x77), 0);  // saved by the call itself
  restart();
  connect();
  EXPECT_EQ(mem(0x0801), 0x77);

  // A file that is not a state file at all is reported once and never overwritten.
  write_file(path, "somebody's notes\n");
  g_lines.clear();
  restart();
  connect();
  EXPECT_EQ(joined(), "'" + path + "' is not a state file; it is left alone and MC9S12DG128 starts erased|"
                      "Connected to R41 on COM1|");
  EXPECT_EQ(mem(0x0801), 0xFF);
  ASSERT_EQ(bdx_FlashEraseAll(40), 0);
  bdxsim_save_state();
  restart();
  EXPECT_EQ(read_file(path), "somebody's notes\n");
}

// A board on the bench stays powered between two programs: the next one finds its registers,
// RAM and paging as they were, and a part left running further on.
TEST_F(SimLibrary, ThePartStaysPoweredBetweenPrograms) {
  std::string path = track(temp_path("powered.bin"));
  g_env["BDXSIM_STATE"] = path;
  restart();
  connect();
  keep_unsecured();
  unsigned char w[2] = {0xAB, 0xCD};
  ASSERT_EQ(bdx_FlashProgramBlock(40, 0x3C8000, w, 2), 0);
  ASSERT_EQ(bdx_TargetReset(), 0);
  ASSERT_EQ(bdx_RegisterSet(3, 0x5678), 0);
  ASSERT_EQ(bdx_SetByte(0xFF06, 0xC4), 0);          // CCR
  ASSERT_EQ(bdx_SetMemoryByte(0x0030, 0x3C), 0);    // PPAGE
  ASSERT_EQ(bdx_SetMemoryByte(0x1000, 0x42), 0);
  const std::string saved = read_file(path);
  ASSERT_EQ(bdx_SetMemoryByte(0x1001, 0x43), 0);
  EXPECT_TRUE(read_file(path) == saved) << "a RAM or register write saved the file";
  restart();  // saved as the library is unloaded
  connect();
  uint32_t regs[5] = {};
  ASSERT_EQ(bdx_RegisterGetAll(regs), 0);
  EXPECT_EQ(regs[2], 0x5678u);
  unsigned char ccr = 0;
  ASSERT_EQ(bdx_GetByte(0xFF06, &ccr), 0);
  EXPECT_EQ(ccr, 0xC4);
  EXPECT_EQ(mem(0x8000), 0xAB);  // the window still shows page 0x3C
  EXPECT_EQ(mem(0x1001), 0x43);

  // Left running (NOPs, then a count in Y:X: "inx; bne" back to the inx, "iny; bra" back to
  // it), saved, and 100 ms later the next program finds it further on: it runs the part on by
  // the time that passed since the save.
  std::vector<unsigned char> code(16, 0xA7);
  for (unsigned char b : {0x08, 0x26, 0xFD, 0x02, 0x20, 0xFA}) code.push_back(b);
  load(code, 0x2000);
  ASSERT_EQ(bdx_RegisterSet(1, 0x2000), 0);
  ASSERT_EQ(bdx_RegisterSet(3, 0), 0);
  ASSERT_EQ(bdx_RegisterSet(4, 0), 0);
  ASSERT_EQ(bdx_TargetStart(), 0);
  bdxsim_save_state();
  usleep(100000);
  restart();  // nothing changed since the save: the file keeps the moment of the save
  connect();
  ASSERT_EQ(bdx_TargetHalt(), 0);
  ASSERT_EQ(bdx_RegisterGetAll(regs), 0);
  EXPECT_TRUE(regs[0] >= 0x2010 && regs[0] <= 0x2014) << std::hex << regs[0];
  // 100 ms of a 4 MHz bus are 100000 rounds of 4 cycles (INX 1, BNE 3), all executed by the
  // halt however little the calls before it caught up. A part that is not run on for the time
  // since its save makes a few hundred.
  EXPECT_GE(regs[3] * 0x10000 + regs[2], 99000u);
}

// A flash change that cannot be written to the state file fails its call and is undone: the
// part keeps what the file keeps.
TEST_F(SimLibrary, AFlashChangeThatCannotBeSavedFailsAndIsUndone) {
  std::string path = track(temp_path("undone.bin"));
  g_env["BDXSIM_STATE"] = path;
  restart();
  connect();
  keep_unsecured();
  // A folder in the temporary file's place makes every save fail.
  const std::string blocker = path + "." + std::to_string(getpid()) + ".new";
  ASSERT_TRUE(std::filesystem::create_directory(blocker));
  unsigned char w[2] = {0x5A, 0xA5};
  g_lines.clear();
  EXPECT_EQ(bdx_FlashProgramBlock(40, 0x3C8000, w, 2), -1);
  EXPECT_EQ(joined(), "Cannot write state file '" + path +
                          "': Is a directory; the change to flash and EEPROM is undone|");
  EXPECT_EQ(mem(0x3C8000), 0xFF);
  std::filesystem::remove(blocker);
  ASSERT_EQ(bdx_FlashProgramBlock(40, 0x3C8000, w, 2), 0);
  restart();
  connect();
  EXPECT_EQ(mem(0x3C8000), 0x5A);
}

TEST_F(SimLibrary, EmptyStateSettingKeepsNothing) {
  std::string path = track(temp_path("never.bin"));
  g_env["BDXSIM_STATE"] = "";
  restart();
  connect();
  ASSERT_EQ(bdx_FlashEraseAll(40), 0);
  bdxsim_save_state();
  std::FILE* f = std::fopen(path.c_str(), "rb");
  EXPECT_EQ(f, nullptr);
  if (f) std::fclose(f);
}

TEST_F(SimLibrary, EraseAndProgramCallsReport) {
  connect();
  g_lines.clear();
  EXPECT_EQ(bdx_FlashEraseBlock(0x30, 40), 0);
  EXPECT_EQ(bdx_FlashEraseBlock(0x2F, 40), -1);
  EXPECT_EQ(bdx_FlashEraseAll(40), 0);
  EXPECT_EQ(bdx_EpromEraseAll(40, 0x0400), 0);
  unsigned char d[4] = {1, 2, 3, 4};
  EXPECT_EQ(bdx_FlashProgramBlock(40, 0xC000, d, 4), 0);
  // Flash bits only go from 1 to 0: the same bytes again take, 0x01 back to 0x03 does not.
  EXPECT_EQ(bdx_FlashProgramBlock(40, 0xC000, d, 4), 0);
  d[0] = 3;
  EXPECT_EQ(bdx_FlashProgramBlock(40, 0xC000, d, 4), -1);
  EXPECT_EQ(bdx_EpromProgramByte(40, 0x1000, 1), -1);
  EXPECT_EQ(joined(),
            "Flash page 0x30 erased|No flash page 0x2F on MC9S12DG256|"
            "Flash erased (pages 0x30-0x3F)|EEPROM erased|Flash not erased at 0xC000|"
            "No EEPROM at 0x1000|");
}

TEST_F(SimLibrary, TheToolsMessagePaneShowsTheLibrarysLines) {
  ScopedMemoryPane p;
  ASSERT_EQ(bdx_Init(append_line), 0);
  ASSERT_EQ(bdx_Connect("R41", "COM1 8"), 0);
  EXPECT_EQ(memory_pane_lines_joined(), "Connected to R41 on COM1");
}

TEST_F(SimLibrary, LatencyDelaysEachCall) {
  g_env["BDXSIM_LATENCY_US"] = "20000";
  restart();
  auto start = std::chrono::steady_clock::now();
  bdx_Connect("R41", "COM1 8");
  bdx_Sync();
  auto spent = std::chrono::steady_clock::now() - start;
  EXPECT_GE(std::chrono::duration_cast<std::chrono::microseconds>(spent).count(), 40000);
}
