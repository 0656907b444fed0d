#include <gtest/gtest.h>

#include <string>

#include "adapter/connection.h"
#include "target/catalogue.h"
#include "tests/support/fake_bdx.h"
#include "tests/support/memory_pane.h"

namespace {
// A derivative outside the catalogue, for the family checks.
const ProcessorInfo kHcs08Info = {FAMILY_HCS08, 0, 0, 0, nullptr};
const ProcessorInfo kArmInfo = {FAMILY_ARM, 0, 0, 0, nullptr};
const Derivative kHcs08 = {"HCS08PART", nullptr, &kHcs08Info};
const Derivative kArm = {"ARMPART", nullptr, &kArmInfo};

const char kWarning[] =
    "Warning: Unrecognised processor family, may not be supported by this adapter\r\r\n";

struct Connect : ::testing::Test {
  ScopedMemoryPane pane;
  ScopedFakeBdx bdx;
  FakeBdx& fake = bdx.fake();
  void SetUp() override { reset_target_map(); }
  std::string text() { return pane.pane().text; }
};
}  // namespace

TEST_F(Connect, R41PassesPortAndWholeMegahertz) {
  EXPECT_EQ(connect_adapter(0, 2, 4000), 0);
  EXPECT_EQ(fake.sequence(), "bdx_Connect");
  EXPECT_EQ(fake.args("bdx_Connect"), "R41|COM3 4");
  EXPECT_EQ(connect_adapter(0, 0, 8000), 0);
  EXPECT_EQ(fake.args("bdx_Connect", 1), "R41|COM1 8");
  EXPECT_EQ(connect_adapter(0, 0, -1), 0);  // Auto gives 0
  EXPECT_EQ(fake.args("bdx_Connect", 2), "R41|COM1 0");
  EXPECT_EQ(connect_adapter(0, 5, 2500), 0);  // truncated
  EXPECT_EQ(fake.args("bdx_Connect", 3), "R41|COM6 2");
  EXPECT_EQ(text(), "");
}

TEST_F(Connect, R41ReturnsTheLibraryResultSilently) {
  fake.queue_result("bdx_Connect", -1);
  fake.queue_result("bdx_Connect", 3);
  EXPECT_EQ(connect_adapter(0, 0, 8000), -1);
  EXPECT_EQ(connect_adapter(0, 0, 8000), 3);
  EXPECT_EQ(text(), "");
  EXPECT_EQ(fake.count("bdx_Disconnect"), 0);
}

TEST_F(Connect, R41WithHugePortDoesNotOverflow) {
  EXPECT_EQ(connect_adapter(0, 2147483647, 8000), 0);
  EXPECT_EQ(fake.args("bdx_Connect"), "R41|COM2147483648 8");
}

TEST_F(Connect, R42AutoSyncsAndReadsSpeed) {
  EXPECT_EQ(connect_adapter(1, 7, -1), 0);
  EXPECT_EQ(fake.sequence(), "bdx_Connect bdx_Sync bdx_GetBdmSpeed");
  EXPECT_EQ(fake.args("bdx_Connect"), "R42|");
  EXPECT_EQ(text(), "");
}

TEST_F(Connect, R42AutoSyncFailureDisconnects) {
  fake.set_result("bdx_Sync", -1);
  EXPECT_EQ(connect_adapter(1, 0, -1), -1);
  EXPECT_EQ(fake.sequence(), "bdx_Connect bdx_Sync bdx_Disconnect");
  EXPECT_EQ(text(), "Cannot autodetect this target, specify target clock frequency\r\r\n");
}

TEST_F(Connect, R42SetsSpeedInMegahertz) {
  EXPECT_EQ(connect_adapter(1, 0, 2500), 0);
  EXPECT_EQ(fake.sequence(), "bdx_Connect bdx_SetBdmSpeed");
  EXPECT_EQ(fake.args("bdx_SetBdmSpeed"), "2.5");
  EXPECT_FLOAT_EQ(fake.bdm_speed, 2.5f);
  EXPECT_EQ(text(), "");
}

TEST_F(Connect, R42RefusedSpeedIsReportedButNotAFailure) {
  fake.set_result("bdx_SetBdmSpeed", -1);
  EXPECT_EQ(connect_adapter(1, 0, 2500), 0);
  EXPECT_EQ(connect_adapter(1, 0, 4000), 0);
  EXPECT_EQ(text(),
            "Cannot set target speed (2.500000 MHz), assuming this is correct.\r\r\n"
            "Cannot set target speed (4.000000 MHz), assuming this is correct.\r\r\n");
  EXPECT_EQ(fake.count("bdx_Disconnect"), 0);
}

TEST_F(Connect, R42OpenFailure) {
  fake.set_result("bdx_Connect", -1);
  EXPECT_EQ(connect_adapter(1, 0, 2500), -1);
  EXPECT_EQ(fake.sequence(), "bdx_Connect");
  EXPECT_EQ(text(), "Cannot open connection to R42\r\r\n");
}

TEST_F(Connect, R42RefusesOtherFamiliesWithoutTouchingTheAdapter) {
  set_current_target(&kHcs08);
  EXPECT_EQ(connect_adapter(1, 0, -1), -1);
  set_current_target(&kArm);
  EXPECT_EQ(connect_adapter(1, 0, 2500), -1);
  EXPECT_EQ(fake.calls.size(), 0u);
  EXPECT_EQ(text(),
            "Processor family is not supported by this adapter\r\r\n"
            "Processor family is not supported by this adapter\r\r\n");
}

TEST_F(Connect, R42AcceptsBothCatalogueFamilies) {
  select_target_by_name("XF");
  EXPECT_EQ(connect_adapter(1, 0, 2500), 0);
  select_target_by_name("unknown");
  EXPECT_EQ(connect_adapter(1, 0, 2500), 0);
  EXPECT_EQ(fake.count("bdx_Connect"), 2);
  EXPECT_EQ(text(), "");
}

TEST_F(Connect, R42WarnsForATargetWithoutProcessorInfoAndGoesOn) {
  select_target_by_name("MC9S12A64");
  EXPECT_EQ(connect_adapter(1, 0, 1000), 0);
  EXPECT_EQ(fake.sequence(), "bdx_Connect bdx_SetBdmSpeed");
  EXPECT_EQ(text(), kWarning);
}

TEST_F(Connect, NoCurrentTargetWarnsOnceForEveryModel) {
  set_current_target(nullptr);
  EXPECT_EQ(connect_adapter(1, 0, -1), 0);
  EXPECT_EQ(fake.sequence(), "bdx_Connect bdx_Sync bdx_GetBdmSpeed");
  EXPECT_EQ(text(), kWarning);
  pane.pane().text.clear();
  pane.pane().sel_start = pane.pane().sel_end = 0;
  EXPECT_EQ(connect_adapter(0, 0, 4000), 0);
  EXPECT_EQ(text(), kWarning);
}

TEST_F(Connect, R43AndUnchosenTypesAreRefusedSilently) {
  EXPECT_EQ(connect_adapter(2, 0, 4000), -1);
  EXPECT_EQ(connect_adapter(-1, 0, 4000), -1);
  EXPECT_EQ(connect_adapter(9, 0, 4000), -1);
  EXPECT_EQ(fake.calls.size(), 0u);
  EXPECT_EQ(text(), "");
}

TEST_F(Connect, RunControlReportsEachFailure) {
  reset_target();
  run_target();
  step_target();
  halt_target();
  // After the reset, the security state is read again (BDMSTS, FSEC).
  EXPECT_EQ(fake.sequence(), "bdx_TargetReset bdx_GetByte bdx_GetMemoryByte bdx_TargetStart "
                             "bdx_TargetStep bdx_TargetHalt");
  EXPECT_EQ(text(), "");
  for (const char* name : {"bdx_TargetReset", "bdx_TargetStart", "bdx_TargetStep",
                           "bdx_TargetHalt"})
    fake.set_result(name, -1);
  reset_target();
  run_target();
  step_target();
  halt_target();
  EXPECT_EQ(text(),
            "Cannot reset target\r\r\nCannot start target\r\r\nCannot step target\r\r\n"
            "Cannot halt target\r\r\n");
}
