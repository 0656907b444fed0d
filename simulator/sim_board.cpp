#include "simulator/sim_board.h"

#include <algorithm>

#include "simulator/sim_target.h"

namespace {

constexpr uint8_t kSimPRMask = 0x07;
// CRGFLG bits a write of 1 clears (RTIF, PROF, LOCKIF, SCMIF); LOCK, TRACK and SCM only show.
constexpr uint8_t kCrgflgWriteOneClears = 0xD2;

bool timer_on(const SimTarget& t) { return (t.regs[kSimRegTSCR1] & kSimTEN) != 0; }
int prescaler_shift(const SimTarget& t) { return t.regs[kSimRegTSCR2] & kSimPRMask; }

// The counter's ticks at bus cycle now: it counts at the bus clock over 2^PR while TEN is set.
uint64_t ticks_at(const SimTarget& t, uint64_t now) {
  const SimBoard& b = t.board;
  if (!timer_on(t) || now < b.timer_mark) return b.timer_ticks;
  return b.timer_ticks + ((now - b.timer_mark) >> prescaler_shift(t));
}

// The bus cycle at which TCNT next wraps to 0 after bus cycle `after`.
uint64_t overflow_after(const SimTarget& t, uint64_t after) {
  if (!timer_on(t)) return kSimNever;
  const SimBoard& b = t.board;
  const uint64_t wrap = (ticks_at(t, after) | 0xFFFF) + 1;
  return b.timer_mark + ((wrap - b.timer_ticks) << prescaler_shift(t));
}

// Before TEN or the prescaler changes: the count so far is kept, later ticks count anew.
void hold_count(SimTarget& t) {
  SimBoard& b = t.board;
  b.timer_ticks = ticks_at(t, b.now);
  b.timer_mark = b.now;
}

// (N + 1) x 2^(M + 9) oscillator clocks; the bus runs at half the oscillator. 0: RTI off.
uint64_t rti_period(const SimTarget& t) {
  const uint8_t v = t.regs[kSimRegRTICTL];
  const int m = (v >> 4) & 7, n = v & 0x0F;
  return m == 0 ? 0 : static_cast<uint64_t>(n + 1) << (m + 8);
}

// Bus cycles of one frame: start bit, 8 or 9 data bits (a parity bit is one of them), stop bit,
// each 16 x SBR bus cycles. 0 while SBR is 0 (the baud generator stopped).
uint64_t frame_cycles(const SimTarget& t) {
  const uint32_t sbr = (t.regs[kSimRegSCI0BDH] & 0x1Fu) << 8 | t.regs[kSimRegSCI0BDL];
  const uint64_t bits = (t.regs[kSimRegSCI0CR1] & 0x10) ? 11 : 10;
  return bits * 16 * sbr;
}

void update_next_event(SimTarget& t) {
  SimBoard& b = t.board;
  b.next_event = std::min(std::min(b.overflow_at, b.rti_at), std::min(b.tx_done_at, b.rx_at));
}

// The data register's byte moves to the idle shift register (TDRE reads 1 again) and leaves
// one frame later, when the transmitter is enabled and the baud generator runs.
void start_sending(SimTarget& t, uint64_t at) {
  SimBoard& b = t.board;
  uint8_t& sr1 = t.regs[kSimRegSCI0SR1];
  const uint64_t frame = frame_cycles(t);
  if (b.tx_shifting || (sr1 & kSimTDRE) || !(t.regs[kSimRegSCI0CR2] & kSimTE) || frame == 0)
    return;
  b.tx_shift = b.tx_data;
  b.tx_shifting = true;
  b.tx_preamble = false;
  b.tx_done_at = at + frame;
  sr1 = static_cast<uint8_t>((sr1 | kSimTDRE) & ~kSimTC);
}

// TE going to 1 sends a preamble, a frame of idle line, before the first byte.
void send_preamble(SimTarget& t) {
  SimBoard& b = t.board;
  const uint64_t frame = frame_cycles(t);
  if (b.tx_shifting || frame == 0) return;
  b.tx_shifting = true;
  b.tx_preamble = true;
  b.tx_done_at = b.now + frame;
  t.regs[kSimRegSCI0SR1] &= static_cast<uint8_t>(~kSimTC);
}

void frame_sent(SimTarget& t, uint64_t at) {
  SimBoard& b = t.board;
  if (!b.tx_preamble) b.sent.push_back(b.tx_shift);
  b.tx_shifting = false;
  b.tx_preamble = false;
  b.tx_done_at = kSimNever;
  start_sending(t, at);
  uint8_t& sr1 = t.regs[kSimRegSCI0SR1];
  if (!b.tx_shifting && (sr1 & kSimTDRE)) sr1 |= kSimTC;
}

// A write to SCI0DRL after a read of SCI0SR1 with TDRE set gives the transmitter a byte (TDRE
// and TC clear). As on silicon, a write without that sequence goes nowhere, and one while TDRE
// is 0 replaces the byte waiting for the shift register.
void give_byte(SimTarget& t, uint8_t value) {
  SimBoard& b = t.board;
  uint8_t& sr1 = t.regs[kSimRegSCI0SR1];
  if (!(sr1 & kSimTDRE)) b.tx_data = value;
  if (!b.tdre_seen || !(sr1 & kSimTDRE)) {
    b.lost_write = true;
    return;
  }
  b.tdre_seen = false;
  b.tx_data = value;
  sr1 = static_cast<uint8_t>(sr1 & ~(kSimTDRE | kSimTC));
  start_sending(t, b.now);
}

// The input's next byte arrives one frame after the receiver is ready for it: enabled, the baud
// generator running and the byte before taken (RDRF clear), so none is lost to an overrun.
void schedule_receive(SimTarget& t, uint64_t at) {
  SimBoard& b = t.board;
  b.rx_at = kSimNever;
  const uint64_t frame = frame_cycles(t);
  if (!(t.regs[kSimRegSCI0CR2] & kSimRE) || (t.regs[kSimRegSCI0SR1] & kSimRDRF) || frame == 0 ||
      !b.input || b.input_taken >= b.input->size())
    return;
  b.rx_at = at + frame;
}

void byte_received(SimTarget& t) {
  SimBoard& b = t.board;
  t.regs[kSimRegSCI0DRL] = (*b.input)[b.input_taken++];
  t.regs[kSimRegSCI0SR1] |= kSimRDRF;
  b.rx_at = kSimNever;
}

// TCNT as the register block keeps it, for the BDM and the state file.
void show_count(SimTarget& t) {
  const uint64_t ticks = ticks_at(t, t.board.now);
  t.regs[kSimRegTCNT] = static_cast<uint8_t>(ticks >> 8);
  t.regs[kSimRegTCNT + 1] = static_cast<uint8_t>(ticks);
}

// Starts the timer's, the RTI's and the receiver's schedules from the registers.
void schedule_from_registers(SimTarget& t) {
  SimBoard& b = t.board;
  b.timer_ticks = static_cast<uint64_t>(t.regs[kSimRegTCNT]) << 8 | t.regs[kSimRegTCNT + 1];
  b.timer_mark = b.now;
  b.overflow_at = overflow_after(t, b.now);
  const uint64_t period = rti_period(t);
  b.rti_at = period ? b.now + period : kSimNever;
  schedule_receive(t, b.now);
  update_next_event(t);
}

// A fresh board on the same bus clock, keeping the bytes sent and the input.
void fresh_board(SimTarget& t) {
  SimBoard old = std::move(t.board);
  t.board = SimBoard();
  t.board.now = old.now;
  t.board.sent = std::move(old.sent);
  t.board.input = old.input;
  t.board.input_taken = old.input_taken;
  t.board.lost_write = old.lost_write;
}

}  // namespace

void sim_board_reset(SimTarget& t) {
  fresh_board(t);
  t.regs[kSimRegCRGFLG] = kSimLOCK;
  t.regs[kSimRegSCI0BDL] = 0x04;
  t.regs[kSimRegSCI0SR1] = kSimTDRE | kSimTC;
  schedule_from_registers(t);
}

void sim_board_restore(SimTarget& t) {
  fresh_board(t);
  t.regs[kSimRegCRGFLG] |= kSimLOCK;
  t.regs[kSimRegSCI0SR1] |= kSimTDRE | kSimTC;  // the transmitter starts idle
  schedule_from_registers(t);
}

void sim_board_set_input(SimTarget& t, const std::vector<uint8_t>* input) {
  t.board.input = input;
  t.board.input_taken = 0;
  if (t.board.rx_at == kSimNever) schedule_receive(t, t.board.now);
  update_next_event(t);
}

void sim_board_advance(SimTarget& t, uint64_t now) {
  SimBoard& b = t.board;
  while (b.next_event <= now) {
    const uint64_t at = b.next_event;
    if (b.overflow_at == at) {
      t.regs[kSimRegTFLG2] |= kSimTOF;
      b.overflow_at = overflow_after(t, at);
    } else if (b.rti_at == at) {
      t.regs[kSimRegCRGFLG] |= kSimRTIF;
      b.rti_at = at + rti_period(t);
    } else if (b.tx_done_at == at) {
      frame_sent(t, at);
    } else {
      byte_received(t);
    }
    update_next_event(t);
  }
  if (now > b.now) b.now = now;
  show_count(t);
}

uint8_t sim_board_read(const SimTarget& t, uint32_t index) {
  if (index == kSimRegTCNT || index == kSimRegTCNT + 1) {
    const uint64_t ticks = ticks_at(t, t.board.now);
    return static_cast<uint8_t>(index == kSimRegTCNT ? ticks >> 8 : ticks);
  }
  return t.regs[index];
}

bool sim_board_cpu_read(SimTarget& t, uint32_t index) {
  SimBoard& b = t.board;
  uint8_t& sr1 = t.regs[kSimRegSCI0SR1];
  switch (index) {
    case kSimRegSCI0SR1:
      b.tdre_seen = (sr1 & kSimTDRE) != 0;
      b.rdrf_seen = (sr1 & (kSimRDRF | kSimOR)) != 0;
      return false;
    case kSimRegSCI0DRL:  // after reading SR1 with RDRF set: the byte is taken
      if (!b.rdrf_seen || !(sr1 & (kSimRDRF | kSimOR))) return false;
      b.rdrf_seen = false;
      sr1 = static_cast<uint8_t>(sr1 & ~(kSimRDRF | kSimOR));
      schedule_receive(t, b.now);
      update_next_event(t);
      return true;
    case kSimRegTCNT:
    case kSimRegTCNT + 1:  // fast flag clearing: any access to TCNT clears TOF
      if (!(t.regs[kSimRegTSCR1] & kSimTFFCA) || !(t.regs[kSimRegTFLG2] & kSimTOF)) return false;
      t.regs[kSimRegTFLG2] &= static_cast<uint8_t>(~kSimTOF);
      return true;
    default: return false;
  }
}

bool sim_board_write(SimTarget& t, uint32_t index, uint8_t value) {
  SimBoard& b = t.board;
  uint8_t* r = t.regs;
  switch (index) {
    case kSimRegTCNT:
    case kSimRegTCNT + 1:
    case kSimRegSCI0SR1: return true;  // read-only
    case kSimRegTFLG2: r[index] &= static_cast<uint8_t>(~(value & kSimTOF)); return true;
    case kSimRegCRGFLG:
      r[index] &= static_cast<uint8_t>(~(value & kCrgflgWriteOneClears));
      return true;
    case kSimRegTSCR1:
    case kSimRegTSCR2:
      hold_count(t);
      r[index] = value;
      b.overflow_at = overflow_after(t, b.now);
      break;
    case kSimRegRTICTL: {  // a new period starts now
      r[index] = value;
      const uint64_t period = rti_period(t);
      b.rti_at = period ? b.now + period : kSimNever;
      break;
    }
    case kSimRegSCI0DRL: give_byte(t, value); break;
    case kSimRegSCI0CR2: {
      const uint8_t before = r[index];
      r[index] = value;
      if (!(before & kSimTE) && (value & kSimTE)) send_preamble(t);
      if (!(value & kSimRE)) b.rx_at = kSimNever;
      else if (b.rx_at == kSimNever) schedule_receive(t, b.now);
      start_sending(t, b.now);
      break;
    }
    case kSimRegSCI0BDH:
    case kSimRegSCI0BDL:
    case kSimRegSCI0CR1:
      r[index] = value;
      start_sending(t, b.now);
      if (b.rx_at == kSimNever) schedule_receive(t, b.now);
      break;
    default: return false;
  }
  update_next_event(t);
  return true;
}

const SimInterrupt* sim_board_interrupt(const SimTarget& t) {
  const uint8_t* r = t.regs;
  if ((r[kSimRegCRGINT] & kSimRTIE) && (r[kSimRegCRGFLG] & kSimRTIF)) return &kSimRtiInterrupt;
  if ((r[kSimRegTSCR2] & kSimTOI) && (r[kSimRegTFLG2] & kSimTOF))
    return &kSimTimerOverflowInterrupt;
  const uint8_t cr2 = r[kSimRegSCI0CR2], sr1 = r[kSimRegSCI0SR1];
  if (((cr2 & kSimTIE) && (sr1 & kSimTDRE)) || ((cr2 & kSimTCIE) && (sr1 & kSimTC)) ||
      ((cr2 & kSimRIE) && (sr1 & (kSimRDRF | kSimOR))))
    return &kSimSci0Interrupt;
  return nullptr;
}

bool sim_board_can_interrupt(const SimTarget& t) {
  if (sim_board_interrupt(t)) return true;
  const SimBoard& b = t.board;
  const uint8_t* r = t.regs;
  return ((r[kSimRegCRGINT] & kSimRTIE) && b.rti_at != kSimNever) ||
         ((r[kSimRegTSCR2] & kSimTOI) && b.overflow_at != kSimNever) ||
         ((r[kSimRegSCI0CR2] & (kSimTIE | kSimTCIE)) && b.tx_shifting) ||
         ((r[kSimRegSCI0CR2] & kSimRIE) && b.rx_at != kSimNever);
}

void sim_board_finish_sending(SimTarget& t) {
  SimBoard& b = t.board;
  uint8_t& sr1 = t.regs[kSimRegSCI0SR1];
  if (b.tx_shifting) frame_sent(t, b.now);
  if (b.tx_shifting) frame_sent(t, b.now);  // the byte that waited behind it
  if (!b.tx_shifting && (sr1 & kSimTDRE)) sr1 |= kSimTC;
  update_next_event(t);
}

SimBreakpoints sim_board_breakpoints(const SimTarget& t) {
  SimBreakpoints b;
  const uint8_t ct0 = t.regs[kSimRegBKPCT0], ct1 = t.regs[kSimRegBKPCT1];
  if (!(ct0 & kSimBKEN) || !(ct0 & kSimBKBDM)) return b;
  b.count = (ct0 & kSimBKFULL) ? 1 : 2;
  for (int i = 0; i < b.count; ++i) {
    const uint32_t base = i == 0 ? kSimRegBKP0X : kSimRegBKP1X;
    b.page[i] = t.regs[base];
    b.address[i] = static_cast<uint16_t>(t.regs[base + 1] << 8 | t.regs[base + 2]);
    const uint8_t high = static_cast<uint8_t>(0x80 >> (2 * i)), low = high >> 1;
    b.mask[i] = static_cast<uint16_t>(((ct1 & high) ? 0 : 0xFF00) | ((ct1 & low) ? 0 : 0x00FF));
  }
  return b;
}

bool sim_breakpoint_hit(const SimBreakpoints& b, uint16_t pc, uint8_t window_page, bool x_part) {
  const uint8_t page_mask = x_part ? 0xFF : 0x3F;  // BKPxX holds six page bits on HCS12
  for (int i = 0; i < b.count; ++i) {
    if ((pc ^ b.address[i]) & b.mask[i]) continue;
    if (pc >= 0x8000 && pc < 0xC000 && ((window_page ^ b.page[i]) & page_mask)) continue;
    return true;
  }
  return false;
}
