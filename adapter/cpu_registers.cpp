#include "adapter/cpu_registers.h"

#include <cstdio>

#include "adapter/bdx.h"
#include "target/catalogue.h"
#include "target/hcs12_registers.h"

const CpuRegister kCpuRegisters[kCpuRegisterCount] = {
    {"PC", 1, 16, 16}, {"SP", 2, 16, 16}, {"X", 3, 16, 16},
    {"Y", 4, 16, 16},  {"D", 5, 16, 16},  {"CCR", 0, 8, 16},
};

int cpu_register_family(const ProcessorInfo* info) {
  if (!info) return 0;
  return info->family_code == FAMILY_HCS12 || info->family_code == FAMILY_HCS12X
             ? info->family_code
             : 0;
}

int cpu_register_width(int family, int index) {
  if (index < 0 || index >= kCpuRegisterCount) return 0;
  if (family == FAMILY_HCS12) return kCpuRegisters[index].hcs12_width;
  if (family == FAMILY_HCS12X) return kCpuRegisters[index].hcs12x_width;
  return 0;
}

int cpu_register_index(const char* name) {
  for (int n = 0; n < kCpuRegisterCount; ++n)
    if (names_equal_ignoring_case(kCpuRegisters[n].name, name)) return n;
  return -1;
}

bool read_cpu_registers(int family, CpuRegisterValues* values) {
  *values = CpuRegisterValues{};
  uint32_t core[5] = {0, 0, 0, 0, 0};
  if (bdx_RegisterGetAll(core) < 0) return false;
  for (int n = 0; n < 5; ++n) values->value[n] = core[n];
  values->core_read = true;
  unsigned char low = 0;
  if (bdx_GetByte(kSavedCcrLow, &low) == -1) return false;
  uint32_t ccr = low;
  if (family == FAMILY_HCS12X) {
    unsigned char high = 0;
    if (bdx_GetByte(kSavedCcrHigh, &high) == -1) return false;
    ccr |= uint32_t(high) << 8;
  }
  values->value[kCpuRegisterCcr] = ccr;
  return true;
}

void write_cpu_register(int family, int index, uint32_t value) {
  if (index != kCpuRegisterCcr) {
    bdx_RegisterSet(kCpuRegisters[index].register_number, value);
    return;
  }
  bdx_SetByte(kSavedCcrLow, static_cast<unsigned char>(value & 0xFF));
  if (family == FAMILY_HCS12X)
    bdx_SetByte(kSavedCcrHigh, static_cast<unsigned char>((value >> 8) & 0xFF));
}

void format_cpu_register(int width, uint32_t value, char* text, int size) {
  if (width == 8)
    std::snprintf(text, size, "%2.2X", unsigned(value & 0xFF));
  else
    std::snprintf(text, size, "%4.4X", unsigned(value & 0xFFFF));
}
