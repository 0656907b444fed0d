// The command-line front end: one function per command, listed in main.cpp's table.
#pragma once
#include <string>

#include "adapter/bdx.h"

enum {
  kExitOk = 0,       // the operations the command ran succeeded
  kExitFailed = 1,   // one of them failed
  kExitUsage = 2,    // the command line was wrong
};

// Each command gets the arguments after its name and returns its exit status, taken from the
// results of the operations it ran (never from the lines they printed).
typedef int (*CliCommandFunction)(int argc, char** argv);

struct CliCommand {
  const char* name;
  const char* usage;  // one or more lines, each starting with the command's synopsis
  CliCommandFunction run;
};

int cli_convert(int argc, char** argv);
int cli_info(int argc, char** argv);
int cli_program(int argc, char** argv);
int cli_erase(int argc, char** argv);
int cli_verify(int argc, char** argv);
int cli_dump(int argc, char** argv);
int cli_write_file(int argc, char** argv);
int cli_reset(int argc, char** argv);
int cli_run(int argc, char** argv);
int cli_halt(int argc, char** argv);
int cli_step(int argc, char** argv);
int cli_regs(int argc, char** argv);
int cli_peek(int argc, char** argv);
int cli_poke(int argc, char** argv);
int cli_test(int argc, char** argv);
int cli_check_library(int argc, char** argv);
int cli_status(int argc, char** argv);
int cli_unsecure(int argc, char** argv);
int cli_secure(int argc, char** argv);

// True when standard error is a terminal (progress is drawn as a bar there).
bool cli_stderr_is_terminal();

// Points the adapter table at the adapter library: the simulated one linked in natively,
// bdxdll.dll beside corvane.exe on Windows. True when all of its functions were found (the
// missing ones are named in a line).
bool cli_load_adapter_library();

// The library check-library looks at.
struct CliLibraryToCheck {
  std::string file;         // the library file; empty for the simulated library linked in
  std::string description;  // what is checked, e.g. "adapter library 'C:\Tools\bdxdll.dll'"
  // Set where there is only one calling convention, so nothing to tell apart: the text to show
  // for it. Null on x86, where the thunk measures what bdx_Init removed from the stack.
  const char* single_convention = nullptr;
  bool loaded = false;
  BdxBinding binding;
};
// Names the library to check: bdxdll.dll beside corvane.exe, or the file at path; natively the
// simulated library linked in, and a path is refused there (false, with a line on standard
// error).
bool cli_library_to_check(const char* path, CliLibraryToCheck* library);
// Loads it as the program does (the loader's report lines go to the pane) and binds it into the
// adapter table, filling loaded and binding.
void cli_bind_library_to_check(CliLibraryToCheck* library);
