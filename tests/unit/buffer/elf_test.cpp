// The ELF reader and the load of ELF files: against the binutils that wrote the file (the
// S-record m68hc11-objcopy makes of it, the symbols m68hc11-nm lists), and against damaged
// copies of a linked fixture (tests/fixtures/elf/app.elf, linked from app.s and app.ld there).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
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
  // The program headers, and the symbol table (section 6 of the fixture).
  const size_t ph = get32(good, 28), symtab = get32(good, get32(good, 32) + 6 * 40 + 16);
  const std::pair<size_t, const char*> damages[] = {  // a word set to 0xFFFFFFFC
      {16, "Unsupported ELF file (machine 65532, not 68HC12 or 68HC11)"},
      {28, "Truncated ELF file (program headers)"},
      {ph + 4, "Truncated ELF file (segment 0 ends past the end of the file)"},
      {ph + 12, "Unsupported ELF file (segment 0 runs past address 0xFFFFFFFF)"},
      {symtab + 7 * 16, "Damaged ELF file (symbol 7: name outside the string table)"},
  };
  for (const auto& d : damages) {
    std::vector<uint8_t> bytes = good;
    put32(bytes, d.first, 0xFFFFFFFC);
    EXPECT_EQ(elf_read(bytes.data(), bytes.size()).problem, d.second);
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
  EXPECT_EQ(held.size(), 1u + 8 + 7 + 2 + 1);  // merged, as a load of an S-record file merges
  EXPECT_EQ(held[0xC100], 0x12);               // .data's first byte where it is loaded

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

  std::vector<std::pair<std::string, uint32_t>> nm;  // "0000c006 t loop"; undefined ones have no value
  std::istringstream lines(read_file(dir + "app.nm"));
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    uint32_t value = 0;
    std::string type, name;
    if (fields >> std::hex >> value >> type >> name) nm.emplace_back(name, value);
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
  auto look_up = [&table](const char* text) {
    const AddressLookup r = look_up_address(text, table);
    return r.ok ? std::to_string(r.address) : r.problem;
  };
  EXPECT_EQ(look_up("3C8000"), std::to_string(0x3C8000));
  EXPECT_EQ(look_up("counter+1E"), std::to_string(0x101E));
  EXPECT_EQ(look_up("cafe+0"), std::to_string(0xC100));
  EXPECT_EQ(look_up("0cafe"), std::to_string(0xCAFE));
  EXPECT_EQ(look_up("cafe"), "'cafe' is both a hexadecimal address and a symbol: write cafe+0 "
                             "for the symbol, 0cafe for the address");
  EXPECT_EQ(look_up("loop"), "Symbol 'loop' has several values (C006, C020)");
  EXPECT_EQ(look_up("123456789"), "'123456789' is neither a hexadecimal address nor a symbol");
  EXPECT_EQ(look_up("counter+x"), "'x' in 'counter+x' is not a hexadecimal offset");
  EXPECT_EQ(look_up("FFFFFFFF+1"), "'FFFFFFFF+1' lies past address FFFFFFFF");
}

}  // namespace
