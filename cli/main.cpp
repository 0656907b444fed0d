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
     "program FILE [--verify] [--addresses banked|linear] [--security unsecure|image]\n"
     "        [TARGET OPTIONS]\n"
     "      Program the selected regions of the target from the S-record or ELF file\n"
     "      FILE, as \"Program Target Regions from File\" does (nothing is programmed\n"
     "      from a file that does not load completely); --verify then reads them back\n"
     "      and compares.\n"
     "      The security byte 0xFF0F is programmed unsecured (SEC=10) unless --security\n"
     "      image asks for the image's byte as it stands.\n",
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
     "dump RANGES -o FILE [--addresses banked|linear [--windows-as-pages]]\n"
     "        [TARGET OPTIONS]\n"
     "      Read the target memory ranges RANGES (as \"Dump to buffer\" takes them, e.g.\n"
     "      \"0x0-0x7FF;0x2000-0x3FFF\") into the buffer and save it as the S-record file\n"
     "      FILE, as \"Save buffer as File\" does, in the address form asked for.\n",
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
     "run [TARGET OPTIONS]\n"
     "      Start the target at its PC (\"Run from PC\") and return at once; it goes on\n"
     "      running until a later halt. Example: corvane run\n",
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
     "      them back. Example: corvane regs PC=C000 D=1234\n",
     cli_regs},
    {"peek",
     "peek RANGE [--bdm] [TARGET OPTIONS]\n"
     "      Show target memory, 16 bytes a line, \"xx\" for a byte that cannot be read.\n"
     "      RANGE is START-END or START+COUNT in hex; paged addresses select their page\n"
     "      as the memory view does; --bdm reads with the BDM mapped in (\"BDM in map\").\n"
     "      Example: corvane peek 3C8000+40\n",
     cli_peek},
    {"poke",
     "poke ADDRESS BYTE... [TARGET OPTIONS]\n"
     "      Write the bytes (hex) from ADDRESS on, as \"Update target from view\" writes\n"
     "      memory cells. Example: corvane poke 1000 12 34\n",
     cli_poke},
    {"test",
     "test FILE [--run-ms N] [--expect REG=HEX]... [--expect-mem ADDRESS=HEX]...\n"
     "     [--addresses banked|linear] [--security unsecure|image] [TARGET OPTIONS]\n"
     "      Program FILE as program does, reset, run for N ms (default 1000), halt, show\n"
     "      the registers and the named memory, and compare: one line per expectation\n"
     "      that fails (\"D is 0000, expected 1234\"); exit 0 only when all hold.\n"
     "      Example: corvane test examples/checksum.s19 --expect D=0210\n",
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
    "                      \"Connect\" does; a part that is not identified is an error)\n"
    "  --regions LIST      what to touch, comma-separated: flash pages in hex (3C) or\n"
    "                      page ranges (30-3F), flash (every page), eeprom, ram, all\n"
    "                      (default all)\n";

void print_usage(FILE* out) {
  std::fprintf(out, "usage: corvane COMMAND [ARGUMENTS]\n\ncommands:\n");
  for (const CliCommand& c : kCommands) std::fprintf(out, "  %s", c.usage);
  std::fprintf(out, "  help\n      Show this text.\n\n%s\n", kTargetOptions);
  std::fprintf(out,
               "Each command prints its message-pane lines. Exit status: 0 when the command\n"
               "succeeded, 1 when it failed, 2 for a wrong command line.\n"
               "The native corvane drives the simulated adapter library (see BDXSIM_* in the\n"
               "README); corvane.exe loads bdxdll.dll from its own folder.\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    print_usage(stderr);
    return kExitUsage;
  }
  const char* name = argv[1];
  if (std::strcmp(name, "help") == 0 || std::strcmp(name, "--help") == 0 ||
      std::strcmp(name, "-h") == 0) {
    print_usage(stdout);
    return kExitOk;
  }
  const CliCommand* command = nullptr;
  for (const CliCommand& c : kCommands) {
    if (std::strcmp(c.name, name) == 0) command = &c;
  }
  if (!command) {
    std::fprintf(stderr, "corvane: unknown command '%s'\n", name);
    print_usage(stderr);
    return kExitUsage;
  }

  buffer_init();
  stdout_pane_install();
  const int status = command->run(argc - 2, argv + 2);
  stdout_pane_finish();
  buffer_attach(nullptr);  // frees the buffer without a "Clear buffer" frame

  if (status == kExitUsage) {
    print_usage(stderr);
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
