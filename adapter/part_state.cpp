#include "adapter/part_state.h"

#include "adapter/bdx.h"
#include "app/message_pane.h"
#include "target/hcs12_registers.h"
#include "target/security.h"

namespace {
constexpr uint8_t kFcnfgBlockBits = 0x03;

bool read_register(uint32_t address, uint8_t* value) {
  unsigned char byte = 0;
  if (bdx_GetMemoryByte(address, &byte) != 0) return false;
  *value = byte;
  return true;
}

const char kLiftedBy[] = "Erase All lifts the protection";

constexpr uint32_t kRegisterBlockEnd = 0x03FF;
bool g_secured = false;  // as the last connect or reset found the part
}  // namespace

PartSecurity read_part_security() {
  PartSecurity s;
  unsigned char bdmsts = 0;
  if (bdx_GetByte(kBdmStatus, &bdmsts) != 0 || !read_register(kRegisterFsec, &s.fsec)) return s;
  s.read = true;
  s.bdmsts = bdmsts;
  s.secured = security_byte_secures(s.fsec) && !(bdmsts & kBdmstsUnsec);
  return s;
}

bool report_if_secured() {
  const PartSecurity s = read_part_security();
  g_secured = s.secured;
  if (!s.secured) return false;
  append_formatted(
      "Target is secured (FSEC 0x%2.2X): memory cannot be read or debugged. Erase All (corvane "
      "unsecure) unsecures it and erases flash and EEPROM.",
      s.fsec);
  return true;
}

bool secured_part_refuses(uint32_t address, bool bdm) {
  if (!g_secured || address <= kRegisterBlockEnd) return false;
  return !(bdm && address == kBdmStatus);
}

bool read_fprot(const TargetMemoryMap& map, int block, uint8_t* value) {
  if (flash_block_count(map) == 1) return read_register(kRegisterFprot, value);
  uint8_t fcnfg = 0;
  if (!read_register(kRegisterFcnfg, &fcnfg)) return false;
  const uint8_t select = static_cast<uint8_t>((fcnfg & ~kFcnfgBlockBits) | (block & kFcnfgBlockBits));
  if (bdx_SetMemoryByte(kRegisterFcnfg, select) != 0) return false;
  const bool ok = read_register(kRegisterFprot, value);
  return bdx_SetMemoryByte(kRegisterFcnfg, fcnfg) == 0 && ok;
}

bool read_eprot(uint8_t* value) { return read_register(kRegisterEprot, value); }

bool name_flash_protection(const TargetMemoryMap& map, uint32_t first, uint32_t last,
                           int window_page) {
  int block = 0;
  uint32_t banked = 0;
  uint8_t fprot = 0xFF;
  if (last < first || !flash_block_of(map, first, window_page, &block, &banked) ||
      !read_fprot(map, block, &fprot))
    return false;
  const uint32_t banked_last = banked + (last - first);
  ProtectedRange ranges[2];
  const int n = fprot_ranges(fprot, map, block, ranges);
  for (int i = 0; i < n; ++i) {
    if (banked_last < ranges[i].first || banked > ranges[i].last) continue;
    const uint32_t at = first + (ranges[i].first > banked ? ranges[i].first - banked : 0);
    append_formatted("0x%X is protected by FPROT 0x%2.2X; %s", unsigned(at), fprot, kLiftedBy);
    return true;
  }
  return false;
}

bool name_eeprom_protection(const TargetMemoryMap& map, uint32_t first, uint32_t last) {
  uint8_t eprot = 0xFF;
  ProtectedRange range;
  if (!read_eprot(&eprot) || !eprot_range(eprot, map, &range) || last < range.first ||
      first > range.last)
    return false;
  const uint32_t at = first > range.first ? first : range.first;
  append_formatted("0x%X is protected by EPROT 0x%2.2X; %s", unsigned(at), eprot, kLiftedBy);
  return true;
}
