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
     "convert INPUT... -o OUTPUT\n"
     "      Load the S-record files INPUT in order into one buffer and save the buffer\n"
     "      as the S-record file OUTPUT (not written when an input fails to load).\n",
     cli_convert},
    {"info",
     "info INPUT...\n"
     "      Load the S-record files INPUT and list the contiguous address ranges the\n"
     "      buffer holds, with their byte counts.\n",
     cli_info},
    {"program",
     "program FILE [--verify] [TARGET OPTIONS]\n"
     "      Program the selected regions of the target from the S-record file FILE, as\n"
     "      \"Program Target Regions from File\" does (nothing is programmed from a file\n"
     "      that does not load completely); --verify then reads them back and compares.\n",
     cli_program},
    {"erase",
     "erase [--all] [TARGET OPTIONS]\n"
     "      Erase the selected regions (\"Erase memory region(s)\"): the EEPROM, the\n"
     "      volatile RAM (filled with zeros) and each selected flash page. With --all,\n"
     "      erase the whole flash and EEPROM (\"Erase All\"), without a question.\n",
     cli_erase},
    {"verify",
     "verify FILE [TARGET OPTIONS]\n"
     "      Read the selected regions back from the target and compare them with FILE;\n"
     "      reports the first differing address and the number of differing bytes.\n",
     cli_verify},
    {"dump",
     "dump RANGES -o FILE [TARGET OPTIONS]\n"
     "      Read the target memory ranges RANGES (as \"Dump to buffer\" takes them, e.g.\n"
     "      \"0x0-0x7FF;0x2000-0x3FFF\") into the buffer and save it as the S-record file\n"
     "      FILE, as \"Save buffer as File\" does.\n",
     cli_dump},
    {"write-file",
     "write-file FILE [--no-program] [--no-verify] [TARGET OPTIONS]\n"
     "      Program and verify the flash straight from FILE through the adapter library's\n"
     "      own file calls, as the Programmer dialog does; progress on standard error.\n",
     cli_write_file},
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
               "Each command prints its message-pane lines. Exit status: 0 when every command\n"
               "ended with \"COMMAND DONE\", 1 otherwise, 2 for a wrong command line.\n"
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
  int status = command->run(argc - 2, argv + 2);
  stdout_pane_finish();
  // Free the buffer quietly: its "Clear buffer" frame is not part of the command's output.
  buffer_clear();

  if (status == kExitUsage) {
    print_usage(stderr);
    return kExitUsage;
  }
  if (status != kExitOk || stdout_pane_failed_frames() > 0) return kExitFailed;
  // Lines that could not be printed (a full disk, a closed pipe) fail the run too.
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "corvane: cannot write to standard output\n");
    return kExitFailed;
  }
  return kExitOk;
}
