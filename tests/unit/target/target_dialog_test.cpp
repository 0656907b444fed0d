// The Target MPU dialog's window-free rules: field order and texts, default fill, Autodetect.
#include <gtest/gtest.h>

#include <string>

#include "target/catalogue.h"
#include "target/target_dialog.h"

namespace {

TEST(TargetDialogRules, FieldsInTheirFixedOrderWithTheirTexts) {
  const int controls[] = {1051, 1052, 1059, 1054, 1055, 1060, 1057, 1058};
  for (int f = 0; f < kMemoryFieldCount; ++f) EXPECT_EQ(memory_field_control(f), controls[f]) << f;
  EXPECT_EQ(memory_field_control(kMemoryFieldCount), 0);

  // MC9S12C32's defaults as the eight fields show them.
  const TargetMemoryMap* c32 = default_fill_map(0, 8);
  ASSERT_NE(c32, nullptr);
  std::string texts;
  for (int f = 0; f < kMemoryFieldCount; ++f)
    texts += format_memory_field(memory_field_value(*c32, f)) + " ";
  EXPECT_EQ(texts, "1000 3FFF 10 400 FFF 0 30 3F ");
  EXPECT_EQ(format_memory_field(0xABCDEF01u), "ABCDEF01");
}

TEST(TargetDialogRules, StoringKeepsTheLowByteOfTheByteFields) {
  TargetMemoryMap map = {};
  for (int f = 0; f < kMemoryFieldCount; ++f) set_memory_field_value(&map, f, 0x1FF + f);
  EXPECT_EQ(map.volatile_start, 0x1FFu);
  EXPECT_EQ(map.volatile_end, 0x200u);
  EXPECT_EQ(map.initrm, 0x01u);  // 0x201
  EXPECT_EQ(map.eeprom_start, 0x202u);
  EXPECT_EQ(map.eeprom_end, 0x203u);
  EXPECT_EQ(map.initee, 0x04u);
  EXPECT_EQ(map.flash_first_page, 0x05u);
  EXPECT_EQ(map.flash_last_page, 0x06u);
  set_memory_field_value(&map, MEMORY_FIELD_INITRM, 0x1FF);
  EXPECT_EQ(map.initrm, 0xFFu);
  for (int f = 0; f < kMemoryFieldCount; ++f) {
    TargetMemoryMap round = {};
    set_memory_field_value(&round, f, 0x42);
    EXPECT_EQ(memory_field_value(round, f), 0x42u) << f;
  }
}

TEST(TargetDialogRules, OnlyRowsWithAMapFillTheFields) {
  EXPECT_EQ(default_fill_map(0, 0), nullptr);  // "unknown": a ProcessorInfo without a map
  EXPECT_EQ(default_fill_map(1, 0), nullptr);
  EXPECT_EQ(default_fill_map(0, 1), nullptr);  // MC9S12A32: no ProcessorInfo
  EXPECT_EQ(default_fill_map(0, 27), nullptr);
  EXPECT_EQ(default_fill_map(2, 0), nullptr);
  const TargetMemoryMap* xf = default_fill_map(1, 2);
  ASSERT_NE(xf, nullptr);
  EXPECT_EQ(xf->eeprom_start, 0x1000u);
  EXPECT_EQ(xf->initee, 0x11u);
  EXPECT_EQ(opens_with_map_in_force(0), 0);
  EXPECT_EQ(opens_with_map_in_force(8), 1);
}

TEST(TargetDialogRules, AutodetectNeedsAConnectionAndTheUnknownRow) {
  EXPECT_EQ(autodetect_enabled(1, 0), 1);
  EXPECT_EQ(autodetect_enabled(0, 0), 0);
  EXPECT_EQ(autodetect_enabled(1, 8), 0);
  EXPECT_EQ(autodetect_enabled(0, 8), 0);
}

}  // namespace
