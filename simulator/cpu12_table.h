// The CPU12 opcode maps as data: for every page-1 opcode and every page-2 opcode (after 0x18)
// its mnemonic, operand form and typical bus cycles. The decoder reads its lengths from here and
// the core its cycle counts, so the two never disagree.
#pragma once
#include <cstdint>

// Operand forms, named by the bytes that follow the opcode.
enum class Cpu12Form : uint8_t {
  Inherent,      // nothing
  Imm8,          // ii
  Imm16,         // jj kk
  Direct,        // dd
  Extended,      // hh ll
  Indexed,       // xb [1 or 2 extension bytes]
  Rel8,          // rr
  Rel16,         // qq rr (page 2 long branches)
  Loop,          // lb rr (DBEQ ... IBNE)
  Transfer,      // eb (TFR, EXG)
  BitDirect,     // dd mm
  BitExtended,   // hh ll mm
  BitIndexed,    // xb [ext] mm
  BrBitDirect,   // dd mm rr
  BrBitExtended, // hh ll mm rr
  BrBitIndexed,  // xb [ext] mm rr
  CallExtended,  // hh ll pg
  CallIndexed,   // xb [ext] pg, or xb [ext] alone for the two indirect forms
  MoveImmIdx,    // xb ii (MOVB) / xb jj kk (MOVW)
  MoveExtIdx,    // xb hh ll
  MoveIdxIdx,    // xb xb
  MoveImmExt,    // ii hh ll (MOVB) / jj kk hh ll (MOVW)
  MoveExtExt,    // hh ll hh ll
  MoveIdxExt,    // xb hh ll
  Trap,          // unimplemented page-2 opcode
  Page2,         // the 0x18 prefix itself
};

struct Cpu12Opcode {
  const char* mnemonic;
  Cpu12Form form;
  uint8_t cycles;  // typical bus cycles (not-taken cost for branches)
  bool word;       // 16-bit immediate data (Imm16 forms, MOVW)
};

extern const Cpu12Opcode kCpu12Page1[256];
extern const Cpu12Opcode kCpu12Page2[256];

// Number of extension bytes that follow an indexed postbyte: 1 for 9-bit offsets, 2 for 16-bit
// offsets and [16-bit, r], 0 otherwise.
inline int cpu12_index_extension(uint8_t xb) {
  if ((xb & 0xE0) != 0xE0 || (xb & 0x04)) return 0;
  return (xb & 0x02) ? 2 : 1;
}

// True for the postbytes MOVB and MOVW accept: 5-bit constant offsets, automatic increment and
// decrement, accumulator offsets and [D, r] (no extension bytes).
inline bool cpu12_move_postbyte(uint8_t xb) { return cpu12_index_extension(xb) == 0; }
