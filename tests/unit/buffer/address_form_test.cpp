#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "buffer/address_form.h"
#include "tests/support/memory_pane.h"
#include "tests/unit/buffer/buffer_test_util.h"

namespace {

using Contents = std::map<uint32_t, uint8_t>;

class AddressFormTest : public testing::Test {
 protected:
  void SetUp() override { reset_buffer_quietly(); }
  void TearDown() override { reset_buffer_quietly(); }
  std::string lines() { return memory_pane_lines_joined("|"); }
  ScopedMemoryPane pane_;
};

// Every byte the buffer holds, by address.
Contents contents() {
  Contents out;
  for (const BufferBlock* b = buffer_first_block(); b; b = b->next)
    for (uint32_t i = 0; i < b->length; ++i) out[b->start_address + i] = b->data[i];
  return out;
}

// n bytes first, first + 1, ... from address on.
void put(Contents& c, uint32_t address, uint8_t first, int n) {
  for (int i = 0; i < n; ++i) c[address + i] = uint8_t(first + i);
}

const bool kWindows = true;

TEST_F(AddressFormTest, LinearFlashMovesToPagedWindowsTheRestStays) {
  write_bytes(0x00FFFE, bytes_from(0x10, 4));  // the last 16-bit addresses, then page 0x04
  write_bytes(0x0FFFFE, bytes_from(0x20, 4));  // the end of page 0x3F, then past linear flash
  write_bytes(0x0F3FFD, bytes_from(0x30, 6));  // odd start, crossing from page 0x3C to 0x3D
  ASSERT_TRUE(convert_buffer_addresses(AddressForm::Linear, AddressForm::Banked, false));
  Contents want;
  put(want, 0x00FFFE, 0x10, 2);
  put(want, 0x048000, 0x12, 2);
  put(want, 0x3FBFFE, 0x20, 2);
  put(want, 0x100000, 0x22, 2);
  put(want, 0x3CBFFD, 0x30, 3);
  put(want, 0x3D8000, 0x33, 3);
  EXPECT_EQ(contents(), want);
  EXPECT_EQ(lines(), "COMMAND: Convert linear addresses to banked|"
                     "Moved 10 bytes to banked addresses|COMMAND DONE");
}

TEST_F(AddressFormTest, BankedPagesAndOptionallyTheWindowsMoveToLinear) {
  write_bytes(0x4000, {0x01});
  write_bytes(0x7FFF, {0x02});
  write_bytes(0x8000, {0x03});  // the PPAGE window has no page of its own: it stays
  write_bytes(0xC000, {0x04});
  write_bytes(0xFFFF, {0x05});
  write_bytes(0x04BFFF, {0x06});
  write_bytes(0x3F8000, {0x07});
  write_bytes(0x408000, {0x08});  // beyond HCS12 pages: the same in both forms
  const Contents banked = contents();
  ASSERT_TRUE(convert_buffer_addresses(AddressForm::Banked, AddressForm::Linear, false));
  Contents want = {{0x4000, 1}, {0x7FFF, 2}, {0x8000, 3},    {0xC000, 4},
                   {0xFFFF, 5}, {0x013FFF, 6}, {0x0FC000, 7}, {0x408000, 8}};
  EXPECT_EQ(contents(), want);

  reset_buffer_quietly();
  for (const auto& [address, value] : banked)
    if (address != 0x3F8000) write_bytes(address, {value});
  ASSERT_TRUE(convert_buffer_addresses(AddressForm::Banked, AddressForm::Linear, kWindows));
  want = {{0x0F8000, 1}, {0x0FBFFF, 2}, {0x8000, 3},     {0x0FC000, 4},
          {0x0FFFFF, 5}, {0x013FFF, 6}, {0x408000, 8}};
  EXPECT_EQ(contents(), want);
}

TEST_F(AddressFormTest, RoundTripGivesTheSameBufferWithoutFillingGaps) {
  write_bytes(0x1000, bytes_from(0, 40));
  write_bytes(0xC000, bytes_from(1, 20));
  write_bytes(0x3CBFF0, bytes_from(2, 4));  // linear 0x0F3FF0: 16 bytes below the next page,
  write_bytes(0x3D8004, bytes_from(3, 3));  // whose data start 4 bytes in
  write_bytes(0x308001, bytes_from(4, 33));
  write_bytes(0x01000000, bytes_from(5, 3));
  const Contents banked = contents();
  ASSERT_TRUE(convert_buffer_addresses(AddressForm::Banked, AddressForm::Linear, false));
  uint8_t v;
  EXPECT_EQ(buffer_get_byte(0x0F3FF4, &v), 0);
  EXPECT_EQ(buffer_get_byte(0x0F4003, &v), 0);
  ASSERT_TRUE(convert_buffer_addresses(AddressForm::Linear, AddressForm::Banked, false));
  EXPECT_EQ(contents(), banked);
}

TEST_F(AddressFormTest, OverlapsAndHomelessDataFailWithTheBufferKept) {
  write_bytes(0x0F8000, bytes_from(0, 8));  // page 0x3E in linear form ...
  write_bytes(0x3E8004, bytes_from(9, 8));  // ... and in banked form, overlapping by 4 bytes
  const Contents before = contents();
  EXPECT_FALSE(convert_buffer_addresses(AddressForm::Linear, AddressForm::Banked, false));
  EXPECT_EQ(lines(), "COMMAND: Convert linear addresses to banked|"
                     "Conflict at 0x3E8004-0x3E8007: data from 0x0F8004 and from 0x3E8004");
  EXPECT_EQ(contents(), before);

  reset_buffer_quietly();
  write_bytes(0x0F8000, bytes_from(0, 8));
  const Contents linear = contents();
  buffer_fail_allocations_after(0);  // no memory for the converted blocks
  EXPECT_FALSE(convert_buffer_addresses(AddressForm::Linear, AddressForm::Banked, false));
  buffer_fail_allocations_after(-1);
  EXPECT_EQ(contents(), linear);

  reset_buffer_quietly();
  write_bytes(0x01BFFF, {0x01});  // page 0x01: its linear form would lie below 0x010000
  write_bytes(0x0FC000, {0x02});  // not in a paged window
  EXPECT_FALSE(convert_buffer_addresses(AddressForm::Banked, AddressForm::Linear, false));
  EXPECT_EQ(lines(), "COMMAND: Convert banked addresses to linear|"
                     "No linear address for the data at 0x01BFFF-0x01BFFF (0x010000-0x0FFFFF "
                     "is paged flash in the linear form)|"
                     "No linear address for the data at 0x0FC000-0x0FC000 (0x010000-0x0FFFFF "
                     "is paged flash in the linear form)");
}

TEST_F(AddressFormTest, LinearLookingDataAndTheBankedCopy) {
  uint32_t first = 0;
  write_bytes(0xC000, {1});
  write_bytes(0x0F8000, {1});  // page 0x0F's window: banked as well as linear
  write_bytes(0x3F4000, {1});  // above linear flash
  EXPECT_FALSE(buffer_looks_linear(&first));
  write_bytes(0x0FBFFF, {1, 2});  // runs out of page 0x0F's window
  EXPECT_TRUE(buffer_looks_linear(&first));
  EXPECT_EQ(first, 0x0FC000u);

  reset_buffer_quietly();
  const std::string linear = temp_path("linear.s19");
  write_file(linear, "S2050F0000AA41\nS9030000FC\n");
  write_bytes(0x2000, {0x55});  // the user's buffer
  std::string copy;
  ASSERT_TRUE(write_banked_copy(linear.c_str(), &copy));
  std::string text = read_file(copy);
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());  // text mode on Windows
  EXPECT_EQ(text, "S2053C8000AA94\nS9030000FC\n");
  EXPECT_EQ(contents(), (Contents{{0x2000, 0x55}}));
  std::remove(copy.c_str());
}

}  // namespace
