#include "adapter/bdx_loader_win.h"

#include <windows.h>

#include <string>

#include "adapter/bdx_library_win.h"
#include "app/shell_win.h"

namespace {
std::string g_library_override;
}  // namespace

void set_adapter_library_path(const char* path) { g_library_override = path ? path : ""; }

void load_adapter_library() {
  std::string path = g_library_override;
  if (path.empty()) {
    path = g_shell.exe_directory;
    path += path.empty() ? "bdxdll.dll" : "\\bdxdll.dll";
  }
  bdx_load_library_file(path.c_str());
}

void unload_adapter_library() { bdx_unload_library(); }
