#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "target/catalogue.h"
#include "tests/support/fake_bdx.h"

namespace {
int g_toolbar_updates = 0;
void count_toolbar_update() { ++g_toolbar_updates; }

struct Fresh : ::testing::Test {
  void SetUp() override {
    set_update_toolbars_hook(count_toolbar_update);
    reset_target_map();
    g_toolbar_updates = 0;
  }
  void TearDown() override { set_update_toolbars_hook(nullptr); }
};

TargetMemoryMap map_now() {
  TargetMemoryMap m;
  EXPECT_EQ(get_target_memory_map(&m), 1);
  return m;
}

bool same_map(const TargetMemoryMap& a, const TargetMemoryMap& b) {
  return a.volatile_start == b.volatile_start && a.volatile_end == b.volatile_end &&
         a.initrm == b.initrm && a.eeprom_start == b.eeprom_start &&
         a.eeprom_end == b.eeprom_end && a.initee == b.initee &&
         a.flash_first_page == b.flash_first_page && a.flash_last_page == b.flash_last_page;
}

const TargetMemoryMap kOdd = {0x1111, 0x2222, 0x33, 0x4444, 0x5555, 0x66, 0x07, 0x08};
}  // namespace

TEST(Catalogue, FamiliesAndRowsAreAsCompiledIn) {
  ASSERT_EQ(family_count(), 2);
  EXPECT_STREQ(device_family(0)->name, "Freescale HCS12");
  EXPECT_STREQ(device_family(1)->name, "Freescale HCSX12/XGATE");
  EXPECT_EQ(device_family(2), nullptr);
  EXPECT_EQ(device_family(-1), nullptr);
  ASSERT_EQ(device_family(0)->count, 27);
  ASSERT_EQ(device_family(1)->count, 3);
  EXPECT_EQ(catalogue_row(0, 27), nullptr);
  EXPECT_EQ(catalogue_row(1, -1), nullptr);

  const char* hcs12[] = {"unknown",     "MC9S12A32",   "MC9S12A64",   "MC9S12A128",
                         "MC9S12A256",  "MC9S12A512",  "MC9S12B64",   "MC9S12B128",
                         "MC9S12C32",   "MC9S12C64",   "MC9S12C96",   "MC9S12C128",
                         "MC9S12D32",   "MC9S12D64",   "MC9S12DB128", "MC9S12DG128",
                         "MC9S12DG256", "MC9S12E64",   "MC9S12E64",   "MC9S12GC16",
                         "MC9S12GC32",  "MC9S12GC64",  "MC9S12GC96",  "MC9S12GC128",
                         "MC9S12H128B", "MC9S12H256B", "MC9S12UF32"};
  for (int r = 0; r < 27; ++r) {
    const Derivative* d = catalogue_row(0, r);
    EXPECT_STREQ(d->name, hcs12[r]) << r;
    ASSERT_NE(d->description, nullptr);
    const bool has_info = r == 0 || r == 7 || r == 8 || r == 15 || r == 16 || r == 26;
    EXPECT_EQ(d->info != nullptr, has_info) << r;
    if (d->info) {
      EXPECT_EQ(d->info->family_code, 2);
      EXPECT_EQ(d->info->memory_map != nullptr, r != 0) << r;
    }
  }
  EXPECT_STREQ(catalogue_row(0, 17)->description,
               "64k Flash, 4k RAM, SPI, 3 SCI, I2C, 2 CAN, Timers, ADC, PWM, 3.3-5.0 V, 16/25MHz");
  EXPECT_STREQ(catalogue_row(0, 18)->description,
               "128k Flash, 8k RAM, SPI, 3 SCI, I2C, 2 CAN, Timers, ADC, PWM, 3.3-5.0 V, 16/25MHz");
  EXPECT_STREQ(catalogue_row(0, 1)->description,
               "32k Flash, 1k EEPROM, 2k RAM, SPI, 2 SCI, Timers, ADC, PWM, 3.0- 5.0 V, 25MHz");
  EXPECT_STREQ(catalogue_row(0, 26)->description,
               "32k Flash, 3,5k RAM, SCI, IQUE, USB 2.0, ATA5, CFHC, SDHC, MSHC, 5.0 V, 16MHz");
  for (int f = 0; f < 2; ++f)
    EXPECT_STREQ(catalogue_row(f, 0)->description,
                 "If the Adaptor is connected You can try to automatically detect the target MPU");

  EXPECT_STREQ(catalogue_row(1, 1)->name, "XDP");
  EXPECT_STREQ(catalogue_row(1, 2)->name, "XF");
  for (int r = 0; r < 3; ++r) {
    ASSERT_NE(catalogue_row(1, r)->info, nullptr);
    EXPECT_EQ(catalogue_row(1, r)->info->family_code, 3);
  }
  EXPECT_EQ(catalogue_row(1, 0)->info->memory_map, nullptr);
}

// Identification bytes and default maps of every row that can be identified, as published
// for each part.
TEST(Catalogue, IdentificationBytesAndDefaultMaps) {
  struct Row {
    int family, row;
    uint8_t id, size0, size1;
    TargetMemoryMap map;
  } rows[] = {
      {0, 7, 0x21, 0x11, 0xC0, {0x400, 0xFFF, 0x00, 0x1000, 0x13FF, 0x11, 0x38, 0x3F}},
      {0, 8, 0x33, 0x00, 0x80, {0x1000, 0x3FFF, 0x10, 0x400, 0xFFF, 0x00, 0x30, 0x3F}},
      {0, 15, 0x21, 0x13, 0x80, {0x2000, 0x3FFF, 0x09, 0x800, 0xFFF, 0x01, 0x38, 0x3F}},
      {0, 16, 0x00, 0x25, 0x81, {0x1000, 0x3FFF, 0x09, 0x400, 0xFFF, 0x01, 0x30, 0x3F}},
      {0, 26, 0x63, 0x12, 0x80, {0x2000, 0x37FF, 0x20, 0x0, 0x0, 0x11, 0x3E, 0x3F}},
      {1, 1, 0xC4, 0x00, 0x00, {0x1000, 0x3FFF, 0x00, 0x1000, 0x3FFF, 0x00, 0x38, 0x3F}},
      {1, 2, 0xD4, 0x00, 0x00, {0x400, 0xFFF, 0x00, 0x1000, 0x13FF, 0x11, 0x38, 0x3F}},
  };
  for (const Row& r : rows) {
    const ProcessorInfo* info = catalogue_row(r.family, r.row)->info;
    ASSERT_NE(info, nullptr) << r.family << "/" << r.row;
    EXPECT_EQ(info->part_id, r.id) << r.family << "/" << r.row;
    EXPECT_EQ(info->memory_size_0, r.size0) << r.family << "/" << r.row;
    EXPECT_EQ(info->memory_size_1, r.size1) << r.family << "/" << r.row;
    ASSERT_NE(info->memory_map, nullptr);
    EXPECT_TRUE(same_map(*info->memory_map, r.map)) << r.family << "/" << r.row;
  }
  for (int f = 0; f < 2; ++f) {
    const ProcessorInfo* unknown = catalogue_row(f, 0)->info;
    EXPECT_EQ(unknown->part_id | unknown->memory_size_0 | unknown->memory_size_1, 0);
  }
}

TEST_F(Fresh, StartUpStateIsTheUnknownHcs12Row) {
  EXPECT_EQ(current_target(), catalogue_row(0, 0));
  EXPECT_EQ(target_known(), 0);
  EXPECT_EQ(get_family_position(), 0);
  EXPECT_EQ(get_derivative_position(), 0);
  EXPECT_TRUE(same_map(map_now(), TargetMemoryMap{}));
  EXPECT_EQ(get_family_code(), 2);
  EXPECT_EQ(get_timing_value(), 40);
}

TEST_F(Fresh, FamilyCodeFollowsTheFamilyPosition) {
  set_family_position(1);
  EXPECT_EQ(get_family_code(), 3);
  set_family_position(2);
  EXPECT_EQ(get_family_code(), 0);
  set_family_position(-1);
  EXPECT_EQ(get_family_code(), 0);
}

TEST_F(Fresh, SetCurrentTargetLoadsOnlyKnownRowsWithAMap) {
  set_target_memory_map(kOdd);
  set_current_target(catalogue_row(0, 1));  // MC9S12A32: no ProcessorInfo
  EXPECT_EQ(target_known(), 1);
  EXPECT_TRUE(same_map(map_now(), kOdd));
  set_current_target(catalogue_row(1, 0));  // unknown HCS12X
  EXPECT_EQ(target_known(), 0);
  EXPECT_TRUE(same_map(map_now(), kOdd));
  set_current_target(nullptr);
  EXPECT_EQ(current_target(), nullptr);
  EXPECT_EQ(target_known(), 0);
  set_current_target(catalogue_row(1, 2));  // XF
  EXPECT_EQ(target_known(), 1);
  EXPECT_TRUE(same_map(map_now(), *catalogue_row(1, 2)->info->memory_map));
  EXPECT_EQ(g_toolbar_updates, 4) << "every change of target updates the toolbars";
}

TEST_F(Fresh, SelectByNameIgnoresCaseAndLoadsTheMap) {
  select_target_by_name("mc9s12dg128");
  EXPECT_STREQ(current_target()->name, "MC9S12DG128");
  EXPECT_EQ(target_known(), 1);
  const TargetMemoryMap want = {0x2000, 0x3FFF, 0x09, 0x800, 0xFFF, 0x01, 0x38, 0x3F};
  EXPECT_TRUE(same_map(map_now(), want));
  EXPECT_EQ(get_family_position(), 0);
  EXPECT_EQ(get_derivative_position(), 15);
}

TEST_F(Fresh, SelectByNameMovesThePositionsToTheChosenFamily) {
  select_target_by_name("Xf");
  EXPECT_EQ(current_target(), catalogue_row(1, 2));
  EXPECT_EQ(get_family_position(), 1);
  EXPECT_EQ(get_derivative_position(), 2);
  EXPECT_EQ(get_family_code(), 3);
  select_target_by_name("MC9S12C32");
  EXPECT_EQ(get_family_code(), 2);
  EXPECT_EQ(get_derivative_position(), 8);
}

TEST_F(Fresh, SelectByNameTakesTheFirstOfTwoE64RowsAndTheHcs12Unknown) {
  select_target_by_name("MC9S12E64");
  EXPECT_EQ(current_target(), catalogue_row(0, 17));
  EXPECT_EQ(get_derivative_position(), 17);
  select_target_by_name("UNKNOWN");
  EXPECT_EQ(current_target(), catalogue_row(0, 0));
  EXPECT_EQ(target_known(), 0);
}

TEST_F(Fresh, SelectByNameWithoutMatchChangesNothing) {
  select_target_by_name("MC9S12B128");
  const int updates = g_toolbar_updates;
  select_target_by_name("MC9S12XYZ");
  select_target_by_name("");
  select_target_by_name("MC9S12B12");
  select_target_by_name(nullptr);
  EXPECT_STREQ(current_target()->name, "MC9S12B128");
  EXPECT_EQ(get_derivative_position(), 7);
  EXPECT_EQ(g_toolbar_updates, updates);
}

TEST_F(Fresh, SelectByNameOfARowWithoutMapKeepsTheMap) {
  select_target_by_name("MC9S12UF32");
  const TargetMemoryMap uf32 = map_now();
  EXPECT_EQ(uf32.volatile_start, 0x2000u);
  EXPECT_EQ(uf32.eeprom_end, 0u);
  select_target_by_name("mc9s12a32");
  EXPECT_EQ(target_known(), 1);
  EXPECT_TRUE(same_map(map_now(), uf32));
}

// Identification: every catalogue row that carries bytes is found from them.
TEST_F(Fresh, EveryRowWithIdentificationBytesIsDetected) {
  ScopedFakeBdx bdx;
  for (int f = 0; f < 2; ++f) {
    for (int r = 0; r < device_family(f)->count; ++r) {
      const Derivative* d = catalogue_row(f, r);
      // The HCS12X "unknown" row is reached only through unmatched size bytes (tested below).
      if (!d->info || (f == 1 && r == 0)) continue;
      reset_target_map();
      bdx.fake().set_part_id(d->info->part_id, 0x5A, d->info->memory_size_0,
                             d->info->memory_size_1);
      autodetect_target();
      EXPECT_EQ(current_target(), d) << f << "/" << r;
      EXPECT_EQ(get_family_position(), f);
      EXPECT_EQ(get_derivative_position(), r);
      EXPECT_EQ(target_known(), r != 0);
      if (d->info->memory_map) {
        EXPECT_TRUE(same_map(map_now(), *d->info->memory_map));
      }
    }
  }
  EXPECT_EQ(bdx.fake().args("bdx_GetMemoryByte", 0), "1A");
  EXPECT_EQ(bdx.fake().args("bdx_GetMemoryByte", 1), "1B");
  EXPECT_EQ(bdx.fake().args("bdx_GetMemoryByte", 2), "1C");
  EXPECT_EQ(bdx.fake().args("bdx_GetMemoryByte", 3), "1D");
}

TEST_F(Fresh, IdentificationRulesPerFamily) {
  ScopedFakeBdx bdx;
  bdx.fake().set_part_id(0x21, 0x99, 0x13, 0x80);
  autodetect_target();
  EXPECT_STREQ(current_target()->name, "MC9S12DG128");

  bdx.fake().set_part_id(0xD4, 0x00, 0x77, 0x66);  // HCS12X: size bytes not compared
  autodetect_target();
  EXPECT_STREQ(current_target()->name, "XF");
  EXPECT_EQ(get_family_code(), 3);

  // Zero id with unmatched sizes falls to the HCS12X "unknown" row.
  bdx.fake().set_part_id(0x00, 0x00, 0x12, 0x34);
  autodetect_target();
  EXPECT_EQ(current_target(), catalogue_row(1, 0));
  EXPECT_EQ(target_known(), 0);
  EXPECT_EQ(get_family_position(), 1);

  bdx.fake().set_part_id(0x00, 0x00, 0x00, 0x00);
  autodetect_target();
  EXPECT_EQ(current_target(), catalogue_row(0, 0));
  EXPECT_EQ(get_family_position(), 0);

  // Id of an HCS12 row with wrong sizes and no HCS12X row of that id: no match.
  select_target_by_name("MC9S12C32");
  bdx.fake().set_part_id(0x33, 0x00, 0x00, 0x81);
  EXPECT_EQ(detect_target(), 0);
  EXPECT_STREQ(current_target()->name, "MC9S12C32");
  EXPECT_EQ(get_derivative_position(), 8);
}

TEST_F(Fresh, DetectDoesNotChangeTheCurrentTarget) {
  ScopedFakeBdx bdx;
  bdx.fake().set_part_id(0xC4, 0, 0, 0);
  EXPECT_EQ(detect_target(), 1);
  EXPECT_EQ(get_family_position(), 1);
  EXPECT_EQ(get_derivative_position(), 1);
  EXPECT_EQ(current_target(), catalogue_row(0, 0));
}

TEST_F(Fresh, AReadFailureAtAnyAddressChangesNothing) {
  for (uint32_t bad = 0x1A; bad <= 0x1D; ++bad) {
    ScopedFakeBdx bdx;
    select_target_by_name("MC9S12UF32");
    set_target_memory_map(kOdd);
    bdx.fake().set_part_id(0xD4, 0, 0, 0);
    bdx.fake().failing_reads.insert(bad);
    const int updates = g_toolbar_updates;
    autodetect_target();
    EXPECT_EQ(bdx.fake().count("bdx_GetMemoryByte"), static_cast<int>(bad - 0x1A + 1));
    EXPECT_STREQ(current_target()->name, "MC9S12UF32");
    EXPECT_EQ(get_family_position(), 0);
    EXPECT_EQ(get_derivative_position(), 26);
    EXPECT_TRUE(same_map(map_now(), kOdd));
    EXPECT_EQ(g_toolbar_updates, updates);
  }
  // Without any library every read fails.
  bdx_table_reset();
  EXPECT_EQ(detect_target(), 0);
}

TEST(CatalogueNames, CaseInsensitiveEquality) {
  EXPECT_TRUE(names_equal_ignoring_case("UnKnOwN", "unknown"));
  EXPECT_FALSE(names_equal_ignoring_case("unknown", "unknow"));
  EXPECT_FALSE(names_equal_ignoring_case("unknow", "unknown"));
  EXPECT_FALSE(names_equal_ignoring_case(nullptr, "x"));
  EXPECT_TRUE(names_equal_ignoring_case("", ""));
}
