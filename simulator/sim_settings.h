// Settings of the simulated adapter, taken from the environment when the library loads.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "simulator/sim_parts.h"

struct SimFault {
  int function = 0;   // index in the contract's function list
  uint32_t call = 0;  // fail only on this call (1-based); 0 fails every call
};

struct SimSettings {
  const SimPart* part = nullptr;
  int port = 1;             // COM port number the R41 answers on
  int clock_khz = 8000;     // target clock
  bool keep_state = false;  // flash and EEPROM kept in state_path
  std::string state_path;
  std::vector<SimFault> faults;
  uint32_t latency_us = 0;
  std::string sci0_out_path;  // BDXSIM_SCI0: where SCI0's bytes go ("-": standard output)
  std::string sci0_in_path;   // BDXSIM_SCI0_IN: what SCI0 receives
  std::vector<std::string> problems;  // one line per bad setting, reported at bdx_Init
};

// Reads the settings through get (a getenv-like function: null for an unset variable).
// default_state_path is used when BDXSIM_STATE is unset; an empty one turns keeping off.
SimSettings sim_read_settings(const char* (*get)(const char* name),
                              const std::string& default_state_path);

// Index of a contract function by name, or -1.
int sim_function_index(const char* name);
const char* sim_function_name(int index);
int sim_function_count();
