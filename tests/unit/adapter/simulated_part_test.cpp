// Connecting to the simulated adapter and identifying the part it stands for.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "adapter/adapter_settings.h"
#include "adapter/bdx.h"
#include "adapter/connection.h"
#include "app/message_pane.h"
#include "simulator/bdxsim.h"
#include "simulator/sim_parts.h"
#include "target/catalogue.h"
#include "tests/support/memory_pane.h"
#include "tests/support/sim_library_env.h"

namespace {
struct SimulatedPart : ::testing::Test {
  ScopedMemoryPane pane;
  void start(const char* derivative, const char* port = "1") {
    g_env = {{"BDXSIM_DERIVATIVE", derivative}, {"BDXSIM_PORT", port}, {"BDXSIM_STATE", ""}};
    bdxsim_use_environment(fake_env);
    bdxsim_reset_for_tests();
    ASSERT_EQ(bdx_table_bind(bdxsim_lookup, nullptr, "bdxsim"), bdx_function_count());
    bdx_Init(append_line);
    reset_target_map();
  }
  void TearDown() override {
    bdx_table_reset();
    bdxsim_use_environment(nullptr);
    bdxsim_reset_for_tests();
  }
};
}  // namespace

TEST_F(SimulatedPart, EverySimulatedPartIsIdentifiedAfterConnecting) {
  for (int i = 0; i < sim_part_count(); ++i) {
    const SimPart& part = sim_part(i);
    start(part.name);
    ASSERT_EQ(connect_adapter(ADAPTER_R41, 0, 8000), 0) << part.name << ": " << pane.pane().text;
    autodetect_target();
    ASSERT_NE(current_target(), nullptr);
    EXPECT_STREQ(current_target()->name, part.name);
    EXPECT_EQ(target_known(), 1);
    EXPECT_EQ(get_family_code(), part.family) << part.name;
    TargetMemoryMap map;
    get_target_memory_map(&map);
    EXPECT_EQ(map.volatile_start, part.ram_start) << part.name;
    EXPECT_EQ(map.eeprom_end, part.eeprom_end) << part.name;
    EXPECT_EQ(map.flash_first_page, part.first_page) << part.name;
  }
}

TEST_F(SimulatedPart, UsbAdapterDetectsTheClockAndIdentifiesTheDefaultPart) {
  start("MC9S12DG256");
  set_current_target(nullptr);
  EXPECT_EQ(connect_adapter(ADAPTER_R42, 0, -1), 0) << pane.pane().text;
  autodetect_target();
  EXPECT_STREQ(current_target()->name, "MC9S12DG256");
}

TEST_F(SimulatedPart, WrongSerialPortFailsWithTheLibraryLineFirst) {
  start("XF", "3");
  set_adapter_dialog_selection({ADAPTER_R41, 0, 8000});
  set_connected(0);
  EXPECT_EQ(connect_adapter_selection(), 0);
  const std::string& text = pane.pane().text;
  const std::string tail = "\r\r\nFailed connection\r";
  ASSERT_GT(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail) << text;
  EXPECT_NE(text.find("COM1"), std::string::npos) << "the library's own line comes first";
  EXPECT_EQ(get_connected(), 0);

  set_adapter_dialog_selection({ADAPTER_R41, 2, 8000});
  EXPECT_EQ(connect_adapter_selection(), 1);
  autodetect_target();
  EXPECT_STREQ(current_target()->name, "XF");
  EXPECT_EQ(get_adapter_port(), 2);
}
