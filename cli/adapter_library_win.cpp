// corvane.exe loads bdxdll.dll from its own folder, as the program does.
#include <windows.h>
#include <io.h>

#include <cstdio>
#include <string>

#include "adapter/bdx.h"
#include "adapter/bdx_library_win.h"
#include "app/message_pane.h"
#include "cli/cli.h"
#include "cli/stdout_pane.h"

namespace {
// A fault inside the library ends corvane: what was printed is flushed, then the line, and the
// process ends with exit status 1 at once (the faulted library's own clean-up is not run).
void end_after_fault(const char* line) {
  append_line(line);
  stdout_pane_finish(true);
  std::fflush(stdout);
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), kExitFailed);
}

std::string library_beside_program() {
  char module[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, module, sizeof module);
  std::string path(module, n < sizeof module ? n : 0);
  const size_t slash = path.find_last_of("\\/");
  path = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  return path + "bdxdll.dll";
}
}  // namespace

bool cli_load_adapter_library() {
  bdx_set_fault_handler(end_after_fault);
  return bdx_load_library_file(library_beside_program().c_str()) == bdx_function_count();
}

bool cli_library_to_check(const char* path, CliLibraryToCheck* library) {
  library->file = path ? std::string(path) : library_beside_program();
  library->description = "adapter library '" + library->file + "'";
#if !BDX_THUNK
  library->single_convention = "x64: one convention";
#endif
  return true;
}

void cli_bind_library_to_check(CliLibraryToCheck* library) {
  bdx_set_fault_handler(end_after_fault);
  library->loaded = bdx_load_library_file(library->file.c_str(), &library->binding) >= 0;
}

bool cli_stderr_is_terminal() { return _isatty(2) != 0; }
