#include "simulator/sim_target.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

std::string sim_format(const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

namespace {

bool is_x(const SimTarget& t) { return t.part->family == 3; }

bool in_range(uint32_t a, uint32_t lo, uint32_t hi) { return a >= lo && a <= hi; }

bool page_exists(const SimTarget& t, uint32_t page) {
  return page >= t.part->first_page && page <= t.part->last_page;
}

SimLocation flash_at(const SimTarget& t, uint32_t page, uint32_t window_offset) {
  SimLocation loc;
  if (!page_exists(t, page)) return loc;
  loc.area = SimArea::Flash;
  loc.index = (page - t.part->first_page) * kSimPageSize + window_offset;
  return loc;
}

void set_line(std::string* line, const std::string& text) {
  if (line) *line = text;
}

bool timing_ok(uint8_t timing, const char* what, std::string* line) {
  if (timing != 0) return true;
  set_line(line, sim_format("%s refused: timing value 0", what));
  return false;
}

uint8_t* eeprom_byte(SimTarget& t, uint32_t address) {
  SimLocation loc = sim_resolve(t, address);
  return loc.area == SimArea::Eeprom ? &t.eeprom[loc.index] : nullptr;
}

// A byte of page 0x3F by its address at 0xC000-0xFFFF (the configuration field).
uint8_t fixed_flash(const SimTarget& t, uint32_t address) {
  return t.flash[(0x3Fu - t.part->first_page) * kSimPageSize + (address - 0xC000)];
}

// The block FPROT at 0x0104 stands for: FCNFG's block bits on four-block parts.
int selected_block(const SimTarget& t) {
  return t.part->flash_blocks == 4 ? t.regs[kSimRegFCNFG] & 0x03 : 0;
}

// The flash block holding page, and that block's highest page.
int block_of(const SimTarget& t, uint32_t page, uint32_t* top_page) {
  if (t.part->flash_blocks != 4) {
    *top_page = t.part->last_page;
    return 0;
  }
  const int block = static_cast<int>(0x3F - page) / 4;
  *top_page = 0x3Fu - 4u * static_cast<uint32_t>(block);
  return block;
}

// An FPROT or EPROT value's protected range, counted down from the top of its memory (upper:
// bytes below the top) or up from the start of the lower area: whether `from_top` (or
// `from_lower`, negative when outside the lower area's page) falls into it.
bool flash_byte_protected(uint8_t fprot, uint32_t from_top, long from_lower) {
  if (!(fprot & 0x80)) return true;  // FPOPEN 0: the whole block
  if (!(fprot & 0x20) && from_top < (0x800u << ((fprot >> 3) & 3))) return true;  // FPHDIS, FPHS
  if (!(fprot & 0x04) && from_lower >= 0 && from_lower < (0x200L << (fprot & 3))) return true;
  return false;
}

// Mass erases unsecure a secured part once flash and EEPROM are both blank.
void unsecure_when_blank(SimTarget& t) {
  if (t.secured && sim_target_blank(t)) {
    t.secured = false;
    t.unsecured_blank = true;
  }
}

}  // namespace

void sim_target_power_up(SimTarget& t, const SimPart& part) {
  t.part = &part;
  t.flash.assign((part.last_page - part.first_page + 1) * kSimPageSize, 0xFF);
  t.eeprom.assign(part.eeprom_end - part.eeprom_start + 1, 0xFF);
  t.ram.assign(part.ram_end - part.ram_start + 1, 0x00);
  t.nv_dirty = false;
  sim_target_reset(t);
}

void sim_target_reset(SimTarget& t) {
  const SimPart& p = *t.part;
  std::memset(t.regs, 0, sizeof t.regs);
  t.regs[0x1A] = p.part_id;
  t.regs[0x1B] = p.revision;
  t.regs[0x1C] = p.memory_size_0;
  t.regs[0x1D] = p.memory_size_1;
  t.regs[kSimRegPPAGE] = p.first_page;
  t.regs[kSimRegINITRM] = is_x(t) ? 0x00 : p.initrm;  // GPAGE resets to 0
  t.regs[kSimRegINITEE] = p.initee;
  t.window_page = p.first_page;
  SimCpu cpu;
  uint8_t hi = 0xFF, lo = 0xFF;
  sim_read(t, 0xFFFE, &hi);
  sim_read(t, 0xFFFF, &lo);
  cpu.pc = static_cast<uint16_t>(hi << 8 | lo);
  cpu.ccr = 0xD0;  // S, X and I set
  cpu.running = false;
  t.cpu = cpu;
  sim_board_reset(t);
  sim_target_load_security(t);
}

void sim_target_load_security(SimTarget& t) {
  const SimPart& p = *t.part;
  t.regs[kSimRegFSEC] = fixed_flash(t, kSimSecurityByte);
  for (int b = 0; b < 4; ++b)
    t.fprot[b] = b < p.flash_blocks ? fixed_flash(t, kSimBlock0Protection - static_cast<uint32_t>(b))
                                    : 0xFF;
  t.regs[kSimRegFPROT] = t.fprot[selected_block(t)];
  // The EEPROM's protection byte is its third byte from the top (0x0FFD on a 4 KiB EEPROM).
  t.regs[kSimRegEPROT] =
      sim_has_eeprom(t) && t.eeprom.size() >= 3 ? t.eeprom[t.eeprom.size() - 3] : 0xFF;
  t.secured = (t.regs[kSimRegFSEC] & kSimSecMask) != kSimSecUnsecured;
  // Special single-chip mode's blank check: an erased part comes up unsecured.
  t.unsecured_blank = t.secured && sim_target_blank(t);
  if (t.unsecured_blank) t.secured = false;
}

bool sim_target_blank(const SimTarget& t) {
  for (uint8_t b : t.flash)
    if (b != 0xFF) return false;
  for (uint8_t b : t.eeprom)
    if (b != 0xFF) return false;
  return true;
}

uint8_t sim_bdmsts(const SimTarget& t) {
  if (t.secured) return 0;
  return static_cast<uint8_t>(kSimBdmstsENBDM | (t.cpu.running ? 0 : kSimBdmstsBDMACT) |
                              (t.unsecured_blank ? kSimBdmstsUNSEC : 0));
}

std::string sim_flash_protection(const SimTarget& t, uint32_t index, uint32_t address) {
  const uint32_t page = t.part->first_page + index / kSimPageSize;
  const uint32_t offset = index % kSimPageSize;
  uint32_t top_page = 0;
  const uint8_t fprot = t.fprot[block_of(t, page, &top_page)];
  const uint32_t from_top = (top_page - page) * kSimPageSize + (kSimPageSize - 1 - offset);
  // The lower area starts at the bottom of the block's second page from the top (0x4000 in
  // block 0).
  const long from_lower = page + 1 == top_page ? static_cast<long>(offset) : -1;
  if (!flash_byte_protected(fprot, from_top, from_lower)) return "";
  return sim_format("0x%X is protected (FPROT 0x%02X)", address, fprot);
}

std::string sim_eeprom_protection(const SimTarget& t, uint32_t address) {
  const SimLocation loc = sim_resolve(t, address);
  if (loc.area != SimArea::Eeprom) return "";
  const uint8_t eprot = t.regs[kSimRegEPROT];
  const uint32_t from_top = static_cast<uint32_t>(t.eeprom.size()) - 1 - loc.index;
  const bool whole = !(eprot & 0x80);                                       // EPOPEN 0
  const bool top = !(eprot & 0x08) && from_top < (64u << (eprot & 0x07));  // EPDIS, EP
  if (!whole && !top) return "";
  return sim_format("0x%X is protected (EPROT 0x%02X)", address, eprot);
}

SimLocation sim_resolve(const SimTarget& t, uint32_t address) {
  SimLocation loc;
  const SimPart& p = *t.part;
  if (address > 0xFFFF) {
    uint32_t page = address >> 16;
    uint32_t offset = address & 0xFFFF;
    if (page > 0xFF || !in_range(offset, 0x8000, 0xBFFF)) return loc;
    return flash_at(t, page, offset - 0x8000);
  }
  if (address < 0x400) {
    loc.area = SimArea::Register;
    loc.index = address;
  } else if (in_range(address, p.ram_start, p.ram_end)) {
    loc.area = SimArea::Ram;
    loc.index = address - p.ram_start;
  } else if (in_range(address, p.eeprom_start, p.eeprom_end)) {
    loc.area = SimArea::Eeprom;
    loc.index = address - p.eeprom_start;
  } else if (in_range(address, 0x4000, 0x7FFF)) {
    return flash_at(t, 0x3E, address - 0x4000);
  } else if (in_range(address, 0x8000, 0xBFFF)) {
    return flash_at(t, t.window_page, address - 0x8000);
  } else if (address >= 0xC000) {
    return flash_at(t, 0x3F, address - 0xC000);
  }
  return loc;
}

bool sim_has_eeprom(const SimTarget& t) {
  for (uint32_t a = t.part->eeprom_start; a <= t.part->eeprom_end; ++a)
    if (sim_resolve(t, a).area == SimArea::Eeprom) return true;
  return false;
}

int sim_read(const SimTarget& t, uint32_t address, uint8_t* value) {
  SimLocation loc = sim_resolve(t, address);
  switch (loc.area) {
    case SimArea::Register:
      if (loc.index == kSimRegFPROT) *value = t.fprot[selected_block(t)];
      else if (loc.index >= kSimBoardFirst && loc.index < kSimBoardEnd)
        *value = sim_board_read(t, loc.index);
      else *value = t.regs[loc.index];
      return 0;
    case SimArea::Ram: *value = t.ram[loc.index]; return 0;
    case SimArea::Eeprom: *value = t.eeprom[loc.index]; return 0;
    case SimArea::Flash: *value = t.flash[loc.index]; return 0;
    case SimArea::None: break;
  }
  return -1;
}

int sim_write(SimTarget& t, uint32_t address, uint8_t value) {
  SimLocation loc = sim_resolve(t, address);
  switch (loc.area) {
    case SimArea::Register:
      if (loc.index >= 0x1A && loc.index <= 0x1D) return 0;  // identification: read-only
      if (loc.index == kSimRegFSEC) return 0;                 // loaded at reset only
      if (loc.index >= kSimBoardFirst && loc.index < kSimBoardEnd &&
          sim_board_write(t, loc.index, value))
        return 0;
      // Protection may be written freely in special modes: until the next reset.
      if (loc.index == kSimRegFPROT) t.fprot[selected_block(t)] = value;
      t.regs[loc.index] = value;
      if (loc.index == kSimRegPPAGE) t.window_page = value;
      // GPAGE 0 names no page: the window goes back to the page PPAGE selects.
      if (is_x(t) && loc.index == kSimRegINITRM) t.window_page = value ? value : t.regs[kSimRegPPAGE];
      return 0;
    case SimArea::Ram: t.ram[loc.index] = value; return 0;
    case SimArea::Eeprom:
    case SimArea::Flash: return 0;  // needs the programming commands
    case SimArea::None: break;
  }
  return -1;
}

int sim_bdm_read(const SimTarget& t, uint32_t address, uint8_t* value) {
  if (address < 0xFF00 || address > 0xFF07) return sim_read(t, address, value);
  switch (address) {
    case kSimBdmsts: *value = sim_bdmsts(t); return 0;
    case 0xFF06:
      if (t.cpu.running) return -1;
      *value = static_cast<uint8_t>(t.cpu.ccr & 0xFF);
      return 0;
    case 0xFF07:
      if (!is_x(t)) { *value = 0; return 0; }
      if (t.cpu.running) return -1;
      *value = static_cast<uint8_t>(t.cpu.ccr >> 8);
      return 0;
    default: *value = 0; return 0;
  }
}

int sim_bdm_write(SimTarget& t, uint32_t address, uint8_t value) {
  if (address < 0xFF00 || address > 0xFF07) return sim_write(t, address, value);
  if (address == 0xFF06) {
    if (t.cpu.running) return -1;
    t.cpu.ccr = static_cast<uint16_t>((t.cpu.ccr & 0xFF00) | value);
  } else if (address == 0xFF07 && is_x(t)) {
    if (t.cpu.running) return -1;
    t.cpu.ccr = static_cast<uint16_t>((t.cpu.ccr & 0x00FF) | (value << 8));
  }
  return 0;  // the other BDM registers ignore writes
}

int sim_flash_program_word(SimTarget& t, uint32_t word_index, uint8_t high, uint8_t low) {
  if (word_index + 1 >= t.flash.size() || (word_index & 1)) return -1;
  // Programming only takes bits from 1 to 0 (turning 0xFE into 0xFC is one more program of the
  // byte); a bit that would have to go back to 1 needs the sector erased first.
  if ((high & ~t.flash[word_index]) != 0 || (low & ~t.flash[word_index + 1]) != 0) return -1;
  t.flash[word_index] = high;
  t.flash[word_index + 1] = low;
  t.nv_dirty = true;
  return 0;
}

int sim_flash_program(SimTarget& t, uint8_t timing, uint32_t address, const uint8_t* data,
                      uint32_t count, std::string* line) {
  if (!timing_ok(timing, "Flash programming", line)) return -1;
  if (!data || count == 0 || (count & 1) || (address & 1)) {
    set_line(line, sim_format("Flash block at 0x%X: %u bytes is not whole aligned words", address,
                              count));
    return -1;
  }
  SimLocation first = sim_resolve(t, address);
  if (first.area != SimArea::Flash) {
    set_line(line, sim_format("Flash block at 0x%X: no flash there", address));
    return -1;
  }
  SimLocation last = sim_resolve(t, address + count - 1);
  uint32_t page_base = first.index - first.index % kSimPageSize;
  if (address + count - 1 < address || last.area != SimArea::Flash ||
      last.index != first.index + count - 1 || last.index >= page_base + kSimPageSize) {
    set_line(line, sim_format("Flash block at 0x%X: %u bytes do not fit in one page", address,
                              count));
    return -1;
  }
  for (uint32_t i = 0; i < count; ++i) {
    const std::string protection = sim_flash_protection(t, first.index + i, address + i);
    if (!protection.empty()) {
      set_line(line, protection);
      return -1;
    }
  }
  for (uint32_t i = 0; i < count; i += 2) {
    if (sim_flash_program_word(t, first.index + i, data[i], data[i + 1]) != 0) {
      set_line(line, sim_format("Flash not erased at 0x%X", address + i));
      return -1;
    }
  }
  return 0;
}

int sim_flash_erase_page(SimTarget& t, int page, uint8_t timing, std::string* line) {
  if (!timing_ok(timing, "Flash erase", line)) return -1;
  if (page < 0 || !page_exists(t, static_cast<uint32_t>(page))) {
    set_line(line, sim_format("No flash page 0x%02X on %s", static_cast<unsigned>(page) & 0xFFFFu,
                              t.part->name));
    return -1;
  }
  const uint32_t base = (static_cast<uint32_t>(page) - t.part->first_page) * kSimPageSize;
  for (uint32_t i = 0; i < kSimPageSize; ++i) {
    // Named where the tool shows the page: the fixed windows for 0x3E and 0x3F.
    const uint32_t address = page == 0x3F   ? 0xC000 + i
                             : page == 0x3E ? 0x4000 + i
                                            : (static_cast<uint32_t>(page) << 16) + 0x8000 + i;
    const std::string protection = sim_flash_protection(t, base + i, address);
    if (!protection.empty()) {
      set_line(line, protection);
      return -1;
    }
  }
  std::memset(&t.flash[base], 0xFF, kSimPageSize);
  t.nv_dirty = true;
  set_line(line, sim_format("Flash page 0x%02X erased", page));
  return 0;
}

int sim_flash_erase_all(SimTarget& t, uint8_t timing, std::string* line) {
  if (!timing_ok(timing, "Flash erase", line)) return -1;
  for (int b = 0; b < 4; ++b) t.fprot[b] = 0xFF;
  t.regs[kSimRegFPROT] = 0xFF;
  std::memset(t.flash.data(), 0xFF, t.flash.size());
  t.nv_dirty = true;
  unsecure_when_blank(t);
  set_line(line, sim_format("Flash erased (pages 0x%02X-0x%02X)", t.part->first_page,
                            t.part->last_page));
  return 0;
}

int sim_eeprom_erase_all(SimTarget& t, uint8_t timing, uint32_t eeprom_start, std::string* line) {
  if (!timing_ok(timing, "EEPROM erase", line)) return -1;
  // A part without EEPROM has nothing to erase: erasing all of it is done at once, whatever
  // start address the caller assumes.
  if (!sim_has_eeprom(t)) {
    set_line(line, sim_format("%s has no EEPROM, nothing to erase", t.part->name));
    unsecure_when_blank(t);
    return 0;
  }
  if (sim_resolve(t, eeprom_start).area != SimArea::Eeprom) {
    set_line(line, sim_format("No EEPROM at 0x%X", eeprom_start));
    return -1;
  }
  t.regs[kSimRegEPROT] = 0xFF;
  std::memset(t.eeprom.data(), 0xFF, t.eeprom.size());
  t.nv_dirty = true;
  unsecure_when_blank(t);
  set_line(line, "EEPROM erased");
  return 0;
}

// EEPROM is programmed by sector modify: the aligned 4-byte sector is erased and written again
// with the new bytes, so programming needs no erase beforehand.
int sim_eeprom_program_byte(SimTarget& t, uint8_t timing, uint32_t address, uint8_t value,
                            std::string* line) {
  if (!timing_ok(timing, "EEPROM programming", line)) return -1;
  uint8_t* b = eeprom_byte(t, address);
  if (!b) {
    set_line(line, sim_format("No EEPROM at 0x%X", address));
    return -1;
  }
  const std::string protection = sim_eeprom_protection(t, address);
  if (!protection.empty()) {
    set_line(line, protection);
    return -1;
  }
  *b = value;
  t.nv_dirty = true;
  return 0;
}

int sim_eeprom_program_sector(SimTarget& t, uint8_t timing, uint32_t address, uint32_t data,
                              std::string* line) {
  if (!timing_ok(timing, "EEPROM programming", line)) return -1;
  if (address & 3) {
    set_line(line, sim_format("EEPROM sector at 0x%X is not aligned", address));
    return -1;
  }
  uint8_t* bytes[4];
  for (uint32_t i = 0; i < 4; ++i) {
    bytes[i] = address + i >= address ? eeprom_byte(t, address + i) : nullptr;
    if (!bytes[i]) {
      set_line(line, sim_format("No EEPROM at 0x%X", address + i));
      return -1;
    }
  }
  for (uint32_t i = 0; i < 4; ++i) {
    const std::string protection = sim_eeprom_protection(t, address + i);
    if (!protection.empty()) {
      set_line(line, protection);
      return -1;
    }
  }
  for (int i = 0; i < 4; ++i) *bytes[i] = static_cast<uint8_t>(data >> (24 - 8 * i));
  t.nv_dirty = true;
  return 0;
}

int sim_get_registers(const SimTarget& t, uint32_t values[5]) {
  if (t.cpu.running) return -1;
  values[0] = t.cpu.pc;
  values[1] = t.cpu.sp;
  values[2] = t.cpu.x;
  values[3] = t.cpu.y;
  values[4] = t.cpu.d;
  return 0;
}

int sim_set_register(SimTarget& t, int reg, uint32_t value) {
  if (t.cpu.running) return -1;
  uint16_t v = static_cast<uint16_t>(value);
  switch (reg) {
    case 1:  // a CPU sent elsewhere no longer waits in WAI
      t.cpu.pc = v;
      t.cpu.waiting = false;
      return 0;
    case 2: t.cpu.sp = v; return 0;
    case 3: t.cpu.x = v; return 0;
    case 4: t.cpu.y = v; return 0;
    case 5: t.cpu.d = v; return 0;
    default: return -1;
  }
}
