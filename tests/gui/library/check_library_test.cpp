// corvane.exe check-library against the simulated library built as an adapter maker might build
// bdxdll.dll: __cdecl (beside the test), __stdcall with plain names (stdcall\) and with MSVC's
// decorated names (stdcall-decorated\), each checked by the corvane.exe beside it, and libraries
// that lack functions, named on the command line.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "adapter/bdx_thunk.h"
#include "tests/gui_support/app_harness_win.h"

namespace {

struct Check {
  int status = -1;
  std::string out;  // without the carriage returns
  bool has(const std::string& text) const { return out.find(text) != std::string::npos; }
};

// Runs folder\corvane.exe check-library arguments (folder relative to the test's own).
Check check_library(const std::string& folder, const std::string& arguments = "") {
  Check c;
  std::string raw;
  const std::string dir = folder.empty() ? exe_folder() : exe_folder() + "\\" + folder;
  c.status = run_program(dir + "\\corvane.exe", "check-library " + arguments, &raw);
  for (char ch : raw)
    if (ch != '\r') c.out += ch;
  return c;
}

#if BDX_THUNK
// The convention line x86 measures from bdx_Init; elsewhere there is one convention.
std::string measured(const char* convention, int bytes) {
  return "it removed " + std::to_string(bytes) + " bytes of arguments itself: " + convention;
}
#endif

TEST(CheckLibrary, CdeclLibraryHasAllFunctionsUnderTheirPlainNames) {
  const Check c = check_library("");
  EXPECT_EQ(c.status, 0) << c.out;
  EXPECT_TRUE(c.has("Checking the adapter library '" + exe_folder() + "\\bdxdll.dll'\n")) << c.out;
  EXPECT_TRUE(c.has("\nbdx_EpromProgramSector   bdx_EpromProgramSector ")) << c.out;
  EXPECT_FALSE(c.has("__stdcall names")) << c.out;
  EXPECT_TRUE(c.has("\n26 of 26 functions found: the tool can use this library\n")) << c.out;
#if BDX_THUNK
  EXPECT_TRUE(c.has(measured("__cdecl", 0))) << c.out;
#else
  EXPECT_TRUE(c.has("\nbdx_Init                 bdx_Init                     x64: "
                    "one convention\n"))
      << c.out;
#endif
}

TEST(CheckLibrary, StdcallLibraryWithPlainNamesIsToldApartByItsStackUse) {
  const Check c = check_library("stdcall");
  EXPECT_EQ(c.status, 0) << c.out;
  EXPECT_FALSE(c.has("__stdcall names")) << c.out;
  EXPECT_TRUE(c.has("\n26 of 26 functions found")) << c.out;
#if BDX_THUNK
  EXPECT_TRUE(c.has(measured("__stdcall", 4))) << c.out;
  EXPECT_TRUE(c.has("\nbdx_SetBdmSpeed          bdx_SetBdmSpeed              __stdcall\n"))
      << c.out;
#endif
}

TEST(CheckLibrary, DecoratedNamesAreFoundWithTheirArgumentBytes) {
  const Check c = check_library("stdcall-decorated");
  EXPECT_EQ(c.status, 0) << c.out;
  // The loader's own line, as the program shows it at start-up, comes before bdx_Init's call.
  EXPECT_LT(c.out.find("bdxdll.dll: exports use __stdcall names\n"),
            c.out.find("Calling bdx_Init"))
      << c.out;
  EXPECT_TRUE(c.has("\nbdx_Disconnect           _bdx_Disconnect@0 ")) << c.out;
  EXPECT_TRUE(c.has("\nbdx_SetBdmSpeed          _bdx_SetBdmSpeed@4 ")) << c.out;
  EXPECT_TRUE(c.has("\nbdx_FlashWriteFile       _bdx_FlashWriteFile@20 ")) << c.out;
  EXPECT_TRUE(c.has("\nbdx_EpromProgramSector   _bdx_EpromProgramSector@12 ")) << c.out;
  EXPECT_TRUE(c.has("\nExport names: __stdcall decorated (name@N)\n")) << c.out;
  EXPECT_TRUE(c.has("\n26 of 26 functions found")) << c.out;
#if BDX_THUNK
  EXPECT_TRUE(c.has(measured("__stdcall", 4))) << c.out;
#endif
}

TEST(CheckLibrary, MissingFunctionsAreNamedAndFailTheCheck) {
  const Check c = check_library("", "\"" + exe_folder() + "\\missing-three\\bdxdll.dll\"");
  EXPECT_EQ(c.status, 1) << c.out;
  EXPECT_TRUE(c.has("lacks the functions bdx_Disconnect, bdx_GetBdmSpeed, bdx_EpromProgramSector;"))
      << c.out;
  EXPECT_TRUE(c.has("\nbdx_Disconnect           missing\n")) << c.out;
  EXPECT_TRUE(c.has("\nbdx_Sync                 bdx_Sync ")) << c.out;
  EXPECT_TRUE(c.has("\nbdx_EpromProgramSector   missing\n")) << c.out;
  EXPECT_TRUE(c.has("\nMissing: bdx_Disconnect, bdx_GetBdmSpeed, bdx_EpromProgramSector\n"))
      << c.out;
  EXPECT_TRUE(c.has("\n23 of 26 functions found: the tool names the missing ones")) << c.out;
}

TEST(CheckLibrary, TheLibrarysLinesArePrintedAndAnUnloadableFileFails) {
  Check c = check_library("", "bdx_partial_dll.dll");
  EXPECT_EQ(c.status, 1) << c.out;
  EXPECT_TRUE(c.has("\n  | partial library ready\nbdx_Init returned 0")) << c.out;
  EXPECT_TRUE(c.has("\n3 of 26 functions found")) << c.out;

  c = check_library("", "nowhere\\bdxdll.dll");
  EXPECT_EQ(c.status, 1) << c.out;
  EXPECT_TRUE(c.has("Cannot load adapter library 'nowhere\\bdxdll.dll'")) << c.out;
  EXPECT_FALSE(c.has("Calling bdx_Init")) << c.out;
}

TEST(CorvaneExe, ALibraryThatFaultsEndsTheCommandWithItsLine) {
  const Check checked = check_library("", "bdx_faulting_dll.dll");
  EXPECT_EQ(checked.status, 1) << checked.out;
  EXPECT_TRUE(checked.has("Calling bdx_Init with a callback that prints the library's lines:\n"
                          "The adapter library faulted in bdx_Init (exception 0xC0000005)\n"))
      << checked.out;

  // The same library as the bdxdll.dll beside a copy of corvane.exe: a target command.
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  const std::string folder = std::string(temp) + "corvane_faulting";
  CreateDirectoryA(folder.c_str(), nullptr);
  ASSERT_TRUE(CopyFileA((exe_folder() + "\\corvane.exe").c_str(), (folder + "\\corvane.exe").c_str(),
                        FALSE));
  ASSERT_TRUE(CopyFileA((exe_folder() + "\\bdx_faulting_dll.dll").c_str(),
                        (folder + "\\bdxdll.dll").c_str(), FALSE));
  std::string out;
  EXPECT_EQ(run_program(folder + "\\corvane.exe", "erase --all", &out), 1) << out;
  EXPECT_NE(out.find("The adapter library faulted in bdx_Init (exception 0xC0000005)"),
            std::string::npos)
      << out;
  DeleteFileA((folder + "\\corvane.exe").c_str());
  DeleteFileA((folder + "\\bdxdll.dll").c_str());
  RemoveDirectoryA(folder.c_str());
}

}  // namespace
