#include "simulator/sim_parts.h"

#include <cctype>

namespace {

constexpr SimPart kParts[] = {
    // name           fam  id    rev   size0 size1 RAM               INITRM EEPROM           INITEE pages      blocks
    {"MC9S12B128",  2, 0x21, 0x10, 0x11, 0xC0, 0x0400, 0x0FFF, 0x00, 0x1000, 0x13FF, 0x11, 0x38, 0x3F, 1},
    {"MC9S12C32",   2, 0x33, 0x01, 0x00, 0x80, 0x1000, 0x3FFF, 0x10, 0x0400, 0x0FFF, 0x00, 0x30, 0x3F, 4},
    {"MC9S12DG128", 2, 0x21, 0x10, 0x13, 0x80, 0x2000, 0x3FFF, 0x09, 0x0800, 0x0FFF, 0x01, 0x38, 0x3F, 1},
    {"MC9S12DG256", 2, 0x00, 0x12, 0x25, 0x81, 0x1000, 0x3FFF, 0x09, 0x0400, 0x0FFF, 0x01, 0x30, 0x3F, 4},
    {"MC9S12UF32",  2, 0x63, 0x00, 0x12, 0x80, 0x2000, 0x37FF, 0x20, 0x0000, 0x0000, 0x11, 0x3E, 0x3F, 1},
    {"XDP",         3, 0xC4, 0x10, 0x00, 0x00, 0x1000, 0x3FFF, 0x00, 0x1000, 0x3FFF, 0x00, 0x38, 0x3F, 1},
    {"XF",          3, 0xD4, 0x00, 0x00, 0x00, 0x0400, 0x0FFF, 0x00, 0x1000, 0x13FF, 0x11, 0x38, 0x3F, 1},
};
constexpr int kCount = sizeof(kParts) / sizeof(kParts[0]);

// Four blocks of four pages each need the sixteen pages 0x30-0x3F.
constexpr bool blocks_fit() {
  for (const SimPart& p : kParts)
    if (p.last_page != 0x3F || (p.flash_blocks != 1 && !(p.flash_blocks == 4 && p.first_page == 0x30)))
      return false;
  return true;
}
static_assert(blocks_fit(), "a part's flash blocks do not match its pages");

bool same_name(const char* a, const char* b) {
  for (;; ++a, ++b) {
    int ca = std::toupper(static_cast<unsigned char>(*a));
    int cb = std::toupper(static_cast<unsigned char>(*b));
    if (ca != cb) return false;
    if (ca == 0) return true;
  }
}

}  // namespace

int sim_part_count() { return kCount; }

const SimPart& sim_part(int i) { return kParts[(i >= 0 && i < kCount) ? i : 3]; }

const SimPart* sim_find_part(const char* name) {
  if (!name) return nullptr;
  for (const SimPart& p : kParts)
    if (same_name(p.name, name)) return &p;
  return nullptr;
}

const SimPart& sim_default_part() { return kParts[3]; }
