// corvane check-library [PATH]: what a user runs after putting the adapter maker's bdxdll.dll in
// place. Loads it as the program does, calls bdx_Init with a callback that prints the library's
// lines, and lists the 26 functions with the export name each was found under and the calling
// convention it looks like. Exit status 0 only when all 26 are present.
#include <cstdio>
#include <string>

#include "adapter/bdx.h"
#include "app/message_pane.h"
#include "cli/cli.h"

namespace {

int BDX_CALLBACK print_library_line(const char* text) {
  std::string line = "  | ";
  line += text ? text : "";
  append_line(line.c_str());
  return 0;
}

// The convention bdx_Init's stack use shows: what it removed itself (x86 only).
std::string measured_convention(int popped) {
  if (popped == 0) return "__cdecl";
  if (popped == 4) return "__stdcall";
  return "neither convention (it removed " + std::to_string(popped) + " bytes)";
}

// One line per function: name, export name found (or "missing"), convention it looks like.
void list_functions(const CliLibraryToCheck& library, const std::string& measured) {
  for (int i = 0; i < bdx_function_count(); ++i) {
    const std::string& found = library.binding.names[i];
    std::string convention;
    if (found.empty())
      convention = "";
    else if (library.single_convention)
      convention = library.single_convention;
    else if (bdx_is_stdcall_name(found))
      convention = "__stdcall";
    else if (!measured.empty())
      convention = measured;
    else
      convention = "__cdecl or __stdcall";
    char line[160];
    std::snprintf(line, sizeof line, "%-24s %-28s %s", bdx_function_name(i),
                  found.empty() ? "missing" : found.c_str(), convention.c_str());
    std::string text = line;
    text.erase(text.find_last_not_of(' ') + 1);
    append_line(text.c_str());
  }
}

}  // namespace

int cli_check_library(int argc, char** argv) {
  if (argc > 1 || (argc == 1 && argv[0][0] == '-')) return kExitUsage;
  CliLibraryToCheck library;
  if (!cli_library_to_check(argc == 1 ? argv[0] : nullptr, &library)) return kExitFailed;
  append_line(("Checking the " + library.description).c_str());
  cli_bind_library_to_check(&library);
  if (!library.loaded) return kExitFailed;

  std::string measured;
  if (library.binding.names[0].empty()) {
    append_line("bdx_Init is missing: not called");
  } else {
    append_line("Calling bdx_Init with a callback that prints the library's lines:");
    int popped = -1;
    const int result = bdx_init_measuring_convention(print_library_line, &popped);
    std::string line = "bdx_Init returned " + std::to_string(result);
    if (popped >= 0) {
      measured = measured_convention(popped);
      line += "; it removed " + std::to_string(popped) + " bytes of arguments itself: " + measured;
    }
    append_line(line.c_str());
  }

  list_functions(library, measured);
  if (library.binding.stdcall_names) append_line("Export names: __stdcall decorated (name@N)");
  std::string missing;
  for (int i = 0; i < bdx_function_count(); ++i) {
    if (!library.binding.names[i].empty()) continue;
    missing += missing.empty() ? "Missing: " : ", ";
    missing += bdx_function_name(i);
  }
  if (!missing.empty()) append_line(missing.c_str());

  const bool complete = library.binding.found == bdx_function_count();
  std::string summary = std::to_string(library.binding.found) + " of " +
                        std::to_string(bdx_function_count()) + " functions found";
  summary += complete ? ": the tool can use this library"
                      : ": the tool names the missing ones at start-up and their calls fail";
  append_line(summary.c_str());
  return complete ? kExitOk : kExitFailed;
}
