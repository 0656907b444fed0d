// The CPU12 core: executes instructions over the simulated part's memory map and registers.
#include "simulator/cpu12.h"

#include <algorithm>
#include <cstring>

#include "simulator/cpu12_table.h"
#include "simulator/sim_target.h"

namespace {

enum : uint16_t {
  kC = 0x01, kV = 0x02, kZ = 0x04, kN = 0x08, kI = 0x10, kH = 0x20, kX = 0x40, kS = 0x80
};

constexpr uint16_t kVectorSwi = 0xFFF6;
constexpr uint16_t kVectorTrap = 0xFFF8;
constexpr uint16_t kErasedVector = 0xFFFF;
// The CPU12X's interrupt priority level (CCR bits 10:8). Every request of the simulated
// peripherals has level 1, the interrupt module's default, and enters at that level.
constexpr uint16_t kIplMask = 0x0700;
constexpr uint16_t kIplOfRequests = 0x0100;

// The registers and a map of the CPU's 64 KiB in 256-byte slots, built when execution starts.
// A slot that lies wholly inside one area is read (and in RAM written) through a pointer; every
// other access goes through sim_read/sim_write, which keep the paging registers' effects, so
// writing PPAGE (or GPAGE on HCS12X) remaps the window slots. The slot of the peripherals'
// registers is read through sim_read too, so that their reads see the present and begin the
// flag-clearing sequences.
struct Core {
  SimTarget* t;
  bool x_part;
  uint16_t pc, sp, ix, iy, tmp, ccr;
  uint8_t a, b;
  uint64_t cycles;   // bus cycles used since execution began
  uint64_t base;     // the part's bus cycle (SimBoard::now) when execution began
  // The loop of instructions runs while cycles < horizon: the budget or the next event of the
  // peripherals. An instruction that may change what the peripherals do or whether an
  // interrupt is taken sets it to 0, so that the loop looks at them after that instruction.
  uint64_t horizon;
  bool waiting;          // in WAI
  bool skip_breakpoint;  // SimBoard::skip_breakpoint
  const uint8_t* rd[256];
  uint8_t* wr[256];
  bool split[256];  // an area boundary falls inside the slot: no pointer
};

void map_slot(Core& c, int s) {
  c.rd[s] = nullptr;
  c.wr[s] = nullptr;
  if (c.split[s]) return;
  SimLocation loc = sim_resolve(*c.t, static_cast<uint32_t>(s) << 8);
  switch (loc.area) {
    case SimArea::Register: c.rd[s] = c.t->regs + loc.index; break;
    case SimArea::Ram: c.wr[s] = c.t->ram.data() + loc.index; c.rd[s] = c.wr[s]; break;
    case SimArea::Eeprom: c.rd[s] = c.t->eeprom.data() + loc.index; break;
    case SimArea::Flash: c.rd[s] = c.t->flash.data() + loc.index; break;
    case SimArea::None: break;
  }
}

// Every area is one address range, so the map can only change where a range starts or ends.
void build_map(Core& c) {
  const SimPart& p = *c.t->part;
  std::memset(c.split, 0, sizeof c.split);
  const uint32_t bounds[] = {0x400, p.ram_start, p.ram_end + 1, p.eeprom_start,
                             p.eeprom_end + 1, 0x4000, 0x8000, 0xC000};
  for (uint32_t b : bounds)
    if (b < 0x10000 && (b & 0xFF)) c.split[b >> 8] = true;
  for (int s = 0; s < 256; ++s) map_slot(c, s);
  static_assert(kSimBoardFirst >> 8 == (kSimBoardEnd - 1) >> 8, "one slot");
  c.rd[kSimBoardFirst >> 8] = nullptr;
}

void map_window(Core& c) {
  for (int s = 0x80; s < 0xC0; ++s) map_slot(c, s);
}

inline bool board_register(uint16_t a) { return a >= kSimBoardFirst && a < kSimBoardEnd; }

// The peripherals brought up to the present bus cycle, before one of their registers is read
// or written; the loop looks at them again when that moved their next event.
void catch_up_board(Core& c) {
  const uint64_t next = c.t->board.next_event;
  sim_board_advance(*c.t, c.base + c.cycles);
  if (c.t->board.next_event != next) c.horizon = 0;
}

uint8_t slow_read(Core& c, uint16_t a) {
  const bool board = board_register(a);
  if (board) catch_up_board(c);
  uint8_t v = 0xFF;
  if (sim_read(*c.t, a, &v) != 0) v = 0xFF;  // nothing there: the bus floats high
  if (board && sim_board_cpu_read(*c.t, a)) c.horizon = 0;
  return v;
}

void slow_write(Core& c, uint16_t a, uint8_t v) {
  const bool board = board_register(a) && a != kSimRegPPAGE;
  if (board) catch_up_board(c);
  sim_write(*c.t, a, v);
  // An interrupt enabled, a flag cleared, an event scheduled, a breakpoint set.
  if (board) c.horizon = 0;
  if (a == kSimRegPPAGE || (c.x_part && a == kSimRegINITRM)) map_window(c);
}

inline uint8_t rd8(Core& c, uint16_t a) {
  const uint8_t* p = c.rd[a >> 8];
  return p ? p[a & 0xFF] : slow_read(c, a);
}
inline uint16_t rd16(Core& c, uint16_t a) {
  return static_cast<uint16_t>(rd8(c, a) << 8 | rd8(c, static_cast<uint16_t>(a + 1)));
}
inline void wr8(Core& c, uint16_t a, uint8_t v) {
  uint8_t* p = c.wr[a >> 8];
  if (p) p[a & 0xFF] = v;
  else slow_write(c, a, v);
}
inline void wr16(Core& c, uint16_t a, uint16_t v) {
  wr8(c, a, static_cast<uint8_t>(v >> 8));
  wr8(c, static_cast<uint16_t>(a + 1), static_cast<uint8_t>(v));
}

inline uint8_t imm8(Core& c) { return rd8(c, c.pc++); }
inline uint16_t imm16(Core& c) {
  uint16_t v = rd16(c, c.pc);
  c.pc = static_cast<uint16_t>(c.pc + 2);
  return v;
}

inline uint16_t d(const Core& c) { return static_cast<uint16_t>(c.a << 8 | c.b); }
inline void set_d(Core& c, uint16_t v) {
  c.a = static_cast<uint8_t>(v >> 8);
  c.b = static_cast<uint8_t>(v);
}

inline void push8(Core& c, uint8_t v) { wr8(c, --c.sp, v); }
inline void push16(Core& c, uint16_t v) {
  c.sp = static_cast<uint16_t>(c.sp - 2);
  wr16(c, c.sp, v);
}
inline uint8_t pull8(Core& c) { return rd8(c, c.sp++); }
inline uint16_t pull16(Core& c) {
  uint16_t v = rd16(c, c.sp);
  c.sp = static_cast<uint16_t>(c.sp + 2);
  return v;
}

// --- condition codes ---

inline void set_flags(Core& c, uint16_t mask, uint16_t value) {
  c.ccr = static_cast<uint16_t>((c.ccr & ~mask) | value);
}
inline uint16_t nz8(unsigned r) { return ((r & 0x80) ? kN : 0) | ((r & 0xFF) ? 0 : kZ); }
inline uint16_t nz16(unsigned r) { return ((r & 0x8000) ? kN : 0) | ((r & 0xFFFF) ? 0 : kZ); }
// Loads, stores, logic: N and Z from the result, V cleared.
inline void nzv8(Core& c, uint8_t r) { set_flags(c, kN | kZ | kV, nz8(r)); }
inline void nzv16(Core& c, uint16_t r) { set_flags(c, kN | kZ | kV, nz16(r)); }

// After an instruction that may clear I, the loop looks for a requested interrupt.
inline void look_for_interrupts(Core& c) {
  if (!(c.ccr & kI)) c.horizon = 0;
}

// Software can clear the X bit but never set it.
inline void set_ccr_low(Core& c, uint8_t v) {
  uint16_t x = c.ccr & v & kX;
  c.ccr = static_cast<uint16_t>((c.ccr & 0xFF00) | (v & ~kX & 0xFF) | x);
  look_for_interrupts(c);
}

inline bool carry(const Core& c) { return (c.ccr & kC) != 0; }

uint8_t add8(Core& c, unsigned x, unsigned m, unsigned cin) {
  unsigned r = x + m + cin;
  uint16_t f = nz8(r);
  if ((x ^ m ^ r) & 0x10) f |= kH;
  if ((x ^ r) & (m ^ r) & 0x80) f |= kV;
  if (r & 0x100) f |= kC;
  set_flags(c, kH | kN | kZ | kV | kC, f);
  return static_cast<uint8_t>(r);
}

uint8_t sub8(Core& c, unsigned x, unsigned m, unsigned bin) {
  unsigned r = x - m - bin;
  uint16_t f = nz8(r);
  if ((x ^ m) & (x ^ r) & 0x80) f |= kV;
  if (r & 0x100) f |= kC;
  set_flags(c, kN | kZ | kV | kC, f);
  return static_cast<uint8_t>(r);
}

uint16_t add16(Core& c, unsigned x, unsigned m) {
  unsigned r = x + m;
  uint16_t f = nz16(r);
  if ((x ^ r) & (m ^ r) & 0x8000) f |= kV;
  if (r & 0x10000) f |= kC;
  set_flags(c, kN | kZ | kV | kC, f);
  return static_cast<uint16_t>(r);
}

uint16_t sub16(Core& c, unsigned x, unsigned m) {
  unsigned r = x - m;
  uint16_t f = nz16(r);
  if ((x ^ m) & (x ^ r) & 0x8000) f |= kV;
  if (r & 0x10000) f |= kC;
  set_flags(c, kN | kZ | kV | kC, f);
  return static_cast<uint16_t>(r);
}

// The nine read-modify-write operations of the 0x40/0x50/0x60/0x70 rows, by the opcode's low
// nibble: NEG COM INC DEC LSR ROL ROR ASR ASL.
uint8_t modify(Core& c, int kind, uint8_t v) {
  unsigned r = 0;
  bool cout = false;
  switch (kind) {
    case 0:  // NEG
      r = (0u - v) & 0xFF;
      set_flags(c, kN | kZ | kV | kC, nz8(r) | (r == 0x80 ? kV : 0) | (r ? kC : 0));
      return static_cast<uint8_t>(r);
    case 1:  // COM
      r = ~v & 0xFFu;
      set_flags(c, kN | kZ | kV | kC, nz8(r) | kC);
      return static_cast<uint8_t>(r);
    case 2:  // INC
      r = (v + 1u) & 0xFF;
      set_flags(c, kN | kZ | kV, nz8(r) | (r == 0x80 ? kV : 0));
      return static_cast<uint8_t>(r);
    case 3:  // DEC
      r = (v - 1u) & 0xFF;
      set_flags(c, kN | kZ | kV, nz8(r) | (r == 0x7F ? kV : 0));
      return static_cast<uint8_t>(r);
    case 4: r = v >> 1; cout = v & 1; break;                                     // LSR
    case 5: r = ((v << 1) | (carry(c) ? 1 : 0)) & 0xFF; cout = v & 0x80; break;  // ROL
    case 6: r = (v >> 1) | (carry(c) ? 0x80 : 0); cout = v & 1; break;           // ROR
    case 7: r = (v >> 1) | (v & 0x80); cout = v & 1; break;                      // ASR
    default: r = (v << 1) & 0xFF; cout = v & 0x80; break;                        // ASL
  }
  // Shifts and rotates: C is the bit shifted out, V = N xor C.
  uint16_t f = nz8(r);
  if (cout) f |= kC;
  if (((f & kN) != 0) != cout) f |= kV;
  set_flags(c, kN | kZ | kV | kC, f);
  return static_cast<uint8_t>(r);
}

inline void clear_flags(Core& c) { set_flags(c, kN | kZ | kV | kC, kZ); }  // CLR
inline void test8(Core& c, uint8_t v) { set_flags(c, kN | kZ | kV | kC, nz8(v)); }

bool condition(const Core& c, int cc) {
  bool cf = c.ccr & kC, z = c.ccr & kZ, n = c.ccr & kN, v = c.ccr & kV;
  switch (cc) {
    case 0x0: return true;             // BRA
    case 0x1: return false;            // BRN
    case 0x2: return !(cf || z);       // BHI
    case 0x3: return cf || z;          // BLS
    case 0x4: return !cf;              // BCC
    case 0x5: return cf;               // BCS
    case 0x6: return !z;               // BNE
    case 0x7: return z;                // BEQ
    case 0x8: return !v;               // BVC
    case 0x9: return v;                // BVS
    case 0xA: return !n;               // BPL
    case 0xB: return n;                // BMI
    case 0xC: return n == v;           // BGE
    case 0xD: return n != v;           // BLT
    case 0xE: return !z && n == v;     // BGT
    default: return z || n != v;       // BLE
  }
}

// --- indexed addressing ---

inline uint16_t index_base(const Core& c, int rr) {
  switch (rr) {
    case 0: return c.ix;
    case 1: return c.iy;
    case 2: return c.sp;
    default: return c.pc;
  }
}

inline uint16_t& index_register(Core& c, int rr) {
  return rr == 0 ? c.ix : rr == 1 ? c.iy : c.sp;
}

// The address a postbyte names, after fetching its extension bytes; for [16-bit, r] and [D, r]
// the address of the pointer, with *indirect set. PC as the base is the address that follows the
// postbyte and its extension bytes.
uint16_t index_address(Core& c, uint8_t xb, bool* indirect) {
  *indirect = false;
  if (!(xb & 0x20)) {  // rr0nnnnn: 5-bit constant offset
    int offset = (xb & 0x0F) - (xb & 0x10);
    return static_cast<uint16_t>(index_base(c, xb >> 6) + offset);
  }
  if ((xb & 0xE0) != 0xE0) {  // rr1pnnnn: automatic pre/post increment or decrement
    int n = xb & 0x0F;
    int delta = (n & 0x08) ? n - 16 : n + 1;
    uint16_t& r = index_register(c, xb >> 6);
    if (xb & 0x10) {
      uint16_t ea = r;
      r = static_cast<uint16_t>(r + delta);
      return ea;
    }
    r = static_cast<uint16_t>(r + delta);
    return r;
  }
  int rr = (xb >> 3) & 3;
  switch (xb & 7) {
    case 0:
    case 1: {  // 9-bit constant offset, sign in bit 0
      int offset = imm8(c) - ((xb & 1) ? 256 : 0);
      return static_cast<uint16_t>(index_base(c, rr) + offset);
    }
    case 2: {
      uint16_t offset = imm16(c);
      c.cycles += 1;
      return static_cast<uint16_t>(index_base(c, rr) + offset);
    }
    case 3: {
      uint16_t offset = imm16(c);
      c.cycles += 3;
      *indirect = true;
      return static_cast<uint16_t>(index_base(c, rr) + offset);
    }
    case 4: return static_cast<uint16_t>(index_base(c, rr) + c.a);
    case 5: return static_cast<uint16_t>(index_base(c, rr) + c.b);
    case 6: return static_cast<uint16_t>(index_base(c, rr) + d(c));
    default:
      c.cycles += 3;
      *indirect = true;
      return static_cast<uint16_t>(index_base(c, rr) + d(c));
  }
}

// The effective address of an indexed operand (postbyte at PC).
inline uint16_t ea(Core& c) {
  bool indirect;
  uint16_t a = index_address(c, imm8(c), &indirect);
  return indirect ? rd16(c, a) : a;
}

// A MOVB/MOVW operand whose postbyte (at PC) has been checked with cpu12_move_postbyte.
inline uint16_t move_ea(Core& c) {
  bool indirect;
  uint16_t a = index_address(c, imm8(c), &indirect);
  return indirect ? rd16(c, a) : a;
}

// True when the postbytes of a move, the one at PC and for idx-to-idx also the next, are ones
// moves can have.
inline bool move_postbytes_fit(Core& c, bool two) {
  return cpu12_move_postbyte(rd8(c, c.pc)) &&
         (!two || cpu12_move_postbyte(rd8(c, static_cast<uint16_t>(c.pc + 1))));
}

// --- registers by their TFR/EXG/loop-primitive codes: A B CCR TMP D X Y SP ---

inline bool byte_register(int code) { return code < 3; }

uint16_t get_register(const Core& c, int code) {
  switch (code) {
    case 0: return c.a;
    case 1: return c.b;
    case 2: return c.ccr & 0xFF;
    case 3: return c.tmp;
    case 4: return d(c);
    case 5: return c.ix;
    case 6: return c.iy;
    default: return c.sp;
  }
}

void set_register(Core& c, int code, uint16_t v) {
  switch (code) {
    case 0: c.a = static_cast<uint8_t>(v); break;
    case 1: c.b = static_cast<uint8_t>(v); break;
    case 2: set_ccr_low(c, static_cast<uint8_t>(v)); break;
    case 3: c.tmp = v; break;
    case 4: set_d(c, v); break;
    case 5: c.ix = v; break;
    case 6: c.iy = v; break;
    default: c.sp = v; break;
  }
}

void transfer(Core& c, uint8_t eb) {
  int from = (eb >> 4) & 7, to = eb & 7;
  uint16_t v1 = get_register(c, from);
  if (!(eb & 0x80)) {  // TFR; a byte register into a word register is sign-extended (SEX)
    if (byte_register(from) && !byte_register(to)) v1 = static_cast<uint16_t>(int8_t(v1));
    set_register(c, to, v1);
    return;
  }
  uint16_t v2 = get_register(c, to);
  if (byte_register(from) == byte_register(to)) {
    set_register(c, to, v1);
    set_register(c, from, v2);
  } else if (byte_register(from)) {  // EXG A,X: X = $00:A, A = XL
    set_register(c, to, v1 & 0xFF);
    set_register(c, from, v2 & 0xFF);
  } else {  // EXG X,A: A = XL, X = XH:A
    set_register(c, from, static_cast<uint16_t>((v1 & 0xFF00) | (v2 & 0xFF)));
    set_register(c, to, v1 & 0xFF);
  }
}

void loop_primitive(Core& c) {
  uint8_t lb = imm8(c);
  int offset = imm8(c) - ((lb & 0x10) ? 256 : 0);
  int code = lb & 7;
  int operation = lb >> 5;
  bool take;
  if (code >= 5) {  // X, Y, SP: the loop counters of most loops, without the register switch
    uint16_t& r = code == 5 ? c.ix : code == 6 ? c.iy : c.sp;
    switch (operation) {
      case 1: take = --r != 0; break;
      case 2: take = r == 0; break;
      case 3: take = r != 0; break;
      case 4: take = ++r == 0; break;
      case 5: take = ++r != 0; break;
      default: take = --r == 0; break;
    }
  } else {
    unsigned mask = byte_register(code) ? 0xFFu : 0xFFFFu;
    unsigned v = get_register(c, code);
    switch (operation) {
      case 1: v = (v - 1) & mask; set_register(c, code, static_cast<uint16_t>(v)); take = v != 0; break;
      case 2: take = (v & mask) == 0; break;
      case 3: take = (v & mask) != 0; break;
      case 4: v = (v + 1) & mask; set_register(c, code, static_cast<uint16_t>(v)); take = v == 0; break;
      case 5: v = (v + 1) & mask; set_register(c, code, static_cast<uint16_t>(v)); take = v != 0; break;
      default:  // 0, and the two unassigned operation codes, which decode as DBEQ
        v = (v - 1) & mask;
        set_register(c, code, static_cast<uint16_t>(v));
        take = v == 0;
        break;
    }
  }
  if (take) c.pc = static_cast<uint16_t>(c.pc + offset);
}

// --- exceptions ---

// The interrupt frame: return address, Y, X, B:A (B at the lower address), then the CCR (the
// 16-bit CCR on a CPU12X).
void stack_frame(Core& c, uint16_t return_pc) {
  push16(c, return_pc);
  push16(c, c.iy);
  push16(c, c.ix);
  push8(c, c.a);
  push8(c, c.b);
  if (c.x_part) push16(c, c.ccr);
  else push8(c, static_cast<uint8_t>(c.ccr));
}

void return_from_interrupt(Core& c) {
  uint16_t ccr = c.x_part ? pull16(c) : static_cast<uint16_t>((c.ccr & 0xFF00) | pull8(c));
  c.b = pull8(c);
  c.a = pull8(c);
  c.ix = pull16(c);
  c.iy = pull16(c);
  c.pc = pull16(c);
  uint16_t x = c.ccr & ccr & kX;
  c.ccr = static_cast<uint16_t>((ccr & ~kX) | x);
  look_for_interrupts(c);
}

// SWI and TRAP: false, with nothing changed, when the vector is erased; the part halts there
// rather than run the erased flash at 0xFFFF.
bool take_exception(Core& c, uint16_t vector, uint16_t return_pc) {
  uint16_t handler = rd16(c, vector);
  if (handler == kErasedVector) return false;
  stack_frame(c, return_pc);
  c.ccr |= kI;
  c.pc = handler;
  return true;
}

// --- multiply, divide and friends ---

void emul(Core& c, bool is_signed) {
  uint32_t r = is_signed ? static_cast<uint32_t>(int32_t(int16_t(d(c))) * int32_t(int16_t(c.iy)))
                         : static_cast<uint32_t>(d(c)) * c.iy;
  c.iy = static_cast<uint16_t>(r >> 16);
  set_d(c, static_cast<uint16_t>(r));
  set_flags(c, kN | kZ | kC,
            ((r & 0x80000000u) ? kN : 0) | (r ? 0 : kZ) | ((r & 0x8000u) ? kC : 0));
}

// Y:D / X. On division by zero (C) or a quotient that does not fit (V) Y and D are left as
// they were.
void ediv(Core& c, bool is_signed) {
  uint32_t dividend = static_cast<uint32_t>(c.iy) << 16 | d(c);
  if (c.ix == 0) {
    set_flags(c, kV | kC, kC);
    return;
  }
  int64_t q, r;
  if (is_signed) {
    q = int64_t(int32_t(dividend)) / int16_t(c.ix);
    r = int64_t(int32_t(dividend)) % int16_t(c.ix);
    if (q > 32767 || q < -32768) {
      set_flags(c, kV | kC, kV);
      return;
    }
  } else {
    q = dividend / c.ix;
    r = dividend % c.ix;
    if (q > 0xFFFF) {
      set_flags(c, kV | kC, kV);
      return;
    }
  }
  c.iy = static_cast<uint16_t>(q);
  set_d(c, static_cast<uint16_t>(r));
  set_flags(c, kN | kZ | kV | kC, nz16(static_cast<unsigned>(q)));
}

// D / X: IDIV (unsigned), IDIVS (signed), FDIV ((D << 16) / X, fractional).
void idiv(Core& c) {
  uint16_t num = d(c), den = c.ix;
  if (den == 0) {  // C; the quotient is 0xFFFF, so Z is clear
    c.ix = 0xFFFF;
    set_flags(c, kZ | kV | kC, kC);
    return;
  }
  c.ix = static_cast<uint16_t>(num / den);
  set_d(c, static_cast<uint16_t>(num % den));
  set_flags(c, kZ | kV | kC, c.ix ? 0 : kZ);
}

void idivs(Core& c) {
  int num = int16_t(d(c)), den = int16_t(c.ix);
  if (den == 0) {
    set_flags(c, kN | kZ | kV | kC, kC);
    return;
  }
  int q = num / den, r = num % den;
  if (q > 32767) {  // -32768 / -1
    set_flags(c, kN | kZ | kV | kC, kV);
    return;
  }
  c.ix = static_cast<uint16_t>(q);
  set_d(c, static_cast<uint16_t>(r));
  set_flags(c, kN | kZ | kV | kC, nz16(static_cast<unsigned>(q)));
}

void fdiv(Core& c) {
  uint16_t num = d(c), den = c.ix;
  // V is "X <= D": a quotient of 1 or more, and a zero divisor too, which also sets C.
  if (den <= num) {
    c.ix = 0xFFFF;
    set_flags(c, kZ | kV | kC, den == 0 ? kV | kC : kV);
    return;
  }
  uint32_t wide = static_cast<uint32_t>(num) << 16;
  c.ix = static_cast<uint16_t>(wide / den);
  set_d(c, static_cast<uint16_t>(wide % den));
  set_flags(c, kZ | kV | kC, c.ix ? 0 : kZ);
}

// EMACS: the signed product of the words at X and Y added to the 32-bit word at the address.
void emacs(Core& c, uint16_t address) {
  uint32_t product = static_cast<uint32_t>(int32_t(int16_t(rd16(c, c.ix))) *
                                           int32_t(int16_t(rd16(c, c.iy))));
  uint32_t acc = static_cast<uint32_t>(rd16(c, address)) << 16 |
                 rd16(c, static_cast<uint16_t>(address + 2));
  uint32_t r = acc + product;
  uint16_t f = ((r & 0x80000000u) ? kN : 0) | (r ? 0 : kZ);
  if ((acc ^ r) & (product ^ r) & 0x80000000u) f |= kV;
  if (r < acc) f |= kC;
  set_flags(c, kN | kZ | kV | kC, f);
  wr16(c, address, static_cast<uint16_t>(r >> 16));
  wr16(c, static_cast<uint16_t>(address + 2), static_cast<uint16_t>(r));
}

// MAXA MINA MAXM MINM: flags from A - M, unsigned; 16-bit forms with D.
void min_max8(Core& c, uint16_t address, bool maximum, bool to_memory) {
  uint8_t m = rd8(c, address);
  sub8(c, c.a, m, 0);
  bool memory_wins = maximum ? m > c.a : m < c.a;
  if (to_memory) {
    if (!memory_wins && m != c.a) wr8(c, address, c.a);
  } else if (memory_wins) {
    c.a = m;
  }
}

void min_max16(Core& c, uint16_t address, bool maximum, bool to_memory) {
  uint16_t m = rd16(c, address), dv = d(c);
  sub16(c, dv, m);
  bool memory_wins = maximum ? m > dv : m < dv;
  if (to_memory) {
    if (!memory_wins && m != dv) wr16(c, address, dv);
  } else if (memory_wins) {
    set_d(c, m);
  }
}

void daa(Core& c) {
  unsigned a = c.a, hi = a >> 4, lo = a & 0x0F, correction = 0;
  bool cf = carry(c);
  if ((c.ccr & kH) || lo > 9) correction |= 0x06;
  if (cf || hi > 9 || (hi > 8 && lo > 9)) {
    correction |= 0x60;
    cf = true;
  }
  unsigned r = (a + correction) & 0xFF;
  uint16_t f = nz8(r) | (cf ? kC : 0);
  if (~(a ^ correction) & (a ^ r) & 0x80) f |= kV;
  set_flags(c, kN | kZ | kV | kC, f);
  c.a = static_cast<uint8_t>(r);
}

// TBL and ETBL: Y1 + B/256 * (Y2 - Y1), truncated as the CPU12 does; C tells that the
// fraction left over is one half or more, so the result could be rounded up. The weighted sum
// (256 - B) * Y1 + B * Y2 is Y1 * 256 plus the signed product and is never negative, so its
// high part is the result on rising and falling tables alike.
void table_lookup(Core& c, uint16_t address, bool word) {
  uint32_t y1 = word ? rd16(c, address) : rd8(c, address);
  uint32_t y2 = word ? rd16(c, static_cast<uint16_t>(address + 2))
                     : rd8(c, static_cast<uint16_t>(address + 1));
  uint32_t weighted = (256u - c.b) * y1 + c.b * y2;
  unsigned r = weighted >> 8;
  uint16_t round_up = (weighted & 0x80) ? kC : 0;
  if (word) {
    set_d(c, static_cast<uint16_t>(r));
    set_flags(c, kN | kZ | kC, nz16(r) | round_up);
  } else {
    c.a = static_cast<uint8_t>(r);
    set_flags(c, kN | kZ | kC, nz8(r) | round_up);
  }
}

// MEM: the grade of membership of input A in the trapezoid at X (point 1, point 2, slope 1,
// slope 2) is written at Y; X += 4, Y += 1. A slope of 0 stands for a vertical side.
void membership(Core& c) {
  unsigned p1 = rd8(c, c.ix), p2 = rd8(c, static_cast<uint16_t>(c.ix + 1));
  unsigned s1 = rd8(c, static_cast<uint16_t>(c.ix + 2)), s2 = rd8(c, static_cast<uint16_t>(c.ix + 3));
  unsigned grade = 0;
  if (c.a >= p1 && c.a <= p2) {
    unsigned g1 = s1 == 0 ? 0xFF : (c.a - p1) * s1;
    unsigned g2 = s2 == 0 ? 0xFF : (p2 - c.a) * s2;
    grade = g1 < g2 ? g1 : g2;
    if (grade > 0xFF) grade = 0xFF;
  }
  wr8(c, c.iy, static_cast<uint8_t>(grade));
  c.ix = static_cast<uint16_t>(c.ix + 4);
  c.iy = static_cast<uint16_t>(c.iy + 1);
}

// REV: unweighted rule evaluation over the rule list at X (offsets from Y, $FE between
// antecedents and consequents, $FF at the end). V tells which part is being read; A holds the
// running minimum and must start at $FF. X ends after the $FF.
void rule_evaluation(Core& c) {
  for (;;) {
    uint8_t e = rd8(c, c.ix);
    c.ix = static_cast<uint16_t>(c.ix + 1);
    c.cycles += 3;
    if (e == 0xFF) return;
    if (e == 0xFE) {
      if (c.ccr & kV) c.a = 0xFF;
      c.ccr ^= kV;
      continue;
    }
    uint16_t address = static_cast<uint16_t>(c.iy + e);
    uint8_t m = rd8(c, address);
    if (!(c.ccr & kV)) {
      if (m < c.a) c.a = m;
    } else if (c.a > m) {
      wr8(c, address, c.a);
    }
  }
}

// REVW: the same over 16-bit addresses ($FFFE separators, $FFFF at the end); with C set each
// rule's minimum is weighted by the next byte at Y (the high byte of the product).
void rule_evaluation_weighted(Core& c) {
  for (;;) {
    uint16_t e = rd16(c, c.ix);
    c.ix = static_cast<uint16_t>(c.ix + 2);
    c.cycles += 3;
    if (e == 0xFFFF) return;
    if (e == 0xFFFE) {
      if (c.ccr & kV) {
        c.a = 0xFF;
      } else if (c.ccr & kC) {
        c.a = static_cast<uint8_t>((c.a * rd8(c, c.iy)) >> 8);
        c.iy = static_cast<uint16_t>(c.iy + 1);
      }
      c.ccr ^= kV;
      continue;
    }
    uint8_t m = rd8(c, e);
    if (!(c.ccr & kV)) {
      if (m < c.a) c.a = m;
    } else if (c.a > m) {
      wr8(c, e, c.a);
    }
  }
}

// WAV: over B elements, the sum of Si (at X) times Fi (at Y) into Y:D and the sum of Fi into X.
// wavr resumes an interrupted WAV from the sums an interrupt would have stacked above its frame
// (low word of the sum of products, its high word, the sum of weights); without simulated
// interrupts nothing stacks them, so wavr only continues what a program put there itself.
void weighted_average(Core& c, uint32_t products, uint32_t weights) {
  while (c.b != 0) {
    unsigned s = rd8(c, c.ix), f = rd8(c, c.iy);
    products = (products + s * f) & 0xFFFFFFu;
    weights = (weights + f) & 0xFFFFu;
    c.ix = static_cast<uint16_t>(c.ix + 1);
    c.iy = static_cast<uint16_t>(c.iy + 1);
    --c.b;
    c.cycles += 8;
  }
  c.iy = static_cast<uint16_t>(products >> 16);
  set_d(c, static_cast<uint16_t>(products));
  c.ix = static_cast<uint16_t>(weights);
  set_flags(c, kZ, products ? 0 : kZ);
}

// --- the two opcode maps ---

#define CASE16(base)                                                                            \
  case base + 0x0: case base + 0x1: case base + 0x2: case base + 0x3: case base + 0x4:         \
  case base + 0x5: case base + 0x6: case base + 0x7: case base + 0x8: case base + 0x9:         \
  case base + 0xA: case base + 0xB: case base + 0xC: case base + 0xD: case base + 0xE:         \
  case base + 0xF

// One opcode in its four modes: immediate, direct, indexed, extended (byte operand m).
#define OPERAND8(op, ...)                                                                     \
  case op: { uint8_t m = imm8(c); __VA_ARGS__; break; }                                     \
  case op + 0x10: { uint8_t m = rd8(c, imm8(c)); __VA_ARGS__; break; }                      \
  case op + 0x20: { uint8_t m = rd8(c, ea(c)); __VA_ARGS__; break; }                        \
  case op + 0x30: { uint8_t m = rd8(c, imm16(c)); __VA_ARGS__; break; }
#define OPERAND16(op, ...)                                                                    \
  case op: { uint16_t m = imm16(c); __VA_ARGS__; break; }                                   \
  case op + 0x10: { uint16_t m = rd16(c, imm8(c)); __VA_ARGS__; break; }                    \
  case op + 0x20: { uint16_t m = rd16(c, ea(c)); __VA_ARGS__; break; }                      \
  case op + 0x30: { uint16_t m = rd16(c, imm16(c)); __VA_ARGS__; break; }
// A store in its three modes: direct, indexed, extended. The value is taken before the address
// is formed (an automatic increment of the stored register does not change what is stored).
#define STORE8(op, value)                                                                      \
  case op: { uint8_t v = value; wr8(c, imm8(c), v); nzv8(c, v); break; }                     \
  case op + 0x10: { uint8_t v = value; wr8(c, ea(c), v); nzv8(c, v); break; }                \
  case op + 0x20: { uint8_t v = value; wr8(c, imm16(c), v); nzv8(c, v); break; }
#define STORE16(op, value)                                                                     \
  case op: { uint16_t v = value; wr16(c, imm8(c), v); nzv16(c, v); break; }                  \
  case op + 0x10: { uint16_t v = value; wr16(c, ea(c), v); nzv16(c, v); break; }             \
  case op + 0x20: { uint16_t v = value; wr16(c, imm16(c), v); nzv16(c, v); break; }

Cpu12Stop execute_page2(Core& c, uint16_t start) {
  uint8_t op = imm8(c);
  c.cycles += kCpu12Page2[op].cycles;
  switch (op) {
    // Moves whose postbytes do not fit are unimplemented opcodes (below).
    case 0x00: if (!move_postbytes_fit(c, false)) break;  // MOVW #, idx
      { uint16_t to = move_ea(c); wr16(c, to, imm16(c)); }
      return Cpu12Stop::None;
    case 0x01: if (!move_postbytes_fit(c, false)) break;  // MOVW ext, idx
      { uint16_t to = move_ea(c); wr16(c, to, rd16(c, imm16(c))); }
      return Cpu12Stop::None;
    case 0x02: if (!move_postbytes_fit(c, true)) break;  // MOVW idx, idx
      { uint16_t v = rd16(c, move_ea(c)); wr16(c, move_ea(c), v); }
      return Cpu12Stop::None;
    case 0x03: { uint16_t v = imm16(c); wr16(c, imm16(c), v); return Cpu12Stop::None; }
    case 0x04: { uint16_t v = rd16(c, imm16(c)); wr16(c, imm16(c), v); return Cpu12Stop::None; }
    case 0x05: if (!move_postbytes_fit(c, false)) break;  // MOVW idx, ext
      { uint16_t v = rd16(c, move_ea(c)); wr16(c, imm16(c), v); }
      return Cpu12Stop::None;
    case 0x06: c.a = add8(c, c.a, c.b, 0); return Cpu12Stop::None;  // ABA
    case 0x07: daa(c); return Cpu12Stop::None;
    case 0x08: if (!move_postbytes_fit(c, false)) break;  // MOVB #, idx
      { uint16_t to = move_ea(c); wr8(c, to, imm8(c)); }
      return Cpu12Stop::None;
    case 0x09: if (!move_postbytes_fit(c, false)) break;  // MOVB ext, idx
      { uint16_t to = move_ea(c); wr8(c, to, rd8(c, imm16(c))); }
      return Cpu12Stop::None;
    case 0x0A: if (!move_postbytes_fit(c, true)) break;  // MOVB idx, idx
      { uint8_t v = rd8(c, move_ea(c)); wr8(c, move_ea(c), v); }
      return Cpu12Stop::None;
    case 0x0B: { uint8_t v = imm8(c); wr8(c, imm16(c), v); return Cpu12Stop::None; }
    case 0x0C: { uint8_t v = rd8(c, imm16(c)); wr8(c, imm16(c), v); return Cpu12Stop::None; }
    case 0x0D: if (!move_postbytes_fit(c, false)) break;  // MOVB idx, ext
      { uint8_t v = rd8(c, move_ea(c)); wr8(c, imm16(c), v); }
      return Cpu12Stop::None;
    case 0x0E: c.b = c.a; nzv8(c, c.b); return Cpu12Stop::None;  // TAB
    case 0x0F: c.a = c.b; nzv8(c, c.a); return Cpu12Stop::None;  // TBA
    case 0x10: idiv(c); return Cpu12Stop::None;
    case 0x11: fdiv(c); return Cpu12Stop::None;
    case 0x12: emacs(c, imm16(c)); return Cpu12Stop::None;
    case 0x13: emul(c, true); return Cpu12Stop::None;
    case 0x14: ediv(c, true); return Cpu12Stop::None;
    case 0x15: idivs(c); return Cpu12Stop::None;
    case 0x16: c.a = sub8(c, c.a, c.b, 0); return Cpu12Stop::None;  // SBA
    case 0x17: sub8(c, c.a, c.b, 0); return Cpu12Stop::None;        // CBA
    case 0x18: min_max8(c, ea(c), true, false); return Cpu12Stop::None;    // MAXA
    case 0x19: min_max8(c, ea(c), false, false); return Cpu12Stop::None;   // MINA
    case 0x1A: min_max16(c, ea(c), true, false); return Cpu12Stop::None;   // EMAXD
    case 0x1B: min_max16(c, ea(c), false, false); return Cpu12Stop::None;  // EMIND
    case 0x1C: min_max8(c, ea(c), true, true); return Cpu12Stop::None;     // MAXM
    case 0x1D: min_max8(c, ea(c), false, true); return Cpu12Stop::None;    // MINM
    case 0x1E: min_max16(c, ea(c), true, true); return Cpu12Stop::None;    // EMAXM
    case 0x1F: min_max16(c, ea(c), false, true); return Cpu12Stop::None;   // EMINM
    CASE16(0x20): {  // long branches
      uint16_t offset = imm16(c);
      if (condition(c, op & 0x0F)) {
        c.pc = static_cast<uint16_t>(c.pc + offset);
        if (op > 0x21) c.cycles += 1;
      }
      return Cpu12Stop::None;
    }
    case 0x3A: rule_evaluation(c); return Cpu12Stop::None;
    case 0x3B: rule_evaluation_weighted(c); return Cpu12Stop::None;
    case 0x3C: weighted_average(c, 0, 0); return Cpu12Stop::None;
    case 0x3D: table_lookup(c, ea(c), false); return Cpu12Stop::None;
    case 0x3E:  // STOP: a NOP while the S bit is set
      if (c.ccr & kS) return Cpu12Stop::None;
      stack_frame(c, c.pc);
      return Cpu12Stop::Stop;
    case 0x3F: table_lookup(c, ea(c), true); return Cpu12Stop::None;
    default: break;  // unimplemented opcode
  }
  // TRAP: unimplemented opcodes, and moves with a postbyte they cannot have. The return address
  // is the one after the two opcode bytes, so the handler can find the opcode below it.
  if (!take_exception(c, kVectorTrap, static_cast<uint16_t>(start + 2))) return Cpu12Stop::NoVector;
  return Cpu12Stop::None;
}

// Executes the instruction whose opcode `op` has been fetched from `start` (PC is after it).
Cpu12Stop execute_one(Core& c, uint16_t start, uint8_t op) {
  c.cycles += kCpu12Page1[op].cycles;
  switch (op) {
    case 0x00: return Cpu12Stop::Background;  // BGND
    case 0x01: membership(c); break;
    case 0x02: ++c.iy; set_flags(c, kZ, c.iy ? 0 : kZ); break;
    case 0x03: --c.iy; set_flags(c, kZ, c.iy ? 0 : kZ); break;
    case 0x04: loop_primitive(c); break;
    case 0x05: c.pc = ea(c); break;
    case 0x06: c.pc = imm16(c); break;
    case 0x07: {
      int8_t offset = int8_t(imm8(c));
      push16(c, c.pc);
      c.pc = static_cast<uint16_t>(c.pc + offset);
      break;
    }
    case 0x08: ++c.ix; set_flags(c, kZ, c.ix ? 0 : kZ); break;
    case 0x09: --c.ix; set_flags(c, kZ, c.ix ? 0 : kZ); break;
    case 0x0A: {  // RTC
      uint8_t page = pull8(c);
      c.pc = pull16(c);
      slow_write(c, kSimRegPPAGE, page);
      break;
    }
    case 0x0B: return_from_interrupt(c); break;
    case 0x0C: case 0x1C: case 0x4C:    // BSET
    case 0x0D: case 0x1D: case 0x4D: {  // BCLR
      uint16_t a = op == 0x0C || op == 0x0D ? ea(c) : op >= 0x4C ? imm8(c) : imm16(c);
      uint8_t mask = imm8(c);
      uint8_t r = rd8(c, a);
      r = (op & 1) ? static_cast<uint8_t>(r & ~mask) : static_cast<uint8_t>(r | mask);
      wr8(c, a, r);
      nzv8(c, r);
      break;
    }
    case 0x0E: case 0x1E: case 0x4E:    // BRSET
    case 0x0F: case 0x1F: case 0x4F: {  // BRCLR
      uint16_t a = op == 0x0E || op == 0x0F ? ea(c) : op >= 0x4E ? imm8(c) : imm16(c);
      uint8_t mask = imm8(c);
      int8_t offset = int8_t(imm8(c));
      uint8_t m = rd8(c, a);
      bool take = (op & 1) ? (m & mask) == 0 : (~m & mask) == 0;
      if (take) {
        c.pc = static_cast<uint16_t>(c.pc + offset);
        c.cycles += 1;
      }
      break;
    }
    case 0x10:  // ANDCC
      c.ccr = static_cast<uint16_t>(c.ccr & (0xFF00 | imm8(c)));
      look_for_interrupts(c);
      break;
    case 0x11: ediv(c, false); break;
    case 0x12: {  // MUL
      set_d(c, static_cast<uint16_t>(c.a * c.b));
      set_flags(c, kC, (c.b & 0x80) ? kC : 0);
      break;
    }
    case 0x13: emul(c, false); break;
    case 0x14: set_ccr_low(c, static_cast<uint8_t>(c.ccr | imm8(c))); break;  // ORCC
    case 0x15: case 0x16: case 0x17: {  // JSR
      uint16_t to = op == 0x15 ? ea(c) : op == 0x16 ? imm16(c) : imm8(c);
      push16(c, c.pc);
      c.pc = to;
      break;
    }
    case 0x18: return execute_page2(c, start);
    case 0x19: c.iy = ea(c); break;
    case 0x1A: c.ix = ea(c); break;
    case 0x1B: c.sp = ea(c); break;
    CASE16(0x20): {
      int8_t offset = int8_t(imm8(c));
      if (condition(c, op & 0x0F)) {
        c.pc = static_cast<uint16_t>(c.pc + offset);
        if (op > 0x21) c.cycles += 2;
      }
      break;
    }
    case 0x30: c.ix = pull16(c); break;
    case 0x31: c.iy = pull16(c); break;
    case 0x32: c.a = pull8(c); break;
    case 0x33: c.b = pull8(c); break;
    case 0x34: push16(c, c.ix); break;
    case 0x35: push16(c, c.iy); break;
    case 0x36: push8(c, c.a); break;
    case 0x37: push8(c, c.b); break;
    case 0x38: set_ccr_low(c, pull8(c)); break;
    case 0x39: push8(c, static_cast<uint8_t>(c.ccr)); break;
    case 0x3A: set_d(c, pull16(c)); break;
    case 0x3B: push16(c, d(c)); break;
    case 0x3C: {  // wavr
      uint32_t low = pull16(c), high = pull16(c), weights = pull16(c);
      weighted_average(c, (high << 16 | low) & 0xFFFFFFu, weights);
      break;
    }
    case 0x3D: c.pc = pull16(c); break;
    case 0x3E: stack_frame(c, c.pc); return Cpu12Stop::Wait;
    case 0x3F:
      if (!take_exception(c, kVectorSwi, c.pc)) return Cpu12Stop::NoVector;
      break;
    case 0x40: case 0x41: case 0x42: case 0x43: case 0x44: case 0x45: case 0x46: case 0x47:
    case 0x48: c.a = modify(c, op & 0x0F, c.a); break;
    case 0x49: {  // LSRD
      uint16_t v = d(c);
      uint16_t r = v >> 1;
      set_d(c, r);
      set_flags(c, kN | kZ | kV | kC, nz16(r) | ((v & 1) ? kC | kV : 0));
      break;
    }
    case 0x4A: case 0x4B: {  // CALL
      uint16_t to;
      uint8_t page;
      if (op == 0x4A) {
        to = imm16(c);
        page = imm8(c);
      } else {
        bool indirect;
        uint16_t a = index_address(c, imm8(c), &indirect);
        if (indirect) {  // the pointer holds the address and then the page
          to = rd16(c, a);
          page = rd8(c, static_cast<uint16_t>(a + 2));
        } else {
          to = a;
          page = imm8(c);
        }
      }
      push16(c, c.pc);
      push8(c, rd8(c, kSimRegPPAGE));
      slow_write(c, kSimRegPPAGE, page);
      c.pc = to;
      break;
    }
    case 0x50: case 0x51: case 0x52: case 0x53: case 0x54: case 0x55: case 0x56: case 0x57:
    case 0x58: c.b = modify(c, op & 0x0F, c.b); break;
    case 0x59: {  // ASLD
      uint16_t v = d(c);
      uint16_t r = static_cast<uint16_t>(v << 1);
      set_d(c, r);
      bool cout = v & 0x8000;
      uint16_t f = nz16(r) | (cout ? kC : 0);
      if (((f & kN) != 0) != cout) f |= kV;
      set_flags(c, kN | kZ | kV | kC, f);
      break;
    }
    STORE8(0x5A, c.a)
    STORE8(0x5B, c.b)
    STORE16(0x5C, d(c))
    STORE16(0x5D, c.iy)
    STORE16(0x5E, c.ix)
    STORE16(0x5F, c.sp)
    case 0x60: case 0x61: case 0x62: case 0x63: case 0x64: case 0x65: case 0x66: case 0x67:
    case 0x68: {
      uint16_t a = ea(c);
      wr8(c, a, modify(c, op & 0x0F, rd8(c, a)));
      break;
    }
    case 0x69: wr8(c, ea(c), 0); clear_flags(c); break;
    case 0x70: case 0x71: case 0x72: case 0x73: case 0x74: case 0x75: case 0x76: case 0x77:
    case 0x78: {
      uint16_t a = imm16(c);
      wr8(c, a, modify(c, op & 0x0F, rd8(c, a)));
      break;
    }
    case 0x79: wr8(c, imm16(c), 0); clear_flags(c); break;
    OPERAND8(0x80, c.a = sub8(c, c.a, m, 0))                   // SUBA
    OPERAND8(0x81, sub8(c, c.a, m, 0))                         // CMPA
    OPERAND8(0x82, c.a = sub8(c, c.a, m, carry(c) ? 1 : 0))    // SBCA
    OPERAND16(0x83, set_d(c, sub16(c, d(c), m)))               // SUBD
    OPERAND8(0x84, c.a &= m; nzv8(c, c.a))                     // ANDA
    OPERAND8(0x85, nzv8(c, c.a & m))                           // BITA
    OPERAND8(0x86, c.a = m; nzv8(c, c.a))                      // LDAA
    case 0x87: c.a = 0; clear_flags(c); break;                 // CLRA
    case 0x97: test8(c, c.a); break;                           // TSTA
    case 0xA7: break;                                          // NOP
    case 0xB7: transfer(c, imm8(c)); break;                    // TFR, EXG
    OPERAND8(0x88, c.a ^= m; nzv8(c, c.a))                     // EORA
    OPERAND8(0x89, c.a = add8(c, c.a, m, carry(c) ? 1 : 0))    // ADCA
    OPERAND8(0x8A, c.a |= m; nzv8(c, c.a))                     // ORAA
    OPERAND8(0x8B, c.a = add8(c, c.a, m, 0))                   // ADDA
    OPERAND16(0x8C, sub16(c, d(c), m))                         // CPD
    OPERAND16(0x8D, sub16(c, c.iy, m))                         // CPY
    OPERAND16(0x8E, sub16(c, c.ix, m))                         // CPX
    OPERAND16(0x8F, sub16(c, c.sp, m))                         // CPS
    OPERAND8(0xC0, c.b = sub8(c, c.b, m, 0))                   // SUBB
    OPERAND8(0xC1, sub8(c, c.b, m, 0))                         // CMPB
    OPERAND8(0xC2, c.b = sub8(c, c.b, m, carry(c) ? 1 : 0))    // SBCB
    OPERAND16(0xC3, set_d(c, add16(c, d(c), m)))               // ADDD
    OPERAND8(0xC4, c.b &= m; nzv8(c, c.b))                     // ANDB
    OPERAND8(0xC5, nzv8(c, c.b & m))                           // BITB
    OPERAND8(0xC6, c.b = m; nzv8(c, c.b))                      // LDAB
    case 0xC7: c.b = 0; clear_flags(c); break;                 // CLRB
    case 0xD7: test8(c, c.b); break;                           // TSTB
    case 0xE7: test8(c, rd8(c, ea(c))); break;                 // TST idx
    case 0xF7: test8(c, rd8(c, imm16(c))); break;              // TST ext
    OPERAND8(0xC8, c.b ^= m; nzv8(c, c.b))                     // EORB
    OPERAND8(0xC9, c.b = add8(c, c.b, m, carry(c) ? 1 : 0))    // ADCB
    OPERAND8(0xCA, c.b |= m; nzv8(c, c.b))                     // ORAB
    OPERAND8(0xCB, c.b = add8(c, c.b, m, 0))                   // ADDB
    OPERAND16(0xCC, set_d(c, m); nzv16(c, m))                  // LDD
    OPERAND16(0xCD, c.iy = m; nzv16(c, m))                     // LDY
    OPERAND16(0xCE, c.ix = m; nzv16(c, m))                     // LDX
    OPERAND16(0xCF, c.sp = m; nzv16(c, m))                     // LDS
  }
  return Cpu12Stop::None;
}

void load(Core& c, SimTarget& t) {
  c.t = &t;
  c.x_part = t.part->family == 3;
  c.pc = t.cpu.pc;
  c.sp = t.cpu.sp;
  c.ix = t.cpu.x;
  c.iy = t.cpu.y;
  c.tmp = t.cpu.tmp;
  set_d(c, t.cpu.d);
  c.ccr = c.x_part ? t.cpu.ccr : static_cast<uint16_t>(t.cpu.ccr & 0xFF);
  c.cycles = 0;
  c.base = t.board.now;
  c.horizon = 0;
  c.waiting = t.cpu.waiting;
  c.skip_breakpoint = t.board.skip_breakpoint;
  build_map(c);
}

void store(const Core& c, SimTarget& t) {
  t.cpu.pc = c.pc;
  t.cpu.sp = c.sp;
  t.cpu.x = c.ix;
  t.cpu.y = c.iy;
  t.cpu.tmp = c.tmp;
  t.cpu.d = d(c);
  t.cpu.ccr = c.ccr;
  t.cpu.waiting = c.waiting;
  t.board.skip_breakpoint = c.skip_breakpoint;
}

// Fetches the opcode at PC; false when nothing is mapped there.
inline bool fetch_opcode(Core& c, uint8_t* op) {
  const uint8_t* p = c.rd[c.pc >> 8];
  if (p) {
    *op = p[c.pc & 0xFF];
  } else if (sim_read(*c.t, c.pc, op) != 0) {
    return false;
  }
  ++c.pc;
  return true;
}

// Interrupts of the peripherals are masked by I (and on a CPU12X by an IPL of 1 or more).
inline bool masked(const Core& c) {
  return (c.ccr & kI) || (c.x_part && (c.ccr & kIplMask) != 0);
}

// A WAI can end: an unmasked interrupt is requested or may be.
inline bool can_wake(const Core& c) { return !masked(c) && sim_board_can_interrupt(*c.t); }

// Brings the peripherals up to the present and, when may_enter, enters the interrupt they
// request unless it is masked: the frame stacked (WAI stacked it already), I set, PC from the
// vector. False when the vector is erased: the part stops there, nothing stacked.
bool service(Core& c, bool may_enter, Cpu12Run* run, uint64_t* done) {
  sim_board_advance(*c.t, c.base + c.cycles);
  if (!may_enter || masked(c)) return true;
  const SimInterrupt* request = sim_board_interrupt(*c.t);
  if (!request) return true;
  const uint16_t handler = rd16(c, request->vector);
  if (handler == kErasedVector) {
    run->stop = Cpu12Stop::NoVector;
    run->at = c.pc;
    run->interrupt = request;
    return false;
  }
  if (!c.waiting) stack_frame(c, c.pc);
  c.waiting = false;
  c.ccr |= kI;
  if (c.x_part) c.ccr = static_cast<uint16_t>((c.ccr & ~kIplMask) | kIplOfRequests);
  c.pc = handler;
  c.cycles += kCpu12Page1[0x3F].cycles;  // as long as SWI's stacking and vector fetch
  c.skip_breakpoint = false;
  ++*done;
  return true;
}

// Executes instructions while c.cycles < c.horizon and fewer than `instructions` are done,
// stopping before an instruction fetched where an enabled breakpoint matches (kBreakpoints).
// A WAI that an interrupt can end leaves the loop with c.waiting set.
template <bool kBreakpoints>
Cpu12Stop run_instructions(Core& c, uint64_t instructions, const SimBreakpoints& breakpoints,
                           uint64_t* done_so_far, Cpu12Run* run) {
  uint64_t done = *done_so_far;
  Cpu12Stop stop = Cpu12Stop::None;
  while (c.cycles < c.horizon && done < instructions) {
    const uint16_t start = c.pc;
    if (kBreakpoints) {
      if (!c.skip_breakpoint &&
          sim_breakpoint_hit(breakpoints, start, c.t->window_page, c.x_part)) {
        stop = Cpu12Stop::Breakpoint;
        run->at = start;
        if (start >= 0x8000 && start < 0xC000) run->page = c.t->window_page;
        break;
      }
      c.skip_breakpoint = false;
    }
    uint8_t op;
    if (!fetch_opcode(c, &op)) {
      stop = Cpu12Stop::NoMemory;
      run->at = start;
      break;
    }
    stop = execute_one(c, start, op);
    if (stop == Cpu12Stop::None) {
      ++done;
      continue;
    }
    ++done;
    if (stop == Cpu12Stop::Wait && can_wake(c)) {
      c.waiting = true;
      stop = Cpu12Stop::None;
      break;
    }
    run->at = start;
    run->opcode[0] = op;
    run->opcode[1] = op == 0x18 ? rd8(c, static_cast<uint16_t>(start + 1)) : 0;
    if (stop == Cpu12Stop::NoVector) {  // nothing was stacked
      c.pc = start;
      --done;
    }
    break;
  }
  if (done != *done_so_far) c.skip_breakpoint = false;
  *done_so_far = done;
  return stop;
}

}  // namespace

Cpu12Run cpu12_execute(SimTarget& t, uint64_t cycles, uint64_t instructions) {
  Core c;
  load(c, t);
  Cpu12Run run;
  uint64_t done = 0;
  // Instructions run in stretches up to the budget or the peripherals' next event, between
  // which the peripherals are brought up to date and a requested interrupt is entered, so that
  // no instruction pays for them.
  while (service(c, done < instructions, &run, &done)) {
    if (c.cycles >= cycles || done >= instructions) break;
    const uint64_t next = t.board.next_event;
    c.horizon = std::min(cycles, next == kSimNever ? UINT64_MAX : next - c.base);
    if (c.waiting) {
      if (!can_wake(c)) {  // nothing can end the WAI any more: the part halts after it
        c.waiting = false;
        run.stop = Cpu12Stop::Wait;
        run.at = static_cast<uint16_t>(c.pc - 1);
        run.opcode[0] = 0x3E;
        break;
      }
      c.cycles = c.horizon;  // asleep until the next event or the end of the budget
      continue;
    }
    const SimBreakpoints breakpoints = sim_board_breakpoints(t);
    run.stop = breakpoints.count
                   ? run_instructions<true>(c, instructions, breakpoints, &done, &run)
                   : run_instructions<false>(c, instructions, breakpoints, &done, &run);
    if (run.stop != Cpu12Stop::None) break;
  }
  sim_board_advance(t, c.base + c.cycles);
  run.instructions = done;
  run.cycles = c.cycles;
  store(c, t);
  return run;
}

std::string cpu12_stop_line(const Cpu12Run& run) {
  switch (run.stop) {
    case Cpu12Stop::None: return "";
    case Cpu12Stop::Background:
      return sim_format("BGND at 0x%04X: target halted in background mode", run.at);
    case Cpu12Stop::Wait:
      return sim_format("WAI at 0x%04X: target halted (no enabled interrupt can end the wait)",
                        run.at);
    case Cpu12Stop::Stop:
      return sim_format("STOP at 0x%04X: target halted (stop mode is not simulated)", run.at);
    case Cpu12Stop::Breakpoint:
      return sim_format("Breakpoint at 0x%X: target halted",
                        static_cast<unsigned>(run.page) << 16 | run.at);
    case Cpu12Stop::NoMemory:
      return sim_format("No memory at 0x%04X to execute: target halted", run.at);
    case Cpu12Stop::NoVector:
      if (run.interrupt)
        return sim_format("%s interrupt at 0x%04X: vector at 0x%04X is erased, target halted",
                          run.interrupt->name, run.at, run.interrupt->vector);
      if (run.opcode[0] == 0x3F)
        return sim_format("SWI at 0x%04X: vector at 0xFFF6 is erased, target halted", run.at);
      return sim_format("Unimplemented opcode 18 %02X at 0x%04X: TRAP vector at 0xFFF8 is erased, "
                        "target halted",
                        run.opcode[1], run.at);
  }
  return "";
}
