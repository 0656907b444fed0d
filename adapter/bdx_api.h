// Contract of the adapter library bdxdll.dll: the 26 bdx_* functions, their argument lists and
// the calling convention. Shared by the tool (which calls through a function table) and by the
// simulated library (which exports them). Every function returns int; -1 (or, where noted,
// any non-zero or negative value) means failure.
#pragma once
#include <cstdint>

#if defined(_WIN32)
#define BDX_CALL __cdecl
#else
#define BDX_CALL
#endif

extern "C" {
// Report callback: the library hands each of its own progress or error lines to it.
typedef int (BDX_CALL *bdx_line_callback)(const char* text);
// Progress callback of the file programming calls: non-zero asks the library to stop.
typedef int (BDX_CALL *bdx_progress_callback)(void);
}

// X(name, parameter list, argument names, failing-address argument or none)
// The list is the single source of the table, the failing stubs and the loader's names.
#define BDX_FUNCTION_LIST(X) \
  X(bdx_Init, (bdx_line_callback report), (report)) \
  X(bdx_Connect, (const char* model, const char* parameters), (model, parameters)) \
  X(bdx_Disconnect, (void), ()) \
  X(bdx_Sync, (void), ()) \
  X(bdx_TargetStart, (void), ()) \
  X(bdx_TargetStep, (void), ()) \
  X(bdx_TargetHalt, (void), ()) \
  X(bdx_TargetReset, (void), ()) \
  X(bdx_GetBdmSpeed, (float* mhz), (mhz)) \
  X(bdx_SetBdmSpeed, (float mhz), (mhz)) \
  X(bdx_RegisterGetAll, (uint32_t* values), (values)) \
  X(bdx_RegisterSet, (int reg, uint32_t value), (reg, value)) \
  X(bdx_GetByte, (uint32_t address, unsigned char* value), (address, value)) \
  X(bdx_GetMemoryByte, (uint32_t address, unsigned char* value), (address, value)) \
  X(bdx_SetByte, (uint32_t address, unsigned char value), (address, value)) \
  X(bdx_SetMemoryByte, (uint32_t address, unsigned char value), (address, value)) \
  X(bdx_GetBlock, (uint32_t start, uint32_t count, unsigned char* data, uint32_t* fail), (start, count, data, fail)) \
  X(bdx_LoadBlock, (uint32_t start, uint32_t count, const unsigned char* data, uint32_t* fail), (start, count, data, fail)) \
  X(bdx_FlashEraseAll, (unsigned char timing), (timing)) \
  X(bdx_FlashEraseBlock, (int block, unsigned char timing), (block, timing)) \
  X(bdx_FlashProgramBlock, (unsigned char timing, uint32_t address, const unsigned char* data, uint32_t count), (timing, address, data, count)) \
  X(bdx_FlashWriteFile, (unsigned char flash_timing, unsigned char eeprom_timing, const char* file, uint32_t* fail, bdx_progress_callback progress), (flash_timing, eeprom_timing, file, fail, progress)) \
  X(bdx_FlashVerifyFile, (const char* file, uint32_t* fail, bdx_progress_callback progress), (file, fail, progress)) \
  X(bdx_EpromEraseAll, (unsigned char timing, uint32_t eeprom_start), (timing, eeprom_start)) \
  X(bdx_EpromProgramByte, (unsigned char timing, uint32_t address, unsigned char value), (timing, address, value)) \
  X(bdx_EpromProgramSector, (unsigned char timing, uint32_t address, uint32_t data), (timing, address, data))

// Pointer types: bdx_Init_fn and so on.
#define BDX_DECLARE_FN_TYPE(name, params, args) typedef int (BDX_CALL *name##_fn) params;
extern "C" {
BDX_FUNCTION_LIST(BDX_DECLARE_FN_TYPE)
}
#undef BDX_DECLARE_FN_TYPE

// Notes on the arguments:
// - bdx_RegisterGetAll fills five 32-bit values: PC, SP, X, Y, D.
// - bdx_RegisterSet: register 1 PC, 2 SP, 3 X, 4 Y, 5 D.
// - bdx_GetByte / bdx_SetByte see the BDM's own registers mapped in (0xFF06/0xFF07 hold the saved
//   CCR); bdx_GetMemoryByte / bdx_SetMemoryByte see the ordinary memory map.
// - fail receives the first address that could not be handled.
// - bdx_EpromProgramSector: four bytes as one value, the byte at the address most significant.
