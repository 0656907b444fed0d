// The hexadecimal parser of the views and the Target MPU dialog.
#include <gtest/gtest.h>

#include "views/hex_parse.h"

namespace {

struct Parsed {
  int result;
  uint32_t value;
};

Parsed parse(const char* text) {
  uint32_t value = 0xDEADBEEF;  // untouched on failure
  const int result = parse_hex(text, &value);
  return {result, value};
}

TEST(ParseHex, DigitsOfBothCasesUpToTheFirstBlank) {
  EXPECT_EQ(parse("ff").value, 0xFFu);
  EXPECT_EQ(parse("1000").value, 0x1000u);
  EXPECT_EQ(parse("3fFf").value, 0x3FFFu);
  EXPECT_EQ(parse("1 2").value, 1u);
  EXPECT_EQ(parse("12\t3").value, 0x12u);
  const Parsed blank = parse(" 12");
  EXPECT_EQ(blank.result, 0);
  EXPECT_EQ(blank.value, 0u);
  const Parsed empty = parse("");
  EXPECT_EQ(empty.result, 0);
  EXPECT_EQ(empty.value, 0u);
  // A byte from 0x80 up ends the number like a blank.
  EXPECT_EQ(parse("1F\xB0G").value, 0x1Fu);
  // Higher digits fall off: the value is taken modulo 2^32.
  EXPECT_EQ(parse("123456789").value, 0x23456789u);
  EXPECT_EQ(parse("FFFFFFFFF").value, 0xFFFFFFFFu);
}

TEST(ParseHex, AnyOtherCharacterFailsAndLeavesTheValue) {
  for (const char* text : {"1G00", "0x10", "12-", "g", "1.0", "+1", "-1", "1:"}) {
    const Parsed p = parse(text);
    EXPECT_EQ(p.result, -1) << text;
    EXPECT_EQ(p.value, 0xDEADBEEFu) << text;
  }
}

}  // namespace
