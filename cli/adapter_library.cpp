// The native corvane drives the simulated adapter library, linked in as bdxsim.
#include <unistd.h>

#include <cstdio>

#include "adapter/bdx.h"
#include "cli/cli.h"
#include "simulator/bdxsim.h"

bool cli_load_adapter_library() {
  return bdx_table_bind(bdxsim_lookup, nullptr, "bdxsim") == bdx_function_count();
}

bool cli_library_to_check(const char* path, CliLibraryToCheck* library) {
  if (path) {
    std::fprintf(stderr,
                 "corvane: this corvane checks the simulated adapter library built into it and "
                 "loads no library files; corvane.exe checks '%s'\n",
                 path);
    return false;
  }
  library->description = "simulated adapter library built into this corvane";
  library->single_convention = "called directly";
  return true;
}

void cli_bind_library_to_check(CliLibraryToCheck* library) {
  bdx_table_bind(bdxsim_lookup, nullptr, "bdxsim", &library->binding);
  library->loaded = true;
}

bool cli_stderr_is_terminal() { return isatty(2) != 0; }
