#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "adapter/bdx.h"
#include "tests/support/memory_pane.h"

namespace {
int BDX_CALL fake_connect(const char*, const char*) { return 0; }
int BDX_CALL fake_sync(void) { return 7; }

void* lookup_map(void* ctx, const char* name) {
  auto* m = static_cast<std::map<std::string, void*>*>(ctx);
  auto it = m->find(name);
  return it == m->end() ? nullptr : it->second;
}
}  // namespace

TEST(BdxTable, ContractHas26NamedFunctions) {
  ASSERT_EQ(bdx_function_count(), 26);
  EXPECT_STREQ(bdx_function_name(0), "bdx_Init");
  EXPECT_STREQ(bdx_function_name(25), "bdx_EpromProgramSector");
  EXPECT_EQ(bdx_function_name(26), nullptr);
  EXPECT_EQ(bdx_function_name(-1), nullptr);
}

TEST(BdxTable, StubsFailCleanly) {
  bdx_table_reset();
  uint32_t fail = 0;
  unsigned char data[4] = {};
  EXPECT_EQ(bdx_Connect("R41", "COM1 8"), -1);
  EXPECT_EQ(bdx_GetMemoryByte(0x1A, data), -1);
  EXPECT_EQ(bdx_GetBlock(0x1234, 4, data, &fail), -1);
  EXPECT_EQ(fail, 0x1234u);
  EXPECT_EQ(bdx_LoadBlock(0x2000, 4, data, &fail), -1);
  EXPECT_EQ(fail, 0x2000u);
  EXPECT_NE(bdx_FlashVerifyFile("x.s19", &fail, nullptr), 0);
  uint32_t regs[5];
  EXPECT_LT(bdx_RegisterGetAll(regs), 0);
}

TEST(BdxTable, BindReportsEveryMissingFunctionInOneLine) {
  ScopedMemoryPane p;
  std::map<std::string, void*> fns = {
      {"bdx_Connect", reinterpret_cast<void*>(&fake_connect)},
      {"bdx_Sync", reinterpret_cast<void*>(&fake_sync)}};
  // Everything except two functions is missing.
  EXPECT_EQ(bdx_table_bind(lookup_map, &fns, "bdxdll.dll"), 2);
  EXPECT_EQ(bdx_Connect("R42", ""), 0);
  EXPECT_EQ(bdx_Sync(), 7);
  EXPECT_EQ(bdx_TargetReset(), -1);
  const std::string& t = p.pane().text;
  EXPECT_EQ(t.find("\r\r\n"), t.size() - 3) << "one line only";
  EXPECT_NE(t.find("'bdxdll.dll' lacks the functions bdx_Init, bdx_Disconnect, bdx_TargetStart"),
            std::string::npos);
  EXPECT_EQ(t.find("bdx_Connect,"), std::string::npos);
  bdx_table_reset();
}

TEST(BdxTable, CompleteLibraryBindsSilently) {
  ScopedMemoryPane p;
  std::map<std::string, void*> fns;
  for (int i = 0; i < bdx_function_count(); ++i)
    fns[bdx_function_name(i)] = reinterpret_cast<void*>(&fake_sync);
  EXPECT_EQ(bdx_table_bind(lookup_map, &fns, "bdxdll.dll"), 26);
  EXPECT_EQ(p.pane().text, "");
  bdx_table_reset();
}

TEST(BdxTable, MissingLibraryIsOneLine) {
  ScopedMemoryPane p;
  bdx_library_missing("C:\\tools\\bdxdll.dll");
  EXPECT_EQ(p.pane().text,
            "Cannot load adapter library 'C:\\tools\\bdxdll.dll'; every adapter call will fail\r\r\n");
  EXPECT_EQ(bdx_Connect("R41", "COM1 8"), -1);
}

int BDX_CALL other_sync(void) { return 8; }

TEST(BdxTable, StdcallNamesAreFoundWithFourBytesPerArgumentAndReportedOnce) {
  ScopedMemoryPane p;
  std::map<std::string, void*> fns = {
      {"_bdx_Disconnect@0", reinterpret_cast<void*>(&fake_sync)},
      {"bdx_SetBdmSpeed@4", reinterpret_cast<void*>(&fake_sync)},
      {"_bdx_FlashWriteFile@20", reinterpret_cast<void*>(&fake_sync)},
      {"_bdx_Sync", reinterpret_cast<void*>(&fake_sync)},
      {"bdx_Connect", reinterpret_cast<void*>(&fake_connect)}};
  BdxBinding b;
  EXPECT_EQ(bdx_table_bind(lookup_map, &fns, "bdxdll.dll", &b), 5);
  EXPECT_EQ(b.found, 5);
  EXPECT_TRUE(b.stdcall_names);
  EXPECT_EQ(b.names[2], "_bdx_Disconnect@0");
  EXPECT_EQ(b.names[9], "bdx_SetBdmSpeed@4");
  EXPECT_EQ(b.names[21], "_bdx_FlashWriteFile@20");
  EXPECT_EQ(b.names[3], "_bdx_Sync");
  EXPECT_EQ(b.names[1], "bdx_Connect");
  EXPECT_EQ(b.names[0], "");
  EXPECT_EQ(bdx_Sync(), 7);
  EXPECT_EQ(bdx_Disconnect(), 7);
  const std::string& t = p.pane().text;
  EXPECT_EQ(t.find("bdxdll.dll: exports use __stdcall names\r\r\nAdapter library 'bdxdll.dll' "
                   "lacks the functions bdx_Init, bdx_TargetStart"),
            0u)
      << t;
  EXPECT_EQ(t.find("bdx_Sync,"), std::string::npos) << t;
  bdx_table_reset();
}

TEST(BdxTable, PlainNamesComeFirstAndAnUnderscoreAloneIsNoStdcallName) {
  ScopedMemoryPane p;
  std::map<std::string, void*> fns;
  for (int i = 0; i < bdx_function_count(); ++i) {
    fns["_" + std::string(bdx_function_name(i))] = reinterpret_cast<void*>(&fake_sync);
    fns[bdx_export_name(i, 1)] = reinterpret_cast<void*>(&other_sync);
  }
  fns["bdx_Sync"] = reinterpret_cast<void*>(&fake_sync);
  fns.erase("_bdx_Init@4");
  BdxBinding b = bdx_bind(lookup_map, &fns);
  EXPECT_EQ(b.found, 26);
  EXPECT_EQ(b.names[3], "bdx_Sync");
  EXPECT_EQ(b.names[0], "_bdx_Init");
  EXPECT_EQ(b.names[25], "_bdx_EpromProgramSector@12");
  EXPECT_TRUE(b.stdcall_names);
  EXPECT_EQ(p.pane().text, "") << "bdx_bind reports nothing";

  fns.clear();
  for (int i = 0; i < bdx_function_count(); ++i)
    fns["_" + std::string(bdx_function_name(i))] = reinterpret_cast<void*>(&fake_sync);
  EXPECT_EQ(bdx_table_bind(lookup_map, &fns, "bdxdll.dll"), 26);
  EXPECT_EQ(p.pane().text, "");
  bdx_table_reset();
}

// Both conventions push a float argument as its four bytes, never as a converted integer.
TEST(BdxTable, ArgumentWordsKeepTheFloatsBitsAndExtendBytesWithoutSign) {
  EXPECT_EQ(bdx_word(8.0f), 0x41000000u);
  EXPECT_EQ(bdx_word(0.5f), 0x3F000000u);
  EXPECT_EQ(bdx_word(static_cast<unsigned char>(0xFF)), 0xFFu);
  EXPECT_EQ(bdx_word(-1), 0xFFFFFFFFu);
  EXPECT_EQ(bdx_function_words(0), 1);
  EXPECT_EQ(bdx_function_words(21), 5);
  EXPECT_EQ(bdx_function_words(26), -1);
}
