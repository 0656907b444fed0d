#include "simulator/sim_settings.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "adapter/bdx_api.h"
#include "simulator/sim_target.h"

namespace {

const char* const kNames[] = {
#define BDXSIM_NAME(name, params, args) #name,
    BDX_FUNCTION_LIST(BDXSIM_NAME)
#undef BDXSIM_NAME
};
constexpr int kCount = sizeof(kNames) / sizeof(kNames[0]);

std::string trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r\n");
  if (a == std::string::npos) return "";
  size_t b = s.find_last_not_of(" \t\r\n");
  return s.substr(a, b - a + 1);
}

// A whole decimal number within [lo, hi].
bool parse_number(const std::string& text, long lo, long hi, long* out) {
  std::string s = trim(text);
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  if (s.size() > 9) return false;
  long v = std::strtol(s.c_str(), nullptr, 10);
  if (v < lo || v > hi) return false;
  *out = v;
  return true;
}

void parse_faults(const std::string& list, SimSettings& s) {
  size_t pos = 0;
  while (pos <= list.size()) {
    size_t comma = list.find(',', pos);
    if (comma == std::string::npos) comma = list.size();
    std::string entry = trim(list.substr(pos, comma - pos));
    pos = comma + 1;
    if (entry.empty()) continue;
    std::string name = entry;
    SimFault f;
    size_t at = entry.find('@');
    bool ok = true;
    if (at != std::string::npos) {
      name = trim(entry.substr(0, at));
      long n = 0;
      ok = parse_number(entry.substr(at + 1), 1, 999999999, &n);
      f.call = static_cast<uint32_t>(n);
    }
    f.function = sim_function_index(name.c_str());
    if (!ok || f.function < 0) {
      s.problems.push_back(
          sim_format("BDXSIM_FAIL: ignoring '%s' (expected bdx_Name or bdx_Name@N)", entry.c_str()));
      continue;
    }
    s.faults.push_back(f);
  }
}

}  // namespace

int sim_function_count() { return kCount; }

const char* sim_function_name(int index) {
  return (index >= 0 && index < kCount) ? kNames[index] : "";
}

int sim_function_index(const char* name) {
  for (int i = 0; i < kCount; ++i)
    if (name && std::strcmp(kNames[i], name) == 0) return i;
  return -1;
}

SimSettings sim_read_settings(const char* (*get)(const char* name),
                              const std::string& default_state_path) {
  SimSettings s;
  s.part = &sim_default_part();
  if (const char* v = get("BDXSIM_DERIVATIVE")) {
    std::string name = trim(v);
    const SimPart* p = sim_find_part(name.c_str());
    if (p) {
      s.part = p;
    } else {
      s.problems.push_back(sim_format("BDXSIM_DERIVATIVE: unknown part '%s', using %s", v,
                                      s.part->name));
    }
  }
  long n = 0;
  if (const char* v = get("BDXSIM_PORT")) {
    if (parse_number(v, 1, 256, &n)) {
      s.port = static_cast<int>(n);
    } else {
      s.problems.push_back(sim_format("BDXSIM_PORT: bad port '%s', using COM%d", v, s.port));
    }
  }
  if (const char* v = get("BDXSIM_CLOCK_KHZ")) {
    if (parse_number(v, 100, 100000, &n)) {
      s.clock_khz = static_cast<int>(n);
    } else {
      s.problems.push_back(
          sim_format("BDXSIM_CLOCK_KHZ: bad clock '%s', using %d kHz", v, s.clock_khz));
    }
  }
  if (const char* v = get("BDXSIM_STATE")) {
    s.state_path = v;
  } else {
    s.state_path = default_state_path;
  }
  s.keep_state = !s.state_path.empty();
  if (const char* v = get("BDXSIM_FAIL")) parse_faults(v, s);
  if (const char* v = get("BDXSIM_LATENCY_US")) {
    if (parse_number(v, 0, 10000000, &n)) {
      s.latency_us = static_cast<uint32_t>(n);
    } else {
      s.problems.push_back(sim_format("BDXSIM_LATENCY_US: bad delay '%s', using 0", v));
    }
  }
  if (const char* v = get("BDXSIM_SCI0")) s.sci0_out_path = v;
  if (const char* v = get("BDXSIM_SCI0_IN")) s.sci0_in_path = v;
  return s;
}
