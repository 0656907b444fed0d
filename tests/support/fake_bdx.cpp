#include "tests/support/fake_bdx.h"

#include <cstdio>

#include "app/message_pane.h"

namespace {
FakeBdx g_fake;

std::string hex(uint32_t v) {
  char t[16];
  std::snprintf(t, sizeof t, "%X", static_cast<unsigned>(v));
  return t;
}
std::string dec(long long v) { return std::to_string(v); }
std::string str(const char* s) { return s ? s : "(null)"; }

// Records the call, sends the scripted report lines, and returns the scripted result.
int record(const char* name, const std::string& args) {
  g_fake.calls.push_back({name, args});
  auto rep = g_fake.reports.find(name);
  if (rep != g_fake.reports.end()) {
    for (const std::string& line : rep->second) {
      if (g_fake.report)
        g_fake.report(line.c_str());
      else
        append_line(line.c_str());
    }
  }
  if (g_fake.fail_call_number == static_cast<int>(g_fake.calls.size())) return -1;
  auto q = g_fake.queued.find(name);
  if (q != g_fake.queued.end() && !q->second.empty()) {
    int r = q->second.front();
    q->second.pop_front();
    return r;
  }
  auto f = g_fake.fixed.find(name);
  return f == g_fake.fixed.end() ? 0 : f->second;
}

int read_byte(const char* name, uint32_t address, unsigned char* value) {
  int r = record(name, hex(address));
  if (g_fake.failing_reads.count(address)) return -1;
  if (r >= 0 && value) {
    auto it = g_fake.memory.find(address);
    *value = it == g_fake.memory.end() ? 0 : it->second;
  }
  return r;
}

int BDX_CALL fake_bdx_Init(bdx_line_callback report) {
  g_fake.report = report;
  return record("bdx_Init", report ? "callback" : "null");
}
int BDX_CALL fake_bdx_Connect(const char* model, const char* parameters) {
  return record("bdx_Connect", str(model) + "|" + str(parameters));
}
int BDX_CALL fake_bdx_Disconnect(void) { return record("bdx_Disconnect", ""); }
int BDX_CALL fake_bdx_Sync(void) { return record("bdx_Sync", ""); }
int BDX_CALL fake_bdx_TargetStart(void) { return record("bdx_TargetStart", ""); }
int BDX_CALL fake_bdx_TargetStep(void) { return record("bdx_TargetStep", ""); }
int BDX_CALL fake_bdx_TargetHalt(void) { return record("bdx_TargetHalt", ""); }
int BDX_CALL fake_bdx_TargetReset(void) { return record("bdx_TargetReset", ""); }
int BDX_CALL fake_bdx_GetBdmSpeed(float* mhz) {
  int r = record("bdx_GetBdmSpeed", mhz ? "out" : "null");
  if (mhz) *mhz = g_fake.bdm_speed;
  return r;
}
int BDX_CALL fake_bdx_SetBdmSpeed(float mhz) {
  char t[32];
  std::snprintf(t, sizeof t, "%g", static_cast<double>(mhz));
  int r = record("bdx_SetBdmSpeed", t);
  if (r >= 0) g_fake.bdm_speed = mhz;
  return r;
}
int BDX_CALL fake_bdx_RegisterGetAll(uint32_t* values) {
  int r = record("bdx_RegisterGetAll", "");
  if (r >= 0 && values)
    for (int i = 0; i < 5; ++i) values[i] = g_fake.registers[i];
  return r;
}
int BDX_CALL fake_bdx_RegisterSet(int reg, uint32_t value) {
  int r = record("bdx_RegisterSet", dec(reg) + "|" + hex(value));
  if (r == 0 && reg >= 1 && reg <= 5) g_fake.registers[reg - 1] = value;
  return r;
}
int BDX_CALL fake_bdx_GetByte(uint32_t address, unsigned char* value) {
  return read_byte("bdx_GetByte", address, value);
}
int BDX_CALL fake_bdx_GetMemoryByte(uint32_t address, unsigned char* value) {
  return read_byte("bdx_GetMemoryByte", address, value);
}
int BDX_CALL fake_bdx_SetByte(uint32_t address, unsigned char value) {
  int r = record("bdx_SetByte", hex(address) + "|" + hex(value));
  if (r == 0) g_fake.memory[address] = value;
  return r;
}
int BDX_CALL fake_bdx_SetMemoryByte(uint32_t address, unsigned char value) {
  int r = record("bdx_SetMemoryByte", hex(address) + "|" + hex(value));
  if (r == 0) g_fake.memory[address] = value;
  return r;
}
int BDX_CALL fake_bdx_GetBlock(uint32_t start, uint32_t count, unsigned char* data,
                               uint32_t* fail) {
  int r = record("bdx_GetBlock", hex(start) + "|" + hex(count));
  for (uint32_t i = 0; r == 0 && data && i < count; ++i) {
    if (g_fake.failing_reads.count(start + i)) {
      if (fail) *fail = start + i;
      return -1;
    }
    auto it = g_fake.memory.find(start + i);
    data[i] = it == g_fake.memory.end() ? 0 : it->second;
  }
  if (r != 0 && fail) *fail = start;
  return r;
}
int BDX_CALL fake_bdx_LoadBlock(uint32_t start, uint32_t count, const unsigned char* data,
                                uint32_t* fail) {
  int r = record("bdx_LoadBlock", hex(start) + "|" + hex(count));
  for (uint32_t i = 0; r == 0 && data && i < count; ++i) g_fake.memory[start + i] = data[i];
  if (r != 0 && fail) *fail = start;
  return r;
}
int BDX_CALL fake_bdx_FlashEraseAll(unsigned char timing) {
  return record("bdx_FlashEraseAll", dec(timing));
}
int BDX_CALL fake_bdx_FlashEraseBlock(int block, unsigned char timing) {
  return record("bdx_FlashEraseBlock", dec(block) + "|" + dec(timing));
}
int BDX_CALL fake_bdx_FlashProgramBlock(unsigned char timing, uint32_t address,
                                        const unsigned char* data, uint32_t count) {
  int r = record("bdx_FlashProgramBlock", dec(timing) + "|" + hex(address) + "|" + hex(count));
  g_fake.flash_blocks.emplace_back(data, data ? data + count : data);
  for (uint32_t i = 0; r == 0 && data && i < count; ++i) g_fake.memory[address + i] = data[i];
  return r;
}
int BDX_CALL fake_bdx_FlashWriteFile(unsigned char flash_timing, unsigned char eeprom_timing,
                                     const char* file, uint32_t* fail,
                                     bdx_progress_callback progress) {
  int r =
      record("bdx_FlashWriteFile", dec(flash_timing) + "|" + dec(eeprom_timing) + "|" + str(file));
  if (r != 0 && fail) *fail = 0;
  return r;
}
int BDX_CALL fake_bdx_FlashVerifyFile(const char* file, uint32_t* fail,
                                      bdx_progress_callback progress) {
  int r = record("bdx_FlashVerifyFile", str(file));
  if (r != 0 && fail) *fail = 0;
  return r;
}
int BDX_CALL fake_bdx_EpromEraseAll(unsigned char timing, uint32_t eeprom_start) {
  return record("bdx_EpromEraseAll", dec(timing) + "|" + hex(eeprom_start));
}
int BDX_CALL fake_bdx_EpromProgramByte(unsigned char timing, uint32_t address,
                                       unsigned char value) {
  int r = record("bdx_EpromProgramByte", dec(timing) + "|" + hex(address) + "|" + hex(value));
  if (r == 0) g_fake.memory[address] = value;
  return r;
}
int BDX_CALL fake_bdx_EpromProgramSector(unsigned char timing, uint32_t address, uint32_t data) {
  int r = record("bdx_EpromProgramSector", dec(timing) + "|" + hex(address) + "|" + hex(data));
  if (r == 0)
    for (int i = 0; i < 4; ++i)
      g_fake.memory[address + i] = static_cast<unsigned char>(data >> (24 - 8 * i));
  return r;
}
}  // namespace

void FakeBdx::set_part_id(unsigned char id, unsigned char revision, unsigned char size0,
                          unsigned char size1) {
  memory[0x1A] = id;
  memory[0x1B] = revision;
  memory[0x1C] = size0;
  memory[0x1D] = size1;
}

int FakeBdx::count(const std::string& name) const {
  int n = 0;
  for (const FakeBdxCall& c : calls) n += c.name == name;
  return n;
}

std::string FakeBdx::args(const std::string& name, int n) const {
  for (const FakeBdxCall& c : calls)
    if (c.name == name && n-- == 0) return c.args;
  return "";
}

std::string FakeBdx::sequence() const {
  std::string s;
  for (const FakeBdxCall& c : calls) {
    if (!s.empty()) s += ' ';
    s += c.name;
  }
  return s;
}

// Filled by name: a function of the list without its fake does not compile.
BdxTable fake_bdx_table() {
  BdxTable t;
#define FAKE_BDX_ENTRY(name, params, args) t.name = fake_##name;
  BDX_FUNCTION_LIST(FAKE_BDX_ENTRY)
#undef FAKE_BDX_ENTRY
  return t;
}

FakeBdx& fake_bdx_install() {
  g_fake = FakeBdx();
  // An unsecured part without protection: FSEC, FPROT, EPROT.
  g_fake.memory[0x0101] = 0xFE;
  g_fake.memory[0x0104] = 0xFF;
  g_fake.memory[0x0114] = 0xFF;
  bdx_table_set(fake_bdx_table());
  return g_fake;
}

FakeBdx& fake_bdx() { return g_fake; }
