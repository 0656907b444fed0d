// The 26 functions of the adapter library over the simulated part. Built into bdxdll.dll
// (exported there) and into the static library bdxsim for native programs and tests.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "adapter/bdx_api.h"
#include "simulator/bdxsim.h"
#include "simulator/cpu12.h"
#include "simulator/sim_library.h"
#include "simulator/sim_platform.h"
#include "simulator/sim_serial.h"
#include "simulator/sim_settings.h"
#include "simulator/sim_srec.h"
#include "simulator/sim_state.h"
#include "simulator/sim_target.h"

// The DLL exports its functions by name; the builds that spell their exports otherwise (the
// __stdcall test libraries) list them in a module-definition file instead (BDXSIM_DEF_EXPORTS).
#if defined(_WIN32) && defined(BDXSIM_BUILD_DLL) && !defined(BDXSIM_DEF_EXPORTS)
#define BDXSIM_EXPORT __declspec(dllexport)
#else
#define BDXSIM_EXPORT
#endif

namespace {

enum FunctionIndex {
#define BDXSIM_INDEX(name, params, args) k_##name,
  BDX_FUNCTION_LIST(BDXSIM_INDEX)
#undef BDXSIM_INDEX
  kFunctionCount
};

using Clock = std::chrono::steady_clock;

struct Library {
  bool loaded = false;
  SimSettings settings;
  std::vector<std::string> problems;  // reported at bdx_Init
  SimTarget target;
  bool connected = false;
  float speed_mhz = 0.0f;
  bdx_line_callback report = nullptr;
  uint32_t calls[kFunctionCount] = {};
  // While the part runs: the moment up to which its bus time has been executed, and the cycles
  // still owed (or, when negative, executed ahead) at that moment.
  Clock::time_point run_clock;
  double owed_cycles = 0.0;
  // With keeping on: the part was taken from the state file (take_part) and is this program's
  // until it is released; owner is its owner file (null when that could not be made).
  bool taken = false;
  SimOwnerFile* owner = nullptr;
  // What the state file holds of the part: its powered state (sim_state_powered), flash and
  // EEPROM. A flash or EEPROM change that cannot be saved goes back to these.
  std::string powered_kept;
  std::vector<uint8_t> flash_kept;
  std::vector<uint8_t> eeprom_kept;
  // The files behind SCI0 (BDXSIM_SCI0, BDXSIM_SCI0_IN).
  SimSerialFiles serial;
  bool lost_write_said = false;
};

Library g_lib;

const char* (*g_environment)(const char* name) = nullptr;

const char* environment(const char* name) {
  return g_environment ? g_environment(name) : sim_getenv(name);
}

void report(const std::string& line) {
  if (g_lib.report && !line.empty()) g_lib.report(line.c_str());
}

// The last save gave up waiting for another program's lock.
bool g_locked_out = false;

int64_t state_time_ms();

// Writes the part to the state file when the file does not have it yet: flash and EEPROM
// changes at once, by the call that made them (keep_change); RAM, register and run state
// changes (the powered state) with them, and otherwise only when the part is released or asked
// (bdxsim_save_state), so that a write to RAM or a register costs no save of its own.
// Returns the problem, or an empty text. Once a save has waited for another program's lock in
// vain, the next saves only try it, so that a program holding it for ever does not make every
// call wait; the last save, when the part is released, waits again.
std::string save_part(bool last) {
  SimTarget& t = g_lib.target;
  if (!g_lib.taken) {
    t.nv_dirty = false;  // keeping off, or a file that is never written
    return "";
  }
  std::string now_powered = sim_state_powered(t);
  if (!t.nv_dirty && now_powered == g_lib.powered_kept) return "";
  const auto wait = g_locked_out && !last ? std::chrono::milliseconds(0) : kSimStateLockWait;
  const std::string problem =
      sim_state_save(t, g_lib.settings.state_path, wait, &g_locked_out, state_time_ms());
  if (!problem.empty()) return problem;
  t.nv_dirty = false;
  g_lib.powered_kept = std::move(now_powered);
  g_lib.flash_kept = t.flash;
  g_lib.eeprom_kept = t.eeprom;
  return "";
}

#if !defined(BDXSIM_BUILD_DLL)
void unload_at_exit() { sim_library_unload(); }
#endif

// A running part needs no thread of its own. The tool calls the library from its one thread and
// sees the part only through these calls, so a part that runs between two calls cannot be told
// from one that is brought up to date when the next call begins: every call first executes
// what the bus (half the target clock) would have executed since the previous call. An
// ordinary call spends at most kCatchUpLimit of host time on it, so that none blocks the tool
// while the part merely runs; what it leaves is still owed, and the calls that end a run (halt,
// reset) execute all of it first, so a run of N ms executes N ms of bus cycles however seldom
// the tool looked. The report callback is only ever called from within the tool's own calls;
// there is nothing to lock, and unloading has no thread to stop.
constexpr std::chrono::milliseconds kCatchUpLimit(20);
constexpr uint64_t kSliceCycles = 20000;  // between two looks at the host clock
// A part owes at most this much bus time: after a longer silence (a program that makes no call
// for minutes, or a part left running for a day) it falls behind rather than keep a halt busy
// for minutes.
constexpr double kMostOwedSeconds = 120.0;

double bus_hz() { return g_lib.settings.clock_khz * 500.0; }

// What SCI0 has sent goes to its file as soon as the call that ran the part has it. A byte the
// firmware lost is said once: nothing else would show why it is missing.
void pass_on_serial() {
  report(sim_serial_write(g_lib.serial, &g_lib.target.board.sent));
  if (g_lib.target.board.lost_write && !g_lib.lost_write_said) {
    g_lib.lost_write_said = true;
    report("SCI0: a byte written to SCI0DRL was lost (write each byte after reading SCI0SR1 with "
           "TDRE set)");
  }
}

// A part in background mode runs no bus cycles, but its serial port does not stop with the
// CPU: what the transmitter was given leaves at once.
void finish_sending() {
  sim_board_finish_sending(g_lib.target);
  pass_on_serial();
}

double most_owed_cycles() { return kMostOwedSeconds * bus_hz(); }

void start_running() {
  g_lib.target.cpu.running = true;
  g_lib.target.board.skip_breakpoint = true;  // going on from a breakpoint's address
  g_lib.run_clock = Clock::now();
  g_lib.owed_cycles = 0.0;
}

// A part that was left running has run on while no program had it: the bus cycles of the time
// since its state was saved are owed, and the calls execute them as they catch up.
void run_on_since(int64_t saved_at_ms) {
  start_running();
  const double away_s = static_cast<double>(sim_state_now_ms() - saved_at_ms) / 1000.0;
  if (away_s > 0) g_lib.owed_cycles = std::min(away_s * bus_hz(), most_owed_cycles());
}

// The wall-clock moment the part's powered state belongs to: now for a halted part; for a
// running one, the moment up to which it has executed (its run clock, less what it still owes),
// so that the next program runs it on from there.
int64_t state_time_ms() {
  const int64_t now = sim_state_now_ms();
  if (!g_lib.target.cpu.running) return now;
  const double behind_s =
      std::chrono::duration<double>(Clock::now() - g_lib.run_clock).count() +
      g_lib.owed_cycles / bus_hz();
  return now - static_cast<int64_t>(behind_s * 1000.0);
}

// Executes what the running part owes up to the moment `until`: all of it when fully,
// otherwise for at most kCatchUpLimit of host time, the rest staying owed.
void advance_running(Clock::time_point until, bool fully) {
  SimTarget& t = g_lib.target;
  if (!t.cpu.running) return;
  double owed = g_lib.owed_cycles;
  if (until > g_lib.run_clock) {
    owed += std::chrono::duration<double>(until - g_lib.run_clock).count() * bus_hz();
    g_lib.run_clock = until;
  }
  owed = std::min(owed, most_owed_cycles());
  const Clock::time_point deadline = Clock::now() + kCatchUpLimit;
  while (owed >= 1.0) {
    uint64_t slice = owed < static_cast<double>(kSliceCycles) ? static_cast<uint64_t>(owed)
                                                               : kSliceCycles;
    Cpu12Run run = cpu12_execute(t, slice, UINT64_MAX);
    owed -= static_cast<double>(run.cycles);
    pass_on_serial();
    if (run.stop != Cpu12Stop::None) {
      t.cpu.running = false;
      finish_sending();
      report(cpu12_stop_line(run));
      owed = 0.0;
      break;
    }
    if (!fully && Clock::now() >= deadline) break;
  }
  g_lib.owed_cycles = owed;
}

// Every exported function starts with one of these: it loads the library on first use, waits
// the link delay, brings a running part up to date, counts the call and decides whether the
// call is to fail on purpose. The calls that change flash or EEPROM end with keep().
struct Call {
  bool injected = false;
  // When the call came: a run that it ends ends here, however long catching up takes.
  Clock::time_point at;
  // The part's security when the call began, for a change that is undone.
  bool secured_before = false;
  bool unsecured_blank_before = false;

  explicit Call(int function) {
    sim_library_load();
    sim_sleep_us(g_lib.settings.latency_us);
    at = Clock::now();
    advance_running(at, false);
    secured_before = g_lib.target.secured;
    unsecured_blank_before = g_lib.target.unsecured_blank;
    uint32_t n = ++g_lib.calls[function];
    for (const SimFault& f : g_lib.settings.faults)
      if (f.function == function && (f.call == 0 || f.call == n)) injected = true;
    if (injected)
      report(sim_format("Simulated failure of %s (call %u)", sim_function_name(function), n));
  }
  // The prologue of every call that needs a connected part: an injected failure or no
  // connection refuses it.
  bool refused() const { return injected || !g_lib.connected; }
  // A flash or EEPROM change is in the state file before the call returns. One that cannot be
  // written there is undone, and the call fails with the state file's line: the part keeps what
  // the file keeps, as silicon keeps only a program that takes.
  int keep(int result) const {
    SimTarget& t = g_lib.target;
    if (!t.nv_dirty) return result;
    const std::string problem = save_part(false);
    if (problem.empty()) return result;
    t.flash = g_lib.flash_kept;
    t.eeprom = g_lib.eeprom_kept;
    t.nv_dirty = false;
    t.secured = secured_before;
    t.unsecured_blank = unsecured_blank_before;
    report(problem + "; the change to flash and EEPROM is undone");
    return -1;
  }
  Call(const Call&) = delete;
  Call& operator=(const Call&) = delete;
};

void set_fail(uint32_t* fail, uint32_t address) {
  if (fail) *fail = address;
}

SimTarget& target() { return g_lib.target; }

// A secured part answers only in its register block (and BDMSTS): the BDM cannot reach the
// rest. Refuses with one line saying why when the part is secured.
bool refused_while_secured(const std::string& what) {
  const SimTarget& t = target();
  if (!t.secured) return false;
  report(sim_format("%s is secured (FSEC 0x%02X): %s; erasing flash and EEPROM unsecures it",
                    t.part->name, t.regs[kSimRegFSEC], what.c_str()));
  return true;
}

constexpr uint32_t kRegisterBlockEnd = 0x400;

bool refused_read(uint32_t address) {
  return address >= kRegisterBlockEnd &&
         refused_while_secured(sim_format("0x%X cannot be read", address));
}

bool refused_write(uint32_t address) {
  return address >= kRegisterBlockEnd &&
         refused_while_secured(sim_format("0x%X cannot be written", address));
}

// The file beside the state file that tells which program has the part.
std::string owner_file_path() {
  return sim_resolve_links(g_lib.settings.state_path) + "." + g_lib.settings.part->name + ".owner";
}

// The part as the state file or a connect hands it over: security and protection loaded as the
// adapter's connect (a reset into special single-chip mode) loads them, a part left running
// running on for the time since its save.
void install_part(SimTarget&& t, int64_t saved_at_ms) {
  t.nv_dirty = false;
  sim_target_load_security(t);
  g_lib.target = std::move(t);
  sim_board_restore(g_lib.target);
  sim_board_set_input(g_lib.target, &g_lib.serial.in);
  if (g_lib.target.cpu.running) run_on_since(saved_at_ms);
  g_lib.powered_kept = sim_state_powered(g_lib.target);
  g_lib.flash_kept = g_lib.target.flash;
  g_lib.eeprom_kept = g_lib.target.eeprom;
}

// The part is one program's at a time, as an adapter is: from its first connect until
// bdx_Disconnect or the library's unload, its owner file beside the state file is locked by
// this process, and the part is read from the state file as its last owner left it. Another
// program's part is refused at once, with a line naming that program's process; a program that
// ends (or dies) lets it go. Different parts in one state file belong to different programs.
// Without keeping, and for a path that is never written, there is nothing to share.
bool take_part() {
  if (!g_lib.settings.keep_state || g_lib.taken) return true;
  const SimPart& part = *g_lib.settings.part;
  const std::string& path = g_lib.settings.state_path;
  SimTarget t;
  sim_target_power_up(t, part);
  bool leave_alone = false;
  int64_t saved_at_ms = 0;
  std::string problem = sim_state_load(t, path, &leave_alone, &saved_at_ms);
  if (leave_alone) {
    // Something that is never written gets no owner file beside it either: read once, the
    // part is this program's own from now on.
    g_lib.settings.keep_state = false;
  } else {
    sim_make_parent_folders(owner_file_path());
    unsigned long holder = 0;
    std::string why;
    g_lib.owner = sim_take_owner_file(owner_file_path(), &holder, &why);
    if (!g_lib.owner && why.empty()) {
      report(sim_format("%s is in use by another program (process %lu)", part.name, holder));
      return false;
    }
    if (!g_lib.owner)
      report(sim_format("Cannot make '%s' (%s): another program may use %s at the same time",
                        owner_file_path().c_str(), why.c_str(), part.name));
    // Read again now that it is ours: its last owner may have saved it meanwhile.
    t = SimTarget();
    sim_target_power_up(t, part);
    saved_at_ms = 0;
    problem = sim_state_load(t, path, nullptr, &saved_at_ms);
    g_lib.taken = true;
  }
  report(problem);
  install_part(std::move(t), saved_at_ms);
  return true;
}

// Saves what the state file does not have yet (the RAM, registers and run state; flash and
// EEPROM are saved by the calls that change them) and lets other programs have the part.
void release_part() {
  if (g_lib.target.cpu.running) finish_sending();  // sent in this program's time
  if (!g_lib.taken) return;
  const std::string problem = save_part(true);
  if (!problem.empty())
    report(problem + sim_format("; the RAM, registers and run state of %s are not kept",
                                g_lib.target.part->name));
  sim_release_owner_file(g_lib.owner);
  g_lib.owner = nullptr;
  g_lib.taken = false;
}

// "COM<n> <MHz>": the R41's serial port and the target clock in whole MHz (0: detect).
bool parse_r41_parameters(const char* text, int* port, int* mhz) {
  const char* p = text;
  while (*p == ' ' || *p == '\t') ++p;
  if (std::strncmp(p, "COM", 3) != 0 && std::strncmp(p, "com", 3) != 0) return false;
  p += 3;
  long values[2];
  for (int i = 0; i < 2; ++i) {
    if (i == 1) {
      if (*p != ' ' && *p != '\t') return false;
      while (*p == ' ' || *p == '\t') ++p;
    }
    if (*p < '0' || *p > '9') return false;
    long v = 0;
    while (*p >= '0' && *p <= '9') {
      v = v * 10 + (*p++ - '0');
      if (v > 100000) return false;
    }
    values[i] = v;
  }
  while (*p == ' ' || *p == '\t') ++p;
  if (*p != 0 || values[0] < 1) return false;
  *port = static_cast<int>(values[0]);
  *mhz = static_cast<int>(values[1]);
  return true;
}

bool blank(const char* text) {
  for (; *text; ++text)
    if (*text != ' ' && *text != '\t') return false;
  return true;
}

float target_mhz() { return static_cast<float>(g_lib.settings.clock_khz) / 1000.0f; }

uint32_t first_data_address(const char* file) {
  SimSrecFile f = sim_srec_read_file(file);
  return f.records.empty() ? 0 : f.records.front().address;
}

// Reads the whole file first, so that a damaged file changes nothing on the target; a bad
// record is answered with its address as the failing address.
bool read_records(const char* file, SimSrecFile* out, uint32_t* fail) {
  if (!file) {
    report("No file given");
    return false;
  }
  *out = sim_srec_read_file(file);
  if (out->error == "cannot open") {
    report(sim_format("Cannot open file '%s'", file));
    return false;
  }
  if (!out->error.empty()) {
    report(sim_format("Bad S-record in line %ld of '%s': %s", out->error_line, file,
                      out->error.c_str()));
    set_fail(fail, out->error_address);
    return false;
  }
  // Some tools write no end record; the file is used, with a word, as the tool loads it.
  if (out->no_end_record)
    report(sim_format("No end record in '%s': the file may be cut short", file));
  return true;
}

// Before each record of a file: the user may have asked to stop, or disconnected from within the
// progress callback (the tool pumps its messages there).
bool file_step_allowed(bdx_progress_callback progress, const char* what, uint32_t address,
                       uint32_t* fail) {
  // Each record is a round trip to the adapter: the link's delay, then the tool's callback, so
  // its progress display moves and an Abort is seen within a record.
  sim_sleep_us(g_lib.settings.latency_us);
  if (progress && progress() != 0) {
    report(sim_format("%s aborted at 0x%X", what, address));
    set_fail(fail, address);
    return false;
  }
  if (!g_lib.connected) {
    report("Connection closed");
    set_fail(fail, address);
    return false;
  }
  return true;
}

int program_file(uint8_t flash_timing, uint8_t eeprom_timing, const char* file, uint32_t* fail,
                 bdx_progress_callback progress) {
  SimSrecFile f;
  if (!read_records(file, &f, fail)) return -1;
  // The file's flash bytes by flash location, so that records sharing a word (or one page
  // given at both its addresses) are programmed as whole words, once. A protected address
  // anywhere in the file refuses it whole, before anything is programmed.
  std::map<uint32_t, uint8_t> image;
  for (const SimRecord& r : f.records)
    for (size_t i = 0; i < r.data.size(); ++i) {
      const uint32_t a = r.address + static_cast<uint32_t>(i);
      SimLocation loc = sim_resolve(target(), a);
      const std::string protection =
          loc.area == SimArea::Flash    ? sim_flash_protection(target(), loc.index, a)
          : loc.area == SimArea::Eeprom ? sim_eeprom_protection(target(), a)
                                        : std::string();
      if (!protection.empty()) {
        report(protection);
        set_fail(fail, a);
        return -1;
      }
      if (loc.area == SimArea::Flash) image[loc.index] = r.data[i];
    }
  auto image_byte = [&](uint32_t index) {
    auto it = image.find(index);
    return it == image.end() ? uint8_t{0xFF} : it->second;
  };
  std::set<uint32_t> words_done;
  uint32_t total = 0;
  for (const SimRecord& r : f.records) {
    if (!file_step_allowed(progress, "Programming", r.address, fail)) return -1;
    for (size_t i = 0; i < r.data.size(); ++i) {
      uint32_t a = r.address + static_cast<uint32_t>(i);
      SimLocation loc = sim_resolve(target(), a);
      std::string line;
      int result = 0;
      switch (loc.area) {
        case SimArea::Flash: {
          uint32_t word = loc.index & ~1u;
          if (words_done.count(word)) break;
          if (flash_timing == 0) {
            line = "Flash programming refused: timing value 0";
            result = -1;
          } else if (sim_flash_program_word(target(), word, image_byte(word),
                                            image_byte(word + 1)) != 0) {
            line = sim_format("Flash not erased at 0x%X", a);
            result = -1;
          }
          words_done.insert(word);
          break;
        }
        case SimArea::Eeprom:
          result = sim_eeprom_program_byte(target(), eeprom_timing, a, r.data[i], &line);
          break;
        case SimArea::Ram: result = sim_write(target(), a, r.data[i]); break;
        default:
          line = sim_format("No flash, EEPROM or RAM at 0x%X", a);
          result = -1;
          break;
      }
      if (result != 0) {
        report(line);
        set_fail(fail, a);
        return -1;
      }
      ++total;
    }
  }
  report(sim_format("Programmed %u bytes from '%s'", total, file));
  return 0;
}

int verify_file(const char* file, uint32_t* fail, bdx_progress_callback progress) {
  SimSrecFile f;
  if (!read_records(file, &f, fail)) return -1;
  uint32_t total = 0;
  for (const SimRecord& r : f.records) {
    if (!file_step_allowed(progress, "Verify", r.address, fail)) return -1;
    for (size_t i = 0; i < r.data.size(); ++i) {
      uint32_t a = r.address + static_cast<uint32_t>(i);
      uint8_t v = 0;
      if (sim_read(target(), a, &v) != 0) {
        report(sim_format("No memory at 0x%X", a));
        set_fail(fail, a);
        return -1;
      }
      if (v != r.data[i]) {
        report(sim_format("Verify failed at 0x%X: read 0x%02X, expected 0x%02X", a, v, r.data[i]));
        set_fail(fail, a);
        return -1;
      }
      ++total;
    }
  }
  report(sim_format("Verified %u bytes", total));
  return 0;
}

}  // namespace

void sim_library_load() {
  if (g_lib.loaded) return;
  g_lib = Library();
  g_locked_out = false;
  g_lib.loaded = true;
  g_lib.settings = sim_read_settings(environment, sim_default_state_path());
  g_lib.problems = g_lib.settings.problems;
  sim_serial_open(g_lib.serial, g_lib.settings, &g_lib.problems);
  // With keeping on, this erased part is a stand-in until the first connect takes the part from
  // the state file (take_part).
  sim_target_power_up(g_lib.target, *g_lib.settings.part);
  sim_board_set_input(g_lib.target, &g_lib.serial.in);
  g_lib.powered_kept = sim_state_powered(g_lib.target);
#if !defined(BDXSIM_BUILD_DLL)
  static bool at_exit_registered = false;
  if (!at_exit_registered) {
    at_exit_registered = true;
    std::atexit(unload_at_exit);
  }
#endif
}

void sim_library_unload() {
  if (!g_lib.loaded) return;
  release_part();
  pass_on_serial();
  sim_serial_close(g_lib.serial);
  g_lib = Library();
}

SimTarget& sim_library_target() {
  sim_library_load();
  return g_lib.target;
}

void bdxsim_reset_for_tests() {
  sim_library_unload();
  sim_library_load();
}

void bdxsim_use_environment(const char* (*get)(const char* name)) { g_environment = get; }

void bdxsim_save_state() {
  if (g_lib.loaded) report(save_part(false));
}

extern "C" {

BDXSIM_EXPORT int BDX_CALL bdx_Init(bdx_line_callback report_line) {
  // The callback is taken first, so that the settings' problems and an injected failure of
  // this very call can be seen.
  sim_library_load();
  g_lib.report = report_line;
  for (const std::string& line : g_lib.problems) report(line);
  Call c(k_bdx_Init);
  return c.injected ? -1 : 0;
}

BDXSIM_EXPORT int BDX_CALL bdx_Connect(const char* model, const char* parameters) {
  Call c(k_bdx_Connect);
  if (c.injected || !model) return -1;
  g_lib.connected = false;
  if (!parameters) parameters = "";
  float speed = 0.0f;
  std::string connected_line;
  if (std::strcmp(model, "R41") == 0) {
    int port = 0, mhz = 0;
    if (!parse_r41_parameters(parameters, &port, &mhz)) {
      report(sim_format("R41: bad connection parameters '%s' (expected COM<n> <MHz>)", parameters));
      return -1;
    }
    if (port != g_lib.settings.port) {
      report(sim_format("R41: no answer on COM%d", port));
      return -1;
    }
    speed = mhz > 0 ? static_cast<float>(mhz) : target_mhz();
    connected_line = sim_format("Connected to R41 on COM%d", port);
  } else if (std::strcmp(model, "R42") == 0) {
    if (!blank(parameters)) {
      report(sim_format("R42: unexpected connection parameters '%s'", parameters));
      return -1;
    }
    speed = 0.0f;  // not known until a sync or a speed is set
    connected_line = "Connected to R42 on USB";
  } else {
    report(sim_format("Adapter model '%s' is not supported", model));
    return -1;
  }
  if (!take_part()) return -1;
  g_lib.speed_mhz = speed;
  g_lib.connected = true;
  report(connected_line);
  return 0;
}

// Lets other programs have the part (after saving what the state file does not have yet).
BDXSIM_EXPORT int BDX_CALL bdx_Disconnect(void) {
  Call c(k_bdx_Disconnect);
  if (c.refused()) return -1;
  g_lib.connected = false;
  release_part();
  report("Disconnected");
  return 0;
}

BDXSIM_EXPORT int BDX_CALL bdx_Sync(void) {
  Call c(k_bdx_Sync);
  if (c.refused()) return -1;
  g_lib.speed_mhz = target_mhz();
  return 0;
}

BDXSIM_EXPORT int BDX_CALL bdx_TargetStart(void) {
  Call c(k_bdx_TargetStart);
  if (c.refused()) return -1;
  if (refused_while_secured("it cannot be started")) return -1;
  if (!target().cpu.running) start_running();
  return 0;
}

// One instruction, as the BDM's trace command executes it. A part that stops there (BGND, WAI,
// STOP) has still stepped; one that cannot execute the instruction has not.
BDXSIM_EXPORT int BDX_CALL bdx_TargetStep(void) {
  Call c(k_bdx_TargetStep);
  if (c.refused()) return -1;
  if (refused_while_secured("it cannot be stepped")) return -1;
  if (target().cpu.running) {
    report("Cannot step: target is running");
    return -1;
  }
  target().board.skip_breakpoint = true;
  Cpu12Run run = cpu12_execute(target(), UINT64_MAX, 1);
  finish_sending();
  switch (run.stop) {
    case Cpu12Stop::None:
    case Cpu12Stop::Breakpoint:
    case Cpu12Stop::Background: return 0;
    case Cpu12Stop::Wait:
    case Cpu12Stop::Stop: report(cpu12_stop_line(run)); return 0;
    case Cpu12Stop::NoMemory:
    case Cpu12Stop::NoVector: break;
  }
  report(cpu12_stop_line(run));
  return -1;
}

// Halting a part that has already stopped by itself succeeds: it is halted. The run ends here:
// the part first executes every bus cycle up to this moment. A secured part cannot be halted
// (the BDM cannot become active): one that runs goes on running.
BDXSIM_EXPORT int BDX_CALL bdx_TargetHalt(void) {
  Call c(k_bdx_TargetHalt);
  if (c.refused()) return -1;
  if (refused_while_secured("it cannot be halted")) return -1;
  advance_running(c.at, true);
  target().cpu.running = false;
  finish_sending();
  return 0;
}

// A running part runs up to the moment of the reset first, as the silicon did.
BDXSIM_EXPORT int BDX_CALL bdx_TargetReset(void) {
  Call c(k_bdx_TargetReset);
  if (c.refused()) return -1;
  advance_running(c.at, true);
  finish_sending();
  sim_target_reset(target());
  return 0;
}

BDXSIM_EXPORT int BDX_CALL bdx_GetBdmSpeed(float* mhz) {
  Call c(k_bdx_GetBdmSpeed);
  if (c.refused() || !mhz) return -1;
  *mhz = g_lib.speed_mhz;
  return 0;
}

BDXSIM_EXPORT int BDX_CALL bdx_SetBdmSpeed(float mhz) {
  Call c(k_bdx_SetBdmSpeed);
  if (c.refused()) return -1;
  float clock = target_mhz();
  if (!(std::fabs(mhz - clock) <= clock * 0.1f)) {
    report(sim_format("No answer from target at %.3f MHz", static_cast<double>(mhz)));
    return -1;
  }
  g_lib.speed_mhz = mhz;
  return 0;
}

BDXSIM_EXPORT int BDX_CALL bdx_RegisterGetAll(uint32_t* values) {
  Call c(k_bdx_RegisterGetAll);
  if (c.refused() || !values) return -1;
  if (refused_while_secured("registers cannot be read")) return -1;
  if (sim_get_registers(target(), values) != 0) {
    report("Cannot read registers: target is running");
    return -1;
  }
  return 0;
}

BDXSIM_EXPORT int BDX_CALL bdx_RegisterSet(int reg, uint32_t value) {
  Call c(k_bdx_RegisterSet);
  if (c.refused()) return -1;
  if (refused_while_secured("registers cannot be written")) return -1;
  if (target().cpu.running) {
    report("Cannot write registers: target is running");
    return -1;
  }
  if (sim_set_register(target(), reg, value) != 0) {
    report(sim_format("No register number %d", reg));
    return -1;
  }
  return 0;
}

// BDMSTS answers a secured part too: that is how a tool sees that it is secured.
BDXSIM_EXPORT int BDX_CALL bdx_GetByte(uint32_t address, unsigned char* value) {
  Call c(k_bdx_GetByte);
  if (c.refused() || !value) return -1;
  if (address != kSimBdmsts && refused_read(address)) return -1;
  return sim_bdm_read(target(), address, value);
}

BDXSIM_EXPORT int BDX_CALL bdx_GetMemoryByte(uint32_t address, unsigned char* value) {
  Call c(k_bdx_GetMemoryByte);
  if (c.refused() || !value) return -1;
  if (refused_read(address)) return -1;
  return sim_read(target(), address, value);
}

BDXSIM_EXPORT int BDX_CALL bdx_SetByte(uint32_t address, unsigned char value) {
  Call c(k_bdx_SetByte);
  if (c.refused()) return -1;
  if (refused_write(address)) return -1;
  return sim_bdm_write(target(), address, value);
}

BDXSIM_EXPORT int BDX_CALL bdx_SetMemoryByte(uint32_t address, unsigned char value) {
  Call c(k_bdx_SetMemoryByte);
  if (c.refused()) return -1;
  if (refused_write(address)) return -1;
  return sim_write(target(), address, value);
}

// On a secured part a block stops at the first address outside the register block.
BDXSIM_EXPORT int BDX_CALL bdx_GetBlock(uint32_t start, uint32_t count, unsigned char* data,
                                         uint32_t* fail) {
  Call c(k_bdx_GetBlock);
  set_fail(fail, start);
  if (c.refused() || (count > 0 && !data)) return -1;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t a = start + i;
    if (a >= start && refused_read(a)) {
      set_fail(fail, a);
      return -1;
    }
    if (a < start || sim_read(target(), a, &data[i]) != 0) {
      report(sim_format("No memory at 0x%X", a));
      set_fail(fail, a);
      return -1;
    }
  }
  return 0;
}

BDXSIM_EXPORT int BDX_CALL bdx_LoadBlock(uint32_t start, uint32_t count, const unsigned char* data,
                                          uint32_t* fail) {
  Call c(k_bdx_LoadBlock);
  set_fail(fail, start);
  if (c.refused() || (count > 0 && !data)) return -1;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t a = start + i;
    if (a >= start && refused_write(a)) {
      set_fail(fail, a);
      return -1;
    }
    if (a < start || sim_write(target(), a, data[i]) != 0) {
      report(sim_format("No memory at 0x%X", a));
      set_fail(fail, a);
      return -1;
    }
  }
  return 0;
}

// Works on a secured part: the way back to an unsecured one.
BDXSIM_EXPORT int BDX_CALL bdx_FlashEraseAll(unsigned char timing) {
  Call c(k_bdx_FlashEraseAll);
  if (c.refused()) return -1;
  std::string line;
  int result = sim_flash_erase_all(target(), timing, &line);
  report(line);
  return c.keep(result);
}

BDXSIM_EXPORT int BDX_CALL bdx_FlashEraseBlock(int block, unsigned char timing) {
  Call c(k_bdx_FlashEraseBlock);
  if (c.refused()) return -1;
  if (refused_while_secured("flash cannot be erased by page")) return -1;
  std::string line;
  int result = sim_flash_erase_page(target(), block, timing, &line);
  report(line);
  return c.keep(result);
}

BDXSIM_EXPORT int BDX_CALL bdx_FlashProgramBlock(unsigned char timing, uint32_t address,
                                                  const unsigned char* data, uint32_t count) {
  Call c(k_bdx_FlashProgramBlock);
  if (c.refused()) return -1;
  if (refused_while_secured(sim_format("flash at 0x%X cannot be programmed", address))) return -1;
  std::string line;
  int result = sim_flash_program(target(), timing, address, data, count, &line);
  report(line);
  return c.keep(result);
}

BDXSIM_EXPORT int BDX_CALL bdx_FlashWriteFile(unsigned char flash_timing,
                                               unsigned char eeprom_timing, const char* file,
                                               uint32_t* fail, bdx_progress_callback progress) {
  Call c(k_bdx_FlashWriteFile);
  set_fail(fail, 0);
  if (c.injected) {
    set_fail(fail, file ? first_data_address(file) : 0);
    return -1;
  }
  if (!g_lib.connected) {
    report("Not connected");
    return -1;
  }
  if (refused_while_secured("files cannot be programmed")) {
    set_fail(fail, file ? first_data_address(file) : 0);
    return -1;
  }
  return c.keep(program_file(flash_timing, eeprom_timing, file, fail, progress));
}

BDXSIM_EXPORT int BDX_CALL bdx_FlashVerifyFile(const char* file, uint32_t* fail,
                                                bdx_progress_callback progress) {
  Call c(k_bdx_FlashVerifyFile);
  set_fail(fail, 0);
  if (c.injected) {
    set_fail(fail, file ? first_data_address(file) : 0);
    return -1;
  }
  if (!g_lib.connected) {
    report("Not connected");
    return -1;
  }
  if (refused_while_secured("files cannot be verified")) {
    set_fail(fail, file ? first_data_address(file) : 0);
    return -1;
  }
  return verify_file(file, fail, progress);
}

// Works on a secured part: the way back to an unsecured one.
BDXSIM_EXPORT int BDX_CALL bdx_EpromEraseAll(unsigned char timing, uint32_t eeprom_start) {
  Call c(k_bdx_EpromEraseAll);
  if (c.refused()) return -1;
  std::string line;
  int result = sim_eeprom_erase_all(target(), timing, eeprom_start, &line);
  report(line);
  return c.keep(result);
}

BDXSIM_EXPORT int BDX_CALL bdx_EpromProgramByte(unsigned char timing, uint32_t address,
                                                 unsigned char value) {
  Call c(k_bdx_EpromProgramByte);
  if (c.refused()) return -1;
  if (refused_while_secured(sim_format("EEPROM at 0x%X cannot be programmed", address))) return -1;
  std::string line;
  int result = sim_eeprom_program_byte(target(), timing, address, value, &line);
  report(line);
  return c.keep(result);
}

BDXSIM_EXPORT int BDX_CALL bdx_EpromProgramSector(unsigned char timing, uint32_t address,
                                                   uint32_t data) {
  Call c(k_bdx_EpromProgramSector);
  if (c.refused()) return -1;
  if (refused_while_secured(sim_format("EEPROM at 0x%X cannot be programmed", address))) return -1;
  std::string line;
  int result = sim_eeprom_program_sector(target(), timing, address, data, &line);
  report(line);
  return c.keep(result);
}

}  // extern "C"

// The definitions above must match the contract's pointer types exactly.
#define BDXSIM_CHECK_TYPE(name, params, args)                                         \
  static_assert(std::is_same<decltype(&name), name##_fn>::value, #name " signature"); \
  static_assert(k_##name >= 0, "");
BDX_FUNCTION_LIST(BDXSIM_CHECK_TYPE)
#undef BDXSIM_CHECK_TYPE

void* bdxsim_lookup(void*, const char* name) {
  if (!name) return nullptr;
#define BDXSIM_LOOKUP(fn, params, args) \
  if (std::strcmp(name, #fn) == 0) return reinterpret_cast<void*>(&fn);
  BDX_FUNCTION_LIST(BDXSIM_LOOKUP)
#undef BDXSIM_LOOKUP
  return nullptr;
}
