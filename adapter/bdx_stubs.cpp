// The adapter table's failing stubs: what a call gets when the library or the function is
// missing (-1, and the start address or 0 as failing address), and the table made of them.
#include "adapter/bdx.h"

namespace {

int BDX_CALL stub_bdx_Init(bdx_line_callback) { return -1; }
int BDX_CALL stub_bdx_Connect(const char*, const char*) { return -1; }
int BDX_CALL stub_bdx_Disconnect(void) { return -1; }
int BDX_CALL stub_bdx_Sync(void) { return -1; }
int BDX_CALL stub_bdx_TargetStart(void) { return -1; }
int BDX_CALL stub_bdx_TargetStep(void) { return -1; }
int BDX_CALL stub_bdx_TargetHalt(void) { return -1; }
int BDX_CALL stub_bdx_TargetReset(void) { return -1; }
int BDX_CALL stub_bdx_GetBdmSpeed(float*) { return -1; }
int BDX_CALL stub_bdx_SetBdmSpeed(float) { return -1; }
int BDX_CALL stub_bdx_RegisterGetAll(uint32_t*) { return -1; }
int BDX_CALL stub_bdx_RegisterSet(int, uint32_t) { return -1; }
int BDX_CALL stub_bdx_GetByte(uint32_t, unsigned char*) { return -1; }
int BDX_CALL stub_bdx_GetMemoryByte(uint32_t, unsigned char*) { return -1; }
int BDX_CALL stub_bdx_SetByte(uint32_t, unsigned char) { return -1; }
int BDX_CALL stub_bdx_SetMemoryByte(uint32_t, unsigned char) { return -1; }
int BDX_CALL stub_bdx_GetBlock(uint32_t start, uint32_t, unsigned char*, uint32_t* fail) {
  if (fail) *fail = start;
  return -1;
}
int BDX_CALL stub_bdx_LoadBlock(uint32_t start, uint32_t, const unsigned char*, uint32_t* fail) {
  if (fail) *fail = start;
  return -1;
}
int BDX_CALL stub_bdx_FlashEraseAll(unsigned char) { return -1; }
int BDX_CALL stub_bdx_FlashEraseBlock(int, unsigned char) { return -1; }
int BDX_CALL stub_bdx_FlashProgramBlock(unsigned char, uint32_t, const unsigned char*, uint32_t) {
  return -1;
}
int BDX_CALL stub_bdx_FlashWriteFile(unsigned char, unsigned char, const char*, uint32_t* fail,
                                     bdx_progress_callback) {
  if (fail) *fail = 0;
  return -1;
}
int BDX_CALL stub_bdx_FlashVerifyFile(const char*, uint32_t* fail, bdx_progress_callback) {
  if (fail) *fail = 0;
  return -1;
}
int BDX_CALL stub_bdx_EpromEraseAll(unsigned char, uint32_t) { return -1; }
int BDX_CALL stub_bdx_EpromProgramByte(unsigned char, uint32_t, unsigned char) { return -1; }
int BDX_CALL stub_bdx_EpromProgramSector(unsigned char, uint32_t, uint32_t) { return -1; }

}  // namespace

// Filled by name: a function of the list without its stub does not compile.
BdxTable bdx_stub_table() {
  BdxTable t;
#define BDX_STUB_ENTRY(name, params, args) t.name = stub_##name;
  BDX_FUNCTION_LIST(BDX_STUB_ENTRY)
#undef BDX_STUB_ENTRY
  return t;
}
