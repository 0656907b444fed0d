// The ELF reader and the load of ELF files: against the binutils that wrote the file (the
// S-record m68hc11-objcopy makes of it, the symbols m68hc11-nm lists), and against damaged
// copies of a linked fixture (tests/fixtures/elf/app.elf, linked from app.s and app.ld there).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>
#include <utility>
#include <vector>

#include "buffer/elf_reader.h"
#include "buffer/load_save.h"
#include "buffer/symbols.h"
#include "tests/support/binutils.h"
#include "tests/support/memory_pane.h"
#include "tests/unit/buffer/buffer_test_util.h"

namespace {

std::string fixture_folder() {
  const std::string here = __FILE__;
  return here.substr(0, here.find_last_of("/\\") + 1) + "../../fixtures/elf/";
}

std::vector<uint8_t> fixture_bytes() {
  const std::string text = read_file(fixture_folder() + "app.elf");
  return std::vector<uint8_t>(text.begin(), text.end());
}

uint32_t get32(const std::vector<uint8_t>& d, size_t at) {
  return uint32_t(d[at]) << 24 | uint32_t(d[at + 1]) << 16 | uint32_t(d[at + 2]) << 8 | d[at + 3];
}
void put32(std::vector<uint8_t>& d, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) d[at + i] = uint8_t(v >> (24 - 8 * i));
}

// Every byte the buffer holds.
std::map<uint32_t, uint8_t> buffer_bytes() {
  std::map<uint32_t, uint8_t> out;
  for (const BufferBlock* b = buffer_first_block(); b; b = b->next)
    for (uint32_t i = 0; i < b->length; ++i) out[b->start_address + i] = b->data[i];
  return out;
}

std::vector<std::pair<std::string, uint32_t>> symbol_list(const ElfImage& image) {
  std::vector<std::pair<std::string, uint32_t>> out;
  for (const ElfSymbol& s : image.symbols) out.emplace_back(s.name, s.value);
  std::sort(out.begin(), out.end());
  return out;
}

class ElfLoad : public testing::Test {
 protected:
  void SetUp() override { reset_buffer_quietly(); }
  void TearDown() override { reset_buffer_quietly(); }
  ScopedMemoryPane pane_;
};

TEST(ElfReader, TakesTheSegmentsAtTheirLoadAddressesAndTheDefinedSymbols) {
  const std::vector<uint8_t> bytes = fixture_bytes();
  const ElfImage image = elf_read(bytes.data(), bytes.size());
  ASSERT_TRUE(image.ok) << image.problem;
  std::vector<std::pair<uint32_t, uint32_t>> segments;
  for (const ElfSegment& s : image.segments) segments.emplace_back(s.address, s.size);
  // .data runs at 0x1000 but is loaded from 0xC100; .bss has no bytes of the image.
  EXPECT_EQ(segments, (std::vector<std::pair<uint32_t, uint32_t>>{
                          {0xC000, 8}, {0xC100, 7}, {0xFFFE, 2}, {0x3C8000, 1}}));
  // What m68hc11-nm lists: no section, file or undefined symbols.
  EXPECT_EQ(symbol_list(image), (std::vector<std::pair<std::string, uint32_t>>{
                                    {"LIMIT", 0x40}, {"counter", 0x1000}, {"far_work", 0x3C8000},
                                    {"greeting", 0x1002}, {"loop", 0xC006}, {"scratch", 0x1007},
                                    {"start", 0xC000}}));
}

TEST(ElfReader, RefusesEveryCutShortCopy) {
  const std::vector<uint8_t> bytes = fixture_bytes();
  ASSERT_GT(bytes.size(), 500u);
  for (size_t size = 0; size < bytes.size(); ++size) {
    const ElfImage image = elf_read(bytes.data(), size);
    ASSERT_FALSE(image.ok) << size;
    EXPECT_EQ(image.problem.rfind(size < 4 ? "Not an ELF file" : "Truncated ELF file", 0), 0u)
        << size << ": " << image.problem;
  }
}

TEST(ElfReader, RefusesDamagedFieldsWithTheirProblem) {
  const std::vector<uint8_t> good = fixture_bytes();
  const size_t ph = get32(good, 28), sh = get32(good, 32);
  size_t symtab = 0;  // the symbol table's offset
  for (size_t s = sh; s + 40 <= good.size(); s += 40)
    if (get32(good, s + 4) == 2) symtab = get32(good, s + 16);
  ASSERT_NE(symtab, 0u);
  struct Damage {
    size_t at;
    uint32_t value;
    int width;  // bytes written, big-endian
    const char* problem;
  };
  const Damage damages[] = {
      {0, 0x7E, 1, "Not an ELF file"},
      {4, 2, 1, "Unsupported ELF file (class 2, not 32-bit)"},
      {5, 1, 1, "Unsupported ELF file (data encoding 1, not big-endian)"},
      {16, 1, 2, "Unsupported ELF file (type 1, not an executable: link it first)"},
      {18, 40, 2, "Unsupported ELF file (machine 40, not 68HC12 or 68HC11)"},
      {42, 56, 2, "Unsupported ELF file (program header size 56)"},
      {28, 0xFFFFFFF0, 4, "Truncated ELF file (program headers)"},
      {ph + 4, 0xFFFFFFFC, 4, "Truncated ELF file (segment 0 ends past the end of the file)"},
      {ph + 12, 0xFFFFFFFC, 4, "Unsupported ELF file (segment 0 runs past address 0xFFFFFFFF)"},
      {ph + 32 + 12, 0xC007, 4, "Damaged ELF file (segments overlap at 0xC007)"},
      {32, 0xFFFFFFD8, 4, "Truncated ELF file (section headers)"},
      {symtab + 7 * 16, 0x7FFFFFFF, 4, "Damaged ELF file (symbol 7: name outside the string table)"},
  };
  for (const Damage& d : damages) {
    std::vector<uint8_t> bytes = good;
    for (int i = 0; i < d.width; ++i) bytes[d.at + i] = uint8_t(d.value >> (8 * (d.width - 1 - i)));
    EXPECT_EQ(elf_read(bytes.data(), bytes.size()).problem, d.problem);
  }
  // The 68HC11's machine number is read as well, and a segment may end at 0xFFFFFFFF.
  std::vector<uint8_t> bytes = good;
  bytes[19] = 70;
  put32(bytes, ph + 3 * 32 + 12, 0xFFFFFFFF);
  EXPECT_TRUE(elf_read(bytes.data(), bytes.size()).ok);
}

TEST_F(ElfLoad, LoadsTheSegmentsIntoTheBufferAndARefusedFileStoresNothing) {
  const std::string path = fixture_folder() + "app.elf";
  write_bytes(0x2000, {0x55});
  EXPECT_EQ(load_file_into_buffer(path.c_str()), 1);
  EXPECT_EQ(memory_pane_lines_joined(), "COMMAND: Load to buffer|Loaded file '" + path + "'|COMMAND DONE");
  std::map<uint32_t, uint8_t> held = buffer_bytes();
  EXPECT_EQ(held.size(), 1u + 8 + 7 + 2 + 1);
  EXPECT_EQ(held[0x2000], 0x55);  // merged, as a load of an S-record file merges
  EXPECT_EQ(held[0xC100], 0x12);
  EXPECT_EQ(held[0xC106], 'o');
  EXPECT_EQ(held[0x3C8000], 0x0A);  // rtc

  std::vector<uint8_t> bytes = fixture_bytes();
  put32(bytes, get32(bytes, 28) + 32 + 12, 0xC007);  // the data overlap the code
  const std::string damaged = temp_path("damaged.elf");
  write_file(damaged, std::string(bytes.begin(), bytes.end()));
  reset_buffer_quietly();
  write_bytes(0x2000, {0x55});
  EXPECT_EQ(load_file_into_buffer(damaged.c_str()), 0);
  EXPECT_EQ(memory_pane_lines_joined(), "COMMAND: Load to buffer|Damaged ELF file (segments overlap "
                                        "at 0xC007)|Errors in file '" + damaged + "'");
  EXPECT_EQ(buffer_bytes(), (std::map<uint32_t, uint8_t>{{0x2000, 0x55}}));
  std::remove(damaged.c_str());
}

// The binutils are the oracle: what the tool loads from an ELF file is what it loads from the
// S-record m68hc11-objcopy makes of it, and its symbols are m68hc11-nm's.
TEST_F(ElfLoad, EqualsObjcopysSRecordAndNmsSymbols) {
  for (const char* tool : {"m68hc11-as", "m68hc11-ld", "m68hc11-objcopy", "m68hc11-nm"})
    if (!have_tool(tool)) GTEST_SKIP() << tool << " is not installed: run scripts/install-deps";
  const std::string dir = scratch_folder("elf_oracle");
  const std::string fixtures = fixture_folder();
  // Linked as a build links, with the segments page-aligned in the file.
  ASSERT_TRUE(run_command("cd '" + dir + "' && m68hc11-as -m68hc12 -o app.o '" + fixtures +
                          "app.s' && m68hc11-ld -m m68hc12elf -T '" + fixtures +
                          "app.ld' -o app.elf app.o && m68hc11-objcopy -O srec app.elf app.s19 && "
                          "m68hc11-nm app.elf > app.nm"));
  ASSERT_EQ(load_file_into_buffer((dir + "app.elf").c_str()), 1) << memory_pane_lines_joined();
  const std::map<uint32_t, uint8_t> from_elf = buffer_bytes();
  reset_buffer_quietly();
  ASSERT_EQ(load_file_into_buffer((dir + "app.s19").c_str()), 1) << memory_pane_lines_joined();
  EXPECT_EQ(buffer_bytes(), from_elf);
  EXPECT_EQ(from_elf.size(), 18u);

  std::vector<std::pair<std::string, uint32_t>> nm;
  std::istringstream lines(read_text(dir + "app.nm"));
  std::string line;
  while (std::getline(lines, line)) {
    unsigned value = 0;
    char type = 0;
    char name[256];
    if (std::sscanf(line.c_str(), "%x %c %255s", &value, &type, name) == 3) nm.emplace_back(name, value);
  }
  std::sort(nm.begin(), nm.end());
  std::vector<uint8_t> bytes;
  const ElfImage image = elf_read_file((dir + "app.elf").c_str(), &bytes);
  ASSERT_TRUE(image.ok) << image.problem;
  EXPECT_EQ(symbol_list(image), nm);
  EXPECT_EQ(nm.size(), 7u);
}

TEST(Symbols, AddressesAsHexSymbolsAndOffsets) {
  SymbolTable table;
  table.values = {{"counter", {0x1000}}, {"cafe", {0xC100}}, {"loop", {0xC006, 0xC020}}};
  auto at = [&table](const char* text) {
    const AddressLookup r = look_up_address(text, table);
    return r.ok ? r.address : 0xDEADu;
  };
  auto problem = [&table](const char* text) { return look_up_address(text, table).problem; };
  EXPECT_EQ(at("1000"), 0x1000u);
  EXPECT_EQ(at("3C8000"), 0x3C8000u);
  EXPECT_EQ(at("counter"), 0x1000u);
  EXPECT_EQ(at("counter+1E"), 0x101Eu);
  EXPECT_EQ(at("1000+2"), 0x1002u);
  EXPECT_EQ(at("cafe+0"), 0xC100u);
  EXPECT_EQ(at("0cafe"), 0xCAFEu);
  EXPECT_EQ(at("0FFFFFFFF"), 0xFFFFFFFFu);
  EXPECT_EQ(problem("cafe"), "'cafe' is both a hexadecimal address and a symbol: write cafe+0 "
                             "for the symbol, 0cafe for the address");
  EXPECT_EQ(problem("loop"), "Symbol 'loop' has several values (C006, C020)");
  EXPECT_EQ(problem("nothing"), "'nothing' is neither a hexadecimal address nor a symbol");
  EXPECT_EQ(problem("counter+x"), "'x' in 'counter+x' is not a hexadecimal offset");
  EXPECT_EQ(problem("counter+"), "'' in 'counter+' is not a hexadecimal offset");
  EXPECT_EQ(problem("+4"), "No address before the offset in '+4'");
  EXPECT_EQ(problem("FFFFFFFF+1"), "'FFFFFFFF+1' lies past address FFFFFFFF");
  EXPECT_EQ(problem("123456789"), "'123456789' is neither a hexadecimal address nor a symbol");
  EXPECT_EQ(problem(""), "No address");
  EXPECT_EQ(look_up_address("counter", SymbolTable{}).problem,
            "'counter' is not a hexadecimal address, and there are no symbols (an ELF file or "
            "--symbols FILE gives them)");
  uint32_t address = 0;
  EXPECT_TRUE(resolve_address("counter+2", table, &address));
  EXPECT_EQ(address, 0x1002u);
  EXPECT_FALSE(resolve_address("loop", table, &address));
  EXPECT_EQ(address, 0x1002u);  // untouched
}

TEST(Symbols, TableOfAnElfFile) {
  SymbolTable table;
  std::string problem;
  ASSERT_TRUE(load_symbol_file((fixture_folder() + "app.elf").c_str(), &table, &problem)) << problem;
  uint32_t address = 0;
  EXPECT_TRUE(resolve_address("greeting+4", table, &address));
  EXPECT_EQ(address, 0x1006u);
  EXPECT_FALSE(load_symbol_file((fixture_folder() + "app.s").c_str(), &table, &problem));
  EXPECT_EQ(problem, "Not an ELF file");
}

}  // namespace
