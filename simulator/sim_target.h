// The simulated HCS12/HCS12X part: register block, RAM, EEPROM, paged flash, CPU registers and
// run state. Portable; the exported library functions drive it.
//
// Address forms accepted by every memory call:
//   0x0000-0xFFFF               the CPU's local map: register block 0x0000-0x03FF, RAM and EEPROM
//                               at the part's ranges (in that order of precedence where they
//                               overlap), flash page 0x3E at 0x4000-0x7FFF, page 0x3F at
//                               0xC000-0xFFFF, the selected page at 0x8000-0xBFFF;
//   (page << 16) + 0x8000..0xBFFF  flash page `page` directly, whatever is selected.
// The 0x8000-0xBFFF window shows the page last written to PPAGE (0x0030); on HCS12X a write to
// GPAGE (0x0010) selects the window's page as well, so that a GPAGE write followed by a 16-bit
// read sees the same bytes as the paged address; writing GPAGE 0 gives the window back to PPAGE.
//
// Security and protection follow the silicon: at every reset FSEC (0x0101) is loaded from the
// security byte at 0xFF0F, FPROT (0x0104, one per flash block) from 0xFF0A-0xFF0D and EPROT
// (0x0114) from the EEPROM's protection byte at its address 0x_FFD. A part whose SEC bits are not
// 10 is secured unless flash and EEPROM are blank (the blank check of special single-chip mode).
// Programming and erasing refuse protected addresses; the mass erases lift protection first.
// On HCS12X the configuration field is the same bytes (global 0x7F_FF00-0x7F_FF0F).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "simulator/sim_board.h"
#include "simulator/sim_parts.h"

enum class SimArea { None, Register, Ram, Eeprom, Flash };

struct SimLocation {
  SimArea area = SimArea::None;
  uint32_t index = 0;  // into the area's array (flash: (page - first_page) * 0x4000 + offset)
};

struct SimCpu {
  uint16_t pc = 0, sp = 0, x = 0, y = 0, d = 0;
  uint16_t ccr = 0;  // HCS12: low byte only
  uint16_t tmp = 0;  // the hidden register TFR and EXG reach as register code 3
  bool running = false;
  // WAI has stacked the registers and the CPU waits for an interrupt (PC after the WAI).
  bool waiting = false;
};

struct SimTarget {
  const SimPart* part = nullptr;
  std::vector<uint8_t> flash;   // pages first_page..last_page, 16 KiB each
  std::vector<uint8_t> eeprom;  // the part's EEPROM range
  std::vector<uint8_t> ram;     // the part's RAM range
  uint8_t regs[0x400] = {};     // register block
  uint8_t window_page = 0;      // page shown at 0x8000-0xBFFF
  SimCpu cpu;
  bool nv_dirty = false;        // flash or EEPROM changed since the last save
  // FSEC's SEC bits were not 10 at the last reset and nothing has unsecured the part since:
  // the BDM reaches only the register block and BDMSTS.
  bool secured = false;
  // BDMSTS.UNSEC: unsecured by the blank check at reset, or by erasing flash and EEPROM, until
  // the next reset.
  bool unsecured_blank = false;
  // FPROT of each flash block, block 0 first (only the first on one-block parts); 0x0104 shows
  // the one FCNFG's block bits select. Loaded at reset; written freely through the BDM.
  uint8_t fprot[4] = {0xFF, 0xFF, 0xFF, 0xFF};
  SimBoard board;  // the peripherals' state beyond their registers
};

constexpr uint32_t kSimPageSize = 0x4000;
constexpr uint32_t kSimRegPPAGE = 0x0030;
constexpr uint32_t kSimRegINITRM = 0x0010;  // GPAGE on HCS12X
constexpr uint32_t kSimRegINITEE = 0x0012;
constexpr uint32_t kSimRegFSEC = 0x0101;   // read-only image of the security byte
constexpr uint32_t kSimRegFCNFG = 0x0103;  // bits 1:0 select the block FPROT shows
constexpr uint32_t kSimRegFPROT = 0x0104;
constexpr uint32_t kSimRegEPROT = 0x0114;
// The flash configuration field: the security byte and, below it, the protection bytes of
// blocks 0 (0xFF0D) to 3 (0xFF0A).
constexpr uint32_t kSimSecurityByte = 0xFF0F;
constexpr uint32_t kSimBlock0Protection = 0xFF0D;
// BDMSTS (BDM register 0xFF01).
constexpr uint32_t kSimBdmsts = 0xFF01;
constexpr uint8_t kSimBdmstsENBDM = 0x80;
constexpr uint8_t kSimBdmstsBDMACT = 0x40;
constexpr uint8_t kSimBdmstsUNSEC = 0x02;
// FSEC's SEC bits (1:0) of an unsecured part.
constexpr uint8_t kSimSecMask = 0x03;
constexpr uint8_t kSimSecUnsecured = 0x02;

// Power-up: flash and EEPROM erased, RAM cleared, then a reset.
void sim_target_power_up(SimTarget& t, const SimPart& part);
// Reset: registers to their reset values (the peripherals' included: sim_board_reset), PC from
// the vector at 0xFFFE, halted in background mode, security and protection loaded
// (sim_target_load_security).
void sim_target_reset(SimTarget& t);
// The security part of a reset, on its own: FSEC, FPROT and EPROT loaded from flash and EEPROM,
// the part secured when FSEC's SEC bits are not 10, unless flash and EEPROM are blank, which
// unsecures it until the next reset. Leaves the CPU, RAM and the other registers alone.
void sim_target_load_security(SimTarget& t);
// True when every byte of flash and EEPROM is erased.
bool sim_target_blank(const SimTarget& t);
// BDMSTS as a BDM-space read sees it: ENBDM and BDMACT (halted) unless secured, and UNSEC.
uint8_t sim_bdmsts(const SimTarget& t);
// Why the flash byte at flash location index (named address in the line), or the EEPROM byte at
// address, cannot be programmed or erased: "0x... is protected (FPROT 0x..)" ("EPROT" for
// EEPROM), or an empty text when it is not protected.
std::string sim_flash_protection(const SimTarget& t, uint32_t index, uint32_t address);
std::string sim_eeprom_protection(const SimTarget& t, uint32_t address);

SimLocation sim_resolve(const SimTarget& t, uint32_t address);
bool sim_has_eeprom(const SimTarget& t);

// Ordinary memory map. Plain writes to flash and EEPROM succeed without changing them, as on
// silicon; the identification registers ignore writes; the peripherals' registers behave as
// sim_board_read and sim_board_write make them (at t.board.now). 0 success, -1 nothing there.
int sim_read(const SimTarget& t, uint32_t address, uint8_t* value);
int sim_write(SimTarget& t, uint32_t address, uint8_t value);
// The same with the BDM's registers at 0xFF00-0xFF07 mapped in (0xFF06/0xFF07: saved CCR).
// The saved CCR exists only while the part is halted.
int sim_bdm_read(const SimTarget& t, uint32_t address, uint8_t* value);
int sim_bdm_write(SimTarget& t, uint32_t address, uint8_t value);

// Non-volatile operations. Each returns 0 or -1 and may leave a line for the report callback in
// *line (an empty string means nothing to report). Programming and block erases refuse protected
// addresses and then change nothing. The mass erases lift the protection of their memory first
// (FPROT or EPROT := 0xFF, as a programmer does through the BDM) and, once flash and EEPROM are
// both blank, unsecure a secured part until its next reset.
int sim_flash_program(SimTarget& t, uint8_t timing, uint32_t address, const uint8_t* data,
                      uint32_t count, std::string* line);
int sim_flash_erase_page(SimTarget& t, int page, uint8_t timing, std::string* line);
int sim_flash_erase_all(SimTarget& t, uint8_t timing, std::string* line);
// Erasing the EEPROM of a part that has none succeeds with a line saying so.
int sim_eeprom_erase_all(SimTarget& t, uint8_t timing, uint32_t eeprom_start, std::string* line);
int sim_eeprom_program_byte(SimTarget& t, uint8_t timing, uint32_t address, uint8_t value,
                            std::string* line);
int sim_eeprom_program_sector(SimTarget& t, uint8_t timing, uint32_t address, uint32_t data,
                              std::string* line);

// Programming of one flash word whose data comes from elsewhere (file programming): the word
// at the flash location `word_index` (even) may only lose bits (1 to 0), as an erased word or
// a security byte going from 0xFE to 0xFC does. 0 or -1. Protection is the caller's
// to check (sim_flash_protection).
int sim_flash_program_word(SimTarget& t, uint32_t word_index, uint8_t high, uint8_t low);

// CPU registers: 1 PC, 2 SP, 3 X, 4 Y, 5 D. -1 while running or for another number.
int sim_get_registers(const SimTarget& t, uint32_t values[5]);
int sim_set_register(SimTarget& t, int reg, uint32_t value);

std::string sim_format(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
