// The native corvane drives the simulated adapter library, linked in as bdxsim.
#include <unistd.h>

#include "adapter/bdx.h"
#include "cli/cli.h"
#include "simulator/bdxsim.h"

bool cli_load_adapter_library() {
  return bdx_table_bind(bdxsim_lookup, nullptr, "bdxsim") == bdx_function_count();
}

bool cli_stderr_is_terminal() { return isatty(2) != 0; }
