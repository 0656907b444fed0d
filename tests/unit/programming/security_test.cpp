// The security byte as programming leaves it on the part, and as verify and the library's file
// calls see it, against the recording fake.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "adapter/part_state.h"
#include "buffer/srec.h"
#include "programming/program_target.h"
#include "programming/security.h"
#include "programming/verify.h"
#include "tests/unit/programming/programming_test_util.h"

namespace {

using Security = ProgrammingTest;

// The byte the last call that carried 0xFF0F wrote there; -1 when none did.
int written_security_byte(const FakeBdx& fake) {
  int value = -1;
  size_t block = 0;
  for (const FakeBdxCall& c : fake.calls) {
    if (c.name != "bdx_FlashProgramBlock") continue;
    const uint32_t address = static_cast<uint32_t>(std::strtoul(c.args.substr(3).c_str(), nullptr, 16));
    const auto& data = fake.flash_blocks[block++];
    if (address <= 0xFF0F && 0xFF0F < address + data.size()) value = data[0xFF0F - address];
  }
  return value;
}

TEST_F(Security, TheImagesByteIsWrittenUnsecuredUnlessAskedForAsItStands) {
  struct Case {
    int image;  // -1: the image leaves 0xFF0F out
    uint8_t part;
    SecurityMode mode;
    int written;  // -1: nothing written there
    bool named;   // a line names the change
  };
  const Case cases[] = {
      {0xFF, 0xFF, SecurityMode::Unsecure, 0xFE, true},
      {0x00, 0xFF, SecurityMode::Unsecure, 0x02, true},
      {0xBD, 0xFF, SecurityMode::Unsecure, 0xBE, true},
      {0xFE, 0xFF, SecurityMode::Unsecure, 0xFE, false},
      {0x00, 0xFF, SecurityMode::Image, 0x00, false},
      {-1, 0xFF, SecurityMode::Unsecure, 0xFE, false},  // an erased byte would lock the part
      {-1, 0xFC, SecurityMode::Unsecure, -1, false},    // the part's own byte is kept
  };
  TargetMemoryMap map;
  get_target_memory_map(&map);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "image " << c.image << " mode " << int(c.mode));
    clear_buffer_quietly();
    ScopedMemoryPane pane;
    fake_bdx_install().memory[0xFF0F] = c.part;
    put(0xC000, 0xC003);
    if (c.image >= 0) put_bytes(0xFF0F, {static_cast<uint8_t>(c.image)});
    ASSERT_TRUE(program_buffer(map, region_selection(), c.mode)) << lines();
    EXPECT_EQ(written_security_byte(fake()), c.written);
    EXPECT_EQ(lines().find("Security byte 0xFF0F: image") != std::string::npos, c.named) << lines();
    const bool secures = c.written >= 0 && (c.written & 3) != 2;
    EXPECT_EQ(lines().find("The image secures the part") != std::string::npos, secures);
    // The user's buffer keeps the image's byte.
    uint8_t kept = 0;
    EXPECT_EQ(buffer_get_byte(0xFF0F, &kept) != 0, c.image >= 0);
    if (c.image >= 0) {
      EXPECT_EQ(kept, c.image);
    }
  }
}

TEST_F(Security, VerifyComparesTheSecurityByteWithWhatWasWritten) {
  TargetMemoryMap map;
  get_target_memory_map(&map);
  put_bytes(0xFF0E, {0x12, 0x00});
  fake().memory[0xFF0E] = 0x12;
  fake().memory[0xFF0F] = 0x02;
  EXPECT_TRUE(verify_buffer(map, region_selection(), SecurityMode::Unsecure).matched) << lines();
  const VerifyResult image = verify_buffer(map, region_selection(), SecurityMode::Image);
  EXPECT_FALSE(image.matched);
  EXPECT_EQ(image.first_address, 0xFF0Fu);
}

TEST_F(Security, AFileCopyCarriesTheChangedByteWithAValidRecord) {
  const std::string path = testing::TempDir() + "security_copy.s19";
  {
    std::ofstream f(path, std::ios::binary);
    f << "S00600004844521B\r\nS105FF0E1200DB\r\nS9030000FC\r\n";
  }
  std::string copy;
  bool holds = false;
  ASSERT_TRUE(security_copy_of_file(path.c_str(), SecurityMode::Image, &copy, &holds));
  EXPECT_TRUE(holds);
  EXPECT_TRUE(copy.empty());  // as it stands: the file itself
  ASSERT_TRUE(security_copy_of_file(path.c_str(), SecurityMode::Unsecure, &copy, &holds));
  ASSERT_FALSE(copy.empty());
  std::ifstream in(copy, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "S00600004844521B\r\nS105FF0E1202D9\r\nS9030000FC\r\n");
  std::remove(copy.c_str());
}

TEST_F(Security, AProtectedAreaIsNamedOnlyWhereTheFailedCallMeetsIt) {
  TargetMemoryMap map;
  get_target_memory_map(&map);
  fake().memory[0x0104] = 0xC7;  // FPOPEN, upper area 2 KiB (0xF800-0xFFFF in page 0x3F)
  EXPECT_FALSE(name_flash_protection(map, 0xF600, 0xF7FF, 0x30));
  EXPECT_TRUE(name_flash_protection(map, 0xF7F0, 0xF80F, 0x30));
  EXPECT_EQ(lines(), "0xF800 is protected by FPROT 0xC7; Erase All lifts the protection");
  EXPECT_FALSE(name_flash_protection(map, 0xC000, 0xC001, 0x30));  // the lower area is free
}

// secure changes only bits that go from 1 to 0: a key whose bits would have to be set again is
// refused whole, naming the byte, and nothing is programmed.
TEST_F(Security, SecuringNeedsNoBitSetAgain) {
  for (uint32_t a = 0xFF00; a <= 0xFF0F; ++a) fake().memory[a] = 0xFF;
  fake().memory[0xFF0F] = 0xFE;
  BackdoorKey key;
  ASSERT_TRUE(parse_backdoor_key("0123:4567:89AB:CDEF", &key));
  EXPECT_FALSE(parse_backdoor_key("0000456789ABCDEF", &key));
  EXPECT_FALSE(parse_backdoor_key("0123456789ABCDE", &key));
  ASSERT_TRUE(parse_backdoor_key("0123456789ABCDEF", &key));
  ASSERT_TRUE(secure_part(&key)) << lines();
  EXPECT_EQ(fake().memory[0xFF0F], 0xBC);  // KEYEN = 10, SEC = 00
  EXPECT_EQ(fake().memory[0xFF00], 0x01);
  EXPECT_EQ(fake().memory[0xFF07], 0xEF);

  BackdoorKey other;
  ASSERT_TRUE(parse_backdoor_key("1111222233334444", &other));
  const size_t programmed = fake().flash_blocks.size();
  EXPECT_FALSE(secure_part(&other));
  EXPECT_EQ(fake().flash_blocks.size(), programmed);
  EXPECT_NE(lines().find("0xFF00 holds 0x01: 0x11 needs bits 0x10 set again"), std::string::npos)
      << lines();
}

}  // namespace
