// The settings and recent lists over the in-memory store: the recent-list rules, loading and
// saving the adapter settings and lists, and the fall-back to the user's key.
#include <gtest/gtest.h>

#include <string>

#include "adapter/adapter_settings.h"
#include "settings/settings.h"
#include "tests/support/memory_settings_store.h"

namespace {

struct SettingsTest : testing::Test {
  ScopedMemorySettingsStore scoped;
  MemorySettingsStore& store = scoped.store();
  void SetUp() override {
    set_adapter_defaults();
    load_settings();  // empty lists
    store.log.clear();
  }
  // The slots of a list as "a|b||d" (empty slots empty).
  static std::string files() {
    std::string s;
    for (int i = 0; i < kRecentFileSlots; ++i) s += std::string(i ? "|" : "") + text(recent_file(i));
    return s;
  }
  static std::string devices() {
    std::string s;
    for (int i = 0; i < kRecentDeviceSlots; ++i)
      s += std::string(i ? "|" : "") + text(recent_device(i));
    return s;
  }
  static std::string text(const char* entry) { return entry ? entry : ""; }
  void load_files(const char* const (&paths)[kRecentFileSlots]) {
    for (int i = 0; i < kRecentFileSlots; ++i)
      if (paths[i]) store.machine()["MRUF" + std::to_string(i)] = paths[i];
    load_settings();
  }
};

TEST_F(SettingsTest, AFileAlreadyListedMovesToTheTopInItsNewLetterCase) {
  load_files({"f0.s19", "f1.s19", "c:\\A.S19", "f3.s19", "f4.s19", "f5.s19"});
  add_recent_file("C:\\a.s19");
  EXPECT_EQ(files(), "C:\\a.s19|f0.s19|f1.s19|f3.s19|f4.s19|f5.s19");
  // The file already at the top: nothing changes, its letter case stays.
  add_recent_file("c:\\A.s19");
  EXPECT_EQ(files(), "C:\\a.s19|f0.s19|f1.s19|f3.s19|f4.s19|f5.s19");
}

TEST_F(SettingsTest, TheSeventhFileDropsTheOldest) {
  for (int i = 1; i <= 7; ++i) add_recent_file(("file" + std::to_string(i) + ".s19").c_str());
  EXPECT_EQ(files(), "file7.s19|file6.s19|file5.s19|file4.s19|file3.s19|file2.s19");
  EXPECT_EQ(recent_file(6), nullptr);
  EXPECT_EQ(recent_file(-1), nullptr);
  // Nothing to add: no entry for an empty text.
  add_recent_file("");
  add_recent_file(nullptr);
  EXPECT_EQ(recent_file(0), std::string("file7.s19"));
}

TEST_F(SettingsTest, RecentDevicesKeepFourAndMatchIgnoringCase) {
  for (const char* name : {"XF", "MC9S12C32", "XDP", "MC9S12DG256", "MC9S12B128"})
    add_recent_device(name);
  EXPECT_EQ(devices(), "MC9S12B128|MC9S12DG256|XDP|MC9S12C32");
  add_recent_device("mc9s12c32");
  EXPECT_EQ(devices(), "mc9s12c32|MC9S12B128|MC9S12DG256|XDP");
  EXPECT_EQ(recent_device(4), nullptr);
}

TEST_F(SettingsTest, GapsStayGapsAndMoveDownWithTheirSlots) {
  load_files({"a.s19", nullptr, "c.s19", nullptr, nullptr, "f.s19"});
  EXPECT_EQ(files(), "a.s19||c.s19|||f.s19");
  EXPECT_EQ(recent_file(1), nullptr);
  add_recent_file("new.s19");  // the last slot's entry is dropped
  EXPECT_EQ(files(), "new.s19|a.s19||c.s19||");
  add_recent_file("C.S19");  // found in slot 3: slots 0..2 move down, the gap with them
  EXPECT_EQ(files(), "C.S19|new.s19|a.s19|||");
}

TEST_F(SettingsTest, NoStoredValuesGiveZerosAndEmptyLists) {
  add_recent_device("XF");
  add_recent_file("a.s19");
  load_settings();
  EXPECT_EQ(get_adapter_type(), 0);
  EXPECT_EQ(get_adapter_port(), 0);
  EXPECT_EQ(get_target_clock(), 0);
  AdapterSelection s;
  get_adapter_selection(&s);
  EXPECT_EQ(s.type, 0);
  EXPECT_EQ(s.port, 0);
  EXPECT_EQ(s.target_clock, 0);
  EXPECT_EQ(devices(), "|||");
  EXPECT_EQ(files(), "|||||");
  // Every value was asked for, in order, from the machine's key.
  ASSERT_EQ(store.log.size(), 13u);
  EXPECT_EQ(store.log[0], "read M Atype");
  EXPECT_EQ(store.log[2], "read M Aspeed");
  EXPECT_EQ(store.log[3], "read M MRUD0");
  EXPECT_EQ(store.log[12], "read M MRUF5");
}

TEST_F(SettingsTest, StoredNumbersAreReadAsPrintfWroteThem) {
  set_connected(1);
  store.machine()["Atype"] = "1";
  store.machine()["Aport"] = "3";
  store.machine()["Aspeed"] = "4000";
  load_settings();
  EXPECT_EQ(get_adapter_type(), 1);
  EXPECT_EQ(get_adapter_port(), -1) << "the USB adapter has no serial port";
  EXPECT_EQ(get_target_clock(), 4000);
  EXPECT_EQ(get_connected(), 0);
  AdapterSelection s;
  get_adapter_selection(&s);
  EXPECT_EQ(s.port, 3) << "the selection keeps the stored port";

  const struct {
    const char* text;
    int value;
  } cases[] = {{"Aspeed", 0},     {"fast", 0},   {" 2500", 2500}, {"8000 kHz", 8000},
               {"-1", -1},        {"+500", 500}, {"", 0},         {"99999999999", 0},
               {"-2147483648", -2147483647 - 1}};
  for (const auto& c : cases) {
    store.machine()["Aspeed"] = c.text;
    load_settings();
    EXPECT_EQ(get_target_clock(), c.value) << c.text;
  }
  EXPECT_EQ(read_number_setting("Missing", -7), -7);
  store.machine()["Atype"] = "7";  // no such adapter
  load_settings();
  EXPECT_EQ(get_adapter_type(), 0);
}

TEST_F(SettingsTest, SavingWritesTheSelectionAndOnlyFilledSlots) {
  store.machine()["MRUF2"] = "old2.s19";
  store.machine()["MRUF5"] = "old5.s19";
  store.machine()["MRUD3"] = "XDP";
  set_adapter_dialog_selection({1, 4, -1});
  add_recent_file("one.s19");
  add_recent_file("two.s19");
  add_recent_device("XF");
  save_settings();
  EXPECT_EQ(store.written(), "Atype Aport Aspeed MRUD0 MRUF0 MRUF1");
  EXPECT_EQ(store.machine()["Atype"], "1");
  EXPECT_EQ(store.machine()["Aport"], "4");
  EXPECT_EQ(store.machine()["Aspeed"], "-1");
  EXPECT_EQ(store.machine()["MRUD0"], "XF");
  EXPECT_EQ(store.machine()["MRUF0"], "two.s19");
  EXPECT_EQ(store.machine()["MRUF1"], "one.s19");
  // Empty slots are neither written nor deleted.
  EXPECT_EQ(store.machine()["MRUF2"], "old2.s19");
  EXPECT_EQ(store.machine()["MRUF5"], "old5.s19");
  EXPECT_EQ(store.machine()["MRUD3"], "XDP");

  // What was saved comes back, old values included.
  add_recent_file("three.s19");
  load_settings();
  EXPECT_EQ(files(), "two.s19|one.s19|old2.s19|||old5.s19");
  EXPECT_EQ(devices(), "XF|||XDP");
}

TEST_F(SettingsTest, WithoutTheMachineKeyTheUsersKeyIsUsed) {
  store.refused[SETTINGS_MACHINE] = true;
  store.user()["Aspeed"] = "4000";
  store.user()["MRUD0"] = "XF";
  load_settings();
  EXPECT_EQ(get_target_clock(), 4000);
  EXPECT_EQ(recent_device(0), std::string("XF"));
  EXPECT_EQ(store.log[0], "refused read M Atype");
  EXPECT_EQ(store.log[1], "read U Atype");

  set_adapter_dialog_selection({0, 2, 8000});
  add_recent_file("C:\\work\\app.s19");
  store.log.clear();
  save_settings();
  EXPECT_TRUE(store.machine().empty());
  EXPECT_EQ(store.user()["Aport"], "2");
  EXPECT_EQ(store.user()["MRUF0"], "C:\\work\\app.s19");
  EXPECT_EQ(store.log[0], "refused write M Atype=0");
  EXPECT_EQ(store.log[1], "write U Atype=0");

  // The machine's key, once it opens, is used alone.
  store.refused[SETTINGS_MACHINE] = false;
  store.log.clear();
  write_setting("Aport", "5");
  EXPECT_EQ(read_setting("Aport", "none"), std::string("5"));
  EXPECT_EQ(store.user()["Aport"], "2");
  for (const std::string& entry : store.log) EXPECT_EQ(entry.find(" U "), std::string::npos);
}

TEST_F(SettingsTest, NeitherKeyNorStoreLosesAnythingInMemory) {
  store.refused[SETTINGS_MACHINE] = store.refused[SETTINGS_USER] = true;
  EXPECT_STREQ(read_setting("Atype", "dflt"), "dflt");
  write_setting("Atype", "1");  // dropped without a word
  EXPECT_TRUE(store.user().empty());

  // Without a store nothing is loaded or saved: the settings and lists stay as they are.
  set_settings_store(nullptr);
  set_adapter_defaults();
  add_recent_device("XF");
  load_settings();
  save_settings();
  EXPECT_EQ(get_target_clock(), 8000);
  EXPECT_EQ(recent_device(0), std::string("XF"));
  EXPECT_STREQ(read_setting("Atype", "dflt"), "dflt");
  EXPECT_EQ(read_number_setting("Atype", 3), 3);
  memory_settings_store_install();  // back to an empty store for the fixture
}

}  // namespace
