// A recording fake of the adapter library for tests: installed into the process-wide table, it
// records every call with its arguments, answers with scripted results, and keeps a small
// target memory and register set.
#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "adapter/bdx.h"

struct FakeBdxCall {
  std::string name;  // "bdx_Connect"
  std::string args;  // arguments as text, joined by "|": "R41|COM3 4"
};

struct FakeBdx {
  std::vector<FakeBdxCall> calls;
  // The data of every bdx_FlashProgramBlock call, in call order.
  std::vector<std::vector<unsigned char>> flash_blocks;
  // 1-based position (in calls) of the one call that fails with -1 whatever else is scripted;
  // 0 for none. Fault sweeps move it over every call of an operation.
  int fail_call_number = 0;

  // Result of a function: the next queued result if any, else the fixed one, else 0.
  std::map<std::string, std::deque<int>> queued;
  std::map<std::string, int> fixed;
  // Lines the fake reports through the library's report callback when a function is called
  // (before it returns).
  std::map<std::string, std::vector<std::string>> reports;

  // Target side: memory read and written by the byte and block calls (missing bytes read 0),
  // addresses whose reads fail, the five registers (PC, SP, X, Y, D), the BDM speed. FSEC
  // (0x0101) starts as 0xFE, FPROT (0x0104) and EPROT (0x0114) as 0xFF: an unsecured part
  // without protection.
  std::map<uint32_t, unsigned char> memory;
  std::set<uint32_t> failing_reads;
  uint32_t registers[5] = {};
  float bdm_speed = 0.0f;
  bdx_line_callback report = nullptr;

  // Scripting helpers.
  void set_result(const std::string& name, int result) { fixed[name] = result; }
  void queue_result(const std::string& name, int result) { queued[name].push_back(result); }
  void report_on(const std::string& name, const std::string& line) {
    reports[name].push_back(line);
  }
  // Identification bytes at 0x001A..0x001D.
  void set_part_id(unsigned char id, unsigned char revision, unsigned char size0,
                   unsigned char size1);

  // Recording helpers.
  int count(const std::string& name) const;
  // Arguments of the n-th call of name (0-based), "" when there is none.
  std::string args(const std::string& name, int n = 0) const;
  // Names of all calls in order, joined by " ".
  std::string sequence() const;
};

// Installs a fresh fake into the adapter table and returns it.
FakeBdx& fake_bdx_install();
// The installed fake.
FakeBdx& fake_bdx();
// The fake's complete table (for tests that patch single entries).
BdxTable fake_bdx_table();

// RAII: installs a fresh fake for one test; restores the failing stubs afterwards.
struct ScopedFakeBdx {
  ScopedFakeBdx() { fake_bdx_install(); }
  ~ScopedFakeBdx() { bdx_table_reset(); }
  FakeBdx& fake() { return fake_bdx(); }
};
