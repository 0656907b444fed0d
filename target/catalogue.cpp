#include "target/catalogue.h"

#include "target/hcs12_registers.h"


namespace {

const char kUnknownText[] =
    "If the Adaptor is connected You can try to automatically detect the target MPU";

// Default memory maps:
// volatile range, INITRM, EEPROM range, INITEE, first and last flash page.
const TargetMemoryMap kMapB128 = {0x400, 0xFFF, 0x00, 0x1000, 0x13FF, 0x11, 0x38, 0x3F};
const TargetMemoryMap kMapC32 = {0x1000, 0x3FFF, 0x10, 0x400, 0xFFF, 0x00, 0x30, 0x3F};
const TargetMemoryMap kMapDG128 = {0x2000, 0x3FFF, 0x09, 0x800, 0xFFF, 0x01, 0x38, 0x3F};
const TargetMemoryMap kMapDG256 = {0x1000, 0x3FFF, 0x09, 0x400, 0xFFF, 0x01, 0x30, 0x3F};
const TargetMemoryMap kMapUF32 = {0x2000, 0x37FF, 0x20, 0x0, 0x0, 0x11, 0x3E, 0x3F};
const TargetMemoryMap kMapXDP = {0x1000, 0x3FFF, 0x00, 0x1000, 0x3FFF, 0x00, 0x38, 0x3F};
const TargetMemoryMap kMapXF = {0x400, 0xFFF, 0x00, 0x1000, 0x13FF, 0x11, 0x38, 0x3F};

// Identification: family code, part id (0x001A), size bytes (0x001C, 0x001D), default map.
const ProcessorInfo kInfoUnknown12 = {FAMILY_HCS12, 0x00, 0x00, 0x00, nullptr};
const ProcessorInfo kInfoB128 = {FAMILY_HCS12, 0x21, 0x11, 0xC0, &kMapB128};
const ProcessorInfo kInfoC32 = {FAMILY_HCS12, 0x33, 0x00, 0x80, &kMapC32};
const ProcessorInfo kInfoDG128 = {FAMILY_HCS12, 0x21, 0x13, 0x80, &kMapDG128};
const ProcessorInfo kInfoDG256 = {FAMILY_HCS12, 0x00, 0x25, 0x81, &kMapDG256};
const ProcessorInfo kInfoUF32 = {FAMILY_HCS12, 0x63, 0x12, 0x80, &kMapUF32};
const ProcessorInfo kInfoUnknown12X = {FAMILY_HCS12X, 0x00, 0x00, 0x00, nullptr};
const ProcessorInfo kInfoXDP = {FAMILY_HCS12X, 0xC4, 0x00, 0x00, &kMapXDP};
const ProcessorInfo kInfoXF = {FAMILY_HCS12X, 0xD4, 0x00, 0x00, &kMapXF};

const Derivative kHcs12Rows[] = {
    {"unknown", kUnknownText, &kInfoUnknown12},
    {"MC9S12A32", "32k Flash, 1k EEPROM, 2k RAM, SPI, 2 SCI, Timers, ADC, PWM, 3.0- 5.0 V, 25MHz",
     nullptr},
    {"MC9S12A64", "64k Flash, 1k EEPROM, 4k RAM, SPI, 2 SCI, Timers, ADC, PWM, 5.0 V, 25MHz",
     nullptr},
    {"MC9S12A128", "128k Flash, 2k EEPROM, 8k RAM, SPI, 2 SCI, Timers, ADC, PWM, 5.0 V, 25MHz",
     nullptr},
    {"MC9S12A256", "256k Flash, 4k EEPROM, 12k RAM, SPI, 2 SCI, Timers, ADC, PWM, 5.0 V, 25MHz",
     nullptr},
    {"MC9S12A512",
     "512k Flash, 4k EEPROM, 14k RAM, SPI, 2 SCI, Timers, ADC, PWM, 5.0 V, 25/33MHz", nullptr},
    {"MC9S12B64",
     "64k Flash, 1k EEPROM, 2k RAM, SPI, SCI, I2C, CAN, Timers, ADC, PWM, 3.0-5.0 V, 25MHz",
     nullptr},
    {"MC9S12B128",
     "128k Flash, 1k EEPROM, 4k RAM, SPI, SCI, I2C, CAN, Timers, ADC, PWM, 3.0-5.0 V, 25MHz",
     &kInfoB128},
    {"MC9S12C32", "32k Flash, 2k RAM, SPI, SCI, CAN, Timers, ADC, PWM, 3.15-5.5 V, 16/25MHz",
     &kInfoC32},
    {"MC9S12C64", "64k Flash, 4k RAM, SPI, SCI, CAN, Timers, ADC, PWM, 3.0-5.0 V, 25MHz",
     nullptr},
    {"MC9S12C96", "96k Flash, 4k RAM, SPI, SCI, CAN, Timers, ADC, PWM, 3.0-5.0 V, 25MHz",
     nullptr},
    {"MC9S12C128", "128k Flash, 4k RAM, SPI, SCI, CAN, Timers, ADC, PWM, 3.0-5.0 V, 25MHz",
     nullptr},
    {"MC9S12D32", "32k Flash, 2k RAM, 1k EEPROM, SPI, 2 SCI, CAN, Timers, ADC, PWM, 5.0 V, 25MHz",
     nullptr},
    {"MC9S12D64",
     "64k Flash, 4k RAM, 1k EEPROM, 2 SPI, 2 SCI, CAN, Timers, ADC, PWM, 5.0 V, 25MHz", nullptr},
    {"MC9S12DB128",
     "128k Flash, 8k RAM, 2k EEPROM, 2 SPI, 2 SCI, CAN, Byteflight, Timers, ADC, PWM, 5.0 V, "
     "25MHz",
     nullptr},
    {"MC9S12DG128",
     "128k Flash, 8k RAM, 2k EEPROM, 2 SPI, 2 SCI, I2C, 2 CAN, Timers, ADC, PWM, 5.0 V, 25MHz",
     &kInfoDG128},
    {"MC9S12DG256",
     "256k Flash, 12k RAM, 4k EEPROM, 3 SPI, 2 SCI, I2C, 2 CAN, Timers, ADC, PWM, 5.0 V, 25MHz",
     &kInfoDG256},
    {"MC9S12E64",
     "64k Flash, 4k RAM, SPI, 3 SCI, I2C, 2 CAN, Timers, ADC, PWM, 3.3-5.0 V, 16/25MHz", nullptr},
    {"MC9S12E64",
     "128k Flash, 8k RAM, SPI, 3 SCI, I2C, 2 CAN, Timers, ADC, PWM, 3.3-5.0 V, 16/25MHz",
     nullptr},
    {"MC9S12GC16", "16k Flash, 2k RAM, SPI, SCI, I2C, Timers, ADC, PWM, 3.0-5.0 V, 16MHz",
     nullptr},
    {"MC9S12GC32", "32k Flash, 2k RAM, SPI, SCI, I2C, Timers, ADC, PWM, 3.0-5.0 V, 16MHz",
     nullptr},
    {"MC9S12GC64", "64k Flash, 4k RAM, SPI, SCI, I2C, Timers, ADC, PWM, 3.0-5.0 V, 25MHz",
     nullptr},
    {"MC9S12GC96", "96k Flash, 4k RAM, SPI, SCI, I2C, Timers, ADC, PWM, 3.0-5.0 V, 25MHz",
     nullptr},
    {"MC9S12GC128", "128k Flash, 4k RAM, SPI, SCI, I2C, Timers, ADC, PWM, 3.0-5.0 V, 25MHz",
     nullptr},
    {"MC9S12H128B",
     "128k Flash, 12k RAM, 4k EEPROM, SPI, SCI, I2C, 2 CAN, Timers, ADC, PWM, 5.0 V, 16MHz",
     nullptr},
    {"MC9S12H256B",
     "256k Flash, 12k RAM, 4k EEPROM, SPI, SCI, I2C, 2 CAN, Timers, ADC, PWM, 5.0 V, 16MHz",
     nullptr},
    {"MC9S12UF32",
     "32k Flash, 3,5k RAM, SCI, IQUE, USB 2.0, ATA5, CFHC, SDHC, MSHC, 5.0 V, 16MHz",
     &kInfoUF32},
};

const Derivative kHcs12xRows[] = {
    {"unknown", kUnknownText, &kInfoUnknown12X},
    {"XDP",
     "128k Flash, 1k EEPROM, 4k RAM, SPI, SCI, I2C, CAN, Timers, ADC, PWM, 3.0-5.0 V, 25MHz",
     &kInfoXDP},
    {"XF",
     "128k Flash, 1k EEPROM, 4k RAM, SPI, SCI, I2C, CAN, Timers, ADC, PWM, 3.0-5.0 V, 25MHz",
     &kInfoXF},
};

constexpr int kHcs12Count = sizeof(kHcs12Rows) / sizeof(kHcs12Rows[0]);
constexpr int kHcs12xCount = sizeof(kHcs12xRows) / sizeof(kHcs12xRows[0]);
static_assert(kHcs12Count == 27, "HCS12 family has 27 rows");
static_assert(kHcs12xCount == 3, "HCS12X family has 3 rows");

const DeviceFamily kFamilies[] = {
    {"Freescale HCS12", kHcs12Rows, kHcs12Count},
    {"Freescale HCSX12/XGATE", kHcs12xRows, kHcs12xCount},
};
constexpr int kFamilyCount = sizeof(kFamilies) / sizeof(kFamilies[0]);

// Process-wide state, zero at process start.
const Derivative* g_current = nullptr;
int g_known = 0;
int g_family_position = 0;
int g_derivative_position = 0;
TargetMemoryMap g_map = {};

update_toolbars_fn g_update_toolbars = update_no_toolbars;

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool names_equal_ignoring_case(const char* a, const char* b) {
  if (!a || !b) return false;
  for (; *a && *b; ++a, ++b)
    if (lower(*a) != lower(*b)) return false;
  return *a == *b;
}

void set_update_toolbars_hook(update_toolbars_fn hook) {
  g_update_toolbars = hook ? hook : update_no_toolbars;
}

int family_count() { return kFamilyCount; }

const DeviceFamily* device_family(int position) {
  return (position >= 0 && position < kFamilyCount) ? &kFamilies[position] : nullptr;
}

const Derivative* catalogue_row(int family_position, int derivative_position) {
  const DeviceFamily* f = device_family(family_position);
  if (!f || derivative_position < 0 || derivative_position >= f->count) return nullptr;
  return &f->derivatives[derivative_position];
}

const Derivative* current_target() { return g_current; }

int target_known() { return g_known; }

void set_current_target(const Derivative* derivative) {
  g_current = derivative;
  if (derivative && !names_equal_ignoring_case(derivative->name, "unknown")) {
    g_known = 1;
    if (derivative->info && derivative->info->memory_map) g_map = *derivative->info->memory_map;
  } else {
    g_known = 0;
  }
  g_update_toolbars();
}

void select_target_by_name(const char* name) {
  if (!name) return;
  for (int f = 0; f < kFamilyCount; ++f) {
    for (int r = 0; r < kFamilies[f].count; ++r) {
      if (names_equal_ignoring_case(kFamilies[f].derivatives[r].name, name)) {
        // The positions follow the selection, so the family code and the Target MPU dialog
        // describe the derivative actually chosen.
        g_family_position = f;
        g_derivative_position = r;
        set_current_target(&kFamilies[f].derivatives[r]);
        return;
      }
    }
  }
}

namespace {
identification_reader_fn g_identification_reader = read_no_identification;
int read_identification_byte(uint32_t address, unsigned char* value) {
  return g_identification_reader(address, value);
}
}  // namespace

void set_identification_reader(identification_reader_fn reader) {
  g_identification_reader = reader ? reader : read_no_identification;
}

namespace {
// The identification bytes and the row they name: family position, row (-1 when none matches).
struct Identification {
  unsigned char id = 0, revision = 0, size0 = 0, size1 = 0;
  int family = -1, row = -1;
};

bool identify(Identification* out) {
  Identification& i = *out;
  if (read_identification_byte(kIdentificationPartId, &i.id) < 0) return false;
  if (read_identification_byte(kIdentificationRevision, &i.revision) < 0) return false;
  if (read_identification_byte(kIdentificationSize0, &i.size0) < 0) return false;
  if (read_identification_byte(kIdentificationSize1, &i.size1) < 0) return false;

  const DeviceFamily& hcs12 = kFamilies[0];
  for (int r = 0; r < hcs12.count; ++r) {
    const ProcessorInfo* info = hcs12.derivatives[r].info;
    if (!info) continue;
    if (info->memory_size_0 == i.size0 && info->memory_size_1 == i.size1 && info->part_id == i.id) {
      i.family = 0;
      i.row = r;
      return true;
    }
  }
  // HCS12X parts are told apart by the part id alone.
  const DeviceFamily& hcs12x = kFamilies[1];
  for (int r = 0; r < hcs12x.count; ++r) {
    const ProcessorInfo* info = hcs12x.derivatives[r].info;
    if (!info) continue;
    if (info->part_id == i.id) {
      i.family = 1;
      i.row = r;
      return true;
    }
  }
  return true;
}
}  // namespace

int detect_target() {
  Identification i;
  if (!identify(&i) || i.row < 0) return 0;
  g_derivative_position = i.row;
  g_family_position = i.family;
  return 1;
}

bool identify_connected_part(const Derivative** row, unsigned* part_id) {
  Identification i;
  if (!identify(&i)) return false;
  *row = i.row < 0 ? nullptr : catalogue_row(i.family, i.row);
  *part_id = unsigned(i.id) << 8 | i.revision;
  return true;
}

void autodetect_target() {
  if (detect_target()) set_current_target(catalogue_row(g_family_position, g_derivative_position));
}

void reset_target_map() {
  g_map = TargetMemoryMap{};
  g_family_position = 0;
  g_derivative_position = 0;
  set_current_target(&kHcs12Rows[0]);
}

int get_family_position() { return g_family_position; }
void set_family_position(int position) { g_family_position = position; }
int get_derivative_position() { return g_derivative_position; }
void set_derivative_position(int position) { g_derivative_position = position; }

int get_target_memory_map(TargetMemoryMap* map) {
  if (map) *map = g_map;
  return 1;
}

void set_target_memory_map(const TargetMemoryMap& map) { g_map = map; }

int get_family_code() {
  switch (g_family_position) {
    case 0: return FAMILY_HCS12;
    case 1: return FAMILY_HCS12X;
    default: return 0;
  }
}

uint8_t get_timing_value() { return 40; }
