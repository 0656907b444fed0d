#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "buffer/file_system.h"

std::string temp_path(const char* name) {
  static int counter = 0;
  return testing::TempDir() + "corvane_" + std::to_string(current_process_id()) + "_" +
         std::to_string(++counter) + "_" + name;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string temp_file(const char* name, const std::string& text) {
  const std::string path = temp_path(name);
  write_file(path, text);
  return path;
}
