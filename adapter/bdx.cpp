#include "adapter/bdx.h"

#include <cstdio>
#include <string>

#include "app/message_pane.h"
#include "target/catalogue.h"

namespace {

// Failing stubs: what a call gets when the library or the function is missing.
int BDX_CALL stub_Init(bdx_line_callback) { return -1; }
int BDX_CALL stub_Connect(const char*, const char*) { return -1; }
int BDX_CALL stub_Disconnect(void) { return -1; }
int BDX_CALL stub_Sync(void) { return -1; }
int BDX_CALL stub_TargetStart(void) { return -1; }
int BDX_CALL stub_TargetStep(void) { return -1; }
int BDX_CALL stub_TargetHalt(void) { return -1; }
int BDX_CALL stub_TargetReset(void) { return -1; }
int BDX_CALL stub_GetBdmSpeed(float*) { return -1; }
int BDX_CALL stub_SetBdmSpeed(float) { return -1; }
int BDX_CALL stub_RegisterGetAll(uint32_t*) { return -1; }
int BDX_CALL stub_RegisterSet(int, uint32_t) { return -1; }
int BDX_CALL stub_GetByte(uint32_t, unsigned char*) { return -1; }
int BDX_CALL stub_GetMemoryByte(uint32_t, unsigned char*) { return -1; }
int BDX_CALL stub_SetByte(uint32_t, unsigned char) { return -1; }
int BDX_CALL stub_SetMemoryByte(uint32_t, unsigned char) { return -1; }
int BDX_CALL stub_GetBlock(uint32_t start, uint32_t, unsigned char*, uint32_t* fail) {
  if (fail) *fail = start;
  return -1;
}
int BDX_CALL stub_LoadBlock(uint32_t start, uint32_t, const unsigned char*, uint32_t* fail) {
  if (fail) *fail = start;
  return -1;
}
int BDX_CALL stub_FlashEraseAll(unsigned char) { return -1; }
int BDX_CALL stub_FlashEraseBlock(int, unsigned char) { return -1; }
int BDX_CALL stub_FlashProgramBlock(unsigned char, uint32_t, const unsigned char*, uint32_t) { return -1; }
int BDX_CALL stub_FlashWriteFile(unsigned char, unsigned char, const char*, uint32_t* fail,
                                 bdx_progress_callback) {
  if (fail) *fail = 0;
  return -1;
}
int BDX_CALL stub_FlashVerifyFile(const char*, uint32_t* fail, bdx_progress_callback) {
  if (fail) *fail = 0;
  return -1;
}
int BDX_CALL stub_EpromEraseAll(unsigned char, uint32_t) { return -1; }
int BDX_CALL stub_EpromProgramByte(unsigned char, uint32_t, unsigned char) { return -1; }
int BDX_CALL stub_EpromProgramSector(unsigned char, uint32_t, uint32_t) { return -1; }

BdxTable make_stub_table() {
  BdxTable t = {
      stub_Init, stub_Connect, stub_Disconnect, stub_Sync, stub_TargetStart, stub_TargetStep,
      stub_TargetHalt, stub_TargetReset, stub_GetBdmSpeed, stub_SetBdmSpeed,
      stub_RegisterGetAll, stub_RegisterSet, stub_GetByte, stub_GetMemoryByte, stub_SetByte,
      stub_SetMemoryByte, stub_GetBlock, stub_LoadBlock, stub_FlashEraseAll,
      stub_FlashEraseBlock, stub_FlashProgramBlock, stub_FlashWriteFile, stub_FlashVerifyFile,
      stub_EpromEraseAll, stub_EpromProgramByte, stub_EpromProgramSector};
  return t;
}

const char* const kNames[] = {
#define BDX_NAME_ENTRY(name, params, args) #name,
    BDX_FUNCTION_LIST(BDX_NAME_ENTRY)
#undef BDX_NAME_ENTRY
};
constexpr int kCount = sizeof(kNames) / sizeof(kNames[0]);

}  // namespace

BdxTable g_bdx = make_stub_table();

int bdx_function_count() { return kCount; }

const char* bdx_function_name(int i) { return (i >= 0 && i < kCount) ? kNames[i] : nullptr; }

void bdx_table_reset() { g_bdx = make_stub_table(); }

void bdx_table_set(const BdxTable& table) { g_bdx = table; }

int bdx_table_bind(bdx_lookup_fn lookup, void* ctx, const char* library_name) {
  BdxTable t = make_stub_table();
  int found = 0;
  std::string missing;
  int missing_count = 0;
#define BDX_BIND_ENTRY(name, params, args)                         \
  if (void* p = lookup(ctx, #name)) {                              \
    t.name = reinterpret_cast<name##_fn>(p);                       \
    ++found;                                                       \
  } else {                                                         \
    missing += missing.empty() ? "" : ", ";                        \
    missing += #name;                                              \
    ++missing_count;                                               \
  }
  BDX_FUNCTION_LIST(BDX_BIND_ENTRY)
#undef BDX_BIND_ENTRY
  g_bdx = t;
  if (missing_count > 0) {
    std::string line = "Adapter library '";
    line += library_name ? library_name : "bdxdll.dll";
    line += missing_count == 1 ? "' lacks the function " : "' lacks the functions ";
    line += missing;
    line += "; these calls will fail";
    append_line(line.c_str());
  }
  return found;
}

void bdx_library_missing(const char* path) {
  bdx_table_reset();
  std::string line = "Cannot load adapter library '";
  line += path ? path : "bdxdll.dll";
  line += "'; every adapter call will fail";
  append_line(line.c_str());
}

namespace {
// Identification reads the target through the table, whatever fills it.
int read_memory_byte(uint32_t address, unsigned char* value) {
  return bdx_GetMemoryByte(address, value);
}
const bool g_identification_reads_the_library =
    (set_identification_reader(read_memory_byte), true);
}  // namespace
