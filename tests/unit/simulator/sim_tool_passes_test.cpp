// The simulated library driven call for call the way the tool programs, erases and pages through
// a target, for every part the library can stand for: programming from a buffer (flash pages
// through PPAGE and the 0x8000 window, odd runs padded with 0xFF, INITEE and INITRM, EEPROM
// sectors and bytes, volatile RAM), erasing (whole and by region), the memory view's paging,
// and programming from a file. The part is identified and its map taken from the tool's own
// catalogue.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "adapter/bdx.h"
#include "simulator/bdxsim.h"
#include "target/catalogue.h"

namespace {

std::map<std::string, std::string> g_env;
std::vector<std::string> g_library_lines;
std::vector<std::string> g_tool_lines;
int g_progress_calls = 0;

const char* fake_env(const char* name) {
  auto it = g_env.find(name);
  return it == g_env.end() ? nullptr : it->second.c_str();
}

int BDX_CALL collect(const char* text) {
  g_library_lines.push_back(text);
  return 0;
}

int BDX_CALL progress(void) {
  ++g_progress_calls;
  return 0;
}

std::string fmt(const char* format, unsigned a, unsigned b = 0) {
  char text[128];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

void tool_line(const std::string& line) { g_tool_lines.push_back(line); }

// --- the host-side buffer, as far as programming reads it ---
std::map<uint32_t, uint8_t> g_buffer;

bool buffer_get_byte(uint32_t a, uint8_t* v) {
  auto it = g_buffer.find(a);
  if (it == g_buffer.end()) return false;
  *v = it->second;
  return true;
}

// Bytes at consecutive addresses from a, up to last and at most max, ending where the buffer
// holds nothing.
int buffer_read_run(uint32_t a, uint32_t last, int max, uint8_t* out) {
  int n = 0;
  while (n < max && a + n <= last && buffer_get_byte(a + n, &out[n])) ++n;
  return n;
}

bool window_holds_data(uint32_t w) {
  auto it = g_buffer.lower_bound(w);
  return it != g_buffer.end() && it->first <= w + 0x3FFF;
}

// --- programming from the buffer ---
struct Regions {
  bool include_volatile = true;
  bool include_eeprom = true;
  bool page_selected[0x40] = {};
};

bool write_flash_range(uint8_t t, uint32_t a, uint32_t e, uint8_t fill) {
  uint8_t stage[512];
  while (a < e) {
    std::memset(stage, fill, sizeof stage);
    int n = buffer_read_run(a, e, 512, stage);
    uint32_t length;
    if (n > 0) {
      length = static_cast<uint32_t>(n + (n & 1));
    } else {
      int m = buffer_read_run(a + 1, e, 511, stage + 1);
      if (m == 0) {
        a += 2;
        continue;
      }
      length = static_cast<uint32_t>((m & 1) ? m + 1 : m + 2);
    }
    EXPECT_LE(length, 512u);
    if (bdx_FlashProgramBlock(t, a, stage, length) == -1) {
      tool_line(fmt("Flash block at: %X", a));
      return false;
    }
    a += length;
  }
  return true;
}

bool program_flash(const TargetMemoryMap& map, const Regions& r, uint8_t t) {
  unsigned f = map.flash_first_page, l = map.flash_last_page;
  if (l != 0x3F) {
    tool_line("No available Flash, please check target setup");
    return false;
  }
  struct Fixed { unsigned page; uint32_t low; uint32_t high; };
  for (const Fixed& x : {Fixed{0x3F, 0xC000, 0xFFFF}, Fixed{0x3E, 0x4000, 0x7FFF}}) {
    if (!r.page_selected[x.page]) continue;
    bool paged = window_holds_data((x.page << 16) + 0x8000), plain = window_holds_data(x.low);
    if (paged && plain) tool_line(fmt("Warning Block 0x%2.2X (multiple representation in buffer)", x.page));
    if (!paged && !plain) {
      tool_line(fmt("Block 0x%2.2X is blank", x.page));
    } else {
      if (!write_flash_range(t, x.low, x.high, 0xFF)) return false;
      tool_line(fmt("Block 0x%2.2X programmed", x.page));
    }
  }
  if (f >= 0x3E) return true;
  if (r.page_selected[f]) {
    bool paged = window_holds_data((f << 16) + 0x8000), plain = window_holds_data(0x8000);
    if (paged && plain) tool_line(fmt("Warning Block 0x%2.2X (multiple representation in buffer)", f));
    if (!paged && !plain) {
      tool_line(fmt("Block 0x%2.2X is blank", f));
    } else {
      if (bdx_SetMemoryByte(0x0030, static_cast<uint8_t>(f)) != 0) return false;
      if (!write_flash_range(t, 0x8000, 0xBFFF, 0xFF)) return false;
      tool_line(fmt("Block 0x%2.2X programmed", f));
    }
  }
  for (int p = 0x3F; p >= static_cast<int>(f); --p) {
    if (!r.page_selected[p]) continue;
    uint32_t base = (static_cast<uint32_t>(p) << 16) + 0x8000;
    if (window_holds_data(base)) {
      if (bdx_SetMemoryByte(0x0030, static_cast<uint8_t>(p)) != 0) return false;
      if (!write_flash_range(t, base, base + 0x3FFF, 0xFF)) return false;
      tool_line(fmt("Block 0x%2.2X programmed", p));
    } else {
      tool_line(fmt("Block 0x%2.2X is blank", p));
    }
  }
  return true;
}

bool program_eeprom(const TargetMemoryMap& map, uint8_t t) {
  if (bdx_SetMemoryByte(0x0012, map.initee) != 0) {
    tool_line("Writing INITEE");
    return false;
  }
  for (int32_t a = static_cast<int32_t>(map.eeprom_start);
       a <= static_cast<int32_t>(map.eeprom_end);) {
    uint8_t four[4];
    uint32_t ua = static_cast<uint32_t>(a);
    if (ua % 4 == 0 && buffer_read_run(ua, map.eeprom_end, 4, four) == 4) {
      uint32_t d = static_cast<uint32_t>(four[0]) << 24 | four[1] << 16 | four[2] << 8 | four[3];
      if (bdx_EpromProgramSector(t, ua, d) == -1) {
        tool_line(fmt("Sector: %X, data: %X", ua, d));
        return false;
      }
      a += 4;
    } else {
      uint8_t b;
      if (buffer_get_byte(ua, &b) && bdx_EpromProgramByte(t, ua, b) == -1) {
        tool_line(fmt("Sector: %X, data: %X", ua, b));
        return false;
      }
      a += 1;
    }
  }
  return true;
}

bool download_volatile(const TargetMemoryMap& map) {
  if (bdx_SetMemoryByte(0x0010, map.initrm) != 0) {
    tool_line("Writing INITRM");
    return false;
  }
  for (int32_t a = static_cast<int32_t>(map.volatile_start);
       a <= static_cast<int32_t>(map.volatile_end); ++a) {
    uint8_t b;
    if (buffer_get_byte(static_cast<uint32_t>(a), &b) &&
        bdx_SetMemoryByte(static_cast<uint32_t>(a), b) != 0)
      return false;
  }
  return true;
}

bool program_target_from_buffer(const Regions& r) {
  TargetMemoryMap map;
  get_target_memory_map(&map);
  uint8_t t = get_timing_value();
  tool_line("Scanning for selected Flash...");
  if (!program_flash(map, r, t)) {
    tool_line("Failed programming Flash");
    return false;
  }
  if (r.include_eeprom) {
    tool_line("Programming Eeprom...");
    if (!program_eeprom(map, t)) {
      tool_line("Failed programming Eeprom");
      return false;
    }
  }
  if (r.include_volatile) {
    tool_line("Downloading (volatile)...");
    if (!download_volatile(map)) {
      tool_line("Download Failed");
      return false;
    }
  }
  tool_line("COMMAND DONE");
  return true;
}

// --- erasing ---
bool mass_erase() {
  TargetMemoryMap map;
  get_target_memory_map(&map);
  uint8_t t = get_timing_value();
  bdx_TargetReset();
  tool_line("Erasing Flash...");
  if (bdx_FlashEraseAll(t) == -1) {
    tool_line("Failed erasing Flash");
    return false;
  }
  tool_line("Erasing Eprom...");
  if (bdx_EpromEraseAll(t, map.eeprom_start) == -1) {
    tool_line("Failed erasing EEPROM");
    return false;
  }
  bdx_TargetReset();
  return true;
}

// True when every step succeeded (the command itself carries on after a failed step).
bool erase_regions(const Regions& r) {
  TargetMemoryMap map;
  get_target_memory_map(&map);
  uint8_t t = get_timing_value();
  bool all = true;
  if (r.include_eeprom) {
    bool ok = bdx_EpromEraseAll(t, map.eeprom_start) != -1;
    tool_line(ok ? "EEPROM erased" : "Failed erasing EEPROM");
    all = all && ok;
  }
  if (r.include_volatile) {
    uint32_t s = map.volatile_start & 0xFFFF, n = map.volatile_end & 0xFFFF;
    if (n > s) {
      std::vector<unsigned char> zeros(n - s + 1, 0);
      uint32_t fail = 0;
      bool ok = bdx_LoadBlock(s, n - s + 1, zeros.data(), &fail) == 0;
      tool_line(ok ? std::string("Volatile memory filled ('00') ")
                   : fmt("Failed writing volatile memory at %4.4X", fail));
      all = all && ok;
    }
  }
  for (unsigned p = map.flash_first_page; p <= map.flash_last_page; ++p) {
    if (!r.page_selected[p]) continue;
    bool ok = bdx_FlashEraseBlock(static_cast<int>(p), t) == 0;
    tool_line(fmt(ok ? "Block %2.2X erased" : "FAILED erasing block %2.2X", p));
    all = all && ok;
  }
  return all;
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
  for (uint32_t a = first; a <= last; ++a) g_buffer[a] = pattern(a);
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
    g_library_lines.clear();
    g_tool_lines.clear();
    g_buffer.clear();
    g_progress_calls = 0;
    bdxsim_use_environment(fake_env);
    bdxsim_reset_for_tests();
    ASSERT_EQ(bdx_table_bind(bdxsim_lookup, nullptr, "bdxsim"), 26);
    ASSERT_EQ(bdx_Init(collect), 0);
    ASSERT_TRUE(g_library_lines.empty());
    ASSERT_EQ(bdx_Connect("R41", "COM1 8"), 0);
    reset_target_map();
    autodetect_target();
    ASSERT_NE(current_target(), nullptr);
    ASSERT_STREQ(current_target()->name, GetParam());
    ASSERT_EQ(target_known(), 1);
    get_target_memory_map(&map_);
    ASSERT_EQ(map_.flash_last_page, 0x3F);
  }
  void TearDown() override {
    if (!file_.empty()) std::remove(file_.c_str());
    bdxsim_use_environment(nullptr);
    bdx_table_reset();
  }
  bool has_eeprom() const {
    return map_.eeprom_end > map_.eeprom_start &&
           (map_.eeprom_end < map_.volatile_start || map_.eeprom_start > map_.volatile_end);
  }
  // Flash data in every representation the tool programs from, EEPROM data that needs byte
  // and sector calls, RAM data and a reset vector.
  void fill_buffer() {
    unsigned f = map_.flash_first_page;
    put(0xC000, 0xC256);  // 599 bytes: calls of 512 and 88, the last padded
    put(0x4001, 0x4010);  // a leading pad
    g_buffer[0xFFFE] = 0xC0;
    g_buffer[0xFFFF] = 0x00;
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
  Regions all_regions() const {
    Regions r;
    for (unsigned p = map_.flash_first_page; p <= map_.flash_last_page; ++p) r.page_selected[p] = true;
    // The XDP's EEPROM range is its RAM range: the library finds no EEPROM there.
    r.include_eeprom = has_eeprom() || map_.eeprom_end == map_.eeprom_start;
    return r;
  }
  void expect_buffer_reads_back(bool bdm_in_map) {
    for (const auto& e : g_buffer) {
      uint32_t a = view_address_of(e.first, map_.flash_first_page);
      ASSERT_EQ(view_cell(a, bdm_in_map), e.second) << std::hex << "0x" << a;
    }
  }
  TargetMemoryMap map_;
  std::string file_;
};

}  // namespace

TEST_P(ToolPasses, ProgramFromBufferThenEraseOnAFreshPart) {
  ASSERT_TRUE(mass_erase());
  fill_buffer();
  Regions r = all_regions();
  ASSERT_TRUE(program_target_from_buffer(r)) << g_tool_lines.back() << " / " << g_library_lines.back();

  // What was programmed reads back where the memory view looks for it, in both read modes;
  // the pads are erased flash.
  expect_buffer_reads_back(false);
  expect_buffer_reads_back(true);
  EXPECT_EQ(mem(0xC257), 0xFF);
  EXPECT_EQ(mem(0x4000), 0xFF);
  EXPECT_EQ(mem(0x3FA010), 0xFF);
  EXPECT_EQ(mem(0x3FA012), 0xFF);
  TargetMemoryMap map;
  get_target_memory_map(&map);
  EXPECT_EQ(mem(0x0012), map.initee);
  if (get_family_code() == 2) {
    EXPECT_EQ(mem(0x0010), map.initrm);
  }

  // The reset vector programmed above.
  ASSERT_EQ(bdx_TargetReset(), 0);
  uint32_t regs[5] = {};
  ASSERT_EQ(bdx_RegisterGetAll(regs), 0);
  EXPECT_EQ(regs[0], 0xC000u);

  // Erasing the regions: every step succeeds, and the part is blank again.
  ASSERT_TRUE(erase_regions(r)) << g_tool_lines.back() << " / " << g_library_lines.back();
  for (unsigned p = map_.flash_first_page; p <= 0x3F; ++p) EXPECT_EQ(mem((p << 16) + 0x9000), 0xFF);
  EXPECT_EQ(mem(0xC000), 0xFF);
  EXPECT_EQ(mem(map_.volatile_start), 0x00);
  EXPECT_EQ(mem(map_.volatile_end), 0x00);
  if (has_eeprom()) {
    EXPECT_EQ(mem(map_.eeprom_start + 1), 0xFF);
  }

  // A second programming of the same buffer succeeds on the erased part.
  g_tool_lines.clear();
  ASSERT_TRUE(program_target_from_buffer(r)) << g_tool_lines.back() << " / " << g_library_lines.back();
  expect_buffer_reads_back(false);
  // Without erasing, the flash pass stops at the first programmed word.
  ASSERT_FALSE(program_target_from_buffer(r));
  EXPECT_EQ(g_tool_lines.back(), "Failed programming Flash");
  EXPECT_EQ(g_tool_lines[g_tool_lines.size() - 2], "Flash block at: C000");
  EXPECT_EQ(g_library_lines.back(), "Flash not erased at 0xC000");
}

TEST_P(ToolPasses, ProgramAndVerifyFromFileOnAFreshPart) {
  ASSERT_TRUE(mass_erase());
  fill_buffer();
  // The file carries the data at the addresses the library programs without paging: the
  // first page's window data in its paged form.
  std::string text;
  int records = 0;
  std::map<uint32_t, uint8_t> image;
  for (const auto& e : g_buffer) image[view_address_of(e.first, map_.flash_first_page)] = e.second;
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
  file_ = ::testing::TempDir() + "tool_passes_" + GetParam() + ".s19";
  std::ofstream(file_, std::ios::binary) << text;
  uint32_t fail = 0xDEAD;
  ASSERT_EQ(bdx_FlashWriteFile(get_timing_value(), get_timing_value(), file_.c_str(), &fail, progress), 0)
      << g_library_lines.back();
  EXPECT_GE(g_progress_calls, records);
  g_progress_calls = 0;
  ASSERT_EQ(bdx_FlashVerifyFile(file_.c_str(), &fail, progress), 0) << g_library_lines.back();
  EXPECT_GE(g_progress_calls, records);
  expect_buffer_reads_back(false);
}

TEST_P(ToolPasses, EmptyBufferWritesOnlyInitRegisters) {
  Regions r = all_regions();
  r.include_eeprom = true;
  ASSERT_TRUE(program_target_from_buffer(r));
  EXPECT_EQ(g_tool_lines.back(), "COMMAND DONE");
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
  g_env.clear();
  g_env["BDXSIM_STATE"] = "";
  g_env["BDXSIM_DERIVATIVE"] = "XDP";
  g_library_lines.clear();
  g_tool_lines.clear();
  g_buffer.clear();
  bdxsim_use_environment(fake_env);
  bdxsim_reset_for_tests();
  ASSERT_EQ(bdx_table_bind(bdxsim_lookup, nullptr, "bdxsim"), 26);
  ASSERT_EQ(bdx_Init(collect), 0);
  ASSERT_EQ(bdx_Connect("R42", ""), 0);
  reset_target_map();
  select_target_by_name("XDP");
  put(0x1000, 0x1007);
  Regions r;
  ASSERT_FALSE(program_target_from_buffer(r));
  EXPECT_EQ(g_tool_lines[g_tool_lines.size() - 2], fmt("Sector: 1000, data: %X", 0x1000000u * pattern(0x1000) +
                                                       0x10000u * pattern(0x1001) + 0x100u * pattern(0x1002) + pattern(0x1003)));
  EXPECT_EQ(g_library_lines.back(), "No EEPROM at 0x1000");
  r.include_eeprom = false;
  ASSERT_TRUE(program_target_from_buffer(r));
  EXPECT_EQ(mem(0x1007), pattern(0x1007));
  ASSERT_EQ(bdx_EpromEraseAll(get_timing_value(), 0x1000), 0);
  EXPECT_EQ(g_library_lines.back(), "XDP has no EEPROM, nothing to erase");
  EXPECT_EQ(mem(0x1007), pattern(0x1007));
  bdxsim_use_environment(nullptr);
  bdx_table_reset();
}
