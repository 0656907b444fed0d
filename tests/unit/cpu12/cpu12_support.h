// Shared by the CPU12 tests: running the m68hc1x binutils (Debian's binutils-m68hc1x, installed
// by scripts/install-deps), files in a scratch folder, and a part to execute code on.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "simulator/sim_target.h"

// Runs a shell command line; true when it exits with 0.
bool run_command(const std::string& command);
// True when the named program of binutils-m68hc1x answers --version.
bool have_tool(const char* program);
// A fresh scratch folder for one test (ends in '/').
std::string scratch_folder(const std::string& name);
std::string read_text(const std::string& path);
bool write_bytes(const std::string& path, const std::vector<uint8_t>& bytes);
// The folder of this test's sources (ends in '/').
std::string cpu12_test_folder();

// A powered-up part (erased flash, cleared RAM) with the CPU halted.
SimTarget powered_part(const char* name = "MC9S12DG256");
// Puts bytes into RAM (or the register block) at address.
void poke(SimTarget& t, uint16_t address, const std::vector<uint8_t>& bytes);
int peek(const SimTarget& t, uint16_t address);
