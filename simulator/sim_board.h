// The simulated part's peripherals that firmware under test uses: the serial port SCI0, the
// timer's free-running counter and overflow, the CRG's real-time interrupt and the breakpoint
// module (MC9S12DG256 register addresses; the simulated HCS12X parts have them at the same
// addresses). Portable.
//
// Everything keeps time with the part's own bus cycles (SimBoard::now, counted by the CPU core
// as it executes): nothing happens between two instructions except at the bus cycle of the next
// event (SimBoard::next_event), so the core looks at the peripherals only there, after a write
// to their registers and after an instruction that unmasks interrupts. While the part is halted
// its bus stands still, and so do its peripherals.
//
// The registers live in SimTarget::regs, where the BDM reads them and the state file keeps them;
// SimBoard holds what the silicon keeps out of sight (the counters' phase, the byte in the
// transmitter's shift register, the flag-clearing sequences begun).
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct SimTarget;

// Register offsets in the register block.
constexpr uint32_t kSimRegBKPCT0 = 0x0028;  // BKEN 7, BKFULL 6, BKBDM 5, BKTAG 4
constexpr uint32_t kSimRegBKPCT1 = 0x0029;  // BK0MBH 7, BK0MBL 6, BK1MBH 5, BK1MBL 4
constexpr uint32_t kSimRegBKP0X = 0x002A;   // then BKP0H, BKP0L, BKP1X, BKP1H, BKP1L
constexpr uint32_t kSimRegBKP1X = 0x002D;
constexpr uint32_t kSimRegCRGFLG = 0x0037;  // RTIF 7 (LOCK 3 reads 1: the PLL is not simulated)
constexpr uint32_t kSimRegCRGINT = 0x0038;  // RTIE 7
constexpr uint32_t kSimRegRTICTL = 0x003B;  // RTR[6:4] = M, RTR[3:0] = N
constexpr uint32_t kSimRegTCNT = 0x0044;    // and 0x0045
constexpr uint32_t kSimRegTSCR1 = 0x0046;   // TEN 7, TFFCA 4
constexpr uint32_t kSimRegTSCR2 = 0x004D;   // TOI 7, PR[2:0]
constexpr uint32_t kSimRegTFLG2 = 0x004F;   // TOF 7
constexpr uint32_t kSimRegSCI0BDH = 0x00C8;  // SBR[12:8]
constexpr uint32_t kSimRegSCI0BDL = 0x00C9;  // SBR[7:0]
constexpr uint32_t kSimRegSCI0CR1 = 0x00CA;  // M 4 (nine data bits)
constexpr uint32_t kSimRegSCI0CR2 = 0x00CB;  // TIE 7, TCIE 6, RIE 5, TE 3, RE 2
constexpr uint32_t kSimRegSCI0SR1 = 0x00CC;  // TDRE 7, TC 6, RDRF 5, OR 3
constexpr uint32_t kSimRegSCI0DRL = 0x00CF;
// The registers with a behaviour of their own lie in [kSimBoardFirst, kSimBoardEnd).
constexpr uint32_t kSimBoardFirst = kSimRegBKPCT0;
constexpr uint32_t kSimBoardEnd = kSimRegSCI0DRL + 1;

constexpr uint8_t kSimBKEN = 0x80, kSimBKFULL = 0x40, kSimBKBDM = 0x20;
constexpr uint8_t kSimRTIF = 0x80, kSimRTIE = 0x80, kSimLOCK = 0x08;
constexpr uint8_t kSimTEN = 0x80, kSimTFFCA = 0x10, kSimTOI = 0x80, kSimTOF = 0x80;
constexpr uint8_t kSimTIE = 0x80, kSimTCIE = 0x40, kSimRIE = 0x20, kSimTE = 0x08, kSimRE = 0x04;
constexpr uint8_t kSimTDRE = 0x80, kSimTC = 0x40, kSimRDRF = 0x20, kSimOR = 0x08;

constexpr uint64_t kSimNever = UINT64_MAX;

// The interrupt sources, by priority (highest first, as the HCS12's fixed priority orders them
// by vector address), with their vectors in the table at 0xFF80-0xFFFF.
struct SimInterrupt {
  uint16_t vector;
  const char* name;
};
constexpr SimInterrupt kSimRtiInterrupt = {0xFFF0, "RTI"};
constexpr SimInterrupt kSimTimerOverflowInterrupt = {0xFFDE, "Timer overflow"};
constexpr SimInterrupt kSimSci0Interrupt = {0xFFD6, "SCI0"};

struct SimBoard {
  uint64_t now = 0;                // bus cycles the part has run since the library had it
  uint64_t next_event = kSimNever;  // bus cycle of the next thing that changes a flag
  // Timer: TCNT is the low 16 bits of timer_ticks counted up to timer_mark, plus the ticks
  // since (at the bus clock over the prescaler) while TEN is set.
  uint64_t timer_ticks = 0;
  uint64_t timer_mark = 0;
  uint64_t overflow_at = kSimNever;
  // RTI: the next time-out.
  uint64_t rti_at = kSimNever;
  // SCI0 transmitter: the data register (full while TDRE is 0), the shift register (a byte, or
  // the preamble that TE going to 1 sends) and the TDRE-clearing sequence begun by reading SR1.
  uint8_t tx_data = 0;
  bool tx_shifting = false;
  bool tx_preamble = false;
  uint8_t tx_shift = 0;
  uint64_t tx_done_at = kSimNever;
  bool tdre_seen = false;
  // A byte written to SCI0DRL was lost: written without the sequence, or over a byte still
  // waiting for the shift register.
  bool lost_write = false;
  // SCI0 receiver: the next byte's arrival, and the RDRF-clearing sequence begun.
  uint64_t rx_at = kSimNever;
  bool rdrf_seen = false;
  // Bytes that have left the transmitter, for the library to pass on (oldest first); the
  // bytes the receiver gets, and how many it has had.
  std::vector<uint8_t> sent;
  const std::vector<uint8_t>* input = nullptr;
  size_t input_taken = 0;
  // The first instruction of a run or a step is not stopped by a breakpoint at its address, so
  // that a part halted at a breakpoint can go on.
  bool skip_breakpoint = false;
};

// Reset: the peripherals' registers to their reset values, nothing under way.
void sim_board_reset(SimTarget& t);
// A part whose register block was loaded (the state file): what is under way starts again from
// the registers (TCNT counts on from its value, the RTI begins a new period, the transmitter is
// idle).
void sim_board_restore(SimTarget& t);
// The bytes SCI0's receiver gets (null: none), from the first; kept by the caller.
void sim_board_set_input(SimTarget& t, const std::vector<uint8_t>* input);
// Brings the peripherals up to bus cycle now (>= t.board.now): every event due by then happens
// at its own cycle.
void sim_board_advance(SimTarget& t, uint64_t now);

// A register's value as a read sees it at t.board.now (TCNT counts), for index in
// [kSimBoardFirst, kSimBoardEnd).
uint8_t sim_board_read(const SimTarget& t, uint32_t index);
// What a CPU read of a register does besides reading (the flag-clearing sequences). True when
// that may change an interrupt or the next event.
bool sim_board_cpu_read(SimTarget& t, uint32_t index);
// A write at t.board.now to a register in [kSimBoardFirst, kSimBoardEnd), by the CPU or the BDM:
// false for a register without a behaviour of its own, which the caller stores.
bool sim_board_write(SimTarget& t, uint32_t index, uint8_t value);

// The highest-priority interrupt requested and enabled, or null.
const SimInterrupt* sim_board_interrupt(const SimTarget& t);
// True when an enabled interrupt is requested or may be (its source runs): a WAI can end.
bool sim_board_can_interrupt(const SimTarget& t);

// The transmitter finishes at once what it was given (a part that halts: the port does not
// stop with the CPU): the bytes go to `sent`, TDRE and TC read 1.
void sim_board_finish_sending(SimTarget& t);

// The breakpoint module's instruction-fetch comparators as BKPCT0/1 and BKP0/1 set them:
// `count` breakpoints (0 when BKEN or BKBDM is clear; 1 in full mode, where BKP1 compares data).
struct SimBreakpoints {
  int count = 0;
  uint16_t address[2] = {};
  uint16_t mask[2] = {};  // the address bits compared (BKxMBH/BKxMBL leave a byte out)
  uint8_t page[2] = {};   // compared with the window's page for addresses in 0x8000-0xBFFF
};
SimBreakpoints sim_board_breakpoints(const SimTarget& t);
// True when an instruction fetched from pc (the window showing window_page) matches.
bool sim_breakpoint_hit(const SimBreakpoints& b, uint16_t pc, uint8_t window_page, bool x_part);
