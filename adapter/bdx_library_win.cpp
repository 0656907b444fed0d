#include "adapter/bdx_library_win.h"

#include <windows.h>

#include "adapter/bdx.h"

namespace {
HMODULE g_library = nullptr;

void* lookup_export(void* module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}
}  // namespace

int bdx_load_library_file(const char* path, BdxBinding* binding) {
  HMODULE module = LoadLibraryA(path);
  if (!module) {
    bdx_library_missing(path);
    return -1;
  }
  const int found = bdx_table_bind(lookup_export, module, path, binding);
  if (g_library) FreeLibrary(g_library);  // loaded before: keep one reference
  g_library = module;
  return found;
}

void bdx_unload_library() {
  bdx_table_reset();
  if (g_library) FreeLibrary(g_library);
  g_library = nullptr;
}
