// The HCS12/HCS12X addresses the tool writes and reads besides memory itself: the mapping and
// paging registers, the BDM's saved condition codes, the identification bytes and the flash
// windows of the 64 KiB map. One definition each; every pass and view takes them from here.
#pragma once
#include <cstdint>

// Registers (in the register block at 0x0000).
constexpr uint32_t kRegisterInitrm = 0x0010;  // RAM position, written before a volatile download
constexpr uint32_t kRegisterGpage = 0x0010;   // HCS12X global page (shares INITRM's address)
constexpr uint32_t kRegisterInitee = 0x0012;  // EEPROM position, written before EEPROM work
constexpr uint32_t kRegisterPpage = 0x0030;   // flash page shown at 0x8000-0xBFFF
constexpr uint32_t kRegisterRpage = 0x0016;   // HCS12X RAM page
constexpr uint32_t kRegisterEpage = 0x0017;   // HCS12X EEPROM page

// Identification bytes read by autodetection: part id, revision, memory sizes.
constexpr uint32_t kIdentificationPartId = 0x001A;
constexpr uint32_t kIdentificationRevision = 0x001B;
constexpr uint32_t kIdentificationSize0 = 0x001C;
constexpr uint32_t kIdentificationSize1 = 0x001D;

// The BDM's copy of the CCR while the part is halted (read with the BDM mapped in): the low
// byte, and on HCS12X the high byte.
constexpr uint32_t kSavedCcrLow = 0xFF06;
constexpr uint32_t kSavedCcrHigh = 0xFF07;


// Flash windows of the 64 KiB map. Page 0x3E always shows at 0x4000-0x7FFF, page 0x3F at
// 0xC000-0xFFFF, and the page PPAGE selects at 0x8000-0xBFFF; buffers and files hold a page's
// data either there or in paged form, (page << 16) + 0x8000 .. + 0xBFFF.
constexpr uint32_t kFlashWindowSize = 0x4000;
constexpr uint32_t kPageWindowStart = 0x8000;
constexpr uint32_t kPageWindowEnd = 0xBFFF;
constexpr uint32_t kPage3EWindowStart = 0x4000;
constexpr uint32_t kPage3FWindowStart = 0xC000;
constexpr int kLastFlashPage = 0x3F;

// The paged-form address of a page's first byte.
constexpr uint32_t paged_window_start(int page) {
  return (static_cast<uint32_t>(page) << 16) + kPageWindowStart;
}

// Security and protection. FSEC, FPROT and EPROT are loaded at reset from the flash
// configuration field (the last 16 bytes of page 0x3F, seen at 0xFF00-0xFF0F; global
// 0x7F_FF00-0x7F_FF0F on HCS12X) and from the EEPROM protection byte; the register block answers
// even on a secured part.
constexpr uint32_t kRegisterFsec = 0x0101;   // image of the security byte 0xFF0F
constexpr uint32_t kRegisterFcnfg = 0x0103;  // its low two bits select the FPROT of a flash block
constexpr uint32_t kRegisterFprot = 0x0104;
constexpr uint32_t kRegisterEprot = 0x0114;
constexpr uint32_t kBackdoorKeyStart = 0xFF00;  // four 16-bit words
constexpr uint32_t kFprotByteBlock0 = 0xFF0D;   // block k's protection byte is 0xFF0D - k
constexpr uint32_t kSecurityByte = 0xFF0F;
constexpr uint32_t kEprotByteOffset = 0x0FFD;   // from the start of a 4 KiB EEPROM

// The BDM's status register (read with bdx_GetByte, the BDM mapped in) and its bits. BDMACT is
// set while the part is halted in background mode, so a tool sees a program end in BGND by
// polling it.
constexpr uint32_t kBdmStatus = 0xFF01;
constexpr uint8_t kBdmstsEnbdm = 0x80;
constexpr uint8_t kBdmstsBdmact = 0x40;  // halted in active background mode
constexpr uint8_t kBdmstsUnsec = 0x02;   // unsecured by the blank check, until the next reset

// The HCS12 breakpoint module (the MC9S12DG256's BKP): breakpoint 0's address is the expansion
// byte (the PPAGE value, compared inside the 0x8000-0xBFFF window) and a 16-bit address. With
// BKEN and BKBDM set, BKFULL and BKTAG clear and BKPCT1 0 (full address compare, read and write
// not compared), a fetch of the instruction at the address enters background mode. HCS12X parts
// have their debug module (S12XDBG) at these addresses instead.
constexpr uint32_t kRegisterBkpct0 = 0x0028;
constexpr uint32_t kRegisterBkpct1 = 0x0029;
constexpr uint32_t kRegisterBkp0x = 0x002A;
constexpr uint32_t kRegisterBkp0h = 0x002B;
constexpr uint32_t kRegisterBkp0l = 0x002C;
constexpr uint8_t kBkpct0Bken = 0x80;   // the module is enabled
constexpr uint8_t kBkpct0Bkbdm = 0x20;  // a match enters background mode (not SWI)
