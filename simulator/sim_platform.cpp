#include "simulator/sim_platform.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <sys/stat.h>
#include <sys/types.h>
#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/locking.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>
#endif

void sim_make_parent_folders(const std::string& path) {
  std::error_code ec;
  std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, ec);
}

SimRead sim_read_regular_file(const std::string& path, size_t limit, std::string* bytes) {
#if defined(_WIN32)
  int fd = _open(path.c_str(), _O_RDONLY | _O_BINARY);
  if (fd < 0) return errno == ENOENT ? SimRead::Missing : SimRead::Unreadable;
  struct _stat st;
  const bool regular = _fstat(fd, &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFREG;
#else
  // Without O_NONBLOCK opening a FIFO waits for a writer, possibly for ever.
  int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? SimRead::Missing : SimRead::Unreadable;
  struct stat st;
  const bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
#endif
  SimRead result = regular ? SimRead::Read : SimRead::NotRegular;
  char chunk[65536];
  while (result == SimRead::Read) {
#if defined(_WIN32)
    const int n = _read(fd, chunk, sizeof chunk);
#else
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
#endif
    if (n == 0) break;
    if (n < 0) {
      result = SimRead::Unreadable;
    } else {
      bytes->append(chunk, static_cast<size_t>(n));
      if (bytes->size() > limit) result = SimRead::TooBig;
    }
  }
#if defined(_WIN32)
  _close(fd);
#else
  close(fd);
#endif
  return result;
}

bool sim_file_writable(const std::string& path) {
#if defined(_WIN32)
  struct _stat st;
  if (_stat(path.c_str(), &st) != 0) return errno == ENOENT;
  return (st.st_mode & _S_IWRITE) != 0 && _access(path.c_str(), 2) == 0;
#else
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return errno == ENOENT;
  return (st.st_mode & 0222) != 0 && access(path.c_str(), W_OK) == 0;
#endif
}

// The library built as bdxdll.dll has its own versions of these in sim_platform_win.cpp.
#if !defined(BDXSIM_BUILD_DLL)

bool sim_process_alive(unsigned long pid) {
#if defined(_WIN32)
  (void)pid;
  return true;  // the C runtime cannot tell; bdxdll.dll asks Windows
#else
  if (pid == 0 || pid > static_cast<unsigned long>(INT_MAX)) return false;
  return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
#endif
}

const char* sim_getenv(const char* name) { return std::getenv(name); }

struct SimFileLock {
  int fd;
};

namespace {

int open_lock_file(const std::string& path) {
#if defined(_WIN32)
  return _open(path.c_str(), _O_RDWR | _O_CREAT | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
  return open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
#endif
}

void close_lock_file(int fd) {
#if defined(_WIN32)
  _close(fd);
#else
  close(fd);
#endif
}

// One try at the lock, without waiting: 1 had, 0 held by another process, -1 failed.
int try_lock(int fd) {
#if defined(_WIN32)
  if (_locking(fd, _LK_NBLCK, 1) == 0) return 1;
  return errno == EACCES || errno == EDEADLOCK ? 0 : -1;
#else
  for (;;) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return 1;
    if (errno != EINTR) return errno == EWOULDBLOCK ? 0 : -1;
  }
#endif
}

}  // namespace

SimFileLock* sim_lock_file(const std::string& path, std::chrono::milliseconds wait, bool* busy) {
  if (busy) *busy = false;
  const auto deadline = std::chrono::steady_clock::now() + wait;
  const int fd = open_lock_file(path);
  if (fd < 0) return nullptr;
  for (;;) {
    const int got = try_lock(fd);
    if (got == 1) return new SimFileLock{fd};
    // A program that holds the lock for ever (stopped or hung) costs one wait, not the caller.
    if (got < 0 || std::chrono::steady_clock::now() >= deadline) {
      if (busy) *busy = got == 0;
      close_lock_file(fd);
      return nullptr;
    }
    sim_sleep_us(10000);
  }
}

struct SimOwnerFile {
  int fd;
};

namespace {

// The owner file's lock lies far beyond its text: on Windows a lock keeps other processes from
// reading the bytes it covers, and the owner's id must stay readable.
constexpr long kOwnerLockAt = 1L << 30;

int seek_to_owner_lock(int fd) {
#if defined(_WIN32)
  return _lseek(fd, kOwnerLockAt, SEEK_SET) < 0 ? -1 : 0;
#else
  (void)fd;
  return 0;  // flock takes the whole file
#endif
}

unsigned long read_owner_id(int fd) {
  return sim_read_owner_id([fd](char* text, size_t size) -> long {
#if defined(_WIN32)
    _lseek(fd, 0, SEEK_SET);
    return _read(fd, text, static_cast<unsigned>(size));
#else
    return static_cast<long>(pread(fd, text, size, 0));
#endif
  });
}

}  // namespace

SimOwnerFile* sim_take_owner_file(const std::string& path, unsigned long* holder,
                                  std::string* problem) {
  if (holder) *holder = 0;
  if (problem) problem->clear();
  const int fd = open_lock_file(path);
  if (fd < 0) {
    if (problem) *problem = std::strerror(errno);
    return nullptr;
  }
  const int got = seek_to_owner_lock(fd) == 0 ? try_lock(fd) : -1;
  if (got != 1) {
    if (got == 0 && holder) *holder = read_owner_id(fd);
    if (got < 0 && problem) *problem = std::strerror(errno);
    close_lock_file(fd);
    return nullptr;
  }
  // Written over the last owner's id in place, one width for every id: nothing to truncate.
  char text[32];
  const int n = std::snprintf(text, sizeof text, "%20lu\n", current_process_id());
#if defined(_WIN32)
  _lseek(fd, 0, SEEK_SET);
  const bool written = _write(fd, text, static_cast<unsigned>(n)) == n;
#else
  const bool written = pwrite(fd, text, static_cast<size_t>(n), 0) == n;
#endif
  (void)written;  // the part is ours all the same; another program then names no process
  return new SimOwnerFile{fd};
}

void sim_release_owner_file(SimOwnerFile* owner) {
  if (!owner) return;
#if defined(_WIN32)
  _lseek(owner->fd, kOwnerLockAt, SEEK_SET);
  _locking(owner->fd, _LK_UNLCK, 1);
#endif
  close_lock_file(owner->fd);  // ends the lock
  delete owner;
}

void sim_unlock_file(SimFileLock* lock) {
  if (!lock) return;
#if defined(_WIN32)
  _lseek(lock->fd, 0, SEEK_SET);
  _locking(lock->fd, _LK_UNLCK, 1);
  _close(lock->fd);
#else
  close(lock->fd);  // ends the lock
#endif
  delete lock;
}

void sim_sleep_us(uint32_t us) {
  if (us == 0) return;
#if defined(_WIN32)
  auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(us);
  while (std::chrono::steady_clock::now() < until) {
  }
#else
  std::this_thread::sleep_for(std::chrono::microseconds(us));
#endif
}

std::string sim_default_state_path() {
#if defined(_WIN32)
  const char* base = std::getenv("LOCALAPPDATA");
  if (!base || !*base) return "";
  return std::string(base) + "\\CorvanesTestBench\\bdxsim-state.bin";
#else
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && *data) return std::string(data) + "/corvane/bdxsim-state.bin";
  const char* home = std::getenv("HOME");
  if (!home || !*home) return "";
  return std::string(home) + "/.local/share/corvane/bdxsim-state.bin";
#endif
}

#endif
