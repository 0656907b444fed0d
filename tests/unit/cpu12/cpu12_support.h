// Shared by the CPU12 tests: the m68hc1x binutils (tests/support/binutils.h), files in a scratch
// folder, and a part to execute code on.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "simulator/sim_target.h"
#include "tests/support/binutils.h"

bool write_bytes(const std::string& path, const std::vector<uint8_t>& bytes);
// The folder of this test's sources (ends in '/').
std::string cpu12_test_folder();

// Assembles programs/<name>.s, links it with programs/<script> and converts it into an
// S-record file: its path, or "" with *problem set. The ELF file is beside it (<name>.elf).
std::string build_program(const std::string& name, std::string* problem,
                          const std::string& script = "cpu12.ld");
// The address of a symbol of that ELF file (m68hc11-nm), or -1.
long symbol_address(const std::string& srec, const std::string& symbol);

// A powered-up part (erased flash, cleared RAM) with the CPU halted.
SimTarget powered_part(const char* name = "MC9S12DG256");
// Puts bytes into RAM (or the register block) at address.
void poke(SimTarget& t, uint16_t address, const std::vector<uint8_t>& bytes);
int peek(const SimTarget& t, uint16_t address);
