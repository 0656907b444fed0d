// Speed of the simulated part's CPU12 core: instructions per second on three loops in RAM, run
// in one long call and in the slices the library runs a started part in (20000 bus cycles per
// call of cpu12_execute). Goal: at least 50 million instructions per second, so that a simulated
// 25 MHz bus runs faster than real time. Rates are per second of the process's CPU time, so that
// other programs sharing the machine do not distort them.
#include <ctime>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "simulator/cpu12.h"
#include "simulator/sim_parts.h"
#include "simulator/sim_target.h"

namespace {

struct Loop {
  const char* name;
  std::vector<uint8_t> code;  // at 0x2000
};

const Loop kLoops[] = {
    // loop: dbne x, loop; bra loop
    {"dbne x (1 instruction per turn)", {0x04, 0x35, 0xFD, 0x20, 0xFB}},
    // loop: inx; cpx #0xFFFF; bne loop; ldx #0; bra loop
    {"inx / cpx / bne", {0x08, 0x8E, 0xFF, 0xFF, 0x26, 0xFA, 0xCE, 0x00, 0x00, 0x20, 0xF5}},
    // start: ldx #0x3000; loop: ldaa 0,x; adda #1; staa 1,x+; cpx #0x3800; bne loop; bra start
    {"ldaa / adda / staa 1,x+ / cpx / bne",
     {0xCE, 0x30, 0x00, 0xA6, 0x00, 0x8B, 0x01, 0x6A, 0x30, 0x8E, 0x38, 0x00, 0x26, 0xF5, 0x20,
      0xF0}},
};

double run(SimTarget& t, const Loop& loop, uint64_t instructions, uint64_t slice_cycles,
           uint64_t* done) {
  for (size_t i = 0; i < loop.code.size(); ++i) sim_write(t, 0x2000 + uint32_t(i), loop.code[i]);
  t.cpu.pc = 0x2000;
  t.cpu.sp = 0x3F00;
  t.cpu.x = 0;
  *done = 0;
  std::clock_t t0 = std::clock();
  while (*done < instructions) {
    Cpu12Run r = cpu12_execute(t, slice_cycles, instructions - *done);
    *done += r.instructions;
    if (r.stop != Cpu12Stop::None) {
      std::printf("  stopped: %s\n", cpu12_stop_line(r).c_str());
      break;
    }
  }
  return static_cast<double>(std::clock() - t0) / CLOCKS_PER_SEC;
}

}  // namespace

int main() {
  SimTarget t;
  sim_target_power_up(t, sim_default_part());
  const uint64_t n = 200000000;
  std::printf("CPU12 core, %llu instructions per loop (goal: >= 50 million per second)\n",
              static_cast<unsigned long long>(n));
  bool met = true;
  for (const Loop& loop : kLoops) {
    for (uint64_t slice : {UINT64_MAX, uint64_t(20000)}) {
      uint64_t done = 0;
      double s = run(t, loop, n, slice, &done);
      double mips = done / s / 1e6;
      met = met && mips >= 50.0;
      std::printf("  %-40s %-22s %7.1f million instructions/s\n", loop.name,
                  slice == UINT64_MAX ? "one call" : "20000-cycle slices", mips);
    }
  }
  std::printf("goal %s\n", met ? "met" : "NOT met");
  return 0;
}
