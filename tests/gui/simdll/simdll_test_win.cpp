// The simulated bdxdll.dll as the program meets it: loaded by name from the executable's folder,
// its 26 functions found with GetProcAddress, settings taken from the environment at load.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "adapter/bdx.h"
#include "adapter/bdx_api.h"
#include "tests/gui_support/app_harness_win.h"
#include "tests/support/sim_library_env.h"

namespace {

struct Api {
#define SIMDLL_MEMBER(name, params, args) name##_fn name = nullptr;
  BDX_FUNCTION_LIST(SIMDLL_MEMBER)
#undef SIMDLL_MEMBER
};

int g_progress_calls = 0;

int BDX_CALL progress(void) {
  ++g_progress_calls;
  return 0;
}

std::string exe_dir() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s(path, n);
  return s.substr(0, s.find_last_of('\\'));
}

std::string temp_dir() {
  char base[MAX_PATH];
  GetTempPathA(MAX_PATH, base);
  std::string dir = std::string(base) + "simdll_" + std::to_string(GetCurrentProcessId()) + "_" +
                    std::to_string(GetTickCount());
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

bool file_exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Loads bdxdll.dll afresh (settings are read when it loads) and binds its functions.
class SimDll : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"BDXSIM_DERIVATIVE", "BDXSIM_PORT", "BDXSIM_CLOCK_KHZ", "BDXSIM_FAIL",
                             "BDXSIM_LATENCY_US"})
      SetEnvironmentVariableA(name, nullptr);
    SetEnvironmentVariableA("BDXSIM_STATE", "");
    g_lines.clear();
    g_progress_calls = 0;
  }
  void TearDown() override { unload(); }
  void load() {
    unload();
    // Settings are read when the library loads: a copy that the program keeps loaded (the
    // program test below) would not see them.
    if (GetModuleHandleA("bdxdll.dll")) GTEST_SKIP() << "bdxdll.dll is held loaded";
    module_ = LoadLibraryA((exe_dir() + "\\bdxdll.dll").c_str());
    ASSERT_NE(module_, nullptr);
#define SIMDLL_BIND(name, params, args) \
  api.name = reinterpret_cast<name##_fn>(reinterpret_cast<void*>(GetProcAddress(module_, #name)));
    BDX_FUNCTION_LIST(SIMDLL_BIND)
#undef SIMDLL_BIND
  }
  void unload() {
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
  }
  int mem(uint32_t address) {
    unsigned char v = 0;
    return api.bdx_GetMemoryByte(address, &v) == 0 ? v : -1;
  }
  HMODULE module_ = nullptr;
  Api api;
};

}  // namespace

TEST_F(SimDll, ExportsAll26FunctionsByTheirPlainNames) {
  load();
  int found = 0;
#define SIMDLL_COUNT(name, params, args) \
  EXPECT_NE(reinterpret_cast<void*>(api.name), nullptr) << #name; \
  found += api.name ? 1 : 0;
  BDX_FUNCTION_LIST(SIMDLL_COUNT)
#undef SIMDLL_COUNT
  EXPECT_EQ(found, 26);
  EXPECT_EQ(GetProcAddress(module_, "bdxsim_lookup"), nullptr);
}

TEST_F(SimDll, EveryExportWorksOnTheDefaultPart) {
  load();
  ASSERT_EQ(api.bdx_Init(collect), 0);
  EXPECT_TRUE(g_lines.empty());
  unsigned char b = 0;
  EXPECT_EQ(api.bdx_GetMemoryByte(0x1A, &b), -1);  // not connected
  EXPECT_EQ(api.bdx_Connect("R41", "COM2 8"), -1);
  ASSERT_EQ(api.bdx_Connect("R41", "COM1 8"), 0);
  EXPECT_EQ(g_lines.back(), "Connected to R41 on COM1");
  EXPECT_EQ(api.bdx_Sync(), 0);
  float speed = 0;
  EXPECT_EQ(api.bdx_GetBdmSpeed(&speed), 0);
  EXPECT_EQ(speed, 8.0f);
  EXPECT_EQ(api.bdx_SetBdmSpeed(8.0f), 0);
  EXPECT_EQ(api.bdx_SetBdmSpeed(2.0f), -1);

  // Identification of MC9S12DG256.
  EXPECT_EQ(mem(0x1A), 0x00);
  EXPECT_EQ(mem(0x1C), 0x25);
  EXPECT_EQ(mem(0x1D), 0x81);

  // Flash: erase, program at a paged address, read back through PPAGE and the window.
  EXPECT_EQ(api.bdx_FlashEraseAll(40), 0);
  EXPECT_EQ(api.bdx_FlashEraseBlock(0x3C, 40), 0);
  EXPECT_EQ(api.bdx_FlashEraseBlock(0x10, 40), -1);
  unsigned char words[4] = {0x11, 0x22, 0x33, 0x44};
  ASSERT_EQ(api.bdx_FlashProgramBlock(40, 0x3C8000, words, 4), 0);
  // Flash bits go from 1 to 0 only: 0x11 cannot become 0xEE without an erase.
  unsigned char others[4] = {0xEE, 0x22, 0x33, 0x44};
  EXPECT_EQ(api.bdx_FlashProgramBlock(40, 0x3C8000, others, 4), -1);
  // The security byte 0xFF0F := 0xFE, or the part is secured at the reset below.
  unsigned char security[2] = {0xFF, 0xFE};
  ASSERT_EQ(api.bdx_FlashProgramBlock(40, 0xFF0E, security, 2), 0);
  EXPECT_EQ(g_lines.back(), "Flash not erased at 0x3C8000");
  EXPECT_EQ(api.bdx_FlashProgramBlock(0, 0xC000, words, 4), -1);
  ASSERT_EQ(api.bdx_SetMemoryByte(0x0030, 0x3C), 0);
  EXPECT_EQ(mem(0x8001), 0x22);
  ASSERT_EQ(api.bdx_SetMemoryByte(0x8001, 0x00), 0);  // plain writes leave flash alone
  EXPECT_EQ(mem(0x8001), 0x22);

  // Blocks.
  unsigned char block[8] = {1, 2, 3, 4, 5, 6, 7, 8}, back[8] = {};
  uint32_t fail = 0;
  ASSERT_EQ(api.bdx_LoadBlock(0x2000, 8, block, &fail), 0);
  ASSERT_EQ(api.bdx_GetBlock(0x2000, 8, back, &fail), 0);
  EXPECT_EQ(back[7], 8);
  EXPECT_NE(api.bdx_GetBlock(0x3CBFFC, 8, back, &fail), 0);
  EXPECT_EQ(fail, 0x3CC000u);

  // EEPROM.
  EXPECT_EQ(api.bdx_EpromEraseAll(40, 0x0400), 0);
  ASSERT_EQ(api.bdx_EpromProgramSector(40, 0x0404, 0xA1B2C3D4), 0);
  ASSERT_EQ(api.bdx_EpromProgramByte(40, 0x0409, 0x5A), 0);
  EXPECT_EQ(mem(0x0404), 0xA1);
  EXPECT_EQ(mem(0x0407), 0xD4);
  EXPECT_EQ(mem(0x0409), 0x5A);

  // Registers and the BDM's CCR.
  ASSERT_EQ(api.bdx_RegisterSet(1, 0xC000), 0);
  ASSERT_EQ(api.bdx_RegisterSet(5, 0x1234), 0);
  uint32_t regs[5] = {};
  ASSERT_EQ(api.bdx_RegisterGetAll(regs), 0);
  EXPECT_EQ(regs[0], 0xC000u);
  EXPECT_EQ(regs[4], 0x1234u);
  ASSERT_EQ(api.bdx_SetByte(0xFF06, 0xC5), 0);
  ASSERT_EQ(api.bdx_GetByte(0xFF06, &b), 0);
  EXPECT_EQ(b, 0xC5);
  ASSERT_EQ(api.bdx_GetMemoryByte(0xFF06, &b), 0);
  EXPECT_EQ(b, 0xFF);

  // Run control, over "bra *" in RAM.
  const unsigned char loop[] = {0x20, 0xFE};
  ASSERT_EQ(api.bdx_LoadBlock(0x1000, 2, loop, &fail), 0);
  ASSERT_EQ(api.bdx_RegisterSet(1, 0x1000), 0);
  ASSERT_EQ(api.bdx_TargetStart(), 0);
  EXPECT_EQ(api.bdx_RegisterGetAll(regs), -1);
  EXPECT_EQ(g_lines.back(), "Cannot read registers: target is running");
  ASSERT_EQ(api.bdx_TargetHalt(), 0);
  EXPECT_EQ(api.bdx_TargetStep(), 0);
  ASSERT_EQ(api.bdx_RegisterGetAll(regs), 0);
  EXPECT_EQ(regs[0], 0x1000u);
  ASSERT_EQ(api.bdx_TargetReset(), 0);
  ASSERT_EQ(api.bdx_RegisterGetAll(regs), 0);
  EXPECT_EQ(regs[0], 0xFFFFu);  // the erased reset vector

  // File programming and verification, with the progress callback.
  std::string dir = temp_dir();
  std::string file = dir + "\\prog.s19";
  std::FILE* f = std::fopen(file.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("S1051000AABB85\r\nS2070380001234FF30\r\nS9030000FC\r\n", f);
  std::fclose(f);
  // 0x1000 is RAM; there is no page 0x03.
  EXPECT_NE(api.bdx_FlashWriteFile(40, 40, file.c_str(), &fail, progress), 0);
  EXPECT_EQ(fail, 0x038000u);
  EXPECT_EQ(g_progress_calls, 2);
  ASSERT_EQ(api.bdx_FlashEraseAll(40), 0);
  std::string file2 = dir + "\\prog2.s19";
  f = std::fopen(file2.c_str(), "wb");
  std::fputs("S1051000AABB85\r\nS2073C80001234FFF7\r\nS9030000FC\r\n", f);
  std::fclose(f);
  g_progress_calls = 0;
  ASSERT_EQ(api.bdx_FlashWriteFile(40, 40, file2.c_str(), &fail, progress), 0) << g_lines.back();
  EXPECT_EQ(g_progress_calls, 2);
  ASSERT_EQ(api.bdx_FlashVerifyFile(file2.c_str(), &fail, progress), 0) << g_lines.back();
  EXPECT_EQ(mem(0x3C8001), 0x34);
  ASSERT_EQ(api.bdx_SetMemoryByte(0x1001, 0), 0);
  EXPECT_NE(api.bdx_FlashVerifyFile(file2.c_str(), &fail, progress), 0);
  EXPECT_EQ(fail, 0x1001u);

  EXPECT_EQ(api.bdx_Disconnect(), 0);
  EXPECT_EQ(api.bdx_Sync(), -1);
  DeleteFileA(file.c_str());
  DeleteFileA(file2.c_str());
  RemoveDirectoryA(dir.c_str());
}

TEST_F(SimDll, SettingsComeFromTheEnvironmentAtLoad) {
  SetEnvironmentVariableA("BDXSIM_DERIVATIVE", "XF");
  SetEnvironmentVariableA("BDXSIM_PORT", "4");
  SetEnvironmentVariableA("BDXSIM_CLOCK_KHZ", "16000");
  SetEnvironmentVariableA("BDXSIM_FAIL", "bdx_GetMemoryByte@2,bdx_Nope");
  load();
  ASSERT_EQ(api.bdx_Init(collect), 0);
  ASSERT_EQ(g_lines.size(), 1u);
  EXPECT_EQ(g_lines[0], "BDXSIM_FAIL: ignoring 'bdx_Nope' (expected bdx_Name or bdx_Name@N)");
  EXPECT_EQ(api.bdx_Connect("R41", "COM1 16"), -1);
  ASSERT_EQ(api.bdx_Connect("R41", "COM4 16"), 0);
  EXPECT_EQ(mem(0x1A), 0xD4);
  EXPECT_EQ(mem(0x1A), -1);
  EXPECT_EQ(g_lines.back(), "Simulated failure of bdx_GetMemoryByte (call 2)");
  EXPECT_EQ(api.bdx_SetBdmSpeed(16.0f), 0);
  // HCS12X: GPAGE at 0x0010 pages the window as the memory view expects.
  unsigned char w[2] = {0xCA, 0xFE};
  ASSERT_EQ(api.bdx_FlashProgramBlock(40, 0x3B8000, w, 2), 0);
  ASSERT_EQ(api.bdx_SetMemoryByte(0x0010, 0x3B), 0);
  EXPECT_EQ(mem(0x8000), 0xCA);
  ASSERT_EQ(api.bdx_SetByte(0xFF07, 0x03), 0);
  unsigned char b = 0;
  ASSERT_EQ(api.bdx_GetByte(0xFF07, &b), 0);
  EXPECT_EQ(b, 0x03);
}

TEST_F(SimDll, StateIsKeptInTheLocalApplicationDataFolderUnlessTurnedOff) {
  std::string dir = temp_dir();
  char old_local[MAX_PATH] = {};
  DWORD had_local = GetEnvironmentVariableA("LOCALAPPDATA", old_local, MAX_PATH);
  SetEnvironmentVariableA("LOCALAPPDATA", dir.c_str());
  std::string kept = dir + "\\CorvanesTestBench\\bdxsim-state.bin";
  unsigned char w[2] = {0x5A, 0xA5};

  // Empty BDXSIM_STATE: nothing is written.
  load();
  ASSERT_EQ(api.bdx_Connect("R42", ""), 0);
  ASSERT_EQ(api.bdx_FlashProgramBlock(40, 0x308000, w, 2), 0);
  ASSERT_EQ(api.bdx_TargetReset(), 0);
  unload();
  EXPECT_FALSE(file_exists(kept));

  // Not set: the default file keeps flash between loads of the library (with the security byte
  // 0xFF0F := 0xFE, or the part is secured when the next load connects).
  SetEnvironmentVariableA("BDXSIM_STATE", nullptr);
  load();
  ASSERT_EQ(api.bdx_Connect("R42", ""), 0);
  ASSERT_EQ(api.bdx_FlashProgramBlock(40, 0x308000, w, 2), 0);
  unsigned char security[2] = {0xFF, 0xFE};
  ASSERT_EQ(api.bdx_FlashProgramBlock(40, 0xFF0E, security, 2), 0);
  // While connected the part is this process's: its owner file names it, readable although
  // it is locked.
  const std::string owner = kept + ".MC9S12DG256.owner";
  unsigned long owner_id = 0;
  std::ifstream(owner) >> owner_id;
  EXPECT_EQ(owner_id, GetCurrentProcessId());
  unload();  // saved when the library is unloaded
  EXPECT_TRUE(file_exists(kept));
  load();
  ASSERT_EQ(api.bdx_Connect("R42", ""), 0);
  EXPECT_EQ(mem(0x308001), 0xA5);
  // A second save takes the place of the file written before.
  ASSERT_EQ(api.bdx_FlashProgramBlock(40, 0x318000, w, 2), 0);
  unload();
  EXPECT_FALSE(file_exists(kept + "." + std::to_string(GetCurrentProcessId()) + ".new"));
  load();
  ASSERT_EQ(api.bdx_Connect("R42", ""), 0);
  EXPECT_EQ(mem(0x308001), 0xA5);
  EXPECT_EQ(mem(0x318000), 0x5A);
  unload();

  DeleteFileA(kept.c_str());
  DeleteFileA((kept + ".lock").c_str());
  DeleteFileA(owner.c_str());
  RemoveDirectoryA((dir + "\\CorvanesTestBench").c_str());
  RemoveDirectoryA(dir.c_str());
  SetEnvironmentVariableA("LOCALAPPDATA", had_local ? old_local : nullptr);
}

// The program loads the library at start-up and hands it the message pane as its report
// callback: the library's own lines (a bad setting at bdx_Init, a connect) show in the pane.
TEST(SimDllInTheProgram, MessagePaneShowsTheLibrarysLines) {
  SetEnvironmentVariableA("BDXSIM_STATE", "");
  SetEnvironmentVariableA("BDXSIM_FAIL", nullptr);
  SetEnvironmentVariableA("BDXSIM_PORT", nullptr);
  SetEnvironmentVariableA("BDXSIM_DERIVATIVE", "MC9S12Z");
  ASSERT_NE(start_app(), nullptr);
  EXPECT_NE(pane_text().find("BDXSIM_DERIVATIVE: unknown part 'MC9S12Z', using MC9S12DG256\r\r\n"),
            std::string::npos)
      << pane_text();
  ASSERT_EQ(bdx_Connect("R41", "COM1 8"), 0);
  EXPECT_NE(pane_text().find("Connected to R41 on COM1\r\r\n"), std::string::npos) << pane_text();
  unsigned char b = 0;
  EXPECT_EQ(bdx_GetMemoryByte(0x1D, &b), 0);
  EXPECT_EQ(b, 0x81);
  // A step the part cannot take (SWI without a vector) is reported there too.
  uint32_t fail = 0;
  const unsigned char swi = 0x3F;
  ASSERT_EQ(bdx_LoadBlock(0x1000, 1, &swi, &fail), 0);
  ASSERT_EQ(bdx_RegisterSet(1, 0x1000), 0);
  EXPECT_EQ(bdx_TargetStep(), -1);
  EXPECT_NE(pane_text().find("SWI at 0x1000: vector at 0xFFF6 is erased, target halted\r\r\n"),
            std::string::npos)
      << pane_text();
  bdx_Disconnect();
  stop_app();
  SetEnvironmentVariableA("BDXSIM_DERIVATIVE", nullptr);
}
