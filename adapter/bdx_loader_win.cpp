#include <windows.h>

#include <string>

#include "adapter/bdx.h"
#include "app/shell_win.h"

namespace {
std::string g_library_override;
HMODULE g_library = nullptr;

void* lookup_export(void* module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}
}  // namespace

void set_adapter_library_path(const char* path) { g_library_override = path ? path : ""; }

void load_adapter_library() {
  std::string path = g_library_override;
  if (path.empty()) {
    path = g_shell.exe_directory;
    path += path.empty() ? "bdxdll.dll" : "\\bdxdll.dll";
  }
  HMODULE module = LoadLibraryA(path.c_str());
  if (!module) {
    bdx_library_missing(path.c_str());
    return;
  }
  if (g_library) FreeLibrary(g_library);  // loaded before: keep one reference
  g_library = module;
  bdx_table_bind(lookup_export, module, path.c_str());
}

void unload_adapter_library() {
  bdx_table_reset();
  if (g_library) FreeLibrary(g_library);
  g_library = nullptr;
}
