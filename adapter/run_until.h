// Running a part until its PC reaches an address ("run --until", "test --until").
//
// Where the part has the HCS12 breakpoint module, breakpoint 0 is set to the address (a fetch
// of the instruction there enters background mode), the part is started, and BDMSTS.BDMACT is
// polled as a run to a halt is (wait_until_halted); the breakpoint is cleared afterwards. Its
// registers answering proves nothing on its own (a register block that is plain memory keeps
// what is written too), so the module is first tried on two bytes of RAM: a NOP then a BGND,
// with the breakpoint on the BGND. A module stops the part before the BGND; without one the BGND
// halts it one byte later. The bytes, PC and CCR are put back afterwards. Where the module does
// not answer so (and always on HCS12X, whose debug module is another), the part is stepped with
// bdx_TargetStep until PC is the address; a BGND met on the way is executed and ends the run as
// it would end a real one.
//
// The part executes at least one instruction: a PC already at the address is stepped past
// first, so that "until" means "until it comes back there". A part found running is halted
// first.
#pragma once
#include <cstdint>

enum class UntilMethod { BreakpointModule, Stepping };
enum class UntilEnd {
  Reached,          // halted with PC at the address
  HaltedElsewhere,  // the part halted (a BGND) somewhere else first
  TimedOut,         // the limit came first; the part was halted then
  Failed,           // a library call failed (its line says which); the part is as it was left
};

struct UntilRun {
  UntilEnd end = UntilEnd::Failed;
  UntilMethod method = UntilMethod::Stepping;
  long elapsed_ms = 0;  // from the start of the run (the module's trial included)
  uint32_t pc = 0;      // PC where the part stopped, when it could be read
};

// Runs the halted (or running) part from its PC until PC reaches address (a 16-bit address, or
// a paged one, (page << 16) + 0x8000..0xBFFF, reached with PPAGE holding the page), for at most
// limit_ms. family chooses whether the breakpoint module is tried (FAMILY_HCS12 only);
// scratch is the address of two bytes of RAM the trial may use.
UntilRun run_until_address(uint32_t address, long limit_ms, int family, uint32_t scratch);
