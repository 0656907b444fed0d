// The few things the simulated library needs from the platform beyond the file-system layer it
// shares with the tool (buffer/file_system.h: process id, flushing to the disk, links,
// permissions, the one-step replace).
#pragma once
#include <cstdlib>
#include <chrono>
#include <cstdint>
#include <string>

#include "buffer/file_system.h"

// The value of an environment variable, empty when set to nothing, null when not set.
const char* sim_getenv(const char* name);
// Waits about us microseconds (the simulated link's delay per call).
void sim_sleep_us(uint32_t us);
// The state file used when BDXSIM_STATE is not set: a file in the user's local application
// data folder, or an empty text when there is no such folder.
std::string sim_default_state_path();
// Creates the folders above path that do not exist yet.
void sim_make_parent_folders(const std::string& path);
// The file path finally names once symbolic links are followed: the layer's resolve_links.
inline std::string sim_resolve_links(const std::string& path) { return resolve_links(path); }
// What reading a whole file found.
enum class SimRead { Missing, Read, NotRegular, Unreadable, TooBig };
// Reads the whole file at path into *bytes when it is a regular file of at most limit bytes
// (TooBig otherwise). Anything else a path may name (a device, a pipe, a folder) is NotRegular
// and is not read: the open itself never waits for a pipe's other end. A file that exists but
// cannot be opened or read is Unreadable.
SimRead sim_read_regular_file(const std::string& path, size_t limit, std::string* bytes);
// False for an existing file the user may not write, and for one without any write permission
// (kept read-only on purpose, even where the user could override that, as root can). A missing
// file may be created: true.
bool sim_file_writable(const std::string& path);
// False once the process with this id has ended; true while it runs and whenever that cannot
// be told (a file of a process that may still use it is never taken away from it).
bool sim_process_alive(unsigned long pid);

// The owner's id in an owner file, through read (the platform's read of the file's first bytes
// into a buffer: the count read, or 0 or less). The holder writes its id right after taking the
// lock: a reader that comes in between tries a few times more. 0 when none is found.
template <typename Read>
unsigned long sim_read_owner_id(Read read) {
  for (int tries = 0; tries < 5; ++tries) {
    char text[32] = {};
    const long n = read(text, sizeof text - 1);
    const unsigned long id = n > 0 ? std::strtoul(text, nullptr, 10) : 0;
    if (id) return id;
    sim_sleep_us(2000);
  }
  return 0;
}

// A file beside the state file that marks a part as one process's own: held from
// sim_take_owner_file until sim_release_owner_file or the end of the process (a process that
// dies releases it), never waited for. It holds the owner's process id as text, readable while
// it is held.
struct SimOwnerFile;
// Null when the part is another process's: *holder (may be null) then receives that process's
// id (0 when it cannot be read) and *problem stays empty; or when the file cannot be made or
// locked: *problem (may be null) says why.
SimOwnerFile* sim_take_owner_file(const std::string& path, unsigned long* holder,
                                  std::string* problem);
void sim_release_owner_file(SimOwnerFile* owner);

// An exclusive lock on a file shared by every process that locks the same path: held from
// sim_lock_file (which creates the file when missing and waits up to `wait` while another
// process holds the lock) until sim_unlock_file. Null when the file cannot be opened or locked;
// *busy (may be null) then tells that another process still held the lock when the wait ended.
// The lock ends with the process too.
struct SimFileLock;
SimFileLock* sim_lock_file(const std::string& path, std::chrono::milliseconds wait,
                           bool* busy = nullptr);
void sim_unlock_file(SimFileLock* lock);
