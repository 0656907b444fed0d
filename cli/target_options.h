// The options every target command of the front end takes (adapter, port, clock, derivative,
// regions) and the opening of the connection they describe. Each command holds its own
// TargetOptions: its region selection and memory map are its own, never the process-wide ones.
#pragma once
#include <string>
#include <vector>

#include "adapter/connection.h"
#include "buffer/address_form.h"
#include "buffer/symbols.h"
#include "programming/region_selection.h"
#include "programming/security.h"
#include "target/catalogue.h"

struct TargetOptions {
  int adapter = ADAPTER_R41;
  int port = 0;              // 0-based: COM1
  int clock = 8000;          // kHz; -1 detects
  const char* target = nullptr;
  const char* file = nullptr;
  bool verify = false;       // program: verify afterwards
  bool all = false;          // erase: mass erase
  const char* output = nullptr;  // dump: -o FILE
  bool no_program = false;   // write-file
  bool no_verify = false;
  AddressForm addresses = AddressForm::Banked;  // --addresses: the file's form
  bool windows_as_pages = false;  // dump --addresses linear: the windows as pages 0x3E, 0x3F
  bool bdm = false;          // peek: read with the BDM mapped in
  int run_ms = 1000;         // test: how long the program runs
  std::vector<std::string> expect;      // test: REG=HEX
  std::vector<std::string> expect_mem;  // test: ADDRESS=HEX...
  SecurityMode security = SecurityMode::Unsecure;  // --security: the image's security byte
  const char* backdoor = nullptr;  // secure --backdoor KEY
  const char* symbols_file = nullptr;  // --symbols FILE: an ELF file whose symbols name addresses
  SymbolTable symbols;       // what addresses may name, once load_target_symbols has run
  std::vector<const char*> positional;  // the command's own arguments (ranges, bytes, ...)
  bool skip_erased = false;  // dump: leave out long runs of 0xFF
  bool until_halt = false;   // run: wait until the part halts,
  int timeout_ms = 1000;     // at most this long
  const char* until = nullptr;   // run, test: --until ADDRESS|SYMBOL, where PC is to stop
  const char* junit = nullptr;   // test: --junit FILE, the JUnit report
  const char* test_name = nullptr;  // test: --name NAME, the report's test case (default FILE's name)
  bool erase_pages = false;  // program, test: --erase pages|none (test: pages by default)
  std::vector<int> named_pages;  // --regions: the pages named by number, checked against the part
  RegionSelection regions = all_regions();  // --regions: what the command touches
  TargetMemoryMap map = {};  // the map of the derivative, once it is known
};

// The command's own options beyond the target options.
enum : unsigned {
  kAllowVerify = 1,       // --verify
  kAllowAll = 2,          // --all
  kAllowOutput = 4,       // -o FILE
  kAllowFileFlags = 8,    // --no-program, --no-verify
  kAllowPositional = 16,  // any number of arguments of the command's own, in o->positional
  kAllowBdm = 32,         // --bdm
  kAllowTestOptions = 64, // --run-ms N, --expect REG=HEX, --expect-mem ADDRESS=HEX...
  kAllowAddresses = 128,  // --addresses banked|linear
  kAllowWindows = 256,    // --windows-as-pages
  kAllowErase = 512,      // --erase pages|none
  kAllowUntilHalt = 1024, // --until-halt, --timeout-ms N
  kAllowSkipErased = 2048, // --skip-erased
  kAllowSecurity = 4096,  // --security unsecure|image
  kAllowBackdoor = 8192,  // --backdoor KEY
  kAllowSymbols = 16384,  // --symbols FILE
  kAllowUntil = 32768,    // --until ADDRESS|SYMBOL
  kAllowReport = 65536,   // --junit FILE, --name NAME
};

// A decimal number typed on the command line: digits only (no sign, no blanks), at most max.
bool read_decimal(const char* text, long max, long* value);

// "corvane: <text> '<argument>'" on standard error, for a wrong command line; false.
bool usage_error(const char* text, const char* argument);

// Options common to the target commands, then the command's own and at most one file
// (want_file: a file is required). False after a line on standard error for a wrong command line.
bool parse_target_options(int argc, char** argv, bool want_file, unsigned allow,
                          TargetOptions* o);

// The symbols the command's addresses may name (resolve_address with o->symbols): those of
// --symbols FILE, else those of the command's own file when it is an ELF file, else none.
// False after a line on standard error when the file they come from cannot be read as an ELF
// file; a command checks this before it connects, as it checks the rest of its command line.
bool load_target_symbols(TargetOptions* o);

// The connection as "&Connect" makes it (the shared first half: adapter, then the derivative).
// The derivative named with --target is taken as it is; otherwise it must be identified. With
// reset, the target is then reset as Connect does (its failure is named and ignored); without,
// the command attaches to the part as it is, running or halted. kExitOk, or the exit status.
int open_target(TargetOptions& o, bool reset = true);

// The command's S-record file (program, test, verify), read before anything is connected:
// loaded whole into the buffer in banked form. False after its line: "Cannot open '<file>'",
// the load's lines, or "No data in '<file>'".
bool read_command_file(const TargetOptions& o);
// Programs the file read_command_file loaded, after erasing the flash pages it touches when
// --erase pages asks for it. kExitOk, or kExitFailed when a step failed, when no byte of the
// file was programmed, or when bytes lie where the part has no memory (bytes on the part
// outside the selected regions only warn).
int program_command_file(const TargetOptions& o);
