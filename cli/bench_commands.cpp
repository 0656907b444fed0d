// The bench commands of the front end: run control, registers, memory, and firmware test runs.
// A board on the bench stays powered between two commands, so every command here except reset
// and test attaches to the part as it is (connects and identifies as Connect does, without the
// reset): its RAM, its registers and whether it runs are what the previous command left.
// The operations are the tool's own: the run control of the connection, the CPU registers as
// the register view reads and writes them (adapter/cpu_registers), the bench's memory reads and
// writes.
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "adapter/bdx.h"
#include "adapter/connection.h"
#include "adapter/cpu_registers.h"
#include "adapter/run_until.h"
#include "adapter/target_memory.h"
#include "app/message_pane.h"
#include "cli/cli.h"
#include "cli/junit_report.h"
#include "cli/stdout_pane.h"
#include "cli/target_options.h"
#include "views/hex_parse.h"
#include "views/memory_view.h"

namespace {

constexpr uint32_t kMostPeekedBytes = 0x100000;  // a 1 MiB dump is already 64 Ki lines

// A hexadecimal number typed on the command line, as the views read them, but whole: the text
// must be non-empty and consist of digits only.
bool read_hex(const std::string& text, uint32_t* value) {
  if (text.empty() || text.size() > 8) return false;
  for (char c : text)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  return parse_hex(text.c_str(), value) == 0;
}

// The register family of the connected derivative, 0 for one without a register set.
int connected_register_family() {
  const Derivative* target = current_target();
  return cpu_register_family(target ? target->info : nullptr);
}

// "PC=C010 SP=3F00 X=5678 Y=0000 D=1235 CCR=D0": the form the assignments and --expect take.
std::string register_line(int family, const CpuRegisterValues& values) {
  std::string line;
  for (int n = 0; n < kCpuRegisterCount; ++n) {
    char text[16];
    format_cpu_register(cpu_register_width(family, n), values.value[n], text, sizeof text);
    if (n) line += ' ';
    line += std::string(kCpuRegisters[n].name) + "=" + text;
  }
  return line;
}

// Reads the registers; false after the lines that say they cannot be read (on HCS12 the register
// view's own line where bdx_RegisterGetAll failed).
bool read_registers(int family, CpuRegisterValues* values) {
  if (read_cpu_registers(family, values)) return true;
  if (!values->core_read && family == FAMILY_HCS12)
    append_line("Failed to get register values from target");
  append_line("Cannot read the registers");
  return false;
}

// Reads the registers and prints them on one line; false when they cannot be read.
bool show_registers(int family, CpuRegisterValues* values) {
  if (!read_registers(family, values)) return false;
  append_line(register_line(family, *values).c_str());
  return true;
}
bool show_registers(int family) {
  CpuRegisterValues values;
  return show_registers(family, &values);
}

// The connection for a bench command: the target options, then the command's own checks.
int attach(TargetOptions& o, bool reset, int* family) {
  const int status = open_target(o, reset);
  if (status != kExitOk) return status;
  *family = connected_register_family();
  if (!*family) {
    append_line("This derivative has no register set");
    return kExitFailed;
  }
  return kExitOk;
}

// An address typed on the command line: hexadecimal, or a symbol, either with +OFFSET
// (buffer/symbols.h). False with the resolver's problem.
bool read_address(const std::string& text, const SymbolTable& symbols, uint32_t* address,
                  std::string* problem) {
  const AddressLookup r = look_up_address(text, symbols);
  if (!r.ok) *problem = r.problem;
  *address = r.address;
  return r.ok;
}

// START-END, split at the first '-', or START+COUNT, split at the last '+' (so that
// "table+10+4" is four bytes from table+10), or one address: START and END addresses or
// symbols, COUNT hexadecimal. False with what is wrong: the resolver's problem, or empty for a
// range of the wrong shape or size.
bool parse_range(const std::string& range, const SymbolTable& symbols, uint32_t* start,
                 uint32_t* count, std::string* problem) {
  const size_t dash = range.find('-');
  const size_t plus = range.rfind('+');
  if (dash == std::string::npos && plus == std::string::npos) {
    *count = 1;
    return read_address(range, symbols, start, problem);
  }
  if (dash != std::string::npos) {
    uint32_t end = 0;
    if (!read_address(range.substr(0, dash), symbols, start, problem) ||
        !read_address(range.substr(dash + 1), symbols, &end, problem))
      return false;
    if (end < *start || end - *start >= kMostPeekedBytes) return false;
    *count = end - *start + 1;
    return true;
  }
  if (!read_address(range.substr(0, plus), symbols, start, problem)) return false;
  uint32_t n = 0;
  if (!read_hex(range.substr(plus + 1), &n)) return false;
  *count = n;
  return n > 0 && n <= kMostPeekedBytes && uint64_t(*start) + n - 1 <= 0xFFFFFFFFu;
}

// ADDRESS=HEXBYTES: the address or a symbol, the bytes two digits each. False with what is wrong
// with the address (the resolver's problem), or empty when the rest is wrong.
bool parse_memory_expectation(const std::string& text, const SymbolTable& symbols,
                              uint32_t* address, std::vector<uint8_t>* bytes,
                              std::string* problem) {
  const size_t eq = text.find('=');
  if (eq == std::string::npos || !read_address(text.substr(0, eq), symbols, address, problem))
    return false;
  const std::string digits = text.substr(eq + 1);
  if (digits.empty() || digits.size() % 2 != 0 || digits.size() > 512) return false;
  bytes->clear();
  for (size_t i = 0; i < digits.size(); i += 2) {
    uint32_t byte = 0;
    if (!read_hex(digits.substr(i, 2), &byte)) return false;
    bytes->push_back(static_cast<uint8_t>(byte));
  }
  return true;
}

// The usage line of an address that is wrong: the resolver's problem where it has one, else
// the command's own text about the argument.
bool address_usage_error(const std::string& problem, const char* text, const char* argument) {
  if (problem.empty()) return usage_error(text, argument);
  std::fprintf(stderr, "corvane: %s\n", problem.c_str());
  return false;
}

// The register family the command line is checked against before anything is connected: that
// of the part named with --target, else HCS12's (both name their registers alike and in one
// order; HCS12X's CCR is 16 bits wide).
int family_before_connecting(const TargetOptions& o) {
  int family = FAMILY_HCS12;
  if (o.target) {
    reset_target_map();
    select_target_by_name(o.target);
    if (target_known() && cpu_register_family(current_target()->info))
      family = cpu_register_family(current_target()->info);
  }
  return family;
}

// A register value typed on the command line: the register, its value, and the digits as typed
// (the lines quote them).
struct RegisterValue {
  int index;
  uint32_t value;
  std::string text;
};

// Register assignments or expectations, NAME=HEX each: NAME a register of the family (any letter
// case, each at most once), HEX one or more hexadecimal digits, no blanks, no wider than the
// register. False after the usage line naming the first that is not.
bool parse_register_list(const std::vector<std::string>& texts, int family, const char* what,
                         std::vector<RegisterValue>* out) {
  for (const std::string& text : texts) {
    const size_t eq = text.find('=');
    const int index = eq == std::string::npos ? -1 : cpu_register_index(text.substr(0, eq).c_str());
    if (index < 0) return usage_error(what, text.c_str());
    const std::string digits = text.substr(eq + 1);
    uint32_t value = 0;
    const int width = cpu_register_width(family, index);
    if (!read_hex(digits, &value) || (width < 32 && value >> width) != 0) {
      const std::string why = "bad value for " + std::string(kCpuRegisters[index].name) + " (" +
                              std::to_string(width) + " bits, hexadecimal)";
      return usage_error(why.c_str(), text.c_str());
    }
    for (const RegisterValue& earlier : *out)
      if (earlier.index == index) return usage_error("register named twice", text.c_str());
    out->push_back({index, value, digits});
  }
  return true;
}

// The registers read back hold what was written or expected: one line for each that does not,
// "PC is 2010 after writing 3000" or "D is 0000, expected 1234" (relation " after writing " or
// ", expected "), compared as wide as the register is. Returned as failures too, each with what
// was asked for ("--expect D=1234" with option "--expect ").
std::vector<JunitFailure> registers_not_holding(int family, const CpuRegisterValues& read,
                                                const std::vector<RegisterValue>& wanted,
                                                const char* relation, const char* option) {
  std::vector<JunitFailure> failures;
  for (const RegisterValue& w : wanted) {
    const int width = cpu_register_width(family, w.index);
    const uint32_t mask = width == 8 ? 0xFFu : 0xFFFFu;
    if ((read.value[w.index] & mask) == (w.value & mask)) continue;
    char text[16];
    format_cpu_register(width, read.value[w.index], text, sizeof text);
    const std::string name = kCpuRegisters[w.index].name;
    failures.push_back({name + " is " + text + relation + w.text, option + name + "=" + w.text});
    append_line(failures.back().message.c_str());
  }
  return failures;
}

// "halted at PC=C01E after 3 ms", from the registers last read, or "still running after
// 1000 ms: halted" when the limit was reached (and the part was halted then).
std::string halt_line(const HaltWait& wait, long limit_ms, int family,
                      const CpuRegisterValues& registers) {
  if (!wait.halted) return "still running after " + std::to_string(limit_ms) + " ms: halted";
  char pc[16];
  format_cpu_register(cpu_register_width(family, kCpuRegisterPc), registers.value[kCpuRegisterPc],
                      pc, sizeof pc);
  return "halted at PC=" + std::string(pc) + " after " + std::to_string(wait.elapsed_ms) + " ms";
}

// The address of --until and how the lines name it: "0xC010 (done)", or "0xC010" when it was
// given as a number.
struct UntilTarget {
  uint32_t address = 0;
  std::string label;
};

// Reads --until with the command's symbols (load_target_symbols first); false after the usage
// line.
bool parse_until(const TargetOptions& o, UntilTarget* until) {
  std::string problem;
  if (!read_address(o.until, o.symbols, &until->address, &problem))
    return address_usage_error(problem, "bad address for --until", o.until);
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", unsigned(until->address));
  until->label = text;
  if (!look_up_address(o.until, SymbolTable{}).ok) until->label += " (" + std::string(o.until) + ")";
  return true;
}

// How a run to the address ended, naming the way the part was stopped: "stopped at 0xC010
// (done) by the breakpoint module after 3 ms", "did not reach 0xC010 (done) by stepping within
// 1000 ms: halted at PC=C004".
std::string until_line(const UntilRun& r, const UntilTarget& until, long limit_ms) {
  const std::string by =
      r.method == UntilMethod::BreakpointModule ? " by the breakpoint module" : " by stepping";
  char pc[16];
  std::snprintf(pc, sizeof pc, "%4.4X", unsigned(r.pc & 0xFFFF));
  const std::string after = " after " + std::to_string(r.elapsed_ms) + " ms";
  switch (r.end) {
    case UntilEnd::Reached:
      return "stopped at " + until.label + by + after;
    case UntilEnd::HaltedElsewhere:
      return "did not reach " + until.label + by + ": halted at PC=" + pc + after;
    case UntilEnd::TimedOut:
      return "did not reach " + until.label + by + " within " + std::to_string(limit_ms) +
             " ms: halted at PC=" + pc;
    case UntilEnd::Failed:
      break;
  }
  return "Cannot run the part to " + until.label;
}

// Runs the attached part to the address and shows the registers where it stopped (when the
// run could be made); until_line says how it ended.
UntilRun run_until_shown(const TargetOptions& o, const UntilTarget& until, long limit_ms,
                         int family, CpuRegisterValues* registers) {
  const UntilRun r = run_until_address(until.address, limit_ms, family, o.map.volatile_start);
  if (r.end != UntilEnd::Failed && !show_registers(family, registers)) {
    UntilRun failed = r;
    failed.end = UntilEnd::Failed;
    return failed;
  }
  return r;
}

// A run-control command: attach, the operation, and the registers afterwards where it shows them.
int run_control(int argc, char** argv, bool (*operation)(), bool show) {
  TargetOptions o;
  if (!parse_target_options(argc, argv, false, 0, &o)) return kExitUsage;
  int family = 0;
  const int status = attach(o, false, &family);
  if (status != kExitOk) return status;
  if (!operation()) return kExitFailed;
  return !show || show_registers(family) ? kExitOk : kExitFailed;
}
}  // namespace

int cli_reset(int argc, char** argv) { return run_control(argc, argv, reset_target_checked, false); }
int cli_run(int argc, char** argv) {
  TargetOptions o;
  if (!parse_target_options(argc, argv, false, kAllowUntilHalt | kAllowUntil | kAllowSymbols, &o))
    return kExitUsage;
  UntilTarget until;
  if (o.until && (!load_target_symbols(&o) || !parse_until(o, &until))) return kExitUsage;
  int family = 0;
  const int status = attach(o, false, &family);
  if (status != kExitOk) return status;
  if (o.until) {
    // Stops at the address; at the limit the part is halted where it got to.
    CpuRegisterValues registers;
    const UntilRun r = run_until_shown(o, until, o.timeout_ms, family, &registers);
    append_line(until_line(r, until, o.timeout_ms).c_str());
    return r.end == UntilEnd::Reached ? kExitOk : kExitFailed;
  }
  if (!run_target_checked()) return kExitFailed;
  if (!o.until_halt) return kExitOk;
  // Waits as test does; a part still running at the limit is left running.
  const HaltWait wait = wait_until_halted(o.timeout_ms);
  if (!wait.halted) {
    append_formatted("still running after %d ms", o.timeout_ms);
    return kExitFailed;
  }
  CpuRegisterValues registers;
  if (!show_registers(family, &registers)) return kExitFailed;
  append_line(halt_line(wait, o.timeout_ms, family, registers).c_str());
  return kExitOk;
}
int cli_halt(int argc, char** argv) { return run_control(argc, argv, halt_target_checked, true); }

int cli_step(int argc, char** argv) {
  TargetOptions o;
  if (!parse_target_options(argc, argv, false, kAllowPositional, &o)) return kExitUsage;
  uint32_t steps = 1;
  if (o.positional.size() > 1) {
    usage_error("unexpected argument", o.positional[1]);
    return kExitUsage;
  }
  if (!o.positional.empty()) {
    long n = 0;
    if (!read_decimal(o.positional[0], 1000000, &n) || n < 1) {
      usage_error("bad number of steps (1 to 1000000)", o.positional[0]);
      return kExitUsage;
    }
    steps = static_cast<uint32_t>(n);
  }
  int family = 0;
  const int status = attach(o, false, &family);
  if (status != kExitOk) return status;
  for (uint32_t i = 0; i < steps; ++i)
    if (!step_target_checked()) return kExitFailed;
  return show_registers(family) ? kExitOk : kExitFailed;
}

int cli_regs(int argc, char** argv) {
  TargetOptions o;
  if (!parse_target_options(argc, argv, false, kAllowPositional, &o)) return kExitUsage;
  std::vector<RegisterValue> assignments;
  const std::vector<std::string> typed(o.positional.begin(), o.positional.end());
  if (!parse_register_list(typed, family_before_connecting(o),
                           "not a register assignment (PC, SP, X, Y, D or CCR = HEX)", &assignments))
    return kExitUsage;
  int family = 0;
  const int status = attach(o, false, &family);
  if (status != kExitOk) return status;
  if (assignments.empty()) return show_registers(family) ? kExitOk : kExitFailed;

  // Every register is written, as "Update target from view" writes every field: the value read,
  // or the one assigned, in the view's order.
  CpuRegisterValues values;
  if (!read_registers(family, &values)) return kExitFailed;
  for (const RegisterValue& a : assignments) values.value[a.index] = a.value;
  for (int n = 0; n < kCpuRegisterCount; ++n) {
    const uint32_t mask = cpu_register_width(family, n) == 8 ? 0xFFu : 0xFFFFu;
    write_cpu_register(family, n, values.value[n] & mask);
  }
  CpuRegisterValues read_back;
  if (!show_registers(family, &read_back)) return kExitFailed;
  return registers_not_holding(family, read_back, assignments, " after writing ", "").empty()
             ? kExitOk
             : kExitFailed;
}

int cli_peek(int argc, char** argv) {
  TargetOptions o;
  if (!parse_target_options(argc, argv, false, kAllowPositional | kAllowBdm | kAllowSymbols, &o))
    return kExitUsage;
  uint32_t start = 0, count = 0;
  if (o.positional.size() != 1) {
    std::fprintf(stderr, "corvane: peek takes one range: START-END or START+COUNT\n");
    return kExitUsage;
  }
  if (!load_target_symbols(&o)) return kExitUsage;
  std::string problem;
  if (!parse_range(o.positional[0], o.symbols, &start, &count, &problem)) {
    address_usage_error(problem,
                        "bad range (START-END or START+COUNT, hexadecimal, at most 100000 bytes)",
                        o.positional[0]);
    return kExitUsage;
  }
  const int status = open_target(o, false);
  if (status != kExitOk) return status;
  // Read whole first (runs of bytes, the paging registers put back), then shown, each row
  // labelled with the address asked for, page included.
  const TargetRead read = read_target_memory(start, count, o.bdm);
  for (uint32_t row = 0; row < count; row += 16) {
    char label[16];
    std::snprintf(label, sizeof label, "%6.6X", unsigned(start + row));
    std::string line = label;
    for (uint32_t i = row; i < count && i < row + 16; ++i)
      line += " " + memory_cell_text(read.available[i] ? 1 : 0, read.values[i]);
    stdout_pane_result(line.c_str());
  }
  if (read.unreadable) {
    append_formatted("%u bytes could not be read", unsigned(read.unreadable));
    return kExitFailed;
  }
  return kExitOk;
}

int cli_poke(int argc, char** argv) {
  TargetOptions o;
  if (!parse_target_options(argc, argv, false, kAllowPositional | kAllowSymbols, &o))
    return kExitUsage;
  if (o.positional.size() < 2) {
    std::fprintf(stderr, "corvane: poke takes an address and at least one byte\n");
    return kExitUsage;
  }
  if (!load_target_symbols(&o)) return kExitUsage;
  uint32_t address = 0;
  std::string problem;
  if (!read_address(o.positional[0], o.symbols, &address, &problem)) {
    address_usage_error(problem, "bad address", o.positional[0]);
    return kExitUsage;
  }
  std::vector<uint8_t> bytes;
  for (size_t i = 1; i < o.positional.size(); ++i) {
    uint32_t value = 0;
    if (!read_hex(o.positional[i], &value) || value > 0xFF) {
      usage_error("bad byte (00 to FF)", o.positional[i]);
      return kExitUsage;
    }
    bytes.push_back(static_cast<uint8_t>(value));
  }
  const int status = open_target(o, false);
  if (status != kExitOk) return status;
  // RAM and registers as "Update target from view" writes the memory cells, EEPROM through the
  // EEPROM calls, flash refused; then read back.
  return write_target_memory(o.map, address, bytes).ok ? kExitOk : kExitFailed;
}

namespace {

// What a test run expects, parsed from its command line before anything is done.
struct MemoryExpectation {
  uint32_t address;
  std::vector<uint8_t> bytes;
  std::string symbol;  // the address as typed when it names a symbol, else empty
  std::string typed;   // the expectation as given
};
struct TestExpectations {
  std::vector<RegisterValue> registers;
  std::vector<MemoryExpectation> memory;
};

// --expect and --expect-mem; false after the usage line naming the first that is wrong.
bool parse_test_expectations(const TargetOptions& o, TestExpectations* e) {
  if (!parse_register_list(o.expect, family_before_connecting(o),
                           "bad register expectation (PC, SP, X, Y, D or CCR = HEX)", &e->registers))
    return false;
  for (const std::string& text : o.expect_mem) {
    MemoryExpectation m;
    std::string problem;
    if (!parse_memory_expectation(text, o.symbols, &m.address, &m.bytes, &problem))
      return address_usage_error(
          problem, "bad memory expectation (ADDRESS=HEX bytes, two digits each)", text.c_str());
    const std::string typed = text.substr(0, text.find('='));
    if (!look_up_address(typed, SymbolTable{}).ok) m.symbol = typed;
    m.typed = text;
    e->memory.push_back(m);
  }
  return true;
}

// Compares the registers read and the memory named with what is expected: each memory location
// as a line ("1000=0210", "result=0210"), then one line per expectation that fails. The failing
// expectations, also returned.
std::vector<JunitFailure> check_test_expectations(const TestExpectations& e, int family,
                                                  const CpuRegisterValues& registers) {
  std::vector<JunitFailure> failures =
      registers_not_holding(family, registers, e.registers, ", expected ", "--expect ");
  for (const MemoryExpectation& m : e.memory) {
    // The memory view's cell texts, "xx" for a byte that cannot be read.
    std::string read, want;
    const TargetRead got = read_target_memory(m.address, uint32_t(m.bytes.size()), false);
    for (size_t i = 0; i < m.bytes.size(); ++i) {
      read += memory_cell_text(got.available[i] ? 1 : 0, got.values[i]);
      want += memory_cell_text(1, m.bytes[i]);
    }
    // Built whole: up to 256 bytes a line, longer than a formatted line may be. A location
    // named by a symbol is shown by its name, and its address where it fails.
    char address[16];
    std::snprintf(address, sizeof address, "%X", unsigned(m.address));
    const std::string where =
        m.symbol.empty() ? std::string(address) : m.symbol + " (" + address + ")";
    append_line(((m.symbol.empty() ? std::string(address) : m.symbol) + "=" + read).c_str());
    if (read != want) {
      failures.push_back({"Memory at " + where + " is " + read + ", expected " + want,
                          "--expect-mem " + m.typed});
      append_line(failures.back().message.c_str());
    }
  }
  return failures;
}

// What a test run came to: the step that could not be made, or the expectations (and the stop
// at --until) that failed.
struct TestRun {
  std::string error;  // "Programming failed"; empty when every step was made
  std::vector<JunitFailure> failures;
};

int test_error(TestRun* run, const char* step, int status) {
  run->error = step;
  return status;
}

// The run: program, reset, run to the halt (or to --until), then the registers and the
// expectations. The exit status, and what failed in *run.
int run_test(TargetOptions& o, const TestExpectations& expected, const UntilTarget* until,
             TestRun* run) {
  // Read before anything is connected: a file that does not load whole is never programmed.
  if (!read_command_file(o)) return test_error(run, "Cannot load the file", kExitFailed);
  int family = 0;
  const int status = attach(o, true, &family);
  if (status != kExitOk) return test_error(run, "Cannot connect the part", status);
  const int programmed = program_command_file(o);
  if (programmed != kExitOk) return test_error(run, "Programming failed", programmed);
  if (!reset_target_checked()) return test_error(run, "Cannot reset the part", kExitFailed);
  CpuRegisterValues registers;
  std::string last_line;
  if (until) {
    const UntilRun r = run_until_shown(o, *until, o.run_ms, family, &registers);
    if (r.end == UntilEnd::Failed) return test_error(run, "Cannot run the part", kExitFailed);
    last_line = until_line(r, *until, o.run_ms);
    if (r.end != UntilEnd::Reached)
      run->failures.push_back({last_line, std::string("--until ") + o.until});
  } else {
    if (!run_target_checked()) return test_error(run, "Cannot run the part", kExitFailed);
    // The program ends when the part halts (BGND); --run-ms is the limit.
    const HaltWait wait = wait_until_halted(o.run_ms);
    if (!wait.halted && !halt_target_checked())
      return test_error(run, "Cannot halt the part", kExitFailed);
    if (!show_registers(family, &registers))
      return test_error(run, "Cannot read the registers", kExitFailed);
    last_line = halt_line(wait, o.run_ms, family, registers);
  }
  for (JunitFailure& f : check_test_expectations(expected, family, registers))
    run->failures.push_back(std::move(f));
  append_line(last_line.c_str());
  return run->failures.empty() ? kExitOk : kExitFailed;
}

// The file's name without its folders: a test case's default name.
std::string base_name(const char* path) {
  const std::string p = path;
  const size_t slash = p.find_last_of("/\\");
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

}  // namespace

int cli_test(int argc, char** argv) {
  const auto started = std::chrono::steady_clock::now();
  TargetOptions o;
  o.erase_pages = true;  // so the same test passes again: the pages the file needs are erased
  if (!parse_target_options(argc, argv, true,
                            kAllowTestOptions | kAllowAddresses | kAllowErase | kAllowSecurity |
                                kAllowSymbols | kAllowUntil | kAllowReport,
                            &o))
    return kExitUsage;
  // The expectations are checked before anything is done: a typing error costs no programming.
  // Their symbols are those of FILE when it is an ELF file (a damaged one fails as its load
  // would), or of --symbols FILE.
  if (!load_target_symbols(&o)) return o.symbols_file ? kExitUsage : kExitFailed;
  TestExpectations expected;
  if (!parse_test_expectations(o, &expected)) return kExitUsage;
  UntilTarget until;
  if (o.until && !parse_until(o, &until)) return kExitUsage;

  TestRun run;
  const int status = run_test(o, expected, o.until ? &until : nullptr, &run);

  // One line in quiet mode: what failed, or (passing) the run's last line.
  const std::vector<std::string> lines = stdout_pane_lines();
  const std::string last = lines.empty() ? std::string() : lines.back();
  if (!run.error.empty()) {
    stdout_pane_summary(run.error + (last.empty() ? "" : ": " + last));
  } else if (!run.failures.empty()) {
    std::string summary;
    for (const JunitFailure& f : run.failures) summary += (summary.empty() ? "" : "; ") + f.message;
    stdout_pane_summary(summary);
  }
  if (!o.junit) return status;
  JunitTestCase report;
  report.name = o.test_name ? o.test_name : base_name(o.file);
  report.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  report.failures = run.failures;
  report.error = !run.error.empty();
  report.error_message = run.error;
  report.error_detail = last;
  report.output = lines;
  if (!write_junit_report(o.junit, report)) {
    const std::string line = "Cannot write the JUnit report '" + std::string(o.junit) + "'";
    append_line(line.c_str());
    stdout_pane_summary(line);
    return kExitFailed;
  }
  return status;
}
