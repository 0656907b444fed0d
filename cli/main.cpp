// corvane: the command-line front end. Runs the same commands as the program's menus and
// prints their message-pane lines to standard output.
#include <cstdio>
#include <cstring>

#include "app/message_pane.h"
#include "buffer/buffer_store.h"
#include "cli/cli.h"
#include "cli/stdout_pane.h"

namespace {

const CliCommand kCommands[] = {
    {"convert",
     "convert INPUT... -o OUTPUT [--from banked|linear] [--to banked|linear]\n"
     "        [--windows-as-pages]\n"
     "      Load the S-record or ELF files INPUT in order into one buffer and save\n"
     "      the buffer as the S-record file OUTPUT (not written when an input fails\n"
     "      to load).\n"
     "      --from and --to name the address form of paged flash (default banked):\n"
     "      banked (page P at P0000+8000-BFFF) or linear (page P at P*4000); with\n"
     "      --windows-as-pages, banked 4000-7FFF and C000-FFFF become pages 3E and 3F.\n",
     cli_convert},
    {"info",
     "info INPUT...\n"
     "      Load the S-record or ELF files INPUT and list the contiguous address\n"
     "      ranges the buffer holds, with their byte counts; says when the addresses\n"
     "      look linear.\n",
     cli_info},
    {"program",
     "program FILE [--verify] [--erase pages|none] [--addresses banked|linear]\n"
     "        [--security unsecure|image] [TARGET OPTIONS]\n"
     "      Program the selected regions of the target from the S-record or ELF\n"
     "      file FILE, as \"Program Target Regions from File\" does. FILE is read\n"
     "      before anything is connected: a file that cannot be opened, has no data or\n"
     "      does not load completely is never programmed. --erase pages first erases\n"
     "      the flash pages FILE touches (default none); --verify then reads the\n"
     "      regions back and compares. Bytes outside the selected regions are counted\n"
     "      in a warning; the command fails when nothing was programmed or bytes lie\n"
     "      where the part has no memory. The security byte 0xFF0F is programmed\n"
     "      unsecured (SEC=10) unless --security image asks for the image's byte as it\n"
     "      stands.\n",
     cli_program},
    {"erase",
     "erase [--all] [TARGET OPTIONS]\n"
     "      Erase the selected regions (\"Erase memory region(s)\"): the EEPROM, the\n"
     "      volatile RAM (filled with zeros) and each selected flash page. With --all,\n"
     "      erase the whole flash and EEPROM (\"Erase All\"), without a question.\n",
     cli_erase},
    {"verify",
     "verify FILE [--addresses banked|linear] [TARGET OPTIONS]\n"
     "      Read the selected regions back from the target and compare them with FILE;\n"
     "      reports the first differing address and the number of differing bytes.\n",
     cli_verify},
    {"dump",
     "dump RANGE... -o FILE [--skip-erased] [--addresses banked|linear\n"
     "        [--windows-as-pages]] [TARGET OPTIONS]\n"
     "      Read target memory into the buffer and save it as the S-record file FILE, as\n"
     "      \"Save buffer as File\" does, in the address form asked for. Each RANGE is\n"
     "      START-END in hex (0x allowed; several may share an argument, separated by ;\n"
     "      or blanks, e.g. \"0x0-0x7FF;0x2000-0x3FFF\"), or flash, eeprom, ram,\n"
     "      registers or all of the part's memory map. Ranges across pages are read\n"
     "      page window by page window; with --addresses linear the ranges are linear\n"
     "      too. --skip-erased leaves out runs of 16 or more 0xFF bytes.\n",
     cli_dump},
    {"write-file",
     "write-file FILE [--no-program] [--no-verify] [--addresses banked|linear]\n"
     "        [--security unsecure|image] [TARGET OPTIONS]\n"
     "      Program and verify the flash straight from FILE through the adapter library's\n"
     "      own file calls, as the Programmer dialog does; progress on standard error.\n"
     "      A linear FILE goes to the library as a temporary banked copy.\n",
     cli_write_file},
    {"reset",
     "reset [TARGET OPTIONS]\n"
     "      Reset the target (\"Reset Target\"): PC from the reset vector, halted.\n"
     "      Example: corvane reset\n",
     cli_reset},
    {"run",
     "run [--until-halt | --until ADDRESS] [--timeout-ms N] [--symbols FILE]\n"
     "    [TARGET OPTIONS]\n"
     "      Start the target at its PC (\"Run from PC\") and return at once; it goes on\n"
     "      running until a later halt. With --until-halt, wait until the part halts\n"
     "      (BGND) and show its registers, failing after N ms (default 1000) with the\n"
     "      part left running. With --until, stop when PC reaches ADDRESS (hex, or a\n"
     "      symbol of --symbols FILE, +OFFSET allowed): through the part's breakpoint\n"
     "      module where it has one, else by stepping, as the last line says; after\n"
     "      N ms the part is halted and the command fails.\n"
     "      Example: corvane run --until-halt\n",
     cli_run},
    {"halt",
     "halt [TARGET OPTIONS]\n"
     "      Halt the target (\"Halt Target\") and show its registers. Example: corvane halt\n",
     cli_halt},
    {"step",
     "step [N] [TARGET OPTIONS]\n"
     "      Execute N instructions (default 1) one at a time (\"Step Instruction at PC\"),\n"
     "      then show the registers. Example: corvane step 3\n",
     cli_step},
    {"regs",
     "regs [NAME=HEX ...] [TARGET OPTIONS]\n"
     "      Show the registers on one line (PC=C010 SP=3F00 X=5678 Y=0000 D=1235 CCR=D0);\n"
     "      with assignments, write them as \"Update target from view\" does, then read\n"
     "      them back: a register that does not hold its value fails the command. HEX\n"
     "      is hex digits no wider than the register (CCR 8 bits, 16 on an HCS12X named\n"
     "      with --target), each register once. Example: corvane regs PC=C000 D=1234\n",
     cli_regs},
    {"peek",
     "peek RANGE [--bdm] [--symbols FILE] [TARGET OPTIONS]\n"
     "      Show target memory, 16 bytes a line, each labelled with the address asked\n"
     "      for; \"xx\" for a byte that cannot be read, which fails the command. RANGE\n"
     "      is START-END or START+COUNT in hex; START and END may be symbols of\n"
     "      --symbols FILE with +OFFSET (table+10+4: four bytes from table+10). A paged\n"
     "      address selects its page, PPAGE (GPAGE on HCS12X) being put back\n"
     "      afterwards; 8000-BFFF reads the page in force. --bdm reads with the BDM\n"
     "      mapped in (\"BDM in map\"). Example: corvane peek 3C8000+40\n",
     cli_peek},
    {"poke",
     "poke ADDRESS BYTE... [--symbols FILE] [TARGET OPTIONS]\n"
     "      Write the bytes (hex) from ADDRESS (hex, or a symbol of --symbols FILE with\n"
     "      +OFFSET) on: RAM and registers as \"Update target\n"
     "      from view\" writes memory cells, EEPROM through the EEPROM calls; flash is\n"
     "      refused (use program). Every byte is read back; one that does not hold what\n"
     "      was written fails the command. Example: corvane poke 1000 12 34\n",
     cli_poke},
    {"test",
     "test FILE [--run-ms N] [--until ADDRESS] [--expect REG=HEX]...\n"
     "     [--expect-mem ADDRESS=HEX]... [--junit REPORT [--name NAME]] [--symbols FILE]\n"
     "     [--erase pages|none] [--addresses banked|linear] [--security unsecure|image]\n"
     "     [TARGET OPTIONS]\n"
     "      Erase the flash pages FILE touches (--erase none skips it), program FILE as\n"
     "      program does, reset, run until the part halts (BGND) or N ms have passed\n"
     "      (default 1000; then halt it), show the registers and the named memory, and\n"
     "      compare: one line per expectation that fails (\"D is 0000, expected 1234\").\n"
     "      The last line says how the run ended (\"halted at PC=C01E after 3 ms\").\n"
     "      With --until the run stops when PC reaches ADDRESS, as run --until does,\n"
     "      and not reaching it fails the test. Addresses may be symbols of FILE (an\n"
     "      ELF file) or of --symbols FILE, with +OFFSET. --junit writes a JUnit XML\n"
     "      report: one test case (NAME, default FILE's name) with a failure per\n"
     "      expectation that fails, an error when the run could not be made, the time\n"
     "      and the lines printed. With --quiet one line: the last, or what failed.\n"
     "      Exit 0 only when all hold. Example:\n"
     "      corvane test examples/checksum.s19 --expect D=0210\n",
     cli_test},
    {"status",
     "status [TARGET OPTIONS]\n"
     "      Show the connected part's state without resetting it: identification,\n"
     "      security (FSEC, SEC, KEYEN, UNSEC), flash and EEPROM protection, the BDM\n"
     "      status bits (halted or running) and the paging registers.\n",
     cli_status},
    {"unsecure",
     "unsecure [TARGET OPTIONS]\n"
     "      Get a secured part back: mass-erase flash and EEPROM, reset, program the\n"
     "      security byte 0xFF0F := 0xFE, reset, and check that the part is unsecured.\n",
     cli_unsecure},
    {"secure",
     "secure [--backdoor KEY] [TARGET OPTIONS]\n"
     "      Program the security byte to a secured value (SEC=00); with --backdoor, the\n"
     "      backdoor key (16 hex digits, four words, none 0000 or FFFF) at FF00-FF07\n"
     "      and KEYEN=10. Refused when the flash bits cannot be changed without an\n"
     "      erase. The part is secured from its next reset on.\n",
     cli_secure},
    {"check-library",
     "check-library [PATH]\n"
     "      Load the adapter library PATH (default: bdxdll.dll beside corvane.exe) as the\n"
     "      program does, call bdx_Init with a callback that prints the library's lines,\n"
     "      and list the 26 functions with the export name each was found under and the\n"
     "      calling convention it looks like. Run it after putting the adapter maker's\n"
     "      bdxdll.dll in place: exit status 0 only when all 26 functions are present.\n"
     "      The native corvane checks the simulated library built into it.\n",
     cli_check_library},
};

const char kTargetOptions[] =
    "target options:\n"
    "  --adapter R41|R42   adapter model (default R41)\n"
    "  --port COMn         serial port of the R41 (default COM1)\n"
    "  --clock KHZ|auto    target clock in kHz (default 8000)\n"
    "  --target NAME       the derivative, e.g. MC9S12DG256 (default: identified as\n"
    "                      \"Connect\" does; a part that is not identified is an error;\n"
    "                      a part that identifies as another is named in a warning)\n"
    "  --regions LIST      what to touch, comma-separated: flash pages in hex (3C) or\n"
    "                      page ranges (30-3F), flash (every page), eeprom, ram, all\n"
    "                      (default all); a page the part lacks is an error\n";

const char kGeneral[] =
    "Every command takes --quiet: only failures and the final result are printed.\n"
    "Each command prints its message-pane lines. Exit status: 0 when the command\n"
    "succeeded, 1 when it failed, 2 for a wrong command line.\n"
    "The native corvane drives the simulated adapter library (see BDXSIM_* in the\n"
    "README); corvane.exe loads bdxdll.dll from its own folder.\n";

void print_usage(FILE* out) {
  std::fprintf(out, "usage: corvane COMMAND [ARGUMENTS] [--quiet]\n\ncommands:\n");
  for (const CliCommand& c : kCommands) std::fprintf(out, "  %s", c.usage);
  std::fprintf(out, "  help [COMMAND]\n      Show this text, or that of one command.\n");
  std::fprintf(out, "  --version\n      Show the version and the build (release or sanitizer).\n\n");
  std::fprintf(out, "%s\n%s", kTargetOptions, kGeneral);
}

const CliCommand* find_command(const char* name) {
  for (const CliCommand& c : kCommands)
    if (std::strcmp(c.name, name) == 0) return &c;
  return nullptr;
}

// "corvane help COMMAND": the command's own text, and the target options when it takes them.
int print_command_help(const char* name) {
  const CliCommand* command = find_command(name);
  if (!command) {
    std::fprintf(stderr, "corvane: unknown command '%s'\nsee: corvane help\n", name);
    return kExitUsage;
  }
  std::printf("usage: corvane %s", command->usage);
  if (std::strstr(command->usage, "[TARGET OPTIONS]")) std::printf("\n%s", kTargetOptions);
  std::printf("\n%s", kGeneral);
  return kExitOk;
}

#ifndef CORVANE_VERSION
#define CORVANE_VERSION "unknown"
#endif
#ifndef CORVANE_BUILD
#define CORVANE_BUILD "release"
#endif

}  // namespace

int main(int argc, char** argv) {
  // --quiet belongs to every command, wherever it stands.
  bool quiet = false;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quiet") == 0) {
      quiet = true;
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  if (argc < 2) {
    std::fprintf(stderr, "usage: corvane COMMAND [ARGUMENTS]\nsee: corvane help\n");
    return kExitUsage;
  }
  const char* name = argv[1];
  if (std::strcmp(name, "help") == 0 || std::strcmp(name, "--help") == 0 ||
      std::strcmp(name, "-h") == 0) {
    if (argc > 3) {
      std::fprintf(stderr, "corvane: help takes one command\nsee: corvane help\n");
      return kExitUsage;
    }
    if (argc == 3) return print_command_help(argv[2]);
    print_usage(stdout);
    return kExitOk;
  }
  if (std::strcmp(name, "--version") == 0) {
    std::printf("corvane %s (%s build)\n", CORVANE_VERSION, CORVANE_BUILD);
    return kExitOk;
  }
  const CliCommand* command = find_command(name);
  if (!command) {
    std::fprintf(stderr, "corvane: unknown command '%s'\nsee: corvane help\n", name);
    return kExitUsage;
  }

  buffer_init();
  stdout_pane_install(quiet);
  const int status = command->run(argc - 2, argv + 2);
  stdout_pane_finish(status != kExitOk);
  buffer_attach(nullptr);  // frees the buffer without a "Clear buffer" frame

  if (status == kExitUsage) {
    // The line that says what is wrong is out; the command's text is one step away.
    std::fprintf(stderr, "see: corvane help %s\n", command->name);
    return kExitUsage;
  }
  if (status != kExitOk) return kExitFailed;
  // Lines that could not be printed (a full disk, a closed pipe) fail the run too.
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "corvane: cannot write to standard output\n");
    return kExitFailed;
  }
  return kExitOk;
}
