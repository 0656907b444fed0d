// The part's security and protection as the adapter library shows them: BDMSTS (a BDM-space
// read), FSEC, FPROT and EPROT (register-block reads, which a secured part still answers). Every
// connect and every reset the tool performs reads the security state and names a secured part in
// one line, so that the failed reads that follow explain themselves.
#pragma once
#include <cstdint>

#include "target/catalogue.h"

struct PartSecurity {
  bool read = false;    // BDMSTS and FSEC could both be read
  uint8_t bdmsts = 0;
  uint8_t fsec = 0;
  bool secured = false;  // FSEC secures the part and the blank check did not unsecure it
};

// Reads BDMSTS and FSEC.
PartSecurity read_part_security();
// Reads the security state and, when the part is secured, writes "Target is secured (FSEC
// 0x..): ..." into the pane. True when it is secured.
bool report_if_secured();

// Whether the last connect or reset found the part secured (report_if_secured), and so whether
// a read of `address` would only fail: a secured part answers its register block
// (0x0000-0x03FF) and BDMSTS, nothing else. The memory reads of the views and the bench commands
// pass such addresses over as unreadable instead of asking the library once per byte, which
// would name the part's security once per byte.
bool secured_part_refuses(uint32_t address, bool bdm);

// FPROT of flash block `block` (FCNFG's block bits select it and are put back afterwards on
// parts with several blocks), EPROT. False when a read or write failed.
bool read_fprot(const TargetMemoryMap& map, int block, uint8_t* value);
bool read_eprot(uint8_t* value);

// After a failed flash program or erase of first..last (within one 16 KiB window: 16-bit window
// addresses seen with window_page in PPAGE, or paged addresses): when the part's FPROT protects
// some of it, the line "0x.. is protected by FPROT 0x..; Erase All lifts the protection" with
// the first protected address. True when it wrote it.
bool name_flash_protection(const TargetMemoryMap& map, uint32_t first, uint32_t last,
                           int window_page);
// The same for EEPROM addresses and EPROT.
bool name_eeprom_protection(const TargetMemoryMap& map, uint32_t first, uint32_t last);
