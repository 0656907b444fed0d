#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "adapter/adapter_settings.h"
#include "target/catalogue.h"
#include "tests/support/fake_bdx.h"
#include "tests/support/memory_pane.h"

namespace {
std::string joined(const std::vector<std::string>& v) {
  std::string s;
  for (const std::string& e : v) s += (s.empty() ? "" : "|") + e;
  return s;
}

std::set<int> g_present;
std::vector<int> g_probed;
int probe(int index) {
  g_probed.push_back(index);
  return g_present.count(index) ? 1 : 0;
}
}  // namespace

TEST(AdapterSettings, DefaultsAreR41Com1At8MHz) {
  set_adapter_defaults();
  EXPECT_EQ(get_adapter_type(), 0);
  EXPECT_EQ(get_adapter_port(), 0);
  EXPECT_EQ(get_target_clock(), 8000);
  AdapterSelection s = {9, 9, 9};
  get_adapter_selection(&s);
  EXPECT_EQ(s.type, 0);
  EXPECT_EQ(s.port, 0);
  EXPECT_EQ(s.target_clock, 8000);
}

TEST(AdapterSettings, ApplyStoresTheRecordAndDisconnects) {
  set_connected(1);
  const AdapterSelection r42 = {1, 0, 2500};
  apply_adapter_settings(&r42);
  EXPECT_EQ(get_adapter_type(), 1);
  EXPECT_EQ(get_adapter_port(), -1) << "the USB adapter has no serial port";
  EXPECT_EQ(get_target_clock(), 2500);
  EXPECT_EQ(get_connected(), 0);
  AdapterSelection s = {};
  get_adapter_selection(&s);
  EXPECT_EQ(s.port, 0) << "the selection keeps its port";

  const AdapterSelection r41 = {0, 3, 4000};
  apply_adapter_settings(&r41);
  EXPECT_EQ(get_adapter_port(), 3);

  set_connected(1);
  apply_adapter_settings(nullptr);
  EXPECT_EQ(get_connected(), 1);
  EXPECT_EQ(get_adapter_port(), 3);
}

TEST(AdapterSettings, DescriptionsAndClockTexts) {
  EXPECT_STREQ(adapter_description(0), "HLD/tandrel R41, RS232 serial BDM adapter for HCS12");
  EXPECT_STREQ(adapter_description(1), "HLD/tandrel R42, USB serial BDM adapter for HCS08/HCS12");
  EXPECT_STREQ(adapter_description(2), "HLD/tandrel R43, USB Multi adapter JTAG");
  EXPECT_STREQ(adapter_description(-1), " ");
  EXPECT_STREQ(adapter_description(3), " ");

  EXPECT_EQ(format_clock(4000), "4,0");
  EXPECT_EQ(format_clock(500), "0,500");
  EXPECT_EQ(format_clock(2500), "2,500");
  EXPECT_EQ(format_clock(-1), "Auto");
  EXPECT_EQ(parse_clock_text("2,500"), 2500);
  EXPECT_EQ(parse_clock_text("0,500"), 500);
  EXPECT_EQ(parse_clock_text("4,0"), 4000);
  EXPECT_EQ(parse_clock_text("Auto"), -1);
  EXPECT_EQ(parse_clock_text("3 MHz"), -1);
  EXPECT_EQ(parse_clock_text("30 MHz"), -1);
  EXPECT_EQ(parse_clock_text(""), -1);
  EXPECT_EQ(parse_clock_text(nullptr), -1);
  EXPECT_EQ(parse_clock_text("99999999,1"), -1);

  int port = 42;
  EXPECT_EQ(parse_port_text("COM12", &port), 1);
  EXPECT_EQ(port, 11);
  EXPECT_EQ(parse_port_text("(USB)", &port), 0);
  EXPECT_EQ(port, 11);
  EXPECT_EQ(format_port(0), "COM1");
  EXPECT_EQ(format_port(127), "COM128");
}

TEST(AdapterSettings, ClockEntriesPerModel) {
  std::vector<std::string> e;
  int sel = 99;
  ASSERT_EQ(build_clock_entries(0, 8000, &e, &sel), 1);
  EXPECT_EQ(joined(e), "4,0|8,0");
  EXPECT_EQ(sel, 1);
  build_clock_entries(0, 0, &e, &sel);  // first start: nothing equals 0
  EXPECT_EQ(sel, 0);
  ASSERT_EQ(build_clock_entries(1, 2500, &e, &sel), 1);
  EXPECT_EQ(joined(e), "Auto|0,500|1,0|2,0|2,500|3,0|3,500|4,0|8,0");
  EXPECT_EQ(sel, 4);
  build_clock_entries(1, -1, &e, &sel);
  EXPECT_EQ(sel, 0);
  ASSERT_EQ(build_clock_entries(2, 4000, &e, &sel), 1);
  EXPECT_EQ(joined(e), "3 MHz|30 MHz");
  EXPECT_EQ(sel, -1);
  EXPECT_EQ(build_clock_entries(5, 4000, &e, &sel), 0);
  // Every listed text reads back as its own value.
  for (int type = 0; type < 2; ++type)
    for (const int* k = adapter_clock_list(type); *k; ++k)
      EXPECT_EQ(parse_clock_text(format_clock(*k).c_str()), *k);
}

TEST(AdapterSettings, PortEntriesProbeAllButTheSelectedPort) {
  g_present = {0, 4, 127, 200};
  g_probed.clear();
  std::vector<std::string> e;
  EXPECT_EQ(build_port_entries(2, probe, &e), 1);
  EXPECT_EQ(joined(e), "COM1|COM3|COM5|COM128");
  EXPECT_EQ(g_probed.size(), 127u);
  for (int i : g_probed) EXPECT_NE(i, 2);

  g_present.clear();
  EXPECT_EQ(build_port_entries(0, probe, &e), 0);  // first start: COM1 listed and selected
  EXPECT_EQ(joined(e), "COM1");
  EXPECT_EQ(build_port_entries(-1, probe, &e), 0);  // port out of range: select the first
  EXPECT_EQ(joined(e), "");
  g_present = {9};
  EXPECT_EQ(build_port_entries(500, probe, &e), 0);
  EXPECT_EQ(joined(e), "COM10");
}

struct DialogConnect : ::testing::Test {
  ScopedMemoryPane pane;
  ScopedFakeBdx bdx;
  void SetUp() override {
    reset_target_map();
    set_adapter_defaults();
    set_connected(0);
  }
};

TEST_F(DialogConnect, R41SuccessStoresTheSelection) {
  set_adapter_dialog_selection({0, 4, 4000});
  EXPECT_EQ(connect_adapter_selection(), 1);
  EXPECT_EQ(bdx.fake().args("bdx_Connect"), "R41|COM5 4");
  EXPECT_EQ(get_connected(), 1);
  EXPECT_EQ(get_adapter_type(), 0);
  EXPECT_EQ(get_adapter_port(), 4);
  EXPECT_EQ(get_target_clock(), 4000);
}

TEST_F(DialogConnect, R42UsesPortZeroAndStoresNoSerialPort) {
  set_adapter_dialog_selection({1, 6, -1});
  EXPECT_EQ(connect_adapter_selection(), 1);
  EXPECT_EQ(bdx.fake().args("bdx_Connect"), "R42|");
  EXPECT_EQ(get_adapter_port(), -1);
  EXPECT_EQ(get_target_clock(), -1);
  EXPECT_EQ(adapter_dialog_selection().port, 6);
}

TEST_F(DialogConnect, FailureFollowsTheLibraryAndConnectLinesAndChangesNoSetting) {
  bdx.fake().set_result("bdx_Connect", -1);
  bdx.fake().report_on("bdx_Connect", "R42 not found");
  set_adapter_dialog_selection({1, 0, 2500});
  EXPECT_EQ(connect_adapter_selection(), 0);
  EXPECT_EQ(pane.pane().text,
            "R42 not found\r\r\nCannot open connection to R42\r\r\nFailed connection\r");
  EXPECT_EQ(get_connected(), 0);
  EXPECT_EQ(get_adapter_type(), 0);
  EXPECT_EQ(get_target_clock(), 8000);
}

TEST_F(DialogConnect, R43DoesNothingAtAll) {
  set_adapter_dialog_selection({2, 0, -1});
  EXPECT_EQ(connect_adapter_selection(), -1);
  set_adapter_dialog_selection({-1, 0, -1});
  EXPECT_EQ(connect_adapter_selection(), -1);
  EXPECT_EQ(bdx.fake().calls.size(), 0u);
  EXPECT_EQ(pane.pane().text, "");
  EXPECT_EQ(get_adapter_type(), 0);
}
