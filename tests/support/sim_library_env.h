// The simulated adapter library as the tests drive it: the environment it takes its settings
// from (bdxsim_use_environment(fake_env), a map each test fills) and the lines it reports
// (bdx_Init(collect), collected in order).
#pragma once
#include <map>
#include <string>
#include <vector>

#include "adapter/bdx_api.h"

extern std::map<std::string, std::string> g_env;
extern std::vector<std::string> g_lines;

// g_env's value of name; null when g_env has none.
const char* fake_env(const char* name);
// The library's report callback: appends text to g_lines.
int BDX_CALL collect(const char* text);

// As if a program loaded the simulated library with the settings in g_env: the library started
// afresh (bdxsim_reset_for_tests), the adapter table bound to it and bdx_Init(collect) called.
// True when all 26 functions were bound and bdx_Init succeeded. (In sim_library_start.cpp, so
// that only the tests that link the simulated library need it.)
bool load_simulated_library();
