// The simulated part on its own: memory map, paging, identification, non-volatile rules, BDM
// registers and CPU state.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "simulator/sim_parts.h"
#include "simulator/sim_target.h"

namespace {

SimTarget powered(const char* name) {
  SimTarget t;
  sim_target_power_up(t, *sim_find_part(name));
  return t;
}

int read(const SimTarget& t, uint32_t a) {
  uint8_t v = 0;
  return sim_read(t, a, &v) == 0 ? v : -1;
}

std::vector<uint8_t> words(std::initializer_list<uint8_t> b) { return b; }

}  // namespace

TEST(SimParts, SevenPartsFoundByNameIgnoringCase) {
  EXPECT_EQ(sim_part_count(), 7);
  EXPECT_STREQ(sim_default_part().name, "MC9S12DG256");
  ASSERT_NE(sim_find_part("mc9s12dg128"), nullptr);
  EXPECT_STREQ(sim_find_part("mc9s12dg128")->name, "MC9S12DG128");
  EXPECT_STREQ(sim_find_part("xf")->name, "XF");
  EXPECT_EQ(sim_find_part("MC9S12A32"), nullptr);  // no memory map in the catalogue
  EXPECT_EQ(sim_find_part(nullptr), nullptr);
}

TEST(SimTarget, AnswersIdentificationBytesOfEachPart) {
  struct Expect { const char* name; int id, size0, size1, family; };
  const Expect rows[] = {{"MC9S12B128", 0x21, 0x11, 0xC0, 2}, {"MC9S12C32", 0x33, 0x00, 0x80, 2},
                         {"MC9S12DG128", 0x21, 0x13, 0x80, 2}, {"MC9S12DG256", 0x00, 0x25, 0x81, 2},
                         {"MC9S12UF32", 0x63, 0x12, 0x80, 2}, {"XDP", 0xC4, 0x00, 0x00, 3},
                         {"XF", 0xD4, 0x00, 0x00, 3}};
  for (const Expect& e : rows) {
    SimTarget t = powered(e.name);
    EXPECT_EQ(read(t, 0x1A), e.id) << e.name;
    EXPECT_GE(read(t, 0x1B), 0) << e.name;
    EXPECT_EQ(read(t, 0x1C), e.size0) << e.name;
    EXPECT_EQ(read(t, 0x1D), e.size1) << e.name;
    EXPECT_EQ(t.part->family, e.family);
    // Identification registers ignore writes.
    EXPECT_EQ(sim_write(t, 0x1A, 0x55), 0);
    EXPECT_EQ(read(t, 0x1A), e.id);
  }
}

TEST(SimTarget, MemoryMapOfDG256) {
  SimTarget t = powered("MC9S12DG256");
  EXPECT_EQ(read(t, kSimRegPPAGE), 0x30);  // lowest page after reset
  EXPECT_EQ(read(t, kSimRegINITRM), 0x09);
  EXPECT_EQ(read(t, kSimRegINITEE), 0x01);
  EXPECT_EQ(sim_resolve(t, 0x0400).area, SimArea::Eeprom);
  EXPECT_EQ(sim_resolve(t, 0x0FFF).area, SimArea::Eeprom);
  EXPECT_EQ(sim_resolve(t, 0x1000).area, SimArea::Ram);
  EXPECT_EQ(sim_resolve(t, 0x3FFF).area, SimArea::Ram);
  EXPECT_EQ(read(t, 0x4000), 0xFF);  // erased flash
  EXPECT_EQ(read(t, 0x0400), 0xFF);  // erased EEPROM
  EXPECT_EQ(read(t, 0x1000), 0x00);
  // RAM is plain memory; flash and EEPROM ignore plain writes.
  EXPECT_EQ(sim_write(t, 0x1000, 0x5A), 0);
  EXPECT_EQ(read(t, 0x1000), 0x5A);
  EXPECT_EQ(sim_write(t, 0xC000, 0x12), 0);
  EXPECT_EQ(read(t, 0xC000), 0xFF);
  EXPECT_EQ(sim_write(t, 0x0400, 0x12), 0);
  EXPECT_EQ(read(t, 0x0400), 0xFF);
  // Paged addresses outside the window, pages the part lacks and holes read nothing.
  EXPECT_EQ(read(t, 0x3CC000), -1);
  EXPECT_EQ(read(t, 0x2F8000), -1);
  EXPECT_EQ(read(t, 0x408000), -1);
  EXPECT_EQ(read(t, 0x1000000), -1);
  SimTarget d = powered("MC9S12DG128");
  EXPECT_EQ(read(d, 0x1000), -1);  // between its EEPROM and its RAM
  EXPECT_EQ(sim_write(d, 0x1000, 1), -1);
}

TEST(SimTarget, FixedPagesAndTheWindowShowTheSameFlashAsPagedAddresses) {
  SimTarget t = powered("MC9S12DG256");
  std::string line;
  auto data = words({0x12, 0x34});
  ASSERT_EQ(sim_flash_program(t, 40, 0x3E8000, data.data(), 2, &line), 0) << line;
  EXPECT_EQ(read(t, 0x4000), 0x12);
  ASSERT_EQ(sim_flash_program(t, 40, 0xFFFE, data.data(), 2, &line), 0) << line;
  EXPECT_EQ(read(t, 0x3FBFFF), 0x34);
  ASSERT_EQ(sim_flash_program(t, 40, 0x3C8010, data.data(), 2, &line), 0) << line;
  EXPECT_EQ(read(t, 0x8010), 0xFF);  // page 0x30 selected
  ASSERT_EQ(sim_write(t, kSimRegPPAGE, 0x3C), 0);
  EXPECT_EQ(read(t, 0x8010), 0x12);
  ASSERT_EQ(sim_write(t, kSimRegPPAGE, 0x20), 0);  // a page the part lacks
  EXPECT_EQ(read(t, 0x8010), -1);
  // A reset selects the lowest page again and loads PC from the vector.
  sim_target_reset(t);
  EXPECT_EQ(read(t, kSimRegPPAGE), 0x30);
  EXPECT_EQ(t.cpu.pc, 0x1234);
}

TEST(SimTarget, HcS12XGpageSelectsTheWindowLikeThePagedAddress) {
  SimTarget t = powered("XF");
  std::string line;
  auto data = words({0xAB, 0xCD});
  ASSERT_EQ(sim_flash_program(t, 40, 0x3A8000, data.data(), 2, &line), 0);
  // The memory view writes GPAGE and reads the 16-bit address.
  ASSERT_EQ(sim_write(t, kSimRegINITRM, 0x3A), 0);
  EXPECT_EQ(read(t, 0x8000), 0xAB);
  EXPECT_EQ(read(t, kSimRegINITRM), 0x3A);
  // Programming writes PPAGE and programs through the window: the last write selects.
  ASSERT_EQ(sim_write(t, kSimRegPPAGE, 0x38), 0);
  ASSERT_EQ(sim_flash_program(t, 40, 0x8000, data.data(), 2, &line), 0);
  EXPECT_EQ(read(t, 0x388000), 0xAB);
  ASSERT_EQ(sim_write(t, kSimRegINITRM, 0x7F), 0);
  EXPECT_EQ(read(t, 0x8000), -1);  // no such page
  ASSERT_EQ(sim_write(t, kSimRegINITRM, 0x00), 0);  // GPAGE 0: PPAGE's page again
  EXPECT_EQ(read(t, 0x8000), 0xAB);
  // On HCS12, 0x0010 is INITRM and does not page.
  SimTarget h = powered("MC9S12DG256");
  ASSERT_EQ(sim_write(h, kSimRegINITRM, 0x3C), 0);
  EXPECT_EQ(read(h, kSimRegPPAGE), 0x30);
}

TEST(SimTarget, OverlapsGiveRegistersThenRamThenEeprom) {
  SimTarget uf = powered("MC9S12UF32");  // EEPROM 0x0000-0x0000 lies under the registers
  EXPECT_FALSE(sim_has_eeprom(uf));
  EXPECT_EQ(read(uf, 0x8000), 0xFF);  // page 0x3E selected after reset
  EXPECT_EQ(read(uf, 0x3D8000), -1);
  SimTarget xdp = powered("XDP");  // EEPROM and RAM share 0x1000-0x3FFF
  EXPECT_EQ(sim_resolve(xdp, 0x1000).area, SimArea::Ram);
  EXPECT_FALSE(sim_has_eeprom(xdp));
  std::string line;
  // Nothing to erase is no failure, so that erasing everything works on these parts; the
  // EEPROM programming calls find no EEPROM, and RAM keeps its contents.
  ASSERT_EQ(sim_write(xdp, 0x1000, 0x5A), 0);
  EXPECT_EQ(sim_eeprom_erase_all(xdp, 40, 0x1000, &line), 0);
  EXPECT_EQ(line, "XDP has no EEPROM, nothing to erase");
  EXPECT_EQ(read(xdp, 0x1000), 0x5A);
  EXPECT_EQ(sim_eeprom_program_sector(xdp, 40, 0x1000, 0x01020304, &line), -1);
  EXPECT_EQ(line, "No EEPROM at 0x1000");
  EXPECT_EQ(sim_eeprom_program_byte(xdp, 40, 0x1001, 1, &line), -1);
  EXPECT_EQ(sim_eeprom_erase_all(uf, 40, 0x0000, &line), 0);
  EXPECT_EQ(line, "MC9S12UF32 has no EEPROM, nothing to erase");
  EXPECT_EQ(sim_eeprom_program_byte(uf, 40, 0x0000, 1, &line), -1);
  EXPECT_EQ(line, "No EEPROM at 0x0");
  EXPECT_EQ(read(uf, 0x0000), 0x00);  // the register block is not touched
}

TEST(SimTarget, FlashProgrammingRules) {
  SimTarget t = powered("MC9S12DG256");
  std::string line;
  auto four = words({1, 2, 3, 4});
  EXPECT_EQ(sim_flash_program(t, 0, 0xC000, four.data(), 4, &line), -1);
  EXPECT_EQ(line, "Flash programming refused: timing value 0");
  EXPECT_EQ(sim_flash_program(t, 40, 0xC001, four.data(), 2, &line), -1);
  EXPECT_EQ(line, "Flash block at 0xC001: 2 bytes is not whole aligned words");
  EXPECT_EQ(sim_flash_program(t, 40, 0xC000, four.data(), 3, &line), -1);
  EXPECT_EQ(sim_flash_program(t, 40, 0x1000, four.data(), 4, &line), -1);
  EXPECT_EQ(line, "Flash block at 0x1000: no flash there");
  EXPECT_EQ(sim_flash_program(t, 40, 0x3CBFFE, four.data(), 4, &line), -1);
  EXPECT_EQ(line, "Flash block at 0x3CBFFE: 4 bytes do not fit in one page");
  EXPECT_EQ(sim_flash_program(t, 40, 0x7FFE, four.data(), 4, &line), -1);  // 0x3E into window
  EXPECT_EQ(read(t, 0x7FFE), 0xFF);
  line.clear();
  ASSERT_EQ(sim_flash_program(t, 40, 0xC000, four.data(), 4, &line), 0);
  EXPECT_EQ(line, "");
  EXPECT_TRUE(t.nv_dirty);
  // A second programming of a word that is no longer erased fails at that word; the words
  // before it are programmed.
  auto six = words({5, 6});
  ASSERT_EQ(sim_flash_program(t, 40, 0x3F8006, six.data(), 2, &line), 0);
  auto more = words({9, 9, 7, 7});
  EXPECT_EQ(sim_flash_program(t, 40, 0xC004, more.data(), 4, &line), -1);
  EXPECT_EQ(line, "Flash not erased at 0xC006");
  EXPECT_EQ(read(t, 0xC004), 9);
  EXPECT_EQ(read(t, 0xC006), 5);
  EXPECT_EQ(read(t, 0xC000), 1);
  EXPECT_EQ(read(t, 0xC003), 4);
}

TEST(SimTarget, FlashEraseRules) {
  SimTarget t = powered("MC9S12DG128");
  std::string line;
  auto w = words({0, 0});
  ASSERT_EQ(sim_flash_program(t, 40, 0x398000, w.data(), 2, &line), 0);
  ASSERT_EQ(sim_flash_program(t, 40, 0x3A8000, w.data(), 2, &line), 0);
  EXPECT_EQ(sim_flash_erase_page(t, 0x37, 40, &line), -1);
  EXPECT_EQ(line, "No flash page 0x37 on MC9S12DG128");
  EXPECT_EQ(sim_flash_erase_page(t, 0x40, 40, &line), -1);
  EXPECT_EQ(sim_flash_erase_page(t, -1, 40, &line), -1);
  EXPECT_EQ(sim_flash_erase_page(t, 0x39, 0, &line), -1);
  EXPECT_EQ(sim_flash_erase_page(t, 0x39, 40, &line), 0);
  EXPECT_EQ(line, "Flash page 0x39 erased");
  EXPECT_EQ(read(t, 0x398000), 0xFF);
  EXPECT_EQ(read(t, 0x3A8000), 0x00);
  EXPECT_EQ(sim_flash_erase_all(t, 0, &line), -1);
  EXPECT_EQ(sim_flash_erase_all(t, 40, &line), 0);
  EXPECT_EQ(line, "Flash erased (pages 0x38-0x3F)");
  EXPECT_EQ(read(t, 0x3A8000), 0xFF);
}

TEST(SimTarget, EepromSectorAndByteProgrammingAndErase) {
  SimTarget t = powered("MC9S12DG256");
  std::string line;
  ASSERT_EQ(sim_eeprom_program_sector(t, 40, 0x0404, 0x12345678, &line), 0);
  EXPECT_EQ(read(t, 0x0404), 0x12);
  EXPECT_EQ(read(t, 0x0407), 0x78);
  // Sector modify: programming again needs no erase.
  ASSERT_EQ(sim_eeprom_program_byte(t, 40, 0x0405, 0xAA, &line), 0);
  EXPECT_EQ(read(t, 0x0405), 0xAA);
  EXPECT_EQ(read(t, 0x0406), 0x56);
  EXPECT_EQ(sim_eeprom_program_sector(t, 40, 0x0406, 0, &line), -1);
  EXPECT_EQ(line, "EEPROM sector at 0x406 is not aligned");
  EXPECT_EQ(sim_eeprom_program_sector(t, 40, 0x0FFC, 0, &line), 0);
  EXPECT_EQ(sim_eeprom_program_sector(t, 40, 0x1000, 0, &line), -1);
  EXPECT_EQ(line, "No EEPROM at 0x1000");
  EXPECT_EQ(sim_eeprom_program_byte(t, 40, 0x03FF, 0, &line), -1);
  EXPECT_EQ(sim_eeprom_program_byte(t, 0, 0x0400, 0, &line), -1);
  EXPECT_EQ(sim_eeprom_erase_all(t, 40, 0x1000, &line), -1);
  EXPECT_EQ(line, "No EEPROM at 0x1000");
  EXPECT_EQ(sim_eeprom_erase_all(t, 40, 0x0400, &line), 0);
  EXPECT_EQ(line, "EEPROM erased");
  EXPECT_EQ(read(t, 0x0404), 0xFF);
}

TEST(SimTarget, BdmRegistersAndCpuState) {
  SimTarget t = powered("MC9S12DG256");
  uint8_t v = 0;
  ASSERT_EQ(sim_bdm_read(t, 0xFF06, &v), 0);
  EXPECT_EQ(v, 0xD0);
  ASSERT_EQ(sim_bdm_write(t, 0xFF06, 0xC4), 0);
  ASSERT_EQ(sim_bdm_read(t, 0xFF06, &v), 0);
  EXPECT_EQ(v, 0xC4);
  ASSERT_EQ(sim_bdm_read(t, 0xFF01, &v), 0);
  EXPECT_EQ(v, 0xC2);  // enabled, active, unsecured by the blank check (the part is erased)
  // The ordinary map has flash there.
  ASSERT_EQ(sim_read(t, 0xFF06, &v), 0);
  EXPECT_EQ(v, 0xFF);
  // Outside the BDM registers both views agree.
  ASSERT_EQ(sim_bdm_write(t, 0x1000, 0x77), 0);
  ASSERT_EQ(sim_read(t, 0x1000, &v), 0);
  EXPECT_EQ(v, 0x77);

  uint32_t regs[5] = {};
  ASSERT_EQ(sim_set_register(t, 2, 0x13FF0), 0);
  ASSERT_EQ(sim_set_register(t, 5, 0xBEEF), 0);
  EXPECT_EQ(sim_set_register(t, 6, 1), -1);
  EXPECT_EQ(sim_set_register(t, 0, 1), -1);
  ASSERT_EQ(sim_get_registers(t, regs), 0);
  EXPECT_EQ(regs[1], 0x3FF0u);
  EXPECT_EQ(regs[4], 0xBEEFu);
  t.cpu.running = true;
  EXPECT_EQ(sim_get_registers(t, regs), -1);
  EXPECT_EQ(sim_set_register(t, 1, 0), -1);
  EXPECT_EQ(sim_bdm_read(t, 0xFF06, &v), -1);
  ASSERT_EQ(sim_bdm_read(t, 0xFF01, &v), 0);
  EXPECT_EQ(v, 0x82);
  sim_target_reset(t);
  EXPECT_FALSE(t.cpu.running);
  EXPECT_EQ(t.cpu.pc, 0xFFFF);  // erased vector
  EXPECT_EQ(t.cpu.ccr, 0xD0);

  SimTarget x = powered("XDP");
  ASSERT_EQ(sim_bdm_write(x, 0xFF06, 0xD0), 0);
  ASSERT_EQ(sim_bdm_write(x, 0xFF07, 0x08), 0);
  EXPECT_EQ(x.cpu.ccr, 0x08D0);
  ASSERT_EQ(sim_bdm_read(x, 0xFF07, &v), 0);
  EXPECT_EQ(v, 0x08);
  ASSERT_EQ(sim_bdm_write(t, 0xFF07, 0x08), 0);  // HCS12: no high CCR byte
  ASSERT_EQ(sim_bdm_read(t, 0xFF07, &v), 0);
  EXPECT_EQ(v, 0x00);
}
