// The tool's way to the adapter library: every call goes through one table of function
// pointers, filled by the loader (or by tests). Functions the library lacks are filled with
// stubs that fail, so callers never meet a null pointer.
#pragma once
#include <string>

#include "adapter/bdx_api.h"
#include "adapter/bdx_thunk.h"

struct BdxTable {
#define BDX_TABLE_MEMBER(name, params, args) name##_fn name;
  BDX_FUNCTION_LIST(BDX_TABLE_MEMBER)
#undef BDX_TABLE_MEMBER
};

// The process-wide table. Starts filled with the failing stubs.
extern BdxTable g_bdx;

// The functions' positions in the list: kBdxIndex_bdx_Init and so on.
#define BDX_INDEX_ENTRY(name, params, args) kBdxIndex_##name,
enum BdxFunctionIndex : int { BDX_FUNCTION_LIST(BDX_INDEX_ENTRY) };
#undef BDX_INDEX_ENTRY

// The guard every call into the library runs under. The Windows builds install one
// (adapter/bdx_library_win.cpp) that catches a fault inside the library (an access violation in
// the maker's code): the call then fails with -1 after bdx_library_faulted. Natively there is
// none and calls go straight through.
typedef int (*BdxGuardedCall)(void* context);
typedef int (*BdxCallGuard)(int function, BdxGuardedCall call, void* context);
extern BdxCallGuard g_bdx_call_guard;

// Runs call() under the guard, for the function at position `function`.
template <typename F>
inline int bdx_guarded(int function, F& call) {
  if (!g_bdx_call_guard) return call();
  return g_bdx_call_guard(
      function, [](void* context) { return (*static_cast<F*>(context))(); }, &call);
}

// What follows a caught fault: the line "The adapter library faulted in bdx_Init (exception
// 0xC0000005)" goes to the fault handler, by default into the message pane (the program then
// treats the call as failed); corvane installs one that prints it and ends with exit status 1.
typedef void (*BdxFaultHandler)(const char* line);
void bdx_set_fault_handler(BdxFaultHandler handler);  // null restores the default
void bdx_library_faulted(int function, unsigned long exception_code);

// Call wrappers, named as the library's functions, so code reads bdx_Connect(...). On x86 they
// call through the thunk of bdx_thunk.h, so either calling convention of the library works.
#define BDX_CALL_WRAPPER(name, params, args)                                  \
  inline int name params {                                                    \
    auto call = [&]() { return BdxCaller<name##_fn>{g_bdx.name} args; };      \
    return bdx_guarded(kBdxIndex_##name, call);                               \
  }
BDX_FUNCTION_LIST(BDX_CALL_WRAPPER)
#undef BDX_CALL_WRAPPER

// Number of functions in the contract (26).
#define BDX_COUNT_ONE(name, params, args) +1
constexpr int kBdxFunctionCount = 0 BDX_FUNCTION_LIST(BDX_COUNT_ONE);
#undef BDX_COUNT_ONE
int bdx_function_count();
// Name of function i (0-based, in contract order), or null past the end.
const char* bdx_function_name(int i);
// Number of 32-bit argument words of function i (what a __stdcall export's @N counts, times 4),
// or -1 past the end.
int bdx_function_words(int i);

// The names a library may export function i under, in the order they are tried: "bdx_Name",
// then the __stdcall decorations "_bdx_Name@N" (MSVC) and "bdx_Name@N" (MinGW), N being 4 times
// the number of argument words, then "_bdx_Name" (a C name with the underscore left on).
// Empty past the end.
constexpr int kBdxNameForms = 4;
std::string bdx_export_name(int i, int form);
// True for a name of the __stdcall forms (it carries "@N").
bool bdx_is_stdcall_name(const std::string& export_name);

// What binding a library by name found.
struct BdxBinding {
  BdxTable table;                          // the found functions; failing stubs for the others
  std::string names[kBdxFunctionCount];    // the export each was found under; "" when missing
  int found = 0;
  bool stdcall_names = false;              // some were found under a __stdcall name
};

// The table of failing stubs (adapter/bdx_stubs.cpp), filled by name: every call returns -1,
// with the start address (or 0 for the file calls) as failing address.
BdxTable bdx_stub_table();
// Fill every entry with its failing stub.
void bdx_table_reset();

// Looks every function up through lookup(ctx, name) under each of its export names in turn;
// null answers keep the failing stub. Changes nothing else.
typedef void* (*bdx_lookup_fn)(void* ctx, const char* name);
BdxBinding bdx_bind(bdx_lookup_fn lookup, void* ctx);

// bdx_bind, then installs the table and reports in the message pane: "bdxdll.dll: exports use
// __stdcall names" when the library decorates its names, and one line naming the missing
// functions when any are missing (library_name is only used there). Returns the number of
// functions found; *binding (may be null) receives the whole result.
int bdx_table_bind(bdx_lookup_fn lookup, void* ctx, const char* library_name,
                   BdxBinding* binding = nullptr);

// Install a complete table (tests, or a library linked in directly).
void bdx_table_set(const BdxTable& table);

// Report of a library that could not be loaded at all; resets the table to the stubs.
void bdx_library_missing(const char* path);

// Calls bdx_Init(report) as the program does and tells how many bytes of arguments the library
// removed from the stack itself (*popped): 0 means __cdecl, 4 __stdcall; -1 where there is only
// one convention and nothing to measure (x64, the native build).
int bdx_init_measuring_convention(bdx_line_callback report, int* popped);
