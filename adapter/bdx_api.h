// Contract of the adapter library bdxdll.dll: the 26 bdx_* functions and their argument lists.
// Shared by the tool (which calls through a function table) and by the simulated library (which
// exports them). Every function returns int; -1 (or, where noted, any non-zero or negative value)
// means failure.
//
// Calling convention. The maker's library may be built __cdecl or __stdcall; the tool does not
// need to know which: on x86 every call goes through a thunk (adapter/bdx_thunk.h) that puts the
// stack pointer back after the call, whether the library popped its arguments or not. The pointer
// types below say BDX_CALL, which is __cdecl for the tool and its in-process stand-ins (stubs,
// fakes); the simulated library built as __stdcall defines BDX_LIBRARY_STDCALL so that its own
// definitions match these types. x64 has one convention. The two callbacks the tool hands over
// are __cdecl in every build.
#pragma once
#include <cstdint>

#if defined(_WIN32) && defined(BDX_LIBRARY_STDCALL)
#define BDX_CALL __stdcall
#elif defined(_WIN32)
#define BDX_CALL __cdecl
#else
#define BDX_CALL
#endif

#if defined(_WIN32)
#define BDX_CALLBACK __cdecl
#else
#define BDX_CALLBACK
#endif

extern "C" {
// Report callback: the library hands each of its own progress or error lines to it.
typedef int (BDX_CALLBACK *bdx_line_callback)(const char* text);
// Progress callback of the file programming calls: non-zero asks the library to stop.
typedef int (BDX_CALLBACK *bdx_progress_callback)(void);
}

// X(name, parameter list, argument names)
// The one source of everything that needs an entry per function: the table and its call
// wrappers, the failing stubs and the test fake (both filled by name, so a function without its
// entry does not compile), the loader's names and their decorated forms, the simulated library's
// exports and its module-definition files (cmake/bdx_exports.cmake reads this list), and the
// argument words the x86 thunk pushes. Every argument fits one 32-bit word on x86.
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
