#include "tests/unit/cpu12/cpu12_support.h"

#include <gtest/gtest.h>

#include <fstream>

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
