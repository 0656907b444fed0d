// Verifying the target against the buffer: the buffer's bytes in the selected regions are read
// back through the adapter library from where programming from the buffer puts them, and
// compared. Used by `corvane verify` and `corvane program --verify`.
#pragma once
#include <cstdint>

#include "programming/region_selection.h"
#include "programming/security.h"
#include "target/catalogue.h"

// What a verify found.
struct VerifyResult {
  bool matched = false;        // every compared byte matched, and at least one was compared
  uint64_t compared = 0;       // bytes read back and compared
  uint64_t differing = 0;      // of them, the ones that differ
  uint64_t not_verified = 0;   // bytes the buffer holds outside the selected regions
  uint32_t first_address = 0;  // the first differing byte: where, what was read, what was expected
  uint8_t first_read = 0;
  uint8_t first_expected = 0;
  bool read_failed = false;    // a read of the target failed, at failing_address
  uint32_t failing_address = 0;
};

// "Verify target": reads back every byte the buffer holds in a selected flash page (16-bit
// windows and paged form, PPAGE written first as the programming pass does), in the EEPROM
// range and in the volatile range (INITEE and INITRM written first), and compares. Bytes outside
// these are counted and named in a line but not compared. Ends with "COMMAND DONE" and returns
// true when every compared byte matched and at least one was compared. Otherwise the lines name
// the first differing address with both values and the number of differing bytes, or the
// failing read, and it returns false.
bool verify_target_against_buffer();

// The same over the map and selection it is given, with the whole finding. The security byte
// 0xFF0F is compared with what programming in the given mode wrote for the buffer's byte.
VerifyResult verify_buffer(const TargetMemoryMap& map, const RegionSelection& regions,
                           SecurityMode security = SecurityMode::Unsecure);
