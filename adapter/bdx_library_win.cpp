#include "adapter/bdx_library_win.h"

#include <windows.h>

#include "adapter/bdx.h"

namespace {
void* lookup_export(void* module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}
}  // namespace

int bdx_load_library_file(const char* path) {
  HMODULE module = LoadLibraryA(path);
  if (!module) {
    bdx_library_missing(path);
    return 0;
  }
  return bdx_table_bind(lookup_export, module, path);
}
