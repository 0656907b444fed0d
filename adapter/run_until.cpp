#include "adapter/run_until.h"

#include <chrono>

#include "adapter/bdx.h"
#include "adapter/connection.h"
#include "adapter/cpu_registers.h"
#include "app/message_pane.h"
#include "target/catalogue.h"
#include "target/hcs12_registers.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint8_t kOpcodeBgnd = 0x00;
constexpr uint8_t kOpcodeNop = 0xA7;
constexpr uint8_t kCcrI = 0x10;      // interrupts masked during the module's trial
constexpr long kTrialLimitMs = 100;  // a NOP and a BGND take microseconds

long ms_since(Clock::time_point start) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

bool read_pc(uint32_t* pc) {
  uint32_t core[5] = {0, 0, 0, 0, 0};
  if (bdx_RegisterGetAll(core) < 0) return false;
  *pc = core[kCpuRegisterPc] & 0xFFFF;
  return true;
}

// PC is the address; for a paged address PPAGE holds its page as well.
bool at_address(uint32_t pc, uint32_t address) {
  if (pc != (address & 0xFFFF)) return false;
  if (address <= 0xFFFF) return true;
  unsigned char page = 0;
  return bdx_GetMemoryByte(kRegisterPpage, &page) != -1 && page == (address >> 16);
}

void set_breakpoint(uint32_t address) {
  bdx_SetMemoryByte(kRegisterBkpct0, 0);
  bdx_SetMemoryByte(kRegisterBkpct1, 0);  // full address compare, read and write not compared
  bdx_SetMemoryByte(kRegisterBkp0x, address > 0xFFFF ? uint8_t(address >> 16) : 0);
  bdx_SetMemoryByte(kRegisterBkp0h, uint8_t(address >> 8));
  bdx_SetMemoryByte(kRegisterBkp0l, uint8_t(address));
  bdx_SetMemoryByte(kRegisterBkpct0, kBkpct0Bken | kBkpct0Bkbdm);
}

void clear_breakpoint() { bdx_SetMemoryByte(kRegisterBkpct0, 0); }

bool breakpoint_registers_answer() {
  unsigned char control = 0;
  return bdx_GetMemoryByte(kRegisterBkpct0, &control) != -1 &&
         control == (kBkpct0Bken | kBkpct0Bkbdm);
}

// The trial run described in the header: NOP, BGND at scratch, the breakpoint on the BGND.
// Everything it changes is put back; the breakpoint is left cleared.
bool breakpoint_module_stops_the_part(uint32_t scratch) {
  CpuRegisterValues saved;
  unsigned char kept[2] = {0, 0};
  if (!read_cpu_registers(FAMILY_HCS12, &saved) || bdx_GetMemoryByte(scratch, &kept[0]) == -1 ||
      bdx_GetMemoryByte(scratch + 1, &kept[1]) == -1)
    return false;
  append_formatted("Trying the breakpoint module: NOP, BGND at 0x%X, a breakpoint on the BGND",
                   unsigned(scratch));
  bdx_SetMemoryByte(scratch, kOpcodeNop);
  bdx_SetMemoryByte(scratch + 1, kOpcodeBgnd);
  unsigned char placed[2] = {0xFF, 0xFF};
  bool stopped = false;
  if (bdx_GetMemoryByte(scratch, &placed[0]) != -1 &&
      bdx_GetMemoryByte(scratch + 1, &placed[1]) != -1 && placed[0] == kOpcodeNop &&
      placed[1] == kOpcodeBgnd) {
    set_breakpoint(scratch + 1);
    write_cpu_register(FAMILY_HCS12, kCpuRegisterPc, scratch);
    write_cpu_register(FAMILY_HCS12, kCpuRegisterCcr, saved.value[kCpuRegisterCcr] | kCcrI);
    if (bdx_TargetStart() >= 0) {
      const HaltWait wait = wait_until_halted(kTrialLimitMs);
      if (!wait.halted) bdx_TargetHalt();
      uint32_t pc = 0;
      stopped = wait.halted && read_pc(&pc) && pc == scratch + 1;
    }
    clear_breakpoint();
  }
  bdx_SetMemoryByte(scratch, kept[0]);
  bdx_SetMemoryByte(scratch + 1, kept[1]);
  write_cpu_register(FAMILY_HCS12, kCpuRegisterPc, saved.value[kCpuRegisterPc]);
  write_cpu_register(FAMILY_HCS12, kCpuRegisterCcr, saved.value[kCpuRegisterCcr]);
  return stopped;
}

bool breakpoint_module_works(int family, uint32_t scratch) {
  if (family != FAMILY_HCS12) return false;
  set_breakpoint(scratch + 1);
  const bool answer = breakpoint_registers_answer();
  clear_breakpoint();
  return answer && breakpoint_module_stops_the_part(scratch);
}

// The run with breakpoint 0 on the address.
void run_to_breakpoint(uint32_t address, long limit_ms, Clock::time_point start, UntilRun* r) {
  set_breakpoint(address);
  if (!run_target_checked()) {
    clear_breakpoint();
    return;
  }
  const long left = limit_ms - ms_since(start);
  const HaltWait wait = wait_until_halted(left > 0 ? left : 0);
  const bool halted = wait.halted || halt_target_checked();
  clear_breakpoint();
  r->elapsed_ms = ms_since(start);
  if (!halted || !read_pc(&r->pc)) return;
  r->end = !wait.halted                   ? UntilEnd::TimedOut
           : at_address(r->pc, address) ? UntilEnd::Reached
                                        : UntilEnd::HaltedElsewhere;
}

// One instruction at a time; a BGND at PC (not the address) is executed and ends the run.
void step_to_address(uint32_t address, long limit_ms, Clock::time_point start, UntilRun* r) {
  for (;;) {
    r->elapsed_ms = ms_since(start);
    if (r->elapsed_ms >= limit_ms) {
      r->end = UntilEnd::TimedOut;
      return;
    }
    unsigned char opcode = 0xFF;
    const bool bgnd = bdx_GetMemoryByte(r->pc, &opcode) != -1 && opcode == kOpcodeBgnd;
    if (!step_target_checked() || !read_pc(&r->pc)) return;
    if (bgnd) {
      r->end = UntilEnd::HaltedElsewhere;
      return;
    }
    if (at_address(r->pc, address)) {
      r->end = UntilEnd::Reached;
      r->elapsed_ms = ms_since(start);
      return;
    }
  }
}

}  // namespace

UntilRun run_until_address(uint32_t address, long limit_ms, int family, uint32_t scratch) {
  const Clock::time_point start = Clock::now();
  UntilRun r;
  unsigned char status = 0;
  if (bdx_GetByte(kBdmStatus, &status) != -1 && !(status & kBdmstsBdmact) &&
      !halt_target_checked())
    return r;
  if (!read_pc(&r.pc)) return r;
  // At least one instruction: from the address itself, until it comes back there.
  if (at_address(r.pc, address) && (!step_target_checked() || !read_pc(&r.pc))) return r;
  if (at_address(r.pc, address)) {  // an instruction that branches to itself
    r.end = UntilEnd::Reached;
    r.elapsed_ms = ms_since(start);
    return r;
  }
  if (breakpoint_module_works(family, scratch)) {
    r.method = UntilMethod::BreakpointModule;
    run_to_breakpoint(address, limit_ms, start, &r);
  } else {
    r.method = UntilMethod::Stepping;
    step_to_address(address, limit_ms, start, &r);
  }
  return r;
}
