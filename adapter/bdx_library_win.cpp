#include "adapter/bdx_library_win.h"

#include <windows.h>

#include "adapter/bdx.h"

namespace {
HMODULE g_library = nullptr;

void* lookup_export(void* module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

// --- the guard around every call into the library ---

// The faults a call is taken back from: the hardware's (bad memory access, bad instruction,
// integer division by zero, stack overflow), never the software exceptions a library may raise
// and handle itself.
bool is_fault(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_STACK_OVERFLOW:
      return true;
    default:
      return false;
  }
}

#if defined(_MSC_VER)
// MSVC: structured exception handling around the call.
int guarded_call(int function, BdxGuardedCall call, void* context) {
  DWORD code = 0;
  __try {
    return call(context);
  } __except (is_fault(code = GetExceptionCode()) ? EXCEPTION_EXECUTE_HANDLER
                                                   : EXCEPTION_CONTINUE_SEARCH) {
    bdx_library_faulted(function, code);
    return -1;
  }
}
void install_guard() { g_bdx_call_guard = guarded_call; }
#else
// MinGW has no __try: a vectored exception handler takes a fault that happens while a guarded
// call runs back to the call's own frame (__builtin_longjmp restores its stack and frame
// pointers; the compiler keeps nothing in registers across the __builtin_setjmp). Calls may
// nest (the library calls back into the tool, which calls the library): each frame remembers
// the one outside it.
struct GuardFrame {
  void* jump[5];  // __builtin_setjmp's buffer
  DWORD code;
  GuardFrame* outer;
};
GuardFrame* volatile g_active = nullptr;
PVOID g_handler = nullptr;

LONG CALLBACK take_back_fault(EXCEPTION_POINTERS* info) {
  GuardFrame* frame = g_active;
  const DWORD code = info->ExceptionRecord->ExceptionCode;
  if (!frame || !is_fault(code)) return EXCEPTION_CONTINUE_SEARCH;
  frame->code = code;
  g_active = frame->outer;
  __builtin_longjmp(frame->jump, 1);
}

int guarded_call(int function, BdxGuardedCall call, void* context) {
  GuardFrame frame;
  frame.code = 0;
  frame.outer = g_active;
  if (__builtin_setjmp(frame.jump)) {
    const volatile GuardFrame& taken = frame;
    bdx_library_faulted(function, taken.code);
    return -1;
  }
  g_active = &frame;
  const int result = call(context);
  g_active = frame.outer;
  return result;
}

void install_guard() {
  if (!g_handler) g_handler = AddVectoredExceptionHandler(1, take_back_fault);
  g_bdx_call_guard = guarded_call;
}
#endif
}  // namespace

int bdx_load_library_file(const char* path, BdxBinding* binding) {
  install_guard();
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
