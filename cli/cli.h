// The command-line front end: one function per command, listed in main.cpp's table.
#pragma once

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

// True when standard error is a terminal (progress is drawn as a bar there).
bool cli_stderr_is_terminal();

// Points the adapter table at the adapter library: the simulated one linked in natively,
// bdxdll.dll beside corvane.exe on Windows. True when all of its functions were found (the
// missing ones are named in a line).
bool cli_load_adapter_library();
