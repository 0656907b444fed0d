#include "tests/unit/cpu12/cpu12_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "simulator/sim_parts.h"

bool write_bytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(f);
}

std::string cpu12_test_folder() {
  std::string file = __FILE__;
  size_t slash = file.find_last_of("/\\");
  return slash == std::string::npos ? std::string("./") : file.substr(0, slash + 1);
}

std::string build_program(const std::string& name, std::string* problem,
                          const std::string& script) {
  std::string src = cpu12_test_folder() + "programs/";
  std::string dir = scratch_folder(name);
  std::string log = dir + "build.log";
  std::string obj = dir + name + ".o", elf = dir + name + ".elf", srec = dir + name + ".s19";
  if (!run_command("m68hc11-as -m68hc12 -I " + src + " -o " + obj + " " + src + name + ".s > " +
                   log + " 2>&1") ||
      !run_command("m68hc11-ld -m m68hc12elf -T " + src + script + " -o " + elf + " " + obj +
                   " >> " + log + " 2>&1") ||
      !run_command("m68hc11-objcopy -O srec " + elf + " " + srec + " >> " + log + " 2>&1")) {
    *problem = read_file(log);
    return "";
  }
  return srec;
}

long symbol_address(const std::string& srec, const std::string& symbol) {
  const std::string stem = srec.substr(0, srec.size() - 4);
  if (!run_command("m68hc11-nm " + stem + ".elf > " + stem + ".nm 2>&1")) return -1;
  std::istringstream lines(read_file(stem + ".nm"));
  std::string value, kind, name;
  while (lines >> value >> kind >> name)
    if (name == symbol) return std::strtol(value.c_str(), nullptr, 16);
  return -1;
}

SimTarget powered_part(const char* name) {
  SimTarget t;
  sim_target_power_up(t, *sim_find_part(name));
  return t;
}

void poke(SimTarget& t, uint16_t address, const std::vector<uint8_t>& bytes) {
  for (size_t i = 0; i < bytes.size(); ++i)
    EXPECT_EQ(sim_write(t, static_cast<uint16_t>(address + i), bytes[i]), 0);
}

int peek(const SimTarget& t, uint16_t address) {
  uint8_t v = 0;
  return sim_read(t, address, &v) == 0 ? v : -1;
}
