#include "views/register_view.h"

#include <cstdio>
#include <cstring>

#include "adapter/cpu_registers.h"
#include "app/message_pane.h"
#include "target/catalogue.h"
#include "views/hex_parse.h"

RegisterViewState g_register_view;

namespace {

const int kCcr = kCpuRegisterCcr;  // position of the CCR field
static_assert(int(kRegisterFieldCount) == int(kCpuRegisterCount), "one field per CPU register");

}  // namespace

int register_view_family(const ProcessorInfo* info) { return cpu_register_family(info); }

bool layout_register_view(int family, int x, int y) {
  if (family != FAMILY_HCS12 && family != FAMILY_HCS12X) return false;
  RegisterViewState& v = g_register_view;
  std::memset(&v, 0, sizeof v);
  std::snprintf(v.title, sizeof v.title, "%s",
                family == FAMILY_HCS12 ? "HCS12 Registers" : "HCS12X Registers");
  v.title_x = x;
  v.title_y = y;
  for (int n = 0; n < kRegisterFieldCount; ++n) {
    RegisterField& f = v.fields[n];
    // On HCS12 the CCR is one byte in a narrow field; every other register is 16 bits wide.
    const bool narrow = cpu_register_width(family, n) == 8;
    f.control_id = kRegisterFieldIdFirst + n;
    f.width = cpu_register_width(family, n);
    f.edit_x = x;
    f.edit_y = y + 20 * (n + 1);
    f.edit_width = narrow ? 22 : 40;
    f.edit_height = 18;
    f.label_x = x + (narrow ? 23 : 43);
    f.label_y = y + 20 * (n + 1) + 2;
    std::snprintf(f.label, sizeof f.label, "%s", kCpuRegisters[n].name);
    f.register_number = kCpuRegisters[n].register_number;
  }
  v.count = kRegisterFieldCount;
  v.row_range = 4096;
  v.page_range = family == FAMILY_HCS12 ? 64 : 128;
  return true;
}

bool read_register_values(int family) {
  RegisterViewState& v = g_register_view;
  CpuRegisterValues read;
  const bool ok = read_cpu_registers(family, &read);
  if (!read.core_read) {
    if (family == FAMILY_HCS12) append_line("Failed to get register values from target");
    return false;
  }
  for (int n = 0; n < kCpuRegisterCount; ++n)
    if (n != kCcr || ok) v.fields[n].last_value = read.value[n];
  return ok;
}

bool write_register_values(int family, const std::string* texts) {
  RegisterViewState& v = g_register_view;
  for (int n = 0; n < v.count && n < kRegisterFieldCount; ++n) {
    const RegisterField& f = v.fields[n];
    uint32_t value = 0;
    if (texts[n].empty() || parse_hex(texts[n].c_str(), &value) != 0) {
      const std::string message = std::string("No reasonable value for ") + f.label;
      append_error(message.c_str());
      return false;
    }
    write_cpu_register(family, n, value);
  }
  return true;
}

std::string register_field_text(const RegisterField& field) {
  char text[16];
  if (field.width == 8)
    std::snprintf(text, sizeof text, "%2.2X", unsigned(field.last_value & 0xFF));
  else if (field.width == 16)
    std::snprintf(text, sizeof text, "%4.4X", unsigned(field.last_value & 0xFFFF));
  else
    std::snprintf(text, sizeof text, "???");
  return text;
}

bool register_text_dirty(const RegisterField& field, const char* text) {
  uint32_t value = 0;
  if (!text || !*text || parse_hex(text, &value) != 0) return true;
  // Compared as wide as the field shows and writes, so that a value read wider than the field
  // (bdx_RegisterGetAll gives 32 bits) is not marked as changed the moment it is shown.
  const uint32_t mask = field.width == 8 ? 0xFFu : field.width == 16 ? 0xFFFFu : 0xFFFFFFFFu;
  return (value & mask) != (field.last_value & mask);
}

RegisterField* find_register_field(int control_id) {
  for (int n = 0; n < g_register_view.count; ++n)
    if (g_register_view.fields[n].control_id == control_id) return &g_register_view.fields[n];
  return nullptr;
}
