#include "adapter/bdx.h"

#include <cstdio>
#include <string>
#include <utility>

#include "app/message_pane.h"
#include "target/catalogue.h"

namespace {

const char* const kNames[] = {
#define BDX_NAME_ENTRY(name, params, args) #name,
    BDX_FUNCTION_LIST(BDX_NAME_ENTRY)
#undef BDX_NAME_ENTRY
};
static_assert(sizeof(kNames) / sizeof(kNames[0]) == kBdxFunctionCount, "one name per function");

// Argument words of a pointer type: every argument is one word on x86.
template <typename... A>
constexpr int words_of(int (BDX_CALL*)(A...)) {
  return static_cast<int>(sizeof...(A));
}
const int kWords[] = {
#define BDX_WORDS_ENTRY(name, params, args) words_of(static_cast<name##_fn>(nullptr)),
    BDX_FUNCTION_LIST(BDX_WORDS_ENTRY)
#undef BDX_WORDS_ENTRY
};

bool valid_index(int i) { return i >= 0 && i < kBdxFunctionCount; }

std::string missing_line(const BdxBinding& b, const char* library_name) {
  std::string missing;
  int missing_count = 0;
  for (int i = 0; i < kBdxFunctionCount; ++i) {
    if (!b.names[i].empty()) continue;
    missing += missing.empty() ? "" : ", ";
    missing += kNames[i];
    ++missing_count;
  }
  if (missing_count == 0) return "";
  std::string line = "Adapter library '";
  line += library_name ? library_name : "bdxdll.dll";
  line += missing_count == 1 ? "' lacks the function " : "' lacks the functions ";
  line += missing;
  line += "; these calls will fail";
  return line;
}

}  // namespace

BdxTable g_bdx = bdx_stub_table();
BdxCallGuard g_bdx_call_guard = nullptr;

namespace {
void fault_into_pane(const char* line) { append_line(line); }
BdxFaultHandler g_fault_handler = fault_into_pane;
}  // namespace

void bdx_set_fault_handler(BdxFaultHandler handler) {
  g_fault_handler = handler ? handler : fault_into_pane;
}

void bdx_library_faulted(int function, unsigned long exception_code) {
  const char* name = bdx_function_name(function);
  char line[128];
  std::snprintf(line, sizeof line, "The adapter library faulted in %s (exception 0x%08lX)",
                name ? name : "a call", exception_code);
  g_fault_handler(line);
}

int bdx_function_count() { return kBdxFunctionCount; }

const char* bdx_function_name(int i) { return valid_index(i) ? kNames[i] : nullptr; }

int bdx_function_words(int i) { return valid_index(i) ? kWords[i] : -1; }

std::string bdx_export_name(int i, int form) {
  if (!valid_index(i)) return "";
  const std::string name = kNames[i];
  const std::string at = "@" + std::to_string(4 * kWords[i]);
  switch (form) {
    case 0: return name;
    case 1: return "_" + name + at;
    case 2: return name + at;
    case 3: return "_" + name;
    default: return "";
  }
}

bool bdx_is_stdcall_name(const std::string& export_name) {
  return export_name.find('@') != std::string::npos;
}

namespace {
// Identification reads the target through the table, whatever fills it.
int read_memory_byte(uint32_t address, unsigned char* value) {
  return bdx_GetMemoryByte(address, value);
}

// Every way of filling the table goes through here, and installs the catalogue's
// identification reader with it: target/ reads the part through the table without including
// adapter/.
void install_table(const BdxTable& table) {
  g_bdx = table;
  set_identification_reader(read_memory_byte);
}
}  // namespace

void bdx_table_reset() { install_table(bdx_stub_table()); }

void bdx_table_set(const BdxTable& table) { install_table(table); }

BdxBinding bdx_bind(bdx_lookup_fn lookup, void* ctx) {
  BdxBinding b;
  b.table = bdx_stub_table();
  void* found[kBdxFunctionCount] = {};
  for (int i = 0; i < kBdxFunctionCount; ++i) {
    for (int form = 0; form < kBdxNameForms && !found[i]; ++form) {
      const std::string name = bdx_export_name(i, form);
      found[i] = lookup(ctx, name.c_str());
      if (found[i]) b.names[i] = name;
    }
    if (!found[i]) continue;
    ++b.found;
    b.stdcall_names = b.stdcall_names || bdx_is_stdcall_name(b.names[i]);
  }
  int i = 0;
#define BDX_BIND_ENTRY(name, params, args) \
  if (found[i]) b.table.name = reinterpret_cast<name##_fn>(found[i]); \
  ++i;
  BDX_FUNCTION_LIST(BDX_BIND_ENTRY)
#undef BDX_BIND_ENTRY
  return b;
}

int bdx_table_bind(bdx_lookup_fn lookup, void* ctx, const char* library_name,
                   BdxBinding* binding) {
  BdxBinding b = bdx_bind(lookup, ctx);
  install_table(b.table);
  if (b.stdcall_names) append_line("bdxdll.dll: exports use __stdcall names");
  const std::string missing = missing_line(b, library_name);
  if (!missing.empty()) append_line(missing.c_str());
  const int found = b.found;
  if (binding) *binding = std::move(b);
  return found;
}

int bdx_init_measuring_convention(bdx_line_callback report, int* popped) {
#if BDX_THUNK
  const uint32_t word = bdx_word(report);
  unsigned bytes = 0;
  auto call = [&]() {
    return bdx_thunk_call(reinterpret_cast<const void*>(g_bdx.bdx_Init), &word, 1, &bytes);
  };
  const int result = bdx_guarded(kBdxIndex_bdx_Init, call);
  if (popped) *popped = static_cast<int>(bytes);
  return result;
#else
  if (popped) *popped = -1;
  return bdx_Init(report);
#endif
}

void bdx_library_missing(const char* path) {
  bdx_table_reset();
  std::string line = "Cannot load adapter library '";
  line += path ? path : "bdxdll.dll";
  line += "'; every adapter call will fail";
  append_line(line.c_str());
}

