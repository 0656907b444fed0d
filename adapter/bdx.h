// The tool's way to the adapter library: every call goes through one table of function
// pointers, filled by the loader (or by tests). Functions the library lacks are filled with
// stubs that fail, so callers never meet a null pointer.
#pragma once
#include "adapter/bdx_api.h"

struct BdxTable {
#define BDX_TABLE_MEMBER(name, params, args) name##_fn name;
  BDX_FUNCTION_LIST(BDX_TABLE_MEMBER)
#undef BDX_TABLE_MEMBER
};

// The process-wide table. Starts filled with the failing stubs.
extern BdxTable g_bdx;

// Call wrappers, named as the library's functions, so code reads bdx_Connect(...).
#define BDX_CALL_WRAPPER(name, params, args) \
  inline int name params { return g_bdx.name args; }
BDX_FUNCTION_LIST(BDX_CALL_WRAPPER)
#undef BDX_CALL_WRAPPER

// Number of functions in the contract (26).
int bdx_function_count();
// Name of function i (0-based, in contract order), or null past the end.
const char* bdx_function_name(int i);

// Fill every entry with its failing stub: -1, and the start address as failing address.
void bdx_table_reset();

// Fill the table by name through lookup(ctx, name); null answers keep the failing stub.
// library_name is only used in the report: one line naming the missing functions is appended to
// the message pane when any are missing. Returns the number of functions found.
typedef void* (*bdx_lookup_fn)(void* ctx, const char* name);
int bdx_table_bind(bdx_lookup_fn lookup, void* ctx, const char* library_name);

// Install a complete table (tests, or a library linked in directly).
void bdx_table_set(const BdxTable& table);

// Report of a library that could not be loaded at all; resets the table to the stubs.
void bdx_library_missing(const char* path);
