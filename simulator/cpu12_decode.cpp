// The CPU12 opcode maps and the decoder that measures instructions with them.
#include "simulator/cpu12.h"
#include "simulator/cpu12_table.h"

namespace {

using F = Cpu12Form;

#define INH(m, c) {m, F::Inherent, c, false}
#define IM8(m, c) {m, F::Imm8, c, false}
#define IM16(m, c) {m, F::Imm16, c, true}
#define DIR(m, c) {m, F::Direct, c, false}
#define EXT(m, c) {m, F::Extended, c, false}
#define IDX(m, c) {m, F::Indexed, c, false}
#define REL(m, c) {m, F::Rel8, c, false}
#define LREL(m, c) {m, F::Rel16, c, false}
#define TRAP {"trap", F::Trap, 10, false}
#define TRAP8 TRAP, TRAP, TRAP, TRAP, TRAP, TRAP, TRAP, TRAP
#define TRAP16 TRAP8, TRAP8

// The 16 arithmetic and logic opcodes of one accumulator column, in one addressing mode. The
// 0x_7 slots differ per mode and are given separately.
#define ALU_A(MODE, MODE16, c, c16, slot7)                                                       \
  MODE("suba", c), MODE("cmpa", c), MODE("sbca", c), MODE16("subd", c16), MODE("anda", c),    \
      MODE("bita", c), MODE("ldaa", c), slot7, MODE("eora", c), MODE("adca", c),              \
      MODE("oraa", c), MODE("adda", c), MODE16("cpd", c16), MODE16("cpy", c16),               \
      MODE16("cpx", c16), MODE16("cps", c16)
#define ALU_B(MODE, MODE16, c, c16, slot7)                                                       \
  MODE("subb", c), MODE("cmpb", c), MODE("sbcb", c), MODE16("addd", c16), MODE("andb", c),    \
      MODE("bitb", c), MODE("ldab", c), slot7, MODE("eorb", c), MODE("adcb", c),              \
      MODE("orab", c), MODE("addb", c), MODE16("ldd", c16), MODE16("ldy", c16),               \
      MODE16("ldx", c16), MODE16("lds", c16)
#define RMW(MODE, c, clr)                                                                       \
  MODE("neg", c), MODE("com", c), MODE("inc", c), MODE("dec", c), MODE("lsr", c),              \
      MODE("rol", c), MODE("ror", c), MODE("asr", c), MODE("asl", c), MODE("clr", clr)
#define STORES(MODE, c)                                                                         \
  MODE("staa", c), MODE("stab", c), MODE("std", c), MODE("sty", c), MODE("stx", c),            \
      MODE("sts", c)

}  // namespace

const Cpu12Opcode kCpu12Page1[256] = {
    // 0x00
    INH("bgnd", 5), INH("mem", 5), INH("iny", 1), INH("dey", 1),
    {"loop", F::Loop, 3, false}, IDX("jmp", 3), EXT("jmp", 3), REL("bsr", 4),
    INH("inx", 1), INH("dex", 1), INH("rtc", 6), INH("rti", 8),
    {"bset", F::BitIndexed, 4, false}, {"bclr", F::BitIndexed, 4, false},
    {"brset", F::BrBitIndexed, 4, false}, {"brclr", F::BrBitIndexed, 4, false},
    // 0x10
    IM8("andcc", 1), INH("ediv", 11), INH("mul", 3), INH("emul", 3),
    IM8("orcc", 1), IDX("jsr", 4), EXT("jsr", 4), DIR("jsr", 4),
    {"", F::Page2, 0, false}, IDX("leay", 2), IDX("leax", 2), IDX("leas", 2),
    {"bset", F::BitExtended, 4, false}, {"bclr", F::BitExtended, 4, false},
    {"brset", F::BrBitExtended, 5, false}, {"brclr", F::BrBitExtended, 5, false},
    // 0x20: BRA always takes 3 cycles, BRN 1, the others 1 (+2 when taken)
    REL("bra", 3), REL("brn", 1), REL("bhi", 1), REL("bls", 1),
    REL("bcc", 1), REL("bcs", 1), REL("bne", 1), REL("beq", 1),
    REL("bvc", 1), REL("bvs", 1), REL("bpl", 1), REL("bmi", 1),
    REL("bge", 1), REL("blt", 1), REL("bgt", 1), REL("ble", 1),
    // 0x30
    INH("pulx", 3), INH("puly", 3), INH("pula", 3), INH("pulb", 3),
    INH("pshx", 2), INH("pshy", 2), INH("psha", 2), INH("pshb", 2),
    INH("pulc", 3), INH("pshc", 2), INH("puld", 3), INH("pshd", 2),
    INH("wavr", 7), INH("rts", 5), INH("wai", 8), INH("swi", 9),
    // 0x40
    INH("nega", 1), INH("coma", 1), INH("inca", 1), INH("deca", 1),
    INH("lsra", 1), INH("rola", 1), INH("rora", 1), INH("asra", 1),
    INH("asla", 1), INH("lsrd", 1), {"call", F::CallExtended, 7, false},
    {"call", F::CallIndexed, 7, false},
    {"bset", F::BitDirect, 4, false}, {"bclr", F::BitDirect, 4, false},
    {"brset", F::BrBitDirect, 4, false}, {"brclr", F::BrBitDirect, 4, false},
    // 0x50
    INH("negb", 1), INH("comb", 1), INH("incb", 1), INH("decb", 1),
    INH("lsrb", 1), INH("rolb", 1), INH("rorb", 1), INH("asrb", 1),
    INH("aslb", 1), INH("asld", 1), STORES(DIR, 2),
    // 0x60, 0x70
    RMW(IDX, 3, 2), STORES(IDX, 2),
    RMW(EXT, 4, 3), STORES(EXT, 3),
    // 0x80 - 0xBF
    ALU_A(IM8, IM16, 1, 2, INH("clra", 1)),
    ALU_A(DIR, DIR, 3, 3, INH("tsta", 1)),
    ALU_A(IDX, IDX, 3, 3, INH("nop", 1)),
    ALU_A(EXT, EXT, 3, 3, (Cpu12Opcode{"tfr", F::Transfer, 1, false})),
    // 0xC0 - 0xFF
    ALU_B(IM8, IM16, 1, 2, INH("clrb", 1)),
    ALU_B(DIR, DIR, 3, 3, INH("tstb", 1)),
    ALU_B(IDX, IDX, 3, 3, IDX("tst", 3)),
    ALU_B(EXT, EXT, 3, 3, EXT("tst", 3)),
};

const Cpu12Opcode kCpu12Page2[256] = {
    // 0x00
    {"movw", F::MoveImmIdx, 4, true}, {"movw", F::MoveExtIdx, 5, true},
    {"movw", F::MoveIdxIdx, 5, true}, {"movw", F::MoveImmExt, 5, true},
    {"movw", F::MoveExtExt, 6, true}, {"movw", F::MoveIdxExt, 5, true},
    INH("aba", 2), INH("daa", 3),
    {"movb", F::MoveImmIdx, 4, false}, {"movb", F::MoveExtIdx, 5, false},
    {"movb", F::MoveIdxIdx, 5, false}, {"movb", F::MoveImmExt, 4, false},
    {"movb", F::MoveExtExt, 6, false}, {"movb", F::MoveIdxExt, 5, false},
    INH("tab", 2), INH("tba", 2),
    // 0x10
    INH("idiv", 12), INH("fdiv", 12), EXT("emacs", 13), INH("emuls", 3),
    INH("edivs", 12), INH("idivs", 12), INH("sba", 2), INH("cba", 2),
    IDX("maxa", 4), IDX("mina", 4), IDX("emaxd", 4), IDX("emind", 4),
    IDX("maxm", 4), IDX("minm", 4), IDX("emaxm", 4), IDX("eminm", 4),
    // 0x20: LBRA always 4 cycles, LBRN 3, the others 3 (+1 when taken)
    LREL("lbra", 4), LREL("lbrn", 3), LREL("lbhi", 3), LREL("lbls", 3),
    LREL("lbcc", 3), LREL("lbcs", 3), LREL("lbne", 3), LREL("lbeq", 3),
    LREL("lbvc", 3), LREL("lbvs", 3), LREL("lbpl", 3), LREL("lbmi", 3),
    LREL("lbge", 3), LREL("lblt", 3), LREL("lbgt", 3), LREL("lble", 3),
    // 0x30
    TRAP8, TRAP, TRAP, INH("rev", 3), INH("revw", 3),
    INH("wav", 8), IDX("tbl", 8), INH("stop", 9), IDX("etbl", 10),
    // 0x40 - 0xFF
    TRAP16, TRAP16, TRAP16, TRAP16, TRAP16, TRAP16, TRAP16, TRAP16, TRAP16, TRAP16, TRAP16,
    TRAP16,
};

int cpu12_decode(const uint8_t* code, int available, Cpu12Decoded* out) {
  if (available < 1) return 0;
  const Cpu12Opcode* op = &kCpu12Page1[code[0]];
  int at = 1;  // bytes before the operands
  if (op->form == F::Page2) {
    if (available < 2) return 0;
    op = &kCpu12Page2[code[1]];
    at = 2;
  }
  // The bytes after a postbyte at code[p]: p + 1 + its extension, or 0 when not yet available.
  auto after_index = [&](int p) { return p < available ? p + 1 + cpu12_index_extension(code[p]) : 0; };
  int data = op->word ? 2 : 1;
  int length = 0;
  const char* mnemonic = op->mnemonic;
  switch (op->form) {
    case F::Inherent: case F::Trap: length = at; break;
    case F::Imm8: case F::Direct: case F::Rel8: case F::Transfer: length = at + 1; break;
    case F::Imm16: case F::Extended: case F::Rel16: length = at + 2; break;
    case F::Loop: length = at + 2; break;
    case F::BitDirect: length = at + 2; break;
    case F::BitExtended: case F::BrBitDirect: case F::CallExtended: length = at + 3; break;
    case F::BrBitExtended: length = at + 4; break;
    case F::Indexed: length = after_index(at); break;
    case F::BitIndexed: length = after_index(at); if (length) length += 1; break;
    case F::BrBitIndexed: length = after_index(at); if (length) length += 2; break;
    case F::CallIndexed:
      length = after_index(at);
      // [16-bit, r] and [D, r] fetch the page from memory with the address.
      if (length && !((code[at] & 0xE3) == 0xE3)) length += 1;
      break;
    case F::MoveImmIdx: length = at + 1 + data; break;
    case F::MoveExtIdx: case F::MoveIdxExt: length = at + 3; break;
    case F::MoveIdxIdx: length = at + 2; break;
    case F::MoveImmExt: length = at + data + 2; break;
    case F::MoveExtExt: length = at + 4; break;
    case F::Page2: break;
  }
  if (length == 0 || length > available) return 0;
  if (op->form == F::Loop) {
    static const char* const kLoop[8] = {"dbeq", "dbne", "tbeq", "tbne",
                                         "ibeq", "ibne", "dbeq", "dbeq"};
    mnemonic = kLoop[code[at] >> 5];
  } else if (op->form == F::Transfer) {
    mnemonic = (code[at] & 0x80) ? "exg" : "tfr";
  }
  if (out) {
    out->length = length;
    out->mnemonic = mnemonic;
    out->cycles = op->cycles;
  }
  return length;
}
