#include "adapter/connection.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "adapter/bdx.h"
#include "adapter/part_state.h"
#include "app/message_pane.h"
#include "target/catalogue.h"
#include "target/hcs12_registers.h"

namespace {
const char kUnrecognisedFamily[] =
    "Warning: Unrecognised processor family, may not be supported by this adapter";

int connect_r41(int port, int target_clock) {
  char parameters[64];
  // Port and clock come from stored settings; widen so that no value can overflow.
  std::snprintf(parameters, sizeof parameters, "COM%lld %d", static_cast<long long>(port) + 1,
                target_clock / 1000);
  return bdx_Connect("R41", parameters);
}

int connect_r42(int target_clock) {
  if (const Derivative* target = current_target()) {
    if (!target->info) {
      append_line(kUnrecognisedFamily);
    } else if (target->info->family_code < FAMILY_HCS12 ||
               target->info->family_code > FAMILY_HCS12X) {
      append_line("Processor family is not supported by this adapter");
      return -1;
    }
  }
  if (bdx_Connect("R42", "") < 0) {
    append_line("Cannot open connection to R42");
    return -1;
  }
  if (target_clock == -1) {
    if (bdx_Sync() < 0) {
      append_line("Cannot autodetect this target, specify target clock frequency");
      bdx_Disconnect();
      return -1;
    }
    float detected = 0.0f;
    bdx_GetBdmSpeed(&detected);
    return 0;
  }
  const float speed = static_cast<float>(target_clock * 0.001);
  if (bdx_SetBdmSpeed(speed) < 0) {
    char line[128];
    std::snprintf(line, sizeof line,
                  "Cannot set target speed (%f MHz), assuming this is correct.", speed);
    append_line(line);
  }
  return 0;
}
}  // namespace

int connect_adapter(int adapter_type, int port, int target_clock) {
  if (!current_target()) append_line(kUnrecognisedFamily);
  switch (adapter_type) {
    case ADAPTER_R41: return connect_r41(port, target_clock);
    case ADAPTER_R42: return connect_r42(target_clock);
    default: return -1;
  }
}

bool connect_and_identify(int adapter_type, int port, int target_clock, bool identify) {
  if (connect_adapter(adapter_type, port, target_clock) != 0) return false;
  if (identify) autodetect_target();
  // A secured part answers the connect and the identification but little else: say so once,
  // before the reads that will fail.
  report_if_secured();
  return true;
}

namespace {
// A run-control call's outcome: a failure is named with its line.
bool succeeded(int result, const char* failure) {
  if (result >= 0) return true;
  append_line(failure);
  return false;
}
}  // namespace

bool reset_target_checked() {
  if (!succeeded(bdx_TargetReset(), "Cannot reset target")) return false;
  // The reset loads FSEC from the security byte: the part may have become secured.
  report_if_secured();
  return true;
}
bool run_target_checked() { return succeeded(bdx_TargetStart(), "Cannot start target"); }
bool step_target_checked() { return succeeded(bdx_TargetStep(), "Cannot step target"); }
bool halt_target_checked() { return succeeded(bdx_TargetHalt(), "Cannot halt target"); }

void reset_target() { reset_target_checked(); }
void run_target() { run_target_checked(); }
void step_target() { step_target_checked(); }
void halt_target() { halt_target_checked(); }

HaltWait wait_until_halted(long limit_ms) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  HaltWait wait;
  for (;;) {
    unsigned char status = 0;
    wait.halted = bdx_GetByte(kBdmStatus, &status) != -1 && (status & kBdmstsBdmact) != 0;
    wait.elapsed_ms = static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
    if (wait.halted || wait.elapsed_ms >= limit_ms) return wait;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}
