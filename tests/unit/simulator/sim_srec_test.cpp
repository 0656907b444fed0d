// The simulated library's S-record reader: the tool's own reading rule.
#include <gtest/gtest.h>

#include "simulator/sim_srec.h"

TEST(SimSrec, ReadsDataRecordsOfAllThreeAddressSizes) {
  SimSrecFile f = sim_srec_parse(
      "S005000048446E\r\n"
      "S1051000AABB85\n"
      "\n"
      "S2070380001234ff30\n"
      "S3070000C000010235\n"
      "S5030003F9\n"
      "S9030000FC\n"
      "\n");
  ASSERT_EQ(f.error, "");
  ASSERT_EQ(f.records.size(), 3u);
  EXPECT_EQ(f.records[0].address, 0x1000u);
  EXPECT_EQ(f.records[0].data, (std::vector<uint8_t>{0xAA, 0xBB}));
  EXPECT_EQ(f.records[1].address, 0x038000u);
  EXPECT_EQ(f.records[1].line, 4);
  EXPECT_EQ(f.records[2].address, 0xC000u);
  // An "SX" line ends the data as well.
  SimSrecFile g = sim_srec_parse("S1051000AABB85\nSX trailer\n");
  EXPECT_EQ(g.error, "");
  EXPECT_EQ(g.records.size(), 1u);
  EXPECT_FALSE(g.no_end_record);
  // A file without an end record is read whole, and said to be so.
  SimSrecFile h = sim_srec_parse("S1051000AABB85\nS1051002CCDD3F\n");
  EXPECT_EQ(h.error, "");
  EXPECT_EQ(h.records.size(), 2u);
  EXPECT_TRUE(h.no_end_record);
}

TEST(SimSrec, StopsAtTheFirstBadLine) {
  struct Case { const char* text; const char* error; };
  const Case cases[] = {{"S1051000AABB84\n", "Checksum error"},
                        {"S1061000AABB85\n", "Byte count error"},
                        {"S1051000AABG85\n", "Cannot read data"},
                        {"S1051000AABB8\n", "Cannot read data"},
                        {"S4051000AABB85\n", "Unsupported record"},
                        {":10010000\n", "Unsupported record"},
                        {"s1051000AABB85\n", "Unsupported record"},
                        {"S\tnotes\n", "Unsupported record"},
                        {"S102FF\n", "Cannot read address"}};
  for (const Case& c : cases) {
    SimSrecFile f = sim_srec_parse(std::string("S1051000AABB85\n") + c.text);
    EXPECT_EQ(f.error, c.error) << c.text;
    EXPECT_EQ(f.error_line, 2) << c.text;
    EXPECT_EQ(f.records.size(), 1u) << c.text;
  }
  EXPECT_EQ(sim_srec_read_file("/nonexistent/file.s19").error, "cannot open");
  EXPECT_EQ(sim_srec_read_file(nullptr).error, "cannot open");
}
