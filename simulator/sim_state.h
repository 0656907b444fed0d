// Keeping the simulated part between runs in a state file, as a board on the bench keeps it: its
// flash and EEPROM as through a power cycle, and, since the board stays powered between two
// programs, its RAM, register block, CPU registers and whether it runs, with the moment they
// belong to. One file can hold several parts, one section each.
#pragma once
#include <chrono>
#include <cstdint>
#include <string>

#include "simulator/sim_target.h"

// The wall clock in milliseconds since 1970: the time a section's powered state belongs to.
int64_t sim_state_now_ms();

// Loads the section of t's part into its flash and EEPROM, and its RAM, register block, CPU
// registers and run state when the section keeps them; *saved_at_ms (may be null) then receives
// the time they belong to. A section that keeps no powered state (a file of the layout that kept
// only flash and EEPROM) leaves the part as after a reset with the loaded reset vector. A missing
// file is not a problem.
// Returns an empty text, or a line describing why the contents could not be loaded (the part
// then starts erased). *leave_alone (may be null) is set when the path names something that
// must never be written: a file that is not a state file, one that cannot be read, no regular
// file at all (a device or a pipe, which is not even read), or a state file the user may not
// write (read, and said to be read-only when nothing else is wrong with it).
std::string sim_state_load(SimTarget& t, const std::string& path, bool* leave_alone = nullptr,
                           int64_t* saved_at_ms = nullptr);
// Writes the whole of t as its part's section, with saved_at_ms as the time its powered state
// belongs to, keeping the other parts' sections, through a temporary file that then replaces
// the old one, so the file is never left half written. Sections of the older layout are
// rewritten in the current one (they still keep no powered state).
// The new file keeps the old one's permission bits. Whatever sim_state_load would leave alone
// is not overwritten.
// Returns an empty text, or a line describing the failure.
// The new file is on the disk before it takes the old one's place. A save waits at most
// lock_wait for another program's lock, then gives up with a line saying so and *locked_out
// (may be null) set. A line about a failed write ends with the reason.
constexpr std::chrono::milliseconds kSimStateLockWait{3000};
std::string sim_state_save(const SimTarget& t, const std::string& path,
                           std::chrono::milliseconds lock_wait = kSimStateLockWait,
                           bool* locked_out = nullptr, int64_t saved_at_ms = sim_state_now_ms());

// t's powered state (RAM, register block, CPU registers, run state) as its section keeps it:
// while this text stays the same, the file needs no new save for it.
std::string sim_state_powered(const SimTarget& t);
