// Running the m68hc1x binutils (Debian's binutils-m68hc1x, installed by scripts/install-deps)
// from a test, with files in a scratch folder. Tests that need them skip when they are missing.
#pragma once
#include <string>

#include "tests/support/test_files.h"  // read_file for what the tools wrote

// Runs a shell command line; true when it exits with 0.
bool run_command(const std::string& command);
// True when the named program of binutils-m68hc1x answers --version.
bool have_tool(const char* program);
// A fresh scratch folder for one test (ends in '/').
std::string scratch_folder(const std::string& name);
