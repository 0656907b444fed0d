#include "tests/support/sim_library_env.h"

std::map<std::string, std::string> g_env;
std::vector<std::string> g_lines;

const char* fake_env(const char* name) {
  auto it = g_env.find(name);
  return it == g_env.end() ? nullptr : it->second.c_str();
}

int BDX_CALL collect(const char* text) {
  g_lines.push_back(text);
  return 0;
}
