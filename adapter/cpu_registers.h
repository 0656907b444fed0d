// The CPU registers of the HCS12 and HCS12X families as the tool reads and writes them: one
// constant table of their names, widths and bdx_RegisterSet numbers, and the reads and writes
// through the adapter library (bdx_RegisterGetAll for PC, SP, X, Y and D; the CCR from the BDM's
// copy at 0xFF06, and 0xFF07 on HCS12X). The register view fills its fields from this table,
// and the command line shows, writes and compares registers with it, without any view.
#pragma once
#include <cstdint>

struct ProcessorInfo;

enum {
  kCpuRegisterCount = 6,  // PC, SP, X, Y, D, CCR, in this order (the register view's order)
  kCpuRegisterPc = 0,
  kCpuRegisterCcr = 5,
};

struct CpuRegister {
  const char* name;     // "PC"
  int register_number;  // for bdx_RegisterSet: 1 PC .. 5 D; 0 for the CCR, which has none
};
extern const CpuRegister kCpuRegisters[kCpuRegisterCount];

// A family's register set: the registers' widths and where the BDM keeps the CCR while the part
// is halted (read and written with bdx_GetByte and bdx_SetByte, the BDM mapped in).
struct CpuRegisterSet {
  int family;                      // FAMILY_HCS12 or FAMILY_HCS12X
  int width[kCpuRegisterCount];    // bits: 16, or 8 for the HCS12's CCR
  uint32_t ccr_low;                // the CCR's low byte
  uint32_t ccr_high;               // its high byte; 0 where the CCR is one byte
};
// The set of family, or null for a family without one.
const CpuRegisterSet* cpu_register_set(int family);

// The family whose register set a processor-info record selects: FAMILY_HCS12, FAMILY_HCS12X,
// or 0 (no record, or a family without a register set).
int cpu_register_family(const ProcessorInfo* info);

// Width in bits of register `index` in `family` (16 or 8); 0 for a family without registers.
int cpu_register_width(int family, int index);

// The register called name, in any letter case; -1 for none.
int cpu_register_index(const char* name);

// Values of the six registers as read, in table order.
struct CpuRegisterValues {
  uint32_t value[kCpuRegisterCount] = {};
  bool core_read = false;  // bdx_RegisterGetAll succeeded: PC to D hold what it gave
};

// Reads the registers of a halted part: bdx_RegisterGetAll, then the CCR's byte at 0xFF06 (and
// its high byte at 0xFF07 on HCS12X). True when everything was read; after a failed CCR read PC to D
// are kept (core_read). Writes no line and keeps no state.
bool read_cpu_registers(int family, CpuRegisterValues* values);

// Writes register `index`: bdx_RegisterSet with its number, or for the CCR bdx_SetByte of the
// low byte at 0xFF06 (and the high byte at 0xFF07 on HCS12X). The library's results are not
// examined, as the register view writes its fields; the read-back tells what was taken.
void write_cpu_register(int family, int index, uint32_t value);

// "%2.2X" or "%4.4X" of the value as wide as the register is.
void format_cpu_register(int width, uint32_t value, char* text, int size);
