// The tool's own programming and erasing passes over the simulated library, for every part the
// library can stand for: programming from the buffer (flash pages through PPAGE and the 0x8000
// window, odd runs padded with 0xFF, INITEE and INITRM, EEPROM sectors and bytes, volatile RAM),
// programming from a real S-record file, erasing (whole and by region), reading it all back
// through the memory view's paging, and the library's own file programming. The part is
// identified and its map taken from the tool's own catalogue.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "adapter/bdx.h"
#include "adapter/part_state.h"
#include "buffer/buffer_store.h"
#include "buffer/load_save.h"
#include "buffer/srec.h"
#include "programming/erase.h"
#include "programming/program_from_file.h"
#include "programming/program_target.h"
#include "programming/region_selection.h"
#include "programming/verify.h"
#include "simulator/bdxsim.h"
#include "target/catalogue.h"
#include "target/security.h"
#include "tests/support/memory_pane.h"
#include "tests/support/sim_library_env.h"

namespace {

int g_progress_calls = 0;

int BDX_CALL progress(void) {
  ++g_progress_calls;
  return 0;
}

std::string fmt(const char* format, unsigned a, unsigned b = 0) {
  char text[128];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

// The pane's lines, oldest first.
std::vector<std::string> tool_lines() {
  std::vector<std::string> out;
  const std::string all = memory_pane_lines_joined("\n");
  size_t at = 0;
  while (at < all.size()) {
    size_t end = all.find('\n', at);
    if (end == std::string::npos) end = all.size();
    out.push_back(all.substr(at, end - at));
    at = end + 1;
  }
  return out;
}
std::string last_tool_line() {
  const std::vector<std::string> lines = tool_lines();
  return lines.empty() ? "" : lines.back();
}

// The buffer's contents as a value.
std::map<uint32_t, uint8_t> buffer_map() {
  std::map<uint32_t, uint8_t> out;
  for (const BufferBlock* b = buffer_first_block(); b; b = b->next)
    for (uint32_t i = 0; i < b->length; ++i) out[b->start_address + i] = b->data[i];
  return out;
}

// --- the memory view's read of one cell ---
void select_page(uint32_t* a) {
  int family = get_family_code();
  if (family == 2) {
    if (*a >= 0xC000 && *a <= 0xFFFF) {
      bdx_SetMemoryByte(0x0030, 0x3F);
    } else if (*a >= 0x4000 && *a <= 0x7FFF) {
      bdx_SetMemoryByte(0x0030, 0x3E);
    } else if ((*a & 0xFFFF) >= 0x8000 && (*a & 0xFFFF) <= 0xBFFF) {
      uint32_t page = (*a >> 16) & 0xFF;
      *a &= 0xFFFF;
      if (page < 0x40) bdx_SetMemoryByte(0x0030, static_cast<uint8_t>(page));
    }
  } else if (family == 3) {
    if (*a & 0xFF0000) {
      bdx_SetMemoryByte(0x0010, static_cast<uint8_t>((*a >> 16) & 0xFF));
      *a &= 0xFFFF;
    }
  }
}

int view_cell(uint32_t view_address, bool bdm_in_map) {
  uint32_t a = view_address;
  select_page(&a);
  unsigned char v = 0;
  int r = bdm_in_map ? bdx_GetByte(a, &v) : bdx_GetMemoryByte(a, &v);
  return r == -1 ? -1 : v;
}

int mem(uint32_t address) {
  unsigned char v = 0;
  return bdx_GetMemoryByte(address, &v) == 0 ? v : -1;
}

uint8_t pattern(uint32_t a) { return static_cast<uint8_t>((a >> 16) * 7 + (a >> 4) + a * 13 + 1); }

void put(uint32_t first, uint32_t last) {
  for (uint32_t a = first; a <= last; ++a) {
    const uint8_t v = pattern(a);
    buffer_write(a, &v, 1, 0xFF);
  }
}

// Where the memory view shows a buffer address: 16-bit window addresses of the first page in
// their paged form (the view does not page plain 0x8000-0xBFFF addresses).
uint32_t view_address_of(uint32_t a, unsigned first_page) {
  if (a >= 0x8000 && a <= 0xBFFF) return (first_page << 16) + a;
  return a;
}

std::string srec_line(uint32_t address, const std::vector<uint8_t>& data) {
  int ab = address > 0xFFFF ? 3 : 2;
  std::vector<uint8_t> bytes{static_cast<uint8_t>(ab + data.size() + 1)};
  for (int i = ab - 1; i >= 0; --i) bytes.push_back(static_cast<uint8_t>(address >> (8 * i)));
  bytes.insert(bytes.end(), data.begin(), data.end());
  unsigned sum = 0;
  for (uint8_t b : bytes) sum += b;
  bytes.push_back(static_cast<uint8_t>(~sum));
  std::string line = ab == 3 ? "S2" : "S1";
  char hex[3];
  for (uint8_t b : bytes) {
    std::snprintf(hex, sizeof hex, "%02X", b);
    line += hex;
  }
  return line + "\n";
}

class ToolPasses : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    g_env.clear();
    g_env["BDXSIM_STATE"] = "";
    g_env["BDXSIM_DERIVATIVE"] = GetParam();
    g_lines.clear();
    buffer_attach(nullptr);
    set_all_regions(true);
    g_progress_calls = 0;
    ASSERT_TRUE(load_simulated_library());
    ASSERT_TRUE(g_lines.empty());
    ASSERT_EQ(bdx_Connect("R41", "COM1 8"), 0);
    reset_target_map();
    autodetect_target();
    ASSERT_NE(current_target(), nullptr);
    ASSERT_STREQ(current_target()->name, GetParam());
    ASSERT_EQ(target_known(), 1);
    get_target_memory_map(&map_);
    ASSERT_EQ(map_.flash_last_page, 0x3F);
    // The selection as the memory regions dialog leaves it for this map.
    fill_memory_regions(map_, &region_selection());
    // The XDP's EEPROM range is its RAM: the library finds no EEPROM there.
    region_selection().include_eeprom = has_eeprom() || map_.eeprom_end == map_.eeprom_start;
  }
  void TearDown() override {
    if (!file_.empty()) std::remove(file_.c_str());
    buffer_attach(nullptr);
    set_all_regions(true);
    bdxsim_use_environment(nullptr);
    bdx_table_reset();
  }
  bool has_eeprom() const {
    return map_.eeprom_end > map_.eeprom_start &&
           (map_.eeprom_end < map_.volatile_start || map_.eeprom_start > map_.volatile_end);
  }
  // Flash data in every representation the tool programs from, EEPROM data that needs byte
  // and sector calls, RAM data, a reset vector and the security byte.
  void fill_buffer() {
    unsigned f = map_.flash_first_page;
    put(0xC000, 0xC256);  // 599 bytes: calls of 512 and 88, the last padded
    put(0x4001, 0x4010);  // a leading pad
    const uint8_t vector[2] = {0xC0, 0x00};
    buffer_write(0xFFFE, vector, 2, 0xFF);
    // The security byte unsecured: with it erased, the reset below would secure the part.
    const uint8_t security = 0xFE;
    buffer_write(0xFF0F, &security, 1, 0xFF);
    if (f < 0x3E) put(0x8000, 0x80FF);  // the first page in the window
    // Data of every page in its paged form. The tool programs the paged form only on parts
    // whose flash starts below page 0x3E; on the others the fixed windows carry it.
    for (unsigned p = f; p <= 0x3F; ++p) {
      uint32_t base = f < 0x3E ? (p << 16) + 0x8000 : p == 0x3E ? 0x4000 : 0xC000;
      put(base + 0x1000, base + 0x1010 + (p & 7));
      put(base + 0x2011, base + 0x2011);  // one byte: a pad on both sides
    }
    if (has_eeprom()) {
      put(map_.eeprom_start + 1, map_.eeprom_start + 7);  // 3 bytes, then a sector
      put(map_.eeprom_start + 0x10, map_.eeprom_start + 0x13);
      put(map_.eeprom_end, map_.eeprom_end);
    }
    put(map_.volatile_start, map_.volatile_start + 0x1F);
    put(map_.volatile_end, map_.volatile_end);
  }
  void expect_reads_back(const std::map<uint32_t, uint8_t>& image, bool bdm_in_map) {
    for (const auto& e : image) {
      uint32_t a = view_address_of(e.first, map_.flash_first_page);
      ASSERT_EQ(view_cell(a, bdm_in_map), e.second) << std::hex << "0x" << a;
    }
  }
  // Writes the buffer as an S-record file, as "&Save buffer as File" does.
  void save_buffer_as_file() {
    file_ = ::testing::TempDir() + "tool_passes_" + GetParam() + ".s19";
    FILE* f = std::fopen(file_.c_str(), "w");
    ASSERT_NE(f, nullptr);
    srec_write(f);
    std::fclose(f);
  }
  std::string why() const {
    return last_tool_line() + " / " + (g_lines.empty() ? "" : g_lines.back());
  }
  ScopedMemoryPane pane_;
  TargetMemoryMap map_;
  std::string file_;
};

}  // namespace

TEST_P(ToolPasses, ProgramFromBufferThenEraseOnAFreshPart) {
  ASSERT_EQ(mass_erase_confirmed(), 1) << why();
  fill_buffer();
  const std::map<uint32_t, uint8_t> image = buffer_map();
  ASSERT_EQ(program_target_from_buffer(), 1) << why();

  // What was programmed reads back where the memory view looks for it, in both read modes;
  // the pads are erased flash.
  expect_reads_back(image, false);
  expect_reads_back(image, true);
  EXPECT_EQ(mem(0xC257), 0xFF);
  EXPECT_EQ(mem(0x4000), 0xFF);
  EXPECT_EQ(mem(0x3FA010), 0xFF);
  EXPECT_EQ(mem(0x3FA012), 0xFF);
  EXPECT_EQ(mem(0x0012), map_.initee);
  if (get_family_code() == 2) {
    EXPECT_EQ(mem(0x0010), map_.initrm);
  }
  // The tool's own read-back agrees.
  ASSERT_EQ(verify_target_against_buffer(), 1) << why();

  // The reset vector programmed above.
  ASSERT_EQ(bdx_TargetReset(), 0);
  uint32_t regs[5] = {};
  ASSERT_EQ(bdx_RegisterGetAll(regs), 0);
  EXPECT_EQ(regs[0], 0xC000u);

  // Erasing the regions: every step succeeds, and the part is blank again.
  ASSERT_EQ(erase_regions(), 1) << why();
  for (unsigned p = map_.flash_first_page; p <= 0x3F; ++p) EXPECT_EQ(mem((p << 16) + 0x9000), 0xFF);
  EXPECT_EQ(mem(0xC000), 0xFF);
  EXPECT_EQ(mem(map_.volatile_start), 0x00);
  EXPECT_EQ(mem(map_.volatile_end), 0x00);
  if (has_eeprom()) {
    EXPECT_EQ(mem(map_.eeprom_start + 1), 0xFF);
  }

  // A second programming of the same buffer succeeds on the erased part.
  ASSERT_EQ(program_target_from_buffer(), 1) << why();
  expect_reads_back(image, false);
  // Without erasing, a byte whose bits would have to go back to 1 stops the flash pass.
  buffer_set_byte(0xC000, 0xFF);
  ASSERT_EQ(program_target_from_buffer(), 0);
  const std::vector<std::string> lines = tool_lines();
  EXPECT_EQ(lines.back(), "Failed programming Flash");
  EXPECT_EQ(lines[lines.size() - 2], "Flash block at: C000");
  EXPECT_EQ(g_lines.back(), "Flash not erased at 0xC000");
}

// A real S-record file, as the buffer saves it, programmed through "Program Target Regions from
// File"; the flash read back through the library is the file, and a mass erase leaves 0xFF.
TEST_P(ToolPasses, ProgramFromAFileReadsBackAndErasesToFF) {
  fill_buffer();
  const std::map<uint32_t, uint8_t> image = buffer_map();
  save_buffer_as_file();
  // The user's buffer holds something else while the file is programmed.
  buffer_attach(nullptr);
  put(0x3000, 0x3003);
  const std::map<uint32_t, uint8_t> user = buffer_map();
  ASSERT_EQ(program_regions_from_file(file_.c_str()), 1) << why();
  EXPECT_EQ(buffer_map(), user);
  expect_reads_back(image, false);

  ASSERT_EQ(mass_erase_confirmed(), 1) << why();
  for (const auto& e : image) {
    const uint32_t a = view_address_of(e.first, map_.flash_first_page);
    const bool flash = a >= 0x4000;
    const bool eeprom = has_eeprom() && a >= map_.eeprom_start && a <= map_.eeprom_end;
    // The erase leaves the security byte unsecured.
    if (flash || eeprom) {
      ASSERT_EQ(view_cell(a, false), a == 0xFF0F ? 0xFE : 0xFF) << std::hex << a;
    }
  }
}

TEST_P(ToolPasses, LibraryFileProgrammingOfTheSameImage) {
  ASSERT_EQ(mass_erase_confirmed(), 1);
  fill_buffer();
  // The file carries the data at the addresses the library programs without paging: the
  // first page's window data in its paged form.
  std::string text;
  int records = 0;
  std::map<uint32_t, uint8_t> image;
  for (const auto& e : buffer_map()) image[view_address_of(e.first, map_.flash_first_page)] = e.second;
  for (auto it = image.begin(); it != image.end();) {
    uint32_t start = it->first;
    std::vector<uint8_t> data;
    while (it != image.end() && it->first == start + data.size() && data.size() < 16) {
      data.push_back(it->second);
      ++it;
    }
    text += srec_line(start, data);
    ++records;
  }
  text += "S9030000FC\n";
  file_ = ::testing::TempDir() + "tool_passes_library_" + GetParam() + ".s19";
  std::ofstream(file_, std::ios::binary) << text;
  uint32_t fail = 0xDEAD;
  ASSERT_EQ(bdx_FlashWriteFile(get_timing_value(), get_timing_value(), file_.c_str(), &fail, progress), 0)
      << g_lines.back();
  EXPECT_GE(g_progress_calls, records);
  g_progress_calls = 0;
  ASSERT_EQ(bdx_FlashVerifyFile(file_.c_str(), &fail, progress), 0) << g_lines.back();
  EXPECT_GE(g_progress_calls, records);
  expect_reads_back(image, false);
}

TEST_P(ToolPasses, EmptyBufferWritesOnlyInitRegisters) {
  region_selection().include_eeprom = true;
  ASSERT_EQ(program_target_from_buffer(), 1) << why();
  EXPECT_EQ(last_tool_line(), "COMMAND DONE");
}

// The tool's reading of FPROT agrees with the part: for protection bytes with each area at its
// largest and smallest, a word the part refuses to program is one the tool names as protected,
// at both edges of each area, in every block.
TEST_P(ToolPasses, ProtectionAsTheToolReadsItIsWhatThePartRefuses) {
  for (uint8_t fprot : {0xC7, 0xDF, 0xFB, 0xF8, 0x7F}) {
    ASSERT_EQ(bdx_FlashEraseAll(40), 0);
    // 0xFF0A-0xFF0F: block k's protection byte at 0xFF0D - k, an unsecured security byte.
    uint8_t field[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE};
    for (int block = 0; block < flash_block_count(map_); ++block) field[3 - block] = fprot;
    ASSERT_EQ(bdx_FlashProgramBlock(40, 0xFF0A, field, 6), 0);
    ASSERT_EQ(bdx_TargetReset(), 0);
    for (int block = 0; block < flash_block_count(map_); ++block) {
      ProtectedRange ranges[2];
      const int n = fprot_ranges(fprot, map_, block, ranges);
      for (int i = 0; i < n; ++i) {
        for (uint32_t edge : {ranges[i].first - 2, ranges[i].first, ranges[i].last - 1,
                              ranges[i].last + 1}) {
          int b = -1;
          uint32_t banked = 0;
          if (!flash_block_of(map_, edge, 0, &b, &banked)) continue;  // off the flash
          SCOPED_TRACE(testing::Message() << std::hex << "FPROT " << int(fprot) << " at " << edge);
          const uint8_t zero[2] = {0x00, 0x00};
          g_lines.clear();
          const bool refused = bdx_FlashProgramBlock(40, edge, zero, 2) != 0;
          EXPECT_EQ(refused, !g_lines.empty() &&
                                 g_lines.back().find("is protected") != std::string::npos);
          EXPECT_EQ(refused, name_flash_protection(map_, edge, edge + 1, 0));
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EveryPart, ToolPasses,
                         ::testing::Values("MC9S12B128", "MC9S12C32", "MC9S12DG128", "MC9S12DG256",
                                           "MC9S12UF32", "XDP", "XF"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

// The XDP's catalogue EEPROM range is its RAM: EEPROM programming there is refused with a line
// naming the address (a volatile download of the same data works), and erasing the EEPROM it
// does not have succeeds.
TEST(ToolPassesXdp, EepromPassOverItsRamRangeFailsClearly) {
  ScopedMemoryPane pane;
  g_env.clear();
  g_env["BDXSIM_STATE"] = "";
  g_env["BDXSIM_DERIVATIVE"] = "XDP";
  g_lines.clear();
  buffer_attach(nullptr);
  ASSERT_TRUE(load_simulated_library());
  ASSERT_EQ(bdx_Connect("R42", ""), 0);
  reset_target_map();
  select_target_by_name("XDP");
  put(0x1000, 0x1007);
  set_all_regions(false);
  region_selection().include_eeprom = true;
  region_selection().include_volatile = true;
  ASSERT_EQ(program_target_from_buffer(), 0);
  const std::vector<std::string> lines = tool_lines();
  EXPECT_EQ(lines[lines.size() - 2], fmt("Sector: 1000, data: %X", 0x1000000u * pattern(0x1000) +
                                         0x10000u * pattern(0x1001) + 0x100u * pattern(0x1002) + pattern(0x1003)));
  EXPECT_EQ(g_lines.back(), "No EEPROM at 0x1000");
  region_selection().include_eeprom = false;
  ASSERT_EQ(program_target_from_buffer(), 1);
  EXPECT_EQ(mem(0x1007), pattern(0x1007));
  ASSERT_EQ(bdx_EpromEraseAll(get_timing_value(), 0x1000), 0);
  EXPECT_EQ(g_lines.back(), "XDP has no EEPROM, nothing to erase");
  EXPECT_EQ(mem(0x1007), pattern(0x1007));
  buffer_attach(nullptr);
  set_all_regions(true);
  bdxsim_use_environment(nullptr);
  bdx_table_reset();
}

// One reading rule for both readers: a file the tool's load refuses, the library's file calls
// refuse as a whole, for the same line, before anything is programmed; the failing address is
// the bad line's own where it can be read.
TEST(ToolPassesFiles, TheLibraryRefusesWhatTheToolsLoadRefuses) {
  ScopedMemoryPane pane;
  g_env.clear();
  g_env["BDXSIM_STATE"] = "";
  g_env["BDXSIM_DERIVATIVE"] = "MC9S12DG256";
  ASSERT_TRUE(load_simulated_library());
  ASSERT_EQ(bdx_Connect("R41", "COM1 8"), 0);
  const std::string first = srec_line(0xC000, {1, 2}), second = srec_line(0xC010, {3, 4});
  const std::string end = "S9030000FC\n";
  // The count one too large, the checksum made to match it.
  std::string miscounted = srec_line(0xC020, {5, 6});
  unsigned count = 0, checksum = 0;
  std::sscanf(miscounted.c_str() + 2, "%2X", &count);
  std::sscanf(miscounted.c_str() + miscounted.size() - 3, "%2X", &checksum);
  miscounted = "S1" + fmt("%02X", count + 1) + miscounted.substr(4, miscounted.size() - 7) +
               fmt("%02X\n", (checksum - 1) & 0xFF);
  std::string lower = second;
  lower[0] = 's';
  struct Case {
    std::string text, tool_line, problem;
    long line;
    uint32_t fail;
  };
  const Case cases[] = {
      {first + end + second + end, "Data after the end record in line 3 ignored",
       "Data after the end record", 3, 0xC010},
      {first + miscounted + end, "Byte count error in line 2", "Byte count error", 2, 0xC020},
      {first + lower + end, "Unsupported record in line 2", "Unsupported record", 2, 0xC002},
  };
  const std::string path = ::testing::TempDir() + "tool_passes_refused.s19";
  for (const Case& c : cases) {
    std::ofstream(path, std::ios::binary) << c.text;
    buffer_attach(nullptr);
    EXPECT_EQ(load_file_into_buffer(path.c_str()), 0) << c.problem;
    const std::vector<std::string> lines = tool_lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), c.tool_line), lines.end()) << c.problem;
    uint32_t fail = 0;
    const std::string refused =
        "Bad S-record in line " + std::to_string(c.line) + " of '" + path + "': " + c.problem;
    EXPECT_NE(bdx_FlashWriteFile(40, 40, path.c_str(), &fail, progress), 0);
    EXPECT_EQ(g_lines.back(), refused);
    EXPECT_EQ(fail, c.fail) << c.problem;
    EXPECT_EQ(mem(0xC000), 0xFF) << c.problem << ": programmed in part";
    EXPECT_NE(bdx_FlashVerifyFile(path.c_str(), &fail, progress), 0);
    EXPECT_EQ(g_lines.back(), refused);
  }
  std::remove(path.c_str());
  buffer_attach(nullptr);
  bdxsim_use_environment(nullptr);
  bdx_table_reset();
}
