#include "adapter/bdx.h"
#include "simulator/bdxsim.h"
#include "tests/support/sim_library_env.h"

bool load_simulated_library() {
  bdxsim_use_environment(fake_env);
  bdxsim_reset_for_tests();
  return bdx_table_bind(bdxsim_lookup, nullptr, "bdxsim") == 26 && bdx_Init(collect) == 0;
}
