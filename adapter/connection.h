// Opening the connection to the target through the adapter library, and the four run-control
// operations. Reports only through the message pane; keeps no state of its own.
#pragma once

// Adapter types, as positions in the adapter dialog's type list.
enum { ADAPTER_R41 = 0, ADAPTER_R42 = 1, ADAPTER_R43 = 2 };

// Connects adapter type (0 R41, 1 R42; others are refused) on port (0-based serial index,
// ignored for R42) with the target clock in kHz (-1 = detect). Returns 0 when the adapter is
// connected and ready; -1, or the library's own result for R41, when not.
int connect_adapter(int adapter_type, int port, int target_clock);

// The first half of Connect, one sequence for every front end: connect_adapter with the given
// settings, then, when identify is set, identify the derivative (autodetect_target: the current
// target changes only when identification succeeds). True when the adapter is connected. The
// caller goes on as its front end needs: the main window builds its views (7016), the command
// line checks the derivative and resets the target. A secured part is named in a line.
bool connect_and_identify(int adapter_type, int port, int target_clock, bool identify);
// The line a front end adds when connect_and_identify fails (the Adapter dialog, corvane).
constexpr char kFailedConnectionText[] = "Failed connection";

// One library call each; a failure is reported as a line in the message pane.
void reset_target();
void run_target();
void step_target();
void halt_target();
// The same four with their outcome: true when the library call succeeded. After a reset the
// part's security is read again and a secured part named in a line.
bool reset_target_checked();
bool run_target_checked();
bool step_target_checked();
bool halt_target_checked();

// Waits for a running part to halt (a BGND, or anything else that ends in background mode),
// polling BDMSTS.BDMACT through bdx_GetByte about every millisecond, for at most limit_ms. A read
// that fails counts as still running. halted, and the milliseconds waited.
struct HaltWait {
  bool halted = false;
  long elapsed_ms = 0;
};
HaltWait wait_until_halted(long limit_ms);
