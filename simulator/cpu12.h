// The CPU12 instruction set of the simulated part: decoding and execution of every instruction
// of the page-1 map and of the page-2 map (opcodes after the 0x18 prefix), with every addressing
// mode, over the simulated memory map (sim_target.h). Portable.
//
// The registers are the part's own (SimTarget::cpu), so what the core executes is what the
// adapter library's register calls read and write. Instructions read and write memory as the
// CPU sees its local map: flash pages (the window at 0x8000-0xBFFF follows PPAGE, and GPAGE on
// HCS12X, as sim_write makes it), RAM, EEPROM and the register block; flash and EEPROM ignore
// plain writes. HCS12X parts run the same CPU12 instruction set: the CPU12X additions answer as
// unimplemented opcodes (TRAP); their interrupts stack the 16-bit CCR, as a CPU12X does.
//
// The peripherals (sim_board.h) keep time with the bus cycles the core counts: it brings them
// up to date between stretches of instructions (at their next event, after a write to their
// registers, after an instruction that unmasks interrupts) and enters the interrupts they
// request as the CPU12 does (the frame stacked, I set, PC from the vector). WAI waits for an
// interrupt; one that nothing can end halts the part, as STOP does. Enabled breakpoints of the
// breakpoint module stop the part before the instruction at their address. Cycle counts are
// typical bus-cycle counts per instruction form (used to pace a running part), not cycle-exact.
#pragma once
#include <cstdint>
#include <string>

struct SimTarget;
struct SimInterrupt;

// Why execution stopped before its budget ran out.
enum class Cpu12Stop {
  None,        // the budget was used up
  Background,  // BGND: the part entered background mode (PC after the BGND)
  Wait,        // WAI: registers stacked, waiting for an interrupt that cannot come
  Stop,        // STOP with the S bit clear: registers stacked, clocks stopped
  NoMemory,    // an opcode fetch where nothing is mapped; nothing executed
  NoVector,    // SWI, TRAP or an interrupt whose vector is erased (0xFFFF); nothing executed
  Breakpoint,  // an enabled breakpoint matched the instruction at PC; nothing executed
};

struct Cpu12Run {
  Cpu12Stop stop = Cpu12Stop::None;
  uint64_t cycles = 0;        // bus cycles used
  // Instructions completed (BGND, WAI and STOP count, faults not); an interrupt entered counts
  // as one, so a single step into a requested interrupt stops at its handler's first
  // instruction, as the BDM's trace does.
  uint64_t instructions = 0;
  uint16_t at = 0;            // address of the instruction that stopped the part
  uint8_t page = 0;           // a breakpoint in 0x8000-0xBFFF: the window's page
  uint8_t opcode[2] = {};     // its opcode byte(s) (0x18 then the page-2 opcode)
  const SimInterrupt* interrupt = nullptr;  // NoVector: the interrupt whose vector is erased
};

// Executes instructions at t.cpu.pc until the part stops by itself, at least `cycles` bus cycles
// have been used or `instructions` instructions have been completed, whichever comes first,
// and brings the peripherals up to t.board.now + the cycles used. A part in WAI sleeps through
// the cycles until an interrupt ends the wait. Does not look at or change t.cpu.running.
Cpu12Run cpu12_execute(SimTarget& t, uint64_t cycles, uint64_t instructions);

// The line that tells why the part stopped ("" for Cpu12Stop::None).
std::string cpu12_stop_line(const Cpu12Run& run);

// One decoded instruction: its length in bytes, its mnemonic as the CPU12 assembler spells it
// (lower case: "ldaa", "movw", "dbne", "trap"...) and its typical bus cycles.
struct Cpu12Decoded {
  int length = 0;
  const char* mnemonic = "";
  int cycles = 0;
};

// Decodes the instruction at code[0]. Returns its length, or 0 when `available` bytes are too
// few to tell (the longest instruction has 6 bytes).
int cpu12_decode(const uint8_t* code, int available, Cpu12Decoded* out);
