// The x86 thunk with functions of both conventions behind the table, called through the real
// call wrappers many times from optimised code that keeps its locals relative to the stack
// pointer: a __stdcall callee that pops its arguments must leave the caller's stack as a
// __cdecl one does, and every argument word must arrive as the callee's parameter. Built with
// -m32 and run by run.sh (no GoogleTest for 32 bits here: plain checks, exit status 1 on any).
#include <cstdio>
#include <cstring>

#include "adapter/bdx.h"

#define STDCALL __attribute__((stdcall))

namespace {

int g_failures = 0;
void expect(bool ok, const char* what) {
  if (!ok) {
    std::printf("FAIL %s\n", what);
    ++g_failures;
  }
}

float g_speed = 0;
int g_lines = 0;

extern "C" STDCALL int s_connect(const char* model, const char* parameters) {
  return static_cast<int>(std::strlen(model) * 100 + std::strlen(parameters));
}
extern "C" STDCALL int s_speed(float mhz) {
  g_speed = mhz;
  return 7;
}
extern "C" STDCALL int s_sector(unsigned char timing, uint32_t address, uint32_t data) {
  return timing == 0xFF && address == 0x80000000u && data == 0xDEADBEEFu ? 42 : -5;
}
extern "C" STDCALL int s_write(unsigned char flash, unsigned char eeprom, const char* file,
                               uint32_t* fail, bdx_progress_callback progress) {
  *fail = 0x1234;
  return flash * 10 + eeprom + static_cast<int>(std::strlen(file)) + progress();
}
extern "C" STDCALL int s_init(bdx_line_callback report) { return report("stdcall") + 3; }
extern "C" STDCALL int s_sync(void) { return 11; }
extern "C" int c_register_set(int reg, uint32_t value) {
  return reg == -1 && value == 0xFFFFFFFFu ? 9 : -9;
}
extern "C" int c_init(bdx_line_callback report) { return report("cdecl") + 4; }
int progress() { return 1; }
int count_line(const char*) {
  ++g_lines;
  return 0;
}

__attribute__((noinline)) int call_many_times() {
  int bad = 0;
  for (int i = 0; i < 10000; ++i) {
    uint32_t fail = 0;
    bad += bdx_Connect("R41", "COM1 8") != 306;
    bad += bdx_SetBdmSpeed(8.0f) != 7;
    bad += bdx_EpromProgramSector(0xFF, 0x80000000u, 0xDEADBEEFu) != 42;
    bad += bdx_FlashWriteFile(1, 2, "abc", &fail, progress) != 16 || fail != 0x1234;
    bad += bdx_Sync() != 11;
    bad += bdx_RegisterSet(-1, 0xFFFFFFFFu) != 9;
  }
  return bad;
}

}  // namespace

int main() {
  uint32_t fail = 1;
  unsigned char data[2];
  expect(bdx_GetBlock(0x4000, 2, data, &fail) == -1, "a stub fails through the thunk");
  expect(fail == 0x4000, "the stub's failing address comes back");

  BdxTable t = g_bdx;
  t.bdx_Connect = reinterpret_cast<bdx_Connect_fn>(&s_connect);
  t.bdx_SetBdmSpeed = reinterpret_cast<bdx_SetBdmSpeed_fn>(&s_speed);
  t.bdx_EpromProgramSector = reinterpret_cast<bdx_EpromProgramSector_fn>(&s_sector);
  t.bdx_FlashWriteFile = reinterpret_cast<bdx_FlashWriteFile_fn>(&s_write);
  t.bdx_Init = reinterpret_cast<bdx_Init_fn>(&s_init);
  t.bdx_Sync = reinterpret_cast<bdx_Sync_fn>(&s_sync);
  t.bdx_RegisterSet = &c_register_set;
  bdx_table_set(t);
  expect(call_many_times() == 0, "arguments and results of mixed conventions");
  expect(g_speed == 8.0f, "the float arrives as a float");

  int popped = -1;
  expect(bdx_init_measuring_convention(count_line, &popped) == 3, "__stdcall bdx_Init result");
  expect(popped == 4, "__stdcall bdx_Init removed its 4 bytes");
  t.bdx_Init = &c_init;
  bdx_table_set(t);
  expect(bdx_init_measuring_convention(count_line, &popped) == 4, "__cdecl bdx_Init result");
  expect(popped == 0, "__cdecl bdx_Init removed nothing");
  expect(g_lines == 2, "the callback was called by both");

  if (g_failures == 0) std::printf("x86 thunk: all checks passed\n");
  return g_failures == 0 ? 0 : 1;
}
