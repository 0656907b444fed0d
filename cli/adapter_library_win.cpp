// corvane.exe loads bdxdll.dll from its own folder, as the program does.
#include <windows.h>
#include <io.h>

#include <string>

#include "adapter/bdx.h"
#include "adapter/bdx_library_win.h"
#include "cli/cli.h"

bool cli_load_adapter_library() {
  char module[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, module, sizeof module);
  std::string path(module, n < sizeof module ? n : 0);
  const size_t slash = path.find_last_of("\\/");
  path = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  path += "bdxdll.dll";
  return bdx_load_library_file(path.c_str()) == bdx_function_count();
}

bool cli_stderr_is_terminal() { return _isatty(2) != 0; }
