#include <gtest/gtest.h>

#include <map>

#include "buffer/srec.h"
#include "tests/support/memory_pane.h"
#include "tests/unit/buffer/buffer_test_util.h"

namespace {

class Srec : public testing::Test {
 protected:
  void SetUp() override { reset_buffer_quietly(); }
  void TearDown() override { reset_buffer_quietly(); }

  std::string written() {
    FILE* f = std::tmpfile();
    srec_write(f);
    std::string text = stream_text(f);
    std::fclose(f);
    return text;
  }
  int read_text(const std::string& text) {
    FILE* f = stream_with(text);
    int r = srec_read(f);
    std::fclose(f);
    return r;
  }
  std::string lines() { return memory_pane_lines_joined("|"); }
  std::map<uint32_t, uint8_t> contents() {
    std::map<uint32_t, uint8_t> out;
    for (const BufferBlock* b = buffer_first_block(); b; b = b->next) {
      for (uint32_t i = 0; i < b->length; ++i) out[b->start_address + i] = b->data[i];
    }
    return out;
  }
  ScopedMemoryPane pane_;
};

TEST_F(Srec, WriterRecordLayout) {
  write_bytes(0x1000, bytes_from(0, 32));
  EXPECT_EQ(written(),
            "S1131000000102030405060708090A0B0C0D0E0F64\n"
            "S1131010101112131415161718191A1B1C1D1E1F54\n"
            "S9030000FC\n");

  reset_buffer_quietly();
  write_bytes(0x3FF8, bytes_from(0, 16));
  EXPECT_EQ(written(), "S10B3FF80001020304050607A1\nS10B400008090A0B0C0D0E0F58\nS9030000FC\n");

  reset_buffer_quietly();
  write_bytes(0x3F8000, bytes_from(0, 16));
  EXPECT_EQ(written(), "S2133F8000000102030405060708090A0B0C0D0EC4\nS2053F800F0F1D\nS9030000FC\n");

  // 32-bit addresses: 14 bytes, then 2.
  reset_buffer_quietly();
  write_bytes(0x01000000, bytes_from(0, 16));
  EXPECT_EQ(written(),
            "S31301000000000102030405060708090A0B0C0D90\n"
            "S3070100000E0E0FCC\n"
            "S9030000FC\n");

  // Records split at 0x8000 and 0xC000; a record starts at each block start.
  reset_buffer_quietly();
  write_bytes(0x7FFC, bytes_from(0, 8));
  write_bytes(0xBFFE, bytes_from(0xA0, 4));
  write_bytes(0xD003, {0x11});
  EXPECT_EQ(written(),
            "S1077FFC0001020377\n"
            "S10780000405060762\n"
            "S105BFFEA0A1FC\n"
            "S105C000A2A3F5\n"
            "S104D0031117\n"
            "S9030000FC\n");
}

TEST_F(Srec, WriterStartsAtEveryBlockAndWritesGapBytes) {
  write_bytes(0x1010, bytes_from(0x10, 16));
  write_bytes(0x1000, {0x00, 0x01});
  write_bytes(0x1004, {0x04});  // gap bytes 0x1002-0x1003 read as fill
  std::string text = written();
  EXPECT_EQ(text.substr(0, text.find('\n')), "S10810000001FFFF04E4");
  // A second save produces the same text: no state leaks from one save into the next.
  EXPECT_EQ(written(), text);
}

TEST_F(Srec, ReadsDataRecordsAndStopsAtTheTerminator) {
  const std::string file =
      "S00F000068656C6C6F202020202000003C\n"
      "S1130000000102030405060708090A0B0C0D0E0F74\n"
      "\n"
      "   \n"
      "S2073F8000AABBCC08\r\n"
      "S9030000FC\n"
      " \r\n"
      "\x1A";
  EXPECT_EQ(read_text(file), 0);
  auto c = contents();
  EXPECT_EQ(c.size(), 19u);
  EXPECT_EQ(c[0x0000], 0x00);
  EXPECT_EQ(c[0x000F], 0x0F);
  EXPECT_EQ(c[0x3F8001], 0xBB);
  EXPECT_EQ(pane_.pane().text, "");

  // The last line may end without a line break; CR-only line ends work too.
  reset_buffer_quietly();
  EXPECT_EQ(read_text("S1050100AABB94\rS1050200CCDD4F"), 0);
  EXPECT_EQ(contents().size(), 4u);

  // S5 and S6 that match the data records read so far are accepted.
  reset_buffer_quietly();
  EXPECT_EQ(read_text("S1050100AABB94\nS1050200CCDD4F\nS5030002FA\nS604000002F9\n"), 0);
  EXPECT_EQ(pane_.pane().text, "");
}

TEST_F(Srec, AMatchingCountRecordLastEndsTheFile) {
  auto ends_without_end_record = [this](const std::string& text) {
    reset_buffer_quietly();
    FILE* f = stream_with(text);
    bool no_end_record = false;
    EXPECT_EQ(srec_read(f, &no_end_record), 0) << text;
    std::fclose(f);
    return no_end_record;
  };
  EXPECT_FALSE(ends_without_end_record("S1050100AABB94\nS5030001FB\n\n"));
  EXPECT_TRUE(ends_without_end_record("S1050100AABB94\n"));
  EXPECT_TRUE(ends_without_end_record("S5030000FC\nS1050100AABB94\n"));
}

TEST_F(Srec, DataAfterTheEndRecordIsReportedAndNotRead) {
  // Two files put together: the second one's records are not loaded, and the load is not
  // complete.
  EXPECT_EQ(read_text("S1050100AABB94\nS9030000FC\n\nS1050200CCDD4F\nS9030000FC\n"), -1);
  EXPECT_EQ(lines(), "Data after the end record in line 4 ignored");
  EXPECT_EQ(contents().size(), 2u);
  EXPECT_EQ(contents().count(0x0200), 0u);

  reset_buffer_quietly();
  memory_pane_install();
  EXPECT_EQ(read_text("S1050100AABB94\nS804000000FB\ngarbage"), -1);
  EXPECT_EQ(lines(), "Data after the end record in line 3 ignored");
}

TEST_F(Srec, CountMustBeTheRecordLength) {
  // Checksums that match a wrong count: count 09 over 2 data bytes, count 04 over 2, and a line
  // cut after its third data byte whose last byte happens to be the checksum of the rest.
  const std::string file =
      "S1090100AABB90\n"
      "S1040100AABB95\n"
      "S107020011223390\n"  // S10702001122339000 without its checksum
      "S1050300CCDD4E\n";
  EXPECT_EQ(read_text(file), -1);
  EXPECT_EQ(lines(), "Byte count error in line 1|Byte count error in line 2|"
                     "Byte count error in line 3");
  EXPECT_EQ(block_layout(), (std::vector<std::pair<uint32_t, uint32_t>>{{0x0300, 2}}));
  // A count record is held to the same rule.
  reset_buffer_quietly();
  memory_pane_install();
  EXPECT_EQ(read_text("S1050100AABB94\nS5040001FA\n"), -1);
  EXPECT_EQ(lines(), "Byte count error in line 2");
}

TEST_F(Srec, DataPastTheLastAddressStoreNothing) {
  // 16 bytes at 0xFFFFFFF8 would reach 0x00000007; 8 bytes there end at 0xFFFFFFFF and load.
  std::string wrapping = "S315FFFFFFF8";
  unsigned sum = 0x15 + 0xFF * 3 + 0xF8;
  for (int i = 0; i < 16; ++i) wrapping += "11", sum += 0x11;
  char cs[3];
  std::snprintf(cs, sizeof cs, "%02X", ~sum & 0xFF);
  wrapping += cs;
  EXPECT_EQ(read_text(wrapping + "\nS30DFFFFFFF8111111111111111175\nS70500000000FA\n"), -1);
  EXPECT_EQ(lines(), "Address out of range in line 1");
  EXPECT_EQ(block_layout(), (std::vector<std::pair<uint32_t, uint32_t>>{{0xFFFFFFF8, 8}}));
}

TEST_F(Srec, ALineLongerThanAnyRecordStopsReading) {
  // The longest record (255 counted bytes) loads, with blanks after it.
  std::string longest = "S1FF1000";
  unsigned sum = 0xFF + 0x10;
  for (int i = 0; i < 252; ++i) longest += "A5", sum += 0xA5;
  char cs[3];
  std::snprintf(cs, sizeof cs, "%02X", ~sum & 0xFF);
  longest += cs;
  EXPECT_EQ(read_text(longest + std::string(2000, ' ') + "\n"), 0);
  EXPECT_EQ(contents().size(), 252u);

  reset_buffer_quietly();
  EXPECT_EQ(read_text("S1050100AABB94\n" + longest + "00\nS1050600EEFF07\n"), -1);
  EXPECT_EQ(lines(), "Line too long in line 2");
  EXPECT_EQ(contents().size(), 2u);
}

TEST_F(Srec, BadLinesAreReportedAndStoreNothing) {
  const std::string file =
      "S1050100AABB94\n"
      "S1050200CCDD50\n"   // checksum off by one
      "S1050300CCGDD0\n"   // not hex
      "S1050400CCDDD\n"    // half a pair
      "S1030500\n"         // no checksum
      "S1050600EEFF07\n"   // good again
      "S5030004F8\n"       // five data records so far
      "S9030000FC\n";
  EXPECT_EQ(read_text(file), -1);
  EXPECT_EQ(lines(),
            "Checksum error in line 2|Cannot read data in line 3|Cannot read data in line 4|"
            "Cannot read data in line 5|Record count mismatch in line 7");
  auto c = contents();
  EXPECT_EQ(c.size(), 4u);
  EXPECT_EQ(c[0x0100], 0xAA);
  EXPECT_EQ(c[0x0601], 0xFF);
}

TEST_F(Srec, UnreadableRecordsStopReading) {
  struct Case {
    const char* bad_line;
    const char* message;
  } cases[] = {
      {"S4050300AABB92", "Unsupported record in line 2"},
      {"s1050300AABB92", "Unsupported record in line 2"},
      {":10010000214601360121470136007EFE09D2190140", "Unsupported record in line 2"},
      {"  S1050300AABB92", "Unsupported record in line 2"},
      {"S", "Unsupported record in line 2"},
      {"S1050Z00AABB92", "Cannot read address in line 2"},
      {"S105", "Cannot read address in line 2"},
      {"S00300", "Cannot read address in line 2"},  // a header cut short, as any record
  };
  for (const Case& c : cases) {
    reset_buffer_quietly();
    memory_pane_install();
    EXPECT_EQ(read_text(std::string("S1050100AABB94\n") + c.bad_line + "\nS1050600EEFF07\n"), -1)
        << c.bad_line;
    EXPECT_EQ(lines(), c.message) << c.bad_line;
    EXPECT_EQ(contents().size(), 2u) << c.bad_line;  // the line before stays, the one after is not read
  }
}

TEST_F(Srec, BufferFailureStopsWithTheBufferError) {
  buffer_fail_allocations_after(0);
  EXPECT_EQ(read_text("S1050100AABB94\nS1050600EEFF07\n"), -1);
  EXPECT_EQ(lines(), "Buffer Error: cannot add");
}

TEST_F(Srec, WrittenFilesReadBackToTheSameBytes) {
  uint32_t seed = 99;
  auto next = [&seed]() { return (seed = seed * 1103515245u + 12345u) >> 8; };
  const uint32_t bases[] = {0x0000, 0x3FF0, 0x7FF5, 0xBFF0, 0xFFF0, 0x308000, 0x3FBFF0,
                            0x00FFFFF8, 0x12345678, 0xFFFFFFE0};
  for (uint32_t base : bases) {
    for (int k = 0; k < 6; ++k) {
      uint32_t a = base + next() % 64;
      std::vector<uint8_t> data;
      int n = 1 + int(next() % 50);
      if (uint64_t(a) + uint64_t(n) > (uint64_t(1) << 32)) n = int((uint64_t(1) << 32) - a);
      for (int i = 0; i < n; ++i) data.push_back(uint8_t(next()));
      write_bytes(a, data);
    }
  }
  const auto expected = contents();
  const std::string text = written();
  reset_buffer_quietly();
  EXPECT_EQ(read_text(text), 0);
  EXPECT_EQ(pane_.pane().text, "");
  // Every byte comes back. Read in ascending order, a gap of less than a block between two
  // blocks now lies inside one block, so it reads as fill bytes.
  const auto reloaded = contents();
  for (const auto& kv : expected) {
    auto it = reloaded.find(kv.first);
    ASSERT_TRUE(it != reloaded.end()) << std::hex << kv.first;
    EXPECT_EQ(it->second, kv.second) << std::hex << kv.first;
  }
  for (const auto& kv : reloaded) {
    if (!expected.count(kv.first)) {
      EXPECT_EQ(kv.second, 0xFF) << std::hex << kv.first;
    }
  }
  // Saving that and reading it again changes nothing.
  const std::string again = written();
  reset_buffer_quietly();
  EXPECT_EQ(read_text(again), 0);
  EXPECT_EQ(contents(), reloaded);
}

}  // namespace
