#include "tests/support/binutils.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

bool run_command(const std::string& command) { return std::system(command.c_str()) == 0; }

bool have_tool(const char* program) {
  return run_command(std::string(program) + " --version > /dev/null 2>&1");
}

std::string scratch_folder(const std::string& name) {
  std::string folder = ::testing::TempDir() + name + "_" +
                       std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return folder + "/";
}
