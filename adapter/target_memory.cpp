#include "adapter/target_memory.h"

#include <cstring>

#include "adapter/bdx.h"
#include "adapter/part_state.h"
#include "app/message_pane.h"
#include "target/hcs12_registers.h"

namespace {

constexpr uint32_t kBlockRead = 1024;  // the most one bdx_GetBlock of a peek carries

bool in_window(uint32_t a) {
  const uint32_t offset = a & 0xFFFF;
  return offset >= kPageWindowStart && offset <= kPageWindowEnd;
}

// How one address is reached: through a paging register (register, its value, the 16-bit
// address then read) or as it is. Register 0 means none.
struct Route {
  uint32_t page_register = 0;
  uint8_t page = 0;
  uint32_t address = 0;
};

Route route_of(uint32_t a) {
  Route r;
  r.address = a;
  if (a <= 0xFFFF) return r;  // the 16-bit map: as the CPU sees it, the page in force included
  switch (get_family_code()) {
    case FAMILY_HCS12:
      if (in_window(a) && (a >> 16) <= uint32_t(kLastFlashPage)) {
        r.page_register = kRegisterPpage;
        r.page = static_cast<uint8_t>(a >> 16);
        r.address = a & 0xFFFF;
      }
      break;
    case FAMILY_HCS12X:
      if (in_window(a) && (a >> 16) <= 0xFF) {
        r.page_register = kRegisterGpage;
        r.page = static_cast<uint8_t>(a >> 16);
        r.address = a & 0xFFFF;
      }
      break;
    default:
      break;
  }
  return r;
}

// The paging registers a read changed, with the values they had before, put back at the end.
struct SavedPaging {
  uint32_t reg[2] = {};
  uint8_t value[2] = {};
  int count = 0;
  bool unreadable[2] = {};

  // Selects the page of route r; false when its register could not be read first.
  bool select(const Route& r) {
    if (!r.page_register) return true;
    int i = 0;
    while (i < count && reg[i] != r.page_register) ++i;
    if (i == count) {
      reg[i] = r.page_register;
      unsigned char old = 0;
      unreadable[i] = bdx_GetMemoryByte(r.page_register, &old) == -1;
      value[i] = old;
      ++count;
    }
    if (unreadable[i]) return false;
    bdx_SetMemoryByte(r.page_register, r.page);
    return true;
  }
  void restore() {
    for (int i = 0; i < count; ++i)
      if (!unreadable[i]) bdx_SetMemoryByte(reg[i], value[i]);
  }
};

int read_one(uint32_t address, bool bdm, uint8_t* value) {
  if (secured_part_refuses(address, bdm)) return -1;
  unsigned char byte = 0;
  const int result = bdm ? bdx_GetByte(address, &byte) : bdx_GetMemoryByte(address, &byte);
  *value = byte;
  return result;
}

}  // namespace

TargetRead read_target_memory(uint32_t address, uint32_t count, bool bdm) {
  TargetRead out;
  out.values.assign(count, 0);
  out.available.assign(count, false);
  SavedPaging saved;
  std::vector<unsigned char> staging(kBlockRead);
  uint32_t i = 0;
  while (i < count) {
    const uint32_t a = address + i;
    const Route r = route_of(a);
    // A run goes up to where the route may change: the end of the 16-bit map, or of the part
    // of a 64 KiB page below, in or above its window.
    uint32_t n = count - i;
    const uint64_t page = uint64_t(a) & ~uint64_t(0xFFFF);
    const uint32_t offset = a & 0xFFFF;
    const uint64_t boundary = a <= 0xFFFF                   ? 0x10000
                              : offset < kPageWindowStart  ? page + kPageWindowStart
                              : offset <= kPageWindowEnd   ? page + kPageWindowEnd + 1
                                                           : page + 0x10000;
    if (uint64_t(a) + n > boundary) n = uint32_t(boundary - a);
    if (n > kBlockRead) n = kBlockRead;
    if (saved.select(r)) {
      uint32_t fail = r.address;
      // A block the library says it read but did not fill must not show old bytes.
      std::memset(staging.data(), 0, n);
      if (!bdm && !secured_part_refuses(r.address, bdm) &&
          bdx_GetBlock(r.address, n, staging.data(), &fail) == 0) {
        for (uint32_t k = 0; k < n; ++k) {
          out.values[i + k] = staging[k];
          out.available[i + k] = true;
        }
      } else {
        for (uint32_t k = 0; k < n; ++k) {
          uint8_t v = 0;
          if (read_one(r.address + k, bdm, &v) == -1) continue;
          out.values[i + k] = v;
          out.available[i + k] = true;
        }
      }
    }
    i += n;
  }
  saved.restore();
  for (bool ok : out.available)
    if (!ok) ++out.unreadable;
  return out;
}

namespace {

bool in_signed_range(uint32_t a, uint32_t start, uint32_t end) {
  const int64_t s = static_cast<int32_t>(start), e = static_cast<int32_t>(end);
  return s < e && int64_t(a) >= s && int64_t(a) <= e;
}

enum class Area { Plain, Eeprom, Flash };

// As the part decodes addresses: registers, then RAM, then EEPROM, then flash.
Area area_of(const TargetMemoryMap& map, uint32_t a) {
  if (a < 0x400 || in_signed_range(a, map.volatile_start, map.volatile_end)) return Area::Plain;
  if (in_signed_range(a, map.eeprom_start, map.eeprom_end)) return Area::Eeprom;
  if (a >= kPage3EWindowStart && a <= 0xFFFF) return Area::Flash;
  if (a > 0xFFFF && in_window(a)) return Area::Flash;
  return Area::Plain;
}

// The EEPROM bytes of a poke from index i on that lie in one aligned sector, programmed as a
// whole: the sector's bytes are read, changed and programmed again. Returns how many of the
// poke's bytes it wrote, 0 when it failed.
uint32_t write_eeprom_sector(const TargetMemoryMap& map, uint32_t address,
                             const std::vector<uint8_t>& bytes, uint32_t i) {
  const uint8_t timing = get_timing_value();
  const uint32_t first = address + i;
  const uint32_t sector = first & ~3u;
  const bool whole = in_signed_range(sector, map.eeprom_start, map.eeprom_end) &&
                     in_signed_range(sector + 3, map.eeprom_start, map.eeprom_end);
  if (timing == 0) return 0;
  if (!whole) {  // a sector cut by the range's ends: byte by byte
    return bdx_EpromProgramByte(timing, first, bytes[i]) == -1 ? 0 : 1;
  }
  uint8_t data[4];
  for (uint32_t k = 0; k < 4; ++k) {
    unsigned char old = 0;
    if (bdx_GetMemoryByte(sector + k, &old) == -1) return 0;
    data[k] = old;
  }
  uint32_t taken = 0;
  while (i + taken < bytes.size() && ((address + i + taken) & ~3u) == sector) {
    data[(address + i + taken) & 3] = bytes[i + taken];
    ++taken;
  }
  const uint32_t value = uint32_t(data[0]) << 24 | uint32_t(data[1]) << 16 |
                         uint32_t(data[2]) << 8 | data[3];
  return bdx_EpromProgramSector(timing, sector, value) == -1 ? 0 : taken;
}

}  // namespace

TargetWrite write_target_memory(const TargetMemoryMap& map, uint32_t address,
                                const std::vector<uint8_t>& bytes) {
  TargetWrite out;
  const uint32_t count = static_cast<uint32_t>(bytes.size());
  for (uint32_t i = 0; i < count; ++i) {
    if (area_of(map, address + i) == Area::Flash) {
      append_formatted("0x%X is flash: use program", unsigned(address + i));
      return out;
    }
  }
  while (out.written < count) {
    const uint32_t a = address + out.written;
    uint32_t done = 0;
    if (area_of(map, a) == Area::Eeprom) {
      done = write_eeprom_sector(map, address, bytes, out.written);
    } else {
      done = bdx_SetByte(a, bytes[out.written]) == -1 ? 0 : 1;
    }
    if (done == 0) {
      append_formatted("Cannot write memory at 0x%X: %u of %u bytes written", unsigned(a),
                       unsigned(out.written), unsigned(count));
      return out;
    }
    out.written += done;
  }
  // What was written must be there: registers that ignore writes, memory that is not there.
  for (uint32_t i = 0; i < count; ++i) {
    unsigned char value = 0;
    if (bdx_GetByte(address + i, &value) == -1) {
      append_formatted("Cannot read back memory at 0x%X", unsigned(address + i));
      return out;
    }
    if (value != bytes[i]) {
      append_formatted("Memory at 0x%X reads 0x%2.2X after writing 0x%2.2X", unsigned(address + i),
                       unsigned(value), unsigned(bytes[i]));
      return out;
    }
  }
  out.ok = true;
  return out;
}
