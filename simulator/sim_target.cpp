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
    case SimArea::Register: *value = t.regs[loc.index]; return 0;
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
    case 0xFF01: *value = static_cast<uint8_t>(0x80 | (t.cpu.running ? 0 : 0x40)); return 0;
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
  if (t.flash[word_index] != 0xFF || t.flash[word_index + 1] != 0xFF) return -1;
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
  std::memset(&t.flash[(page - t.part->first_page) * kSimPageSize], 0xFF, kSimPageSize);
  t.nv_dirty = true;
  set_line(line, sim_format("Flash page 0x%02X erased", page));
  return 0;
}

int sim_flash_erase_all(SimTarget& t, uint8_t timing, std::string* line) {
  if (!timing_ok(timing, "Flash erase", line)) return -1;
  std::memset(t.flash.data(), 0xFF, t.flash.size());
  t.nv_dirty = true;
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
    return 0;
  }
  if (sim_resolve(t, eeprom_start).area != SimArea::Eeprom) {
    set_line(line, sim_format("No EEPROM at 0x%X", eeprom_start));
    return -1;
  }
  std::memset(t.eeprom.data(), 0xFF, t.eeprom.size());
  t.nv_dirty = true;
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
    case 1: t.cpu.pc = v; return 0;
    case 2: t.cpu.sp = v; return 0;
    case 3: t.cpu.x = v; return 0;
    case 4: t.cpu.y = v; return 0;
    case 5: t.cpu.d = v; return 0;
    default: return -1;
  }
}
