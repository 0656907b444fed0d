// Fault sweep: every adapter call of an operation made to fail in turn. No crash, the operation
// reports failure, no "COMMAND DONE" follows the failure, and programming from a file gives the
// user's buffer back byte for byte.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "buffer/srec.h"
#include "programming/erase.h"
#include "programming/program_from_file.h"
#include "programming/program_target.h"
#include "programming/verify.h"
#include "tests/unit/programming/programming_test_util.h"

namespace {

// Data for every pass: flash in each form (odd edges included), EEPROM bytes and a sector, RAM.
void fill_everything() {
  put(0xC001, 0xC012);
  put(0x4000, 0x4003);
  put(0x8000, 0x8001);
  put(0x338000, 0x3381FF);
  put(0x3F8000, 0x3F8003);
  put(0x0401, 0x0407);
  put(0x1000, 0x1002);
}

class FaultSweep : public ProgrammingTest {
 protected:
  // Runs op once to count its calls, then once more for each call failing in turn.
  // check(result, call number) looks at each failed run. A failure of the call named
  // `ignored` is only reported: the operation goes on and is done. So is a failed read of the
  // security state after a reset (BDMSTS, FSEC), which only informs.
  void sweep(const std::function<void()>& prepare, const std::function<int()>& op,
             const std::function<void(int)>& check = nullptr, const char* ignored = "") {
    prepare();
    fake_bdx_install();
    ASSERT_EQ(op(), 1) << lines();
    const int calls = static_cast<int>(fake().calls.size());
    ASSERT_GT(calls, 3);
    for (int n = 1; n <= calls; ++n) {
      prepare();
      ScopedMemoryPane pane;
      fake_bdx_install().fail_call_number = n;
      const int result = op();
      const FakeBdxCall& call = fake().calls[n - 1];
      const std::string name = call.name;
      const bool done = name == ignored || (security_read(call) && call.args != "FF0F");
      EXPECT_EQ(result, done ? 1 : 0) << "call " << n << " (" << name << ")";
      // The failure is the last word: nothing after it says the command was done (a load
      // that succeeded before it keeps its own "COMMAND DONE" above it).
      const std::string text = lines();
      const size_t last_line = text.rfind('|');
      EXPECT_EQ(text.substr(last_line == std::string::npos ? 0 : last_line + 1) == "COMMAND DONE",
                done)
          << "call " << n << ": " << text;
      if (check) check(n);
    }
  }
};

TEST_F(FaultSweep, ProgramFromBuffer) {
  sweep([] { clear_buffer_quietly(); fill_everything(); }, program_target_from_buffer);
}

TEST_F(FaultSweep, ProgramFromFileGivesTheBufferBack) {
  clear_buffer_quietly();
  fill_everything();
  const std::string path = testing::TempDir() + "fault_sweep.s19";
  {
    FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    srec_write(f);
    std::fclose(f);
  }
  clear_buffer_quietly();
  // The user's own buffer, which the file's data must never disturb.
  auto prepare = [] {
    clear_buffer_quietly();
    put(0xC000, 0xC0FF);
    put(0x2000, 0x2010);
  };
  prepare();
  const auto user = buffer_contents();
  sweep(prepare, [&] { return program_regions_from_file(path.c_str()); },
        [&](int n) { EXPECT_EQ(buffer_contents(), user) << "call " << n; });
}

TEST_F(FaultSweep, EraseRegions) { sweep([] {}, erase_regions); }

TEST_F(FaultSweep, MassErase) {
  sweep([] {}, mass_erase_confirmed, nullptr, "bdx_TargetReset");
}

TEST_F(FaultSweep, Verify) {
  clear_buffer_quietly();
  fill_everything();
  ASSERT_EQ(program_target_from_buffer(), 1);
  const auto programmed = fake().memory;
  // Restore the programmed target before each run; the failing call decides the rest.
  sweep([&] { }, [&] {
    fake().memory = programmed;
    return verify_target_against_buffer();
  });
}

}  // namespace
