// Target commands of the front end: program, erase and verify. Each connects the adapter as
// "&Connect" does, identifies the derivative (or takes the one named), resets the target, and
// runs the very passes the program's menu commands run.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "adapter/bdx.h"
#include "adapter/connection.h"
#include "app/message_pane.h"
#include "buffer/address_form.h"
#include "buffer/dump.h"
#include "buffer/elf_reader.h"
#include "buffer/load_save.h"
#include "cli/cli.h"
#include "cli/target_options.h"
#include "programming/erase.h"
#include "programming/program_from_file.h"
#include "programming/programmer.h"
#include "programming/region_selection.h"
#include "programming/verify.h"
#include "target/catalogue.h"

namespace {


bool parse_hex_page(const std::string& text, int* page) {
  if (text.empty() || text.size() > 2) return false;
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 16);
  if (*end != '\0' || value < 0 || value >= kFlashPageCount) return false;
  *page = static_cast<int>(value);
  return true;
}

// "30-3F,eeprom,ram": pages and page ranges in hex, "flash" (every page), "eeprom", "ram" (or
// "volatile") and "all". Only what is named is selected.
bool parse_regions(const char* text, RegionSelection* selection) {
  RegionSelection& regions = *selection;
  regions = RegionSelection{};
  std::string list = text;
  size_t at = 0;
  while (at <= list.size()) {
    size_t comma = list.find(',', at);
    if (comma == std::string::npos) comma = list.size();
    const std::string item = list.substr(at, comma - at);
    at = comma + 1;
    if (item == "all") {
      regions.include_volatile = regions.include_eeprom = true;
      for (bool& page : regions.include_page) page = true;
    } else if (item == "eeprom") {
      regions.include_eeprom = true;
    } else if (item == "ram" || item == "volatile") {
      regions.include_volatile = true;
    } else if (item == "flash") {
      for (bool& page : regions.include_page) page = true;
    } else {
      const size_t dash = item.find('-');
      int first = 0, last = 0;
      if (!parse_hex_page(item.substr(0, dash), &first)) return usage_error("bad region", item.c_str());
      last = first;
      if (dash != std::string::npos && !parse_hex_page(item.substr(dash + 1), &last))
        return usage_error("bad region", item.c_str());
      if (last < first) return usage_error("bad region", item.c_str());
      for (int p = first; p <= last; ++p) regions.include_page[p] = true;
    }
  }
  return true;
}

bool parse_clock(const char* text, int* khz) {
  if (std::strcmp(text, "auto") == 0) {
    *khz = -1;
    return true;
  }
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < 1 || value > 100000) return false;
  *khz = static_cast<int>(value);
  return true;
}

bool parse_port(const char* text, int* port) {
  const char* digits = (std::strncmp(text, "COM", 3) == 0 || std::strncmp(text, "com", 3) == 0)
                           ? text + 3 : text;
  char* end = nullptr;
  const long value = std::strtol(digits, &end, 10);
  if (end == digits || *end != '\0' || value < 1 || value > 128) return false;
  *port = static_cast<int>(value - 1);
  return true;
}

}  // namespace

bool usage_error(const char* text, const char* argument) {
  std::fprintf(stderr, "corvane: %s '%s'\n", text, argument);
  return false;
}

// Options common to the target commands, then the command's own (--verify, --all) and at most
// one file. want_file: 1 a file is required, 0 none is allowed.
bool parse_target_options(int argc, char** argv, bool want_file, unsigned allow,
                          TargetOptions* o) {
  const bool allow_verify = (allow & kAllowVerify) != 0;
  const bool allow_all = (allow & kAllowAll) != 0;
  for (int i = 0; i < argc; ++i) {
    const char* arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (std::strcmp(arg, "--adapter") == 0 && has_value) {
      const char* model = argv[++i];
      if (std::strcmp(model, "R41") == 0 || std::strcmp(model, "r41") == 0) {
        o->adapter = ADAPTER_R41;
      } else if (std::strcmp(model, "R42") == 0 || std::strcmp(model, "r42") == 0) {
        o->adapter = ADAPTER_R42;
      } else {
        return usage_error("unknown adapter model (R41 or R42)", model);
      }
    } else if (std::strcmp(arg, "--port") == 0 && has_value) {
      if (!parse_port(argv[++i], &o->port)) return usage_error("bad port", argv[i]);
    } else if (std::strcmp(arg, "--clock") == 0 && has_value) {
      if (!parse_clock(argv[++i], &o->clock)) return usage_error("bad clock", argv[i]);
    } else if (std::strcmp(arg, "--target") == 0 && has_value) {
      o->target = argv[++i];
    } else if (std::strcmp(arg, "--regions") == 0 && has_value) {
      if (!parse_regions(argv[++i], &o->regions)) return false;
    } else if (allow_verify && std::strcmp(arg, "--verify") == 0) {
      o->verify = true;
    } else if (allow_all && std::strcmp(arg, "--all") == 0) {
      o->all = true;
    } else if ((allow & kAllowOutput) && std::strcmp(arg, "-o") == 0 && has_value && !o->output) {
      o->output = argv[++i];
    } else if ((allow & kAllowFileFlags) && std::strcmp(arg, "--no-program") == 0) {
      o->no_program = true;
    } else if ((allow & kAllowFileFlags) && std::strcmp(arg, "--no-verify") == 0) {
      o->no_verify = true;
    } else if ((allow & kAllowBdm) && std::strcmp(arg, "--bdm") == 0) {
      o->bdm = true;
    } else if ((allow & kAllowTestOptions) && std::strcmp(arg, "--run-ms") == 0 && has_value) {
      char* end = nullptr;
      const long ms = std::strtol(argv[++i], &end, 10);
      if (*argv[i] == '\0' || *end != '\0' || ms < 0 || ms > 3600000)
        return usage_error("bad run time (milliseconds, 0 to 3600000)", argv[i]);
      o->run_ms = static_cast<int>(ms);
    } else if ((allow & kAllowTestOptions) && std::strcmp(arg, "--expect") == 0 && has_value) {
      o->expect.push_back(argv[++i]);
    } else if ((allow & kAllowTestOptions) && std::strcmp(arg, "--expect-mem") == 0 && has_value) {
      o->expect_mem.push_back(argv[++i]);
    } else if ((allow & kAllowAddresses) && std::strcmp(arg, "--addresses") == 0 && has_value) {
      if (!parse_address_form(argv[++i], &o->addresses))
        return usage_error("unknown address form (banked or linear)", argv[i]);
    } else if ((allow & kAllowSecurity) && std::strcmp(arg, "--security") == 0 && has_value) {
      if (!parse_security_mode(argv[++i], &o->security))
        return usage_error("unknown security rule (unsecure or image)", argv[i]);
    } else if ((allow & kAllowBackdoor) && std::strcmp(arg, "--backdoor") == 0 && has_value) {
      o->backdoor = argv[++i];
    } else if ((allow & kAllowSymbols) && std::strcmp(arg, "--symbols") == 0 && has_value &&
               !o->symbols_file) {
      o->symbols_file = argv[++i];
    } else if ((allow & kAllowWindows) && std::strcmp(arg, "--windows-as-pages") == 0) {
      o->windows_as_pages = true;
    } else if (arg[0] == '-' && arg[1] != '\0') {
      return usage_error("unexpected argument", arg);
    } else if (want_file && !o->file) {
      o->file = arg;
    } else if (allow & kAllowPositional) {
      o->positional.push_back(arg);
    } else {
      return usage_error("unexpected argument", arg);
    }
  }
  if (want_file && !o->file) {
    std::fprintf(stderr, "corvane: no input file\n");
    return false;
  }
  if (o->windows_as_pages && o->addresses != AddressForm::Linear) {
    std::fprintf(stderr, "corvane: --windows-as-pages goes with --addresses linear\n");
    return false;
  }
  return true;
}

bool load_target_symbols(TargetOptions* o) {
  const char* path = o->symbols_file;
  if (!path && o->file && elf_file_has_magic(o->file)) path = o->file;
  o->symbols = SymbolTable{};
  if (!path) return true;
  std::string problem;
  if (load_symbol_file(path, &o->symbols, &problem)) return true;
  std::fprintf(stderr, "corvane: no symbols from '%s': %s\n", path, problem.c_str());
  return false;
}

// The connection as "&Connect" makes it (the shared first half: adapter, then the
// derivative), then a reset. The derivative named with --target is taken as it is; otherwise it
// must be identified.
int open_target(TargetOptions& o, bool reset) {
  reset_target_map();
  if (o.target) {
    select_target_by_name(o.target);
    if (!target_known()) {
      std::fprintf(stderr, "corvane: no derivative named '%s' in the catalogue\n", o.target);
      return kExitUsage;
    }
  }
  if (!cli_load_adapter_library()) return kExitFailed;
  bdx_Init(append_line);
  if (!connect_and_identify(o.adapter, o.port, o.clock, !o.target)) {
    append_line("Failed connection");
    return kExitFailed;
  }
  if (!o.target) {
    if (!target_known()) {
      append_line("Cannot identify the target MPU: name it with --target NAME");
      return kExitFailed;
    }
  }
  const Derivative* target = current_target();
  if (!target->info || !target->info->memory_map) {
    std::string line = "No memory map for '";
    line += target->name;
    line += "', please choose another target";
    append_line(line.c_str());
    return kExitFailed;
  }
  std::string line = "Target MPU: '";
  line += target->name;
  line += "'";
  append_line(line.c_str());
  // The selection as the memory regions dialog would leave it for this map: pages the part
  // does not have are not selected.
  get_target_memory_map(&o.map);
  fill_memory_regions(o.map, &o.regions);
  // As after Connect in the tool: the reset's result is ignored (the commands that follow work
  // on a running part as well), but a failure is named.
  if (reset) reset_target();
  return kExitOk;
}

namespace {

// --- write-file: the programmer run on the console ---

// Status texts as lines on standard output; the bar on standard error, drawn in place on a
// terminal, as a percentage line every 10 % otherwise.
int g_bar_maximum = 1;
int g_bar_position = 0;
int g_bar_shown = -1;
bool g_bar_drawn = false;

void end_bar_line() {
  if (g_bar_drawn) std::fputc('\n', stderr);
  g_bar_drawn = false;
}
void console_status(const char* text) {
  end_bar_line();
  std::printf("%s\n", text);
  std::fflush(stdout);
}
void console_draw() {
  const int percent = g_bar_maximum > 0 ? g_bar_position * 100 / g_bar_maximum : 100;
  if (cli_stderr_is_terminal()) {
    if (percent == g_bar_shown) return;
    const int filled = percent / 5;
    std::fprintf(stderr, "\r[%.*s%.*s] %3d%%", filled, "####################", 20 - filled,
                 "....................", percent);
    g_bar_drawn = true;
  } else {
    if (g_bar_shown >= 0 && percent / 10 == g_bar_shown / 10) return;
    std::fprintf(stderr, "%d%%\n", percent);
  }
  g_bar_shown = percent;
  std::fflush(stderr);
}
void console_set_range(int maximum) {
  g_bar_maximum = maximum;
  g_bar_shown = -1;
}
void console_set_position(int position) {
  g_bar_position = position;
  console_draw();
}
int console_step() {
  const int previous = g_bar_position++;
  console_draw();
  return previous;
}
void console_nothing() {}

const ProgrammerSink kConsoleSink = {console_status,       console_set_range, console_set_position,
                                     console_step,         console_nothing,   console_nothing,
                                     console_nothing};

// Loads the file into the (empty) buffer, in banked form, and compares the target with it.
bool verify_file(const TargetOptions& o) {
  return load_file_in_form(o.file, o.addresses) &&
         verify_buffer(o.map, o.regions, o.security).matched;
}

}  // namespace

int cli_program(int argc, char** argv) {
  TargetOptions o;
  if (!parse_target_options(argc, argv, true, kAllowVerify | kAllowAddresses | kAllowSecurity, &o))
    return kExitUsage;
  const int connected = open_target(o);
  if (connected != kExitOk) return connected;
  if (!program_file(o.file, o.map, o.regions, o.addresses, o.security)) return kExitFailed;
  if (o.verify && !verify_file(o)) return kExitFailed;
  return kExitOk;
}

int cli_erase(int argc, char** argv) {
  TargetOptions o;
  if (!parse_target_options(argc, argv, false, kAllowAll, &o)) return kExitUsage;
  const int connected = open_target(o);
  if (connected != kExitOk) return connected;
  // --all is "&Erase All" after its question was answered: the whole part, whatever the
  // regions say.
  const bool done = o.all ? erase_everything(o.map) : erase_selected_regions(o.map, o.regions);
  return done ? kExitOk : kExitFailed;
}

int cli_verify(int argc, char** argv) {
  TargetOptions o;
  if (!parse_target_options(argc, argv, true, kAllowAddresses, &o)) return kExitUsage;
  const int connected = open_target(o);
  if (connected != kExitOk) return connected;
  return verify_file(o) ? kExitOk : kExitFailed;
}

int cli_dump(int argc, char** argv) {
  if (argc < 1 || argv[0][0] == '-') {
    std::fprintf(stderr, "corvane: no regions (START-END [; START-END])\n");
    return kExitUsage;
  }
  BufferRegionList ranges;
  if (!parse_region_list(argv[0], &ranges)) {
    std::fprintf(stderr, "corvane: Syntax errorin text string: START-END [; START-END]\n");
    return kExitUsage;
  }
  TargetOptions o;
  if (!parse_target_options(argc - 1, argv + 1, false,
                            kAllowOutput | kAllowAddresses | kAllowWindows, &o))
    return kExitUsage;
  if (!o.output) {
    std::fprintf(stderr, "corvane: no output file (-o FILE)\n");
    return kExitUsage;
  }
  const int connected = open_target(o);
  if (connected != kExitOk) return connected;
  if (!dump_region_list(ranges).ok) return kExitFailed;
  if (!convert_buffer_addresses(AddressForm::Banked, o.addresses, o.windows_as_pages))
    return kExitFailed;
  return save_buffer_to_file(o.output) ? kExitOk : kExitFailed;
}

int cli_write_file(int argc, char** argv) {
  TargetOptions o;
  if (!parse_target_options(argc, argv, true, kAllowFileFlags | kAllowAddresses | kAllowSecurity,
                            &o))
    return kExitUsage;
  const int connected = open_target(o);
  if (connected != kExitOk) return connected;
  // The library reads the file itself, in the banked form: a linear file goes through a banked
  // copy, removed afterwards.
  std::string banked_copy;
  if (o.addresses == AddressForm::Linear && !write_banked_copy(o.file, &banked_copy))
    return kExitFailed;
  const char* path = banked_copy.empty() ? o.file : banked_copy.c_str();
  const int ok = programmer_run_job(path, !o.no_program, !o.no_verify, kConsoleSink, o.security);
  end_bar_line();
  if (!banked_copy.empty()) std::remove(banked_copy.c_str());
  return ok ? kExitOk : kExitFailed;
}
