// Win32 side of the simulated adapter library built as bdxdll.dll: the delay, the local
// application data folder, the state file's lock, the parts' owner files, whether a process
// still runs, and the library's entry point.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "simulator/sim_library.h"
#include "simulator/sim_platform.h"

// GetEnvironmentVariableA tells a variable set to nothing from one not set, which the C
// runtime's getenv does not.
const char* sim_getenv(const char* name) {
  static std::map<std::string, std::string> values;
  char small[1024];
  SetLastError(0);
  DWORD n = GetEnvironmentVariableA(name, small, sizeof small);
  if (n == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return nullptr;
  std::string value;
  if (n < sizeof small) {
    value.assign(small, n);
  } else {
    std::string big(n, '\0');
    DWORD m = GetEnvironmentVariableA(name, &big[0], n);
    value.assign(big.c_str(), m < n ? m : 0);
  }
  std::string& slot = values[name];
  slot = value;
  return slot.c_str();
}

void sim_sleep_us(uint32_t us) {
  if (us == 0) return;
  if (us >= 1000) Sleep(us / 1000);
  uint32_t rest = us % 1000;
  if (rest == 0) return;
  LARGE_INTEGER freq, start, now;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&start);
  LONGLONG ticks = freq.QuadPart * rest / 1000000;
  do {
    QueryPerformanceCounter(&now);
  } while (now.QuadPart - start.QuadPart < ticks);
}

std::string sim_default_state_path() {
  char base[MAX_PATH];
  DWORD n = GetEnvironmentVariableA("LOCALAPPDATA", base, sizeof base);
  if (n == 0 || n >= sizeof base) {
    n = GetEnvironmentVariableA("APPDATA", base, sizeof base);
    if (n == 0 || n >= sizeof base) return "";
  }
  return std::string(base) + "\\CorvanesTestBench\\bdxsim-state.bin";
}

bool sim_process_alive(unsigned long pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process) return GetLastError() != ERROR_INVALID_PARAMETER;  // no such process: ended
  DWORD code = 0;
  const bool running = !GetExitCodeProcess(process, &code) || code == STILL_ACTIVE;
  CloseHandle(process);
  return running;
}

struct SimOwnerFile {
  HANDLE file;
};

namespace {

// The system's text for a Win32 error, as a line ends with it.
std::string win32_reason(DWORD error) {
  char text[256];
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           error, 0, text, sizeof text, nullptr);
  while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == '.')) --n;
  return n ? std::string(text, n) : "error " + std::to_string(error);
}

// The lock lies far beyond the owner's id: a lock keeps other processes from reading the bytes
// it covers, and the id must stay readable.
constexpr DWORD kOwnerLockAt = 1u << 30;

unsigned long read_owner_id(HANDLE h) {
  return sim_read_owner_id([h](char* text, size_t size) -> long {
    OVERLAPPED at = {};
    DWORD n = 0;
    return ReadFile(h, text, static_cast<DWORD>(size), &n, &at) ? static_cast<long>(n) : -1;
  });
}

}  // namespace

SimOwnerFile* sim_take_owner_file(const std::string& path, unsigned long* holder,
                                  std::string* problem) {
  if (holder) *holder = 0;
  if (problem) problem->clear();
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    if (problem) *problem = win32_reason(GetLastError());
    return nullptr;
  }
  OVERLAPPED at = {};
  at.Offset = kOwnerLockAt;
  if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
    const DWORD error = GetLastError();
    if (error == ERROR_LOCK_VIOLATION) {
      if (holder) *holder = read_owner_id(h);
    } else if (problem) {
      *problem = win32_reason(error);
    }
    CloseHandle(h);
    return nullptr;
  }
  // Written over the last owner's id in place, one width for every id: nothing to truncate.
  char text[32];
  const int n = std::snprintf(text, sizeof text, "%20lu\r\n", current_process_id());
  OVERLAPPED start = {};
  DWORD written = 0;
  WriteFile(h, text, static_cast<DWORD>(n), &written, &start);
  return new SimOwnerFile{h};
}

void sim_release_owner_file(SimOwnerFile* owner) {
  if (!owner) return;
  OVERLAPPED at = {};
  at.Offset = kOwnerLockAt;
  UnlockFileEx(owner->file, 0, 1, 0, &at);
  CloseHandle(owner->file);
  delete owner;
}

struct SimFileLock {
  HANDLE file;
};

SimFileLock* sim_lock_file(const std::string& path, std::chrono::milliseconds wait, bool* busy) {
  if (busy) *busy = false;
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  // A program that holds the lock for ever (stopped or hung) costs one wait, not the caller.
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(wait.count());
  for (;;) {
    OVERLAPPED at = {};
    if (LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) break;
    const bool taken = GetLastError() == ERROR_LOCK_VIOLATION;
    if (!taken || GetTickCount64() >= deadline) {
      if (busy) *busy = taken;
      CloseHandle(h);
      return nullptr;
    }
    Sleep(10);
  }
  return new SimFileLock{h};
}

void sim_unlock_file(SimFileLock* lock) {
  if (!lock) return;
  OVERLAPPED at = {};
  UnlockFileEx(lock->file, 0, 1, 0, &at);
  CloseHandle(lock->file);
  delete lock;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    sim_library_load();
  } else if (reason == DLL_PROCESS_DETACH) {
    sim_library_unload();
  }
  return TRUE;
}
