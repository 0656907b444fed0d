// The region selection and the filling rules of the "Memory Regions" dialog.
#include <gtest/gtest.h>

#include <set>

#include "programming/region_selection.h"
#include "target/catalogue.h"

namespace {

// Taken before any test runs: the selection is constant-initialised.
const RegionSelection kAtStart = region_selection();

TargetMemoryMap dg256_map() {
  return TargetMemoryMap{0x1000, 0x3FFF, 0x09, 0x400, 0xFFF, 0x01, 0x30, 0x3F};
}

class Regions : public testing::Test {
 protected:
  void SetUp() override { set_all_regions(true); }
  void TearDown() override { set_all_regions(true); }
};

TEST_F(Regions, EverythingIsSelectedAtStart) {
  EXPECT_TRUE(kAtStart.include_volatile);
  EXPECT_TRUE(kAtStart.include_eeprom);
  for (bool page : kAtStart.include_page) EXPECT_TRUE(page);
}

TEST_F(Regions, PageSelectedKnowsOnlyPages00To3F) {
  EXPECT_TRUE(page_selected(0x00));
  EXPECT_TRUE(page_selected(0x3F));
  EXPECT_FALSE(page_selected(0x40));
  EXPECT_FALSE(page_selected(0xFF));
  EXPECT_FALSE(page_selected(-1));
  region_selection().include_page[0x3C] = false;
  EXPECT_FALSE(page_selected(0x3C));
  set_all_regions(false);
  EXPECT_FALSE(region_selection().include_volatile);
  EXPECT_FALSE(region_selection().include_eeprom);
  EXPECT_FALSE(page_selected(0x30));
}

TEST_F(Regions, ControlIdsOfTheDialog) {
  EXPECT_EQ(volatile_control_id(), 1059);
  EXPECT_EQ(eeprom_control_id(), 1061);
  // Column by column, top to bottom, as the dialog shows them.
  const int expected[8][8] = {{1063, 1064, 1065, 1066, 1068, 1069, 1071, 1072},
                              {1073, 1074, 1075, 1076, 1077, 1078, 1080, 1081},
                              {1082, 1083, 1084, 1085, 1086, 1087, 1088, 1089},
                              {1079, 1090, 1091, 1092, 1093, 1094, 1095, 1096},
                              {1097, 1098, 1099, 1100, 1101, 1102, 1103, 1104},
                              {1105, 1106, 1107, 1108, 1109, 1110, 1111, 1112},
                              {1113, 1114, 1115, 1116, 1117, 1118, 1119, 1120},
                              {1121, 1122, 1123, 1124, 1125, 1126, 1127, 1128}};
  std::set<int> ids;
  for (int column = 0; column < 8; ++column)
    for (int row = 0; row < 8; ++row) {
      const int page = 0x3F - 8 * column - row;
      EXPECT_EQ(page_control_id(page), expected[column][row]) << page;
      ids.insert(page_control_id(page));
    }
  EXPECT_EQ(ids.size(), 64u);
  EXPECT_EQ(page_control_id(0x27), 1079);
  EXPECT_EQ(ids.count(1067) + ids.count(1070), 0u);
  EXPECT_EQ(page_control_id(0x40), 0);
}

TEST_F(Regions, FillFromAnMC9S12DG256Map) {
  RegionSelection& s = region_selection();
  const RegionsDialogFill fill = fill_memory_regions(dg256_map(), &s);
  EXPECT_TRUE(fill.volatile_enabled);
  EXPECT_EQ(fill.volatile_range, "(1000-3FFF)");
  EXPECT_TRUE(fill.eeprom_enabled);
  EXPECT_EQ(fill.eeprom_range, "(0400-0FFF)");
  for (int p = 0; p < 64; ++p) {
    EXPECT_EQ(fill.page_enabled[p], p >= 0x30) << p;
    EXPECT_EQ(s.include_page[p], p >= 0x30) << p;  // the pages below the flash are cleared
  }
  // Pages above the last page stay as they are.
  TargetMemoryMap low = dg256_map();
  low.flash_last_page = 0x38;
  EXPECT_TRUE(fill_memory_regions(low, &s).page_enabled[0x3F]);
}

TEST_F(Regions, FillUnderTheAllZeroMap) {
  RegionSelection& s = region_selection();
  const RegionsDialogFill fill = fill_memory_regions(TargetMemoryMap{}, &s);
  EXPECT_FALSE(fill.volatile_enabled);
  EXPECT_EQ(fill.volatile_range, "");
  EXPECT_FALSE(fill.eeprom_enabled);
  EXPECT_EQ(fill.eeprom_range, "");
  // Disabled rows keep their flags; every page goes.
  EXPECT_TRUE(s.include_volatile);
  EXPECT_TRUE(s.include_eeprom);
  for (int p = 0; p < 64; ++p) {
    EXPECT_FALSE(fill.page_enabled[p]);
    EXPECT_FALSE(s.include_page[p]);
  }
  // Flash from page 0 with an EEPROM is a map like any other: every page stays.
  set_all_regions(true);
  const TargetMemoryMap from_page_0 = {0x1000, 0x3FFF, 0x09, 0x400, 0xFFF, 0x01, 0x00, 0x3F};
  const RegionsDialogFill page_0 = fill_memory_regions(from_page_0, &s);
  EXPECT_TRUE(page_0.page_enabled[0x00]);
  EXPECT_TRUE(s.include_page[0x00]);
}

TEST_F(Regions, FillWithoutEepromAndAfterSelectAll) {
  RegionSelection& s = region_selection();
  TargetMemoryMap uf32 = {0x2000, 0x37FF, 0x20, 0x0, 0x0, 0x11, 0x3E, 0x3F};
  RegionsDialogFill fill = fill_memory_regions(uf32, &s);
  EXPECT_FALSE(fill.eeprom_enabled);
  EXPECT_EQ(fill.eeprom_range, "");
  EXPECT_EQ(fill.volatile_range, "(2000-37FF)");
  EXPECT_TRUE(fill.page_enabled[0x3E]);
  EXPECT_FALSE(fill.page_enabled[0x3D]);
  // "Select All" sets every flag; the refill clears the missing pages again at once.
  set_all_regions(true);
  fill = fill_memory_regions(uf32, &s);
  EXPECT_FALSE(s.include_page[0x3D]);
  EXPECT_TRUE(s.include_page[0x3E]);
  EXPECT_TRUE(s.include_eeprom);
}

}  // namespace
