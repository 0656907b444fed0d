// Keeping flash and EEPROM contents between runs in a state file, as a real board keeps them
// between power cycles. One file can hold the contents of several parts, one section each.
#pragma once
#include <chrono>
#include <string>

#include "simulator/sim_target.h"

// Loads the section of t's part into its flash and EEPROM. A missing file is not a problem.
// Returns an empty text, or a line describing why the contents could not be loaded (the part
// then starts erased). *leave_alone (may be null) is set when the path names something that
// must never be written: a file that is not a state file, one that cannot be read, no regular
// file at all (a device or a pipe, which is not even read), or a state file the user may not
// write (read, and said to be read-only when nothing else is wrong with it).
std::string sim_state_load(SimTarget& t, const std::string& path, bool* leave_alone = nullptr);
// Writes t's flash and EEPROM as its part's section, keeping the other parts' sections, through
// a temporary file that then replaces the old one, so the file is never left half written.
// The new file keeps the old one's permission bits. Whatever sim_state_load would leave alone
// is not overwritten.
// Returns an empty text, or a line describing the failure.
// The new file is on the disk before it takes the old one's place. A save waits at most
// lock_wait for another program's lock, then gives up with a line saying so and *locked_out
// (may be null) set: the caller keeps the change for a later save.
constexpr std::chrono::milliseconds kSimStateLockWait{3000};
std::string sim_state_save(const SimTarget& t, const std::string& path,
                           std::chrono::milliseconds lock_wait = kSimStateLockWait,
                           bool* locked_out = nullptr);
