// Target commands of the front end: program, erase and verify. Each connects the adapter as
// "&Connect" does, identifies the derivative (or takes the one named), resets the target, and
// runs the very passes the program's menu commands run.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "adapter/bdx.h"
#include "adapter/connection.h"
#include "app/message_pane.h"
#include "buffer/address_form.h"
#include "buffer/dump.h"
#include "buffer/elf_reader.h"
#include "buffer/load_save.h"
#include "cli/cli.h"
#include "cli/stdout_pane.h"
#include "cli/target_options.h"
#include "programming/coverage.h"
#include "programming/erase.h"
#include "programming/program_from_file.h"
#include "programming/programmer.h"
#include "programming/region_selection.h"
#include "programming/verify.h"
#include "target/catalogue.h"
#include "target/hcs12_registers.h"

namespace {

constexpr long kLongestRunMs = 3600000;

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
bool parse_regions(const char* text, RegionSelection* selection, std::vector<int>* named) {
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
      regions = all_regions();
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
      for (int p = first; p <= last; ++p) {
        regions.include_page[p] = true;
        named->push_back(p);
      }
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

bool read_decimal(const char* text, long max, long* value) {
  long v = 0;
  if (!text || !*text || std::strlen(text) > 9) return false;
  for (const char* p = text; *p; ++p) {
    if (*p < '0' || *p > '9') return false;
    v = v * 10 + (*p - '0');
  }
  if (v > max) return false;
  *value = v;
  return true;
}

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
      o->named_pages.clear();
      if (!parse_regions(argv[++i], &o->regions, &o->named_pages)) return false;
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
      long ms = 0;
      if (!read_decimal(argv[++i], kLongestRunMs, &ms))
        return usage_error("bad run time (milliseconds, 0 to 3600000)", argv[i]);
      o->run_ms = static_cast<int>(ms);
    } else if ((allow & kAllowSkipErased) && std::strcmp(arg, "--skip-erased") == 0) {
      o->skip_erased = true;
    } else if ((allow & kAllowUntilHalt) && std::strcmp(arg, "--until-halt") == 0) {
      o->until_halt = true;
    } else if ((allow & kAllowUntilHalt) && std::strcmp(arg, "--timeout-ms") == 0 && has_value) {
      long ms = 0;
      if (!read_decimal(argv[++i], kLongestRunMs, &ms))
        return usage_error("bad time limit (milliseconds, 0 to 3600000)", argv[i]);
      o->timeout_ms = static_cast<int>(ms);
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
    } else if ((allow & kAllowErase) && std::strcmp(arg, "--erase") == 0 && has_value) {
      const char* what = argv[++i];
      if (std::strcmp(what, "pages") != 0 && std::strcmp(what, "none") != 0)
        return usage_error("unknown erase (pages or none)", what);
      o->erase_pages = std::strcmp(what, "pages") == 0;
    } else if ((allow & kAllowSymbols) && std::strcmp(arg, "--symbols") == 0 && has_value &&
               !o->symbols_file) {
      o->symbols_file = argv[++i];
    } else if ((allow & kAllowUntil) && std::strcmp(arg, "--until") == 0 && has_value &&
               !o->until) {
      o->until = argv[++i];
    } else if ((allow & kAllowReport) && std::strcmp(arg, "--junit") == 0 && has_value &&
               !o->junit) {
      o->junit = argv[++i];
    } else if ((allow & kAllowReport) && std::strcmp(arg, "--name") == 0 && has_value &&
               !o->test_name) {
      o->test_name = argv[++i];
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
  if (o->until && o->until_halt) {
    std::fprintf(stderr, "corvane: --until and --until-halt exclude each other\n");
    return false;
  }
  if (o->windows_as_pages && o->addresses != AddressForm::Linear) {
    std::fprintf(stderr, "corvane: --windows-as-pages goes with --addresses linear\n");
    return false;
  }
  return true;
}

namespace {
// The derivative named with --target is taken as it is; a part that identifies as another gets a
// warning naming both (the name given still decides the map).
void warn_if_part_differs(const Derivative* named) {
  const Derivative* row = nullptr;
  unsigned part_id = 0;
  if (!identify_connected_part(&row, &part_id) || row == named) return;
  if (row) {
    append_formatted("Warning: the part identifies as '%s' (PARTID 0x%4.4X), not as '%s' "
                     "named with --target",
                     row->name, part_id, named->name);
  } else {
    append_formatted("Warning: the part's PARTID 0x%4.4X is not that of '%s' named with --target",
                     part_id, named->name);
  }
}

// False after a line on standard error naming the first page of --regions the part lacks and
// the pages it has.
bool named_pages_on_part(const TargetOptions& o, const char* part) {
  for (int page : o.named_pages) {
    if (page >= o.map.flash_first_page && page <= o.map.flash_last_page) continue;
    std::fprintf(stderr, "corvane: %s has no flash page %2.2X (its pages are %2.2X-%2.2X)\n", part,
                 page, o.map.flash_first_page, o.map.flash_last_page);
    return false;
  }
  return true;
}
}  // namespace

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
    // The part is named: its pages are known before anything is connected.
    get_target_memory_map(&o.map);
    if (current_target()->info && current_target()->info->memory_map &&
        !named_pages_on_part(o, current_target()->name))
      return kExitUsage;
  }
  if (!cli_load_adapter_library()) return kExitFailed;
  bdx_Init(append_line);
  if (!connect_and_identify(o.adapter, o.port, o.clock, !o.target)) {
    append_line(kFailedConnectionText);
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
  if (o.target) warn_if_part_differs(target);
  get_target_memory_map(&o.map);
  // A page named on the command line that the part does not have is a wrong command line, not
  // a page quietly left out.
  if (!named_pages_on_part(o, target->name)) return kExitUsage;
  // The selection as the memory regions dialog would leave it for this map: pages the part
  // does not have are not selected.
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
  if (stdout_pane_quiet()) {  // held with the pane's lines
    append_line(text);
    return;
  }
  end_bar_line();
  std::printf("%s\n", text);
  std::fflush(stdout);
}
void console_draw() {
  if (stdout_pane_quiet()) return;
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
// A console has no messages to deliver and nothing to repaint.
constexpr auto console_deliver_one_message = quiet_sink_deliver_one_message;
constexpr auto console_deliver_messages = quiet_sink_deliver_messages;
constexpr auto console_repaint = quiet_sink_repaint;

const ProgrammerSink kConsoleSink = PROGRAMMER_SINK_OF(console);

// Loads the file into the (empty) buffer, in banked form, and compares the target with it.
bool verify_file(const TargetOptions& o) {
  return load_file_in_form(o.file, o.addresses) &&
         verify_buffer(o.map, o.regions, o.security).matched;
}

void file_line(const char* before, const char* path, const char* after) {
  append_line((std::string(before) + path + after).c_str());
}

// Erases the flash pages the loaded file touches, through the erase by region with a selection
// of those pages only (no EEPROM, no RAM). True when none is touched or the erase succeeded.
bool erase_image_pages(const TargetOptions& o) {
  const RegionSelection pages = image_flash_pages(o.map, o.regions);
  bool any = false;
  for (bool page : pages.include_page) any = any || page;
  return !any || erase_selected_regions(o.map, pages);
}

}  // namespace

bool read_command_file(const TargetOptions& o) {
  switch (load_file_to_program(o.file, o.addresses)) {
    case FileLoad::Loaded:
      return true;
    case FileLoad::CannotOpen:
      file_line("Cannot open '", o.file, "'");
      return false;
    case FileLoad::Damaged:
    case FileLoad::NoData:
      return false;
  }
  return false;
}

int program_command_file(const TargetOptions& o) {
  if (o.erase_pages && !erase_image_pages(o)) return kExitFailed;
  const char* hint = o.addresses == AddressForm::Banked ? "try --addresses linear" : nullptr;
  const FileProgramming p = program_loaded_file(o.map, o.regions, hint, o.security);
  if (!p.ok) return kExitFailed;
  if (p.coverage.programmed == 0) {
    file_line("Nothing of '", o.file, "' was programmed");
    return kExitFailed;
  }
  return p.coverage.no_memory ? kExitFailed : kExitOk;
}

int cli_program(int argc, char** argv) {
  TargetOptions o;
  if (!parse_target_options(argc, argv, true,
                            kAllowVerify | kAllowAddresses | kAllowErase | kAllowSecurity, &o))
    return kExitUsage;
  if (!read_command_file(o)) return kExitFailed;
  const int connected = open_target(o);
  if (connected != kExitOk) return connected;
  const int programmed = program_command_file(o);
  if (programmed != kExitOk) return programmed;
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
  if (!read_command_file(o)) return kExitFailed;
  const int connected = open_target(o);
  if (connected != kExitOk) return connected;
  return verify_buffer(o.map, o.regions).matched ? kExitOk : kExitFailed;
}

namespace {

// One item of dump's command line: a keyword of the memory map, or a range.
struct DumpItem {
  std::string keyword;  // "flash", "eeprom", "ram", "registers", "all"; empty for a range
  uint32_t first = 0, last = 0;
};

// A hexadecimal number of a range, "0x" allowed: digits only, at most eight.
bool range_number(const std::string& text, uint32_t* value) {
  const std::string digits =
      text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') ? text.substr(2) : text;
  if (digits.empty() || digits.size() > 8) return false;
  uint32_t v = 0;
  for (char c : digits) {
    const int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                  : std::isxdigit(static_cast<unsigned char>(c)) ? std::toupper(c) - 'A' + 10
                                                                 : -1;
    if (d < 0) return false;
    v = v * 16 + uint32_t(d);
  }
  *value = v;
  return true;
}

// The items of one argument, separated by ";" or blanks as the dialog takes them; false after
// the usage line naming the first that is neither a keyword nor START-END (END not below START).
bool parse_dump_items(const char* text, std::vector<DumpItem>* items) {
  std::string token;
  const std::string all = std::string(text) + ";";
  for (char c : all) {
    if (c != ';' && !std::isspace(static_cast<unsigned char>(c))) {
      token += c;
      continue;
    }
    if (token.empty()) continue;
    DumpItem item;
    const size_t dash = token.find('-');
    if (token == "flash" || token == "eeprom" || token == "ram" || token == "registers" ||
        token == "all") {
      item.keyword = token;
    } else if (dash == std::string::npos || !range_number(token.substr(0, dash), &item.first) ||
               !range_number(token.substr(dash + 1), &item.last) || item.last < item.first) {
      return usage_error("bad range (START-END in hex, or flash, eeprom, ram, registers, all)",
                         token.c_str());
    }
    items->push_back(item);
    token.clear();
  }
  return true;
}

// What a keyword names in the map in force, in banked form.
void keyword_ranges(const std::string& keyword, const TargetMemoryMap& map,
                    std::vector<BufferRegion>* out) {
  const bool all = keyword == "all";
  if (all || keyword == "registers") out->push_back({0x0000, 0x03FF});
  if ((all || keyword == "ram") && map.volatile_start <= map.volatile_end)
    out->push_back({map.volatile_start, map.volatile_end});
  if ((all || keyword == "eeprom") && map.eeprom_start < map.eeprom_end)
    out->push_back({map.eeprom_start, map.eeprom_end});
  if (all || keyword == "flash")
    for (int page = map.flash_first_page; page <= map.flash_last_page; ++page)
      out->push_back({paged_window_start(page), paged_window_start(page) + kFlashWindowSize - 1});
}

}  // namespace

int cli_dump(int argc, char** argv) {
  TargetOptions o;
  if (!parse_target_options(argc, argv, false,
                            kAllowPositional | kAllowOutput | kAllowAddresses | kAllowWindows |
                                kAllowSkipErased,
                            &o))
    return kExitUsage;
  std::vector<DumpItem> items;
  for (const char* argument : o.positional)
    if (!parse_dump_items(argument, &items)) return kExitUsage;
  if (items.empty()) {
    std::fprintf(stderr, "corvane: no ranges (START-END, flash, eeprom, ram, registers, all)\n");
    return kExitUsage;
  }
  if (!o.output) {
    std::fprintf(stderr, "corvane: no output file (-o FILE)\n");
    return kExitUsage;
  }
  const int connected = open_target(o);
  if (connected != kExitOk) return connected;
  // Keywords from the map in force, ranges in the form asked for; above 0xFFFF read window by
  // window.
  std::vector<BufferRegion> ranges;
  for (const DumpItem& item : items) {
    std::vector<BufferRegion> banked;
    if (!item.keyword.empty()) {
      keyword_ranges(item.keyword, o.map, &banked);
    } else if (o.addresses == AddressForm::Linear) {
      for (const auto& r : linear_range_as_banked(item.first, item.last))
        banked.push_back({r.first, r.second});
    } else {
      banked.push_back({item.first, item.last});
    }
    for (const BufferRegion& r : banked) split_banked_range(r.region_start, r.region_end, &ranges);
  }
  if (!dump_ranges(ranges, o.skip_erased).ok) return kExitFailed;
  if (!convert_buffer_addresses(AddressForm::Banked, o.addresses, o.windows_as_pages))
    return kExitFailed;
  return save_buffer_to_file(o.output) ? kExitOk : kExitFailed;
}

int cli_write_file(int argc, char** argv) {
  TargetOptions o;
  if (!parse_target_options(argc, argv, true, kAllowFileFlags | kAllowAddresses | kAllowSecurity,
                            &o))
    return kExitUsage;
  // The library reads the file itself, later; what it would find is checked before connecting.
  if (!file_can_be_read(o.file)) {
    file_line("Cannot open '", o.file, "'");
    return kExitFailed;
  }
  if (!srec_file_has_data(o.file)) {
    file_line("No data in '", o.file, "'");
    return kExitFailed;
  }
  const int connected = open_target(o);
  if (connected != kExitOk) return connected;
  // The library reads the file itself, in the banked form: a linear file goes through a banked
  // copy, removed afterwards.
  std::string banked_copy;
  if (o.addresses == AddressForm::Linear && !write_banked_copy(o.file, &banked_copy))
    return kExitFailed;
  const char* path = banked_copy.empty() ? o.file : banked_copy.c_str();
  const bool ok = programmer_run_job(path, !o.no_program, !o.no_verify, kConsoleSink, o.security);
  end_bar_line();
  if (!banked_copy.empty()) std::remove(banked_copy.c_str());
  return ok ? kExitOk : kExitFailed;
}
