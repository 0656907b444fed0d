// The core's decoding against the m68hc12 disassembler of binutils, and the core's execution
// against its own decoding: every opcode of both maps, with representative postbytes for the
// indexed forms and every postbyte of TFR/EXG and of the loop primitives.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "simulator/cpu12.h"
#include "simulator/cpu12_table.h"
#include "simulator/sim_target.h"
#include "tests/unit/cpu12/cpu12_support.h"

namespace {

// One of each indexed form: 5-bit offsets (X, Y, SP, PC, both signs), automatic pre/post
// increment and decrement (X, Y, SP), 9-bit and 16-bit offsets, [16-bit, r], accumulator
// offsets and [D, r].
const uint8_t kPostbytes[] = {0x00, 0x0F, 0x10, 0x1F, 0x45, 0x9C, 0xC3, 0xD0, 0x20, 0x27,
                              0x28, 0x2F, 0x30, 0x3F, 0x61, 0x78, 0xA3, 0xBF, 0xE0, 0xE9,
                              0xF1, 0xF8, 0xE2, 0xEA, 0xF2, 0xFA, 0xE3, 0xEB, 0xF3, 0xFB,
                              0xE4, 0xED, 0xF6, 0xFC, 0xE7, 0xEF, 0xF7, 0xFF};

bool has_postbyte(Cpu12Form f) {
  switch (f) {
    case Cpu12Form::Indexed: case Cpu12Form::BitIndexed: case Cpu12Form::BrBitIndexed:
    case Cpu12Form::CallIndexed: case Cpu12Form::MoveImmIdx: case Cpu12Form::MoveExtIdx:
    case Cpu12Form::MoveIdxIdx: case Cpu12Form::MoveIdxExt: return true;
    default: return false;
  }
}

bool is_move(Cpu12Form f) {
  return f == Cpu12Form::MoveImmIdx || f == Cpu12Form::MoveExtIdx ||
         f == Cpu12Form::MoveIdxIdx || f == Cpu12Form::MoveIdxExt;
}

// The instruction bytes of one case: opcode(s), the postbyte when there is one (twice for moves
// from indexed to indexed), then operand bytes; cut to the length the core decodes.
std::vector<uint8_t> instruction(std::vector<uint8_t> bytes, Cpu12Form form, int postbyte) {
  if (postbyte >= 0) {
    bytes.push_back(static_cast<uint8_t>(postbyte));
    if (form == Cpu12Form::MoveIdxIdx) bytes.push_back(static_cast<uint8_t>(postbyte));
  }
  for (uint8_t filler : {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}) bytes.push_back(filler);
  Cpu12Decoded d;
  int length = cpu12_decode(bytes.data(), static_cast<int>(bytes.size()), &d);
  EXPECT_GT(length, 0);
  bytes.resize(length > 0 ? length : 1);
  return bytes;
}

// Every case: both maps, each indexed opcode with each representative postbyte (for moves only
// the postbytes moves can have), TFR/EXG and the loop primitives with every postbyte.
std::vector<std::vector<uint8_t>> all_cases() {
  std::vector<std::vector<uint8_t>> cases;
  for (int page = 1; page <= 2; ++page) {
    for (int op = 0; op < 256; ++op) {
      const Cpu12Opcode& o = page == 1 ? kCpu12Page1[op] : kCpu12Page2[op];
      if (o.form == Cpu12Form::Page2) continue;
      std::vector<uint8_t> opcode;
      if (page == 2) opcode.push_back(0x18);
      opcode.push_back(static_cast<uint8_t>(op));
      if (o.form == Cpu12Form::Loop || o.form == Cpu12Form::Transfer) {
        for (int pb = 0; pb < 256; ++pb) cases.push_back(instruction(opcode, o.form, pb));
      } else if (has_postbyte(o.form)) {
        for (uint8_t pb : kPostbytes)
          if (!is_move(o.form) || cpu12_move_postbyte(pb))
            cases.push_back(instruction(opcode, o.form, pb));
      } else {
        cases.push_back(instruction(opcode, o.form, -1));
      }
    }
  }
  return cases;
}

std::string hex(const std::vector<uint8_t>& bytes) {
  std::string s;
  char b[4];
  for (uint8_t v : bytes) {
    std::snprintf(b, sizeof b, "%02X ", v);
    s += b;
  }
  return s;
}

struct Disassembled {
  int length = 0;
  std::string mnemonic;
};

// objdump's lines "  addr:\tbytes\tmnemonic\toperands"; long instructions continue on lines
// that carry only bytes. The length of an instruction is the distance to the next one.
std::map<uint32_t, Disassembled> parse_objdump(const std::string& text) {
  std::vector<std::pair<uint32_t, std::string>> starts;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    size_t p = line.find_first_not_of(' ');
    size_t colon = line.find(":\t");
    if (p == std::string::npos || colon == std::string::npos || colon <= p) continue;
    std::string address = line.substr(p, colon - p);
    if (address.find_first_not_of("0123456789abcdef") != std::string::npos) continue;
    size_t tab = line.find('\t', colon + 2);
    if (tab == std::string::npos) continue;  // continuation: bytes only
    size_t end = line.find('\t', tab + 1);
    std::string mnemonic = line.substr(tab + 1, end == std::string::npos ? std::string::npos
                                                                         : end - tab - 1);
    while (!mnemonic.empty() && mnemonic.back() == ' ') mnemonic.pop_back();
    starts.emplace_back(static_cast<uint32_t>(std::stoul(address, nullptr, 16)), mnemonic);
  }
  std::map<uint32_t, Disassembled> result;
  for (size_t i = 0; i < starts.size(); ++i) {
    Disassembled d;
    d.mnemonic = starts[i].second;
    d.length = i + 1 < starts.size() ? static_cast<int>(starts[i + 1].first - starts[i].first) : 0;
    result[starts[i].first] = d;
  }
  return result;
}

// The disassembler's spelling in the core's terms: it names some transfers, CCR operations and
// SP adjustments by their aliases, and has no name for wavr (0x3C), which only an interrupted
// WAV ever returns to.
std::string mnemonic_class(const std::string& m) {
  static const std::map<std::string, std::string> kAliases = {
      {"sex", "tfr"}, {"tpa", "tfr"}, {"tap", "tfr"}, {"tsx", "tfr"}, {"tsy", "tfr"},
      {"txs", "tfr"}, {"tys", "tfr"}, {"xgdx", "exg"}, {"xgdy", "exg"}, {"clc", "andcc"},
      {"cli", "andcc"}, {"clv", "andcc"}, {"sec", "orcc"}, {"sei", "orcc"}, {"sev", "orcc"},
      {"des", "leas"}, {"ins", "leas"}, {"abx", "leax"}, {"aby", "leay"}, {".byte", "wavr"}};
  auto it = kAliases.find(m);
  return it == kAliases.end() ? m : it->second;
}

constexpr int kSlot = 16;  // every case starts a slot; NOPs fill the rest

}  // namespace

TEST(Cpu12Decode, BothMapsAreComplete) {
  for (int op = 0; op < 256; ++op) {
    EXPECT_TRUE(kCpu12Page1[op].mnemonic[0] || kCpu12Page1[op].form == Cpu12Form::Page2) << op;
    EXPECT_TRUE(kCpu12Page2[op].mnemonic[0] != 0) << op;
    EXPECT_GT(kCpu12Page2[op].cycles, 0) << op;
  }
  // Every mnemonic of the CPU12 appears; TRAP fills exactly the unimplemented page-2 opcodes.
  int traps = 0;
  for (int op = 0; op < 256; ++op) traps += kCpu12Page2[op].form == Cpu12Form::Trap;
  EXPECT_EQ(traps, 10 + 192);
  uint8_t too_short[] = {0x18, 0x04, 0x10, 0x00};
  EXPECT_EQ(cpu12_decode(too_short, 4, nullptr), 0);
  EXPECT_EQ(cpu12_decode(too_short, 1, nullptr), 0);
  EXPECT_EQ(cpu12_decode(too_short, 0, nullptr), 0);
}

TEST(Cpu12Decode, LengthsAndMnemonicsAgreeWithTheBinutilsDisassembler) {
  if (!have_tool("m68hc11-objdump"))
    GTEST_SKIP() << "m68hc11-objdump (binutils-m68hc1x) is not installed: run scripts/install-deps";
  std::vector<std::vector<uint8_t>> cases = all_cases();
  std::vector<uint8_t> image;
  for (const std::vector<uint8_t>& c : cases) {
    image.insert(image.end(), c.begin(), c.end());
    image.resize(image.size() + kSlot - c.size(), 0xA7);  // NOP
  }
  std::string dir = scratch_folder("decode");
  ASSERT_TRUE(write_bytes(dir + "all.bin", image));
  ASSERT_TRUE(run_command("m68hc11-objdump -D -b binary -m m68hc12 " + dir + "all.bin > " + dir +
                          "all.txt 2>&1"));
  std::map<uint32_t, Disassembled> dis = parse_objdump(read_file(dir + "all.txt"));
  ASSERT_GT(dis.size(), cases.size());
  int mismatches = 0;
  for (size_t i = 0; i < cases.size() && mismatches < 20; ++i) {
    const std::vector<uint8_t>& c = cases[i];
    auto it = dis.find(static_cast<uint32_t>(i * kSlot));
    ASSERT_NE(it, dis.end()) << hex(c);
    Cpu12Decoded d;
    cpu12_decode(c.data(), static_cast<int>(c.size()), &d);
    bool same = it->second.length == d.length && mnemonic_class(it->second.mnemonic) == d.mnemonic;
    EXPECT_TRUE(same) << hex(c) << ": core " << d.length << " " << d.mnemonic << ", objdump "
                      << it->second.length << " " << it->second.mnemonic;
    mismatches += !same;
  }
  EXPECT_GT(cases.size(), 2500u);
}

// Executing any instruction that does not transfer control leaves PC after the bytes the
// decoder counts, so the core fetches exactly what the decoder measures.
TEST(Cpu12Decode, ExecutionConsumesTheDecodedLength) {
  static const std::set<std::string> kControl = {
      "jmp", "jsr", "bsr", "rts", "rtc", "rti", "call", "swi", "trap", "dbeq", "dbne", "tbeq",
      "tbne", "ibeq", "ibne", "brset", "brclr"};
  int checked = 0;
  SimTarget t = powered_part();
  for (const std::vector<uint8_t>& c : all_cases()) {
    Cpu12Decoded d;
    cpu12_decode(c.data(), static_cast<int>(c.size()), &d);
    std::string m = d.mnemonic;
    const Cpu12Opcode& o = c[0] == 0x18 ? kCpu12Page2[c[1]] : kCpu12Page1[c[0]];
    if (kControl.count(m) || o.form == Cpu12Form::Rel8 || o.form == Cpu12Form::Rel16) continue;
    std::fill(t.ram.begin(), t.ram.end(), 0);
    t.regs[kSimRegPPAGE] = 0x30;
    t.window_page = 0x30;
    poke(t, 0x2000, c);
    t.cpu.pc = 0x2000;
    t.cpu.sp = 0x3800;
    t.cpu.x = 0x3000;
    t.cpu.y = 0x3100;
    t.cpu.d = 0x0102;
    t.cpu.ccr = 0xD0;
    Cpu12Run run = cpu12_execute(t, UINT64_MAX, 1);
    EXPECT_EQ(run.instructions, 1u) << hex(c);
    EXPECT_EQ(t.cpu.pc, 0x2000 + d.length) << hex(c) << d.mnemonic;
    EXPECT_GE(run.cycles, static_cast<uint64_t>(d.cycles)) << hex(c);
    ++checked;
  }
  EXPECT_GT(checked, 2000);
}
