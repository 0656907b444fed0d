#include "adapter/cpu_registers.h"

#include <cstdio>

#include "adapter/bdx.h"
#include "target/catalogue.h"
#include "target/hcs12_registers.h"

const CpuRegister kCpuRegisters[kCpuRegisterCount] = {
    {"PC", 1}, {"SP", 2}, {"X", 3}, {"Y", 4}, {"D", 5}, {"CCR", 0},
};

namespace {
const CpuRegisterSet kSets[] = {
    {FAMILY_HCS12, {16, 16, 16, 16, 16, 8}, kSavedCcrLow, 0},
    {FAMILY_HCS12X, {16, 16, 16, 16, 16, 16}, kSavedCcrLow, kSavedCcrHigh},
};
}  // namespace

const CpuRegisterSet* cpu_register_set(int family) {
  for (const CpuRegisterSet& set : kSets)
    if (set.family == family) return &set;
  return nullptr;
}

int cpu_register_family(const ProcessorInfo* info) {
  return info && cpu_register_set(info->family_code) ? info->family_code : 0;
}

int cpu_register_width(int family, int index) {
  const CpuRegisterSet* set = cpu_register_set(family);
  return set && index >= 0 && index < kCpuRegisterCount ? set->width[index] : 0;
}

int cpu_register_index(const char* name) {
  for (int n = 0; n < kCpuRegisterCount; ++n)
    if (names_equal_ignoring_case(kCpuRegisters[n].name, name)) return n;
  return -1;
}

bool read_cpu_registers(int family, CpuRegisterValues* values) {
  *values = CpuRegisterValues{};
  const CpuRegisterSet* set = cpu_register_set(family);
  if (!set) return false;
  uint32_t core[5] = {0, 0, 0, 0, 0};
  if (bdx_RegisterGetAll(core) < 0) return false;
  for (int n = 0; n < 5; ++n) values->value[n] = core[n];
  values->core_read = true;
  unsigned char low = 0;
  if (bdx_GetByte(set->ccr_low, &low) == -1) return false;
  uint32_t ccr = low;
  if (set->ccr_high) {
    unsigned char high = 0;
    if (bdx_GetByte(set->ccr_high, &high) == -1) return false;
    ccr |= uint32_t(high) << 8;
  }
  values->value[kCpuRegisterCcr] = ccr;
  return true;
}

void write_cpu_register(int family, int index, uint32_t value) {
  const CpuRegisterSet* set = cpu_register_set(family);
  if (!set || index < 0 || index >= kCpuRegisterCount) return;
  if (index != kCpuRegisterCcr) {
    bdx_RegisterSet(kCpuRegisters[index].register_number, value);
    return;
  }
  bdx_SetByte(set->ccr_low, static_cast<unsigned char>(value & 0xFF));
  if (set->ccr_high) bdx_SetByte(set->ccr_high, static_cast<unsigned char>((value >> 8) & 0xFF));
}

void format_cpu_register(int width, uint32_t value, char* text, int size) {
  if (width == 8)
    std::snprintf(text, size, "%2.2X", unsigned(value & 0xFF));
  else
    std::snprintf(text, size, "%4.4X", unsigned(value & 0xFFFF));
}
