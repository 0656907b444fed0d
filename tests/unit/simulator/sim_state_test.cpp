// The state file: one section per part, each with its checksum, read and replaced under a lock.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "simulator/sim_parts.h"
#include "simulator/sim_state.h"
#include "simulator/sim_target.h"
#include "tests/support/test_files.h"

namespace {

SimTarget part(const char* name) {
  SimTarget t;
  sim_target_power_up(t, *sim_find_part(name));
  return t;
}

class SimState : public ::testing::Test {
 protected:
  void TearDown() override {
    std::remove(path_.c_str());
    std::remove((path_ + ".lock").c_str());
  }
  std::string path_ = temp_path("state.bin");
};

TEST_F(SimState, AChangedByteIsReportedAndCostsNoOtherSection) {
  SimTarget a = part("MC9S12C32");
  SimTarget b = part("MC9S12UF32");
  a.flash[10] = 0x11;
  b.flash[20] = 0x22;
  ASSERT_EQ(sim_state_save(a, path_), "");
  ASSERT_EQ(sim_state_save(b, path_), "");

  // One byte of C32's flash changes on the disk.
  std::string text = read_file(path_);
  const size_t at = text.find('\n', text.find("PART MC9S12C32")) + 1 + 10;
  ASSERT_EQ(text[at], '\x11');
  text[at] = '\x12';
  write_file(path_, text);
  SimTarget a2 = part("MC9S12C32");
  EXPECT_EQ(sim_state_load(a2, path_),
            "State file '" + path_ + "': the contents of MC9S12C32 are damaged; it starts erased");
  EXPECT_EQ(a2.flash[10], 0xFF);
  SimTarget b2 = part("MC9S12UF32");
  EXPECT_EQ(sim_state_load(b2, path_), "");
  EXPECT_EQ(b2.flash[20], 0x22);
  // UF32's next save keeps C32's section as it is (still reported); C32's own save mends it.
  ASSERT_EQ(sim_state_save(b2, path_), "");
  EXPECT_NE(sim_state_load(a2, path_), "");
  a2.flash[10] = 0x33;
  ASSERT_EQ(sim_state_save(a2, path_), "");
  SimTarget a3 = part("MC9S12C32");
  EXPECT_EQ(sim_state_load(a3, path_), "");
  EXPECT_EQ(a3.flash[10], 0x33);

  // A damaged header and garbage after the first section (C32's, the first one saved): the
  // section after them is still found.
  text = read_file(path_);
  const size_t second = text.find("PART MC9S12UF32");
  ASSERT_GT(second, text.find("PART MC9S12C32"));
  text.insert(second, "\nsome damage\n");
  text.replace(text.find("PART MC9S12C32"), 4, "PAR?");
  write_file(path_, text);
  SimTarget lost = part("MC9S12C32");
  EXPECT_EQ(sim_state_load(lost, path_),
            "State file '" + path_ + "' is damaged; MC9S12C32 starts erased");
  SimTarget kept = part("MC9S12UF32");
  EXPECT_EQ(sim_state_load(kept, path_), "");
  EXPECT_EQ(kept.flash[20], 0x22);
}

// A file of the older layout, which kept only flash and EEPROM, made by that library: an
// MC9S12UF32 programmed with CE 12 34 00 at 0xC000 and the reset vector 0xC000 (and 0x55 at
// 0x2000, in RAM, which it did not keep).
std::string older_layout_file() {
  std::string here = __FILE__;
  return here.substr(0, here.find_last_of("/\\") + 1) + "../../fixtures/bdxsim-state-v1-uf32.bin";
}

TEST_F(SimState, AFileOfTheOlderLayoutIsReadAndRewrittenInTheNewOne) {
  std::filesystem::copy_file(older_layout_file(), path_);
  SimTarget uf = part("MC9S12UF32");
  int64_t saved_at = -1;
  ASSERT_EQ(sim_state_load(uf, path_, nullptr, &saved_at), "");
  EXPECT_EQ(uf.flash[0x4001], 0x12);  // 0xC001, page 0x3F
  EXPECT_EQ(uf.cpu.pc, 0xC000);       // reset with the kept vector
  EXPECT_EQ(uf.ram[0], 0x00);
  EXPECT_EQ(saved_at, -1);            // no powered state

  // Another part saved into it: the old section is kept (still without powered state) and the
  // new one keeps RAM, registers, run state and the moment of the save.
  SimTarget c = part("MC9S12C32");
  c.ram[5] = 0x77;
  c.cpu.x = 0x1234;
  c.cpu.running = true;
  ASSERT_EQ(sim_state_save(c, path_, kSimStateLockWait, nullptr, 1700000000123), "");
  SimTarget uf2 = part("MC9S12UF32");
  uf2.cpu.pc = 0;
  ASSERT_EQ(sim_state_load(uf2, path_, nullptr, &saved_at), "");
  EXPECT_EQ(uf2.flash[0x4001], 0x12);
  EXPECT_EQ(uf2.cpu.pc, 0xC000);
  EXPECT_EQ(saved_at, -1);
  SimTarget c2 = part("MC9S12C32");
  ASSERT_EQ(sim_state_load(c2, path_, nullptr, &saved_at), "");
  EXPECT_EQ(c2.ram[5], 0x77);
  EXPECT_EQ(c2.cpu.x, 0x1234);
  EXPECT_TRUE(c2.cpu.running);
  EXPECT_EQ(saved_at, 1700000000123);

  // The checksum covers the RAM too.
  std::string text = read_file(path_);
  const size_t at = text.find('\n', text.find("PART MC9S12C32")) + 1 + c.flash.size() +
                    c.eeprom.size() + 5;
  ASSERT_EQ(text[at], '\x77');
  text[at] = '\x78';
  write_file(path_, text);
  SimTarget c3 = part("MC9S12C32");
  EXPECT_EQ(sim_state_load(c3, path_),
            "State file '" + path_ + "': the contents of MC9S12C32 are damaged; it starts erased");
  EXPECT_EQ(c3.ram[5], 0x00);
}

#ifndef _WIN32
// BDXSIM_STATE names a path; whatever is there comes to no harm.
TEST(SimStatePath, WhatThePathNamesComesToNoHarm) {
  const std::string dir = temp_path("folder") + "/";
  ASSERT_TRUE(std::filesystem::create_directory(dir));
  SimTarget t = part("MC9S12C32");
  t.flash[0] = 0x42;

  // A FIFO and a device node (where we may make one) are neither read nor replaced; opening the
  // FIFO must not wait for a writer (the alarm ends a test that hangs there).
  std::vector<std::string> specials = {dir + "fifo"};
  ASSERT_EQ(mkfifo(specials[0].c_str(), 0600), 0);
  if (geteuid() == 0 && mknod((dir + "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
    specials.push_back(dir + "null");
  alarm(20);
  for (const std::string& p : specials) {
    bool leave_alone = false;
    EXPECT_EQ(sim_state_load(t, p, &leave_alone),
              "'" + p + "' is not a state file; it is left alone and MC9S12C32 starts erased");
    EXPECT_TRUE(leave_alone);
    EXPECT_EQ(sim_state_save(t, p), "'" + p + "' is not a state file; it is not overwritten");
    struct stat st;
    ASSERT_EQ(lstat(p.c_str(), &st), 0);
    EXPECT_FALSE(S_ISREG(st.st_mode)) << p;
  }
  alarm(0);

  // A symbolic link stays a link, and the file it names is the one kept up to date, from its
  // first save on.
  const std::string link = dir + "link.bin";
  std::filesystem::create_symlink("kept.bin", link);
  for (uint8_t v : {0x43, 0x44}) {
    t.flash[0] = v;
    ASSERT_EQ(sim_state_save(t, link), "");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    SimTarget kept = part("MC9S12C32");
    ASSERT_EQ(sim_state_load(kept, dir + "kept.bin"), "");
    EXPECT_EQ(kept.flash[0], v);
  }

  // A save keeps the file's permission bits. A file without write permission is read, said to
  // be read-only, and never replaced (not even by root, who could write it).
  const std::string own = dir + "own.bin";
  ASSERT_EQ(sim_state_save(t, own), "");
  ASSERT_EQ(chmod(own.c_str(), 0640), 0);
  ASSERT_EQ(sim_state_save(t, own), "");
  struct stat st;
  ASSERT_EQ(stat(own.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  ASSERT_EQ(chmod(own.c_str(), 0444), 0);
  const std::string before = read_file(own);
  SimTarget reader = part("MC9S12C32");
  bool leave_alone = false;
  EXPECT_EQ(sim_state_load(reader, own, &leave_alone),
            "State file '" + own + "' is read-only; changes to MC9S12C32 will not be kept");
  EXPECT_TRUE(leave_alone);
  EXPECT_EQ(reader.flash[0], 0x44);
  t.flash[0] = 0x45;
  EXPECT_EQ(sim_state_save(t, own), "State file '" + own + "' is read-only; it is not overwritten");
  EXPECT_TRUE(read_file(own) == before) << "the read-only file was replaced";

  // A lock that another program holds for ever (a child here) costs one bounded wait, with a
  // line that says so; once the lock is free the change is saved.
  const std::string locked = dir + "locked.bin";
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t holder = fork();
  ASSERT_GE(holder, 0);
  if (holder == 0) {
    const int fd = open((locked + ".lock").c_str(), O_RDWR | O_CREAT, 0666);
    if (fd < 0 || flock(fd, LOCK_EX) != 0 || write(ready[1], "L", 1) != 1) _exit(1);
    pause();
    _exit(0);
  }
  close(ready[1]);
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  close(ready[0]);
  bool locked_out = false;
  EXPECT_EQ(sim_state_save(t, locked, std::chrono::milliseconds(50), &locked_out),
            "State file '" + locked +
                "' is locked by another program");
  EXPECT_TRUE(locked_out);
  EXPECT_FALSE(std::filesystem::exists(locked));
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  EXPECT_EQ(sim_state_save(t, locked, std::chrono::milliseconds(50), &locked_out), "");
  EXPECT_FALSE(locked_out);

  std::filesystem::remove_all(dir);
}

TEST_F(SimState, TwoProcessesSavingDifferentPartsKeepBothSections) {
  const char* names[2] = {"MC9S12C32", "MC9S12UF32"};
  for (int run = 0; run < 20; ++run) {
    std::remove(path_.c_str());
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
      children[c] = fork();
      ASSERT_GE(children[c], 0);
      if (children[c] == 0) {
        close(go[1]);
        char start;
        if (read(go[0], &start, 1) != 0) _exit(3);  // both start together when the pipe closes
        SimTarget t = part(names[c]);
        for (int i = 0; i < 10; ++i) {
          t.flash[i] = uint8_t(0x40 + 16 * c + i);
          if (!sim_state_save(t, path_).empty()) _exit(2);
        }
        _exit(0);
      }
    }
    close(go[0]);
    close(go[1]);
    for (pid_t child : children) {
      int status = 0;
      ASSERT_EQ(waitpid(child, &status, 0), child);
      ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "run " << run;
    }
    for (int c = 0; c < 2; ++c) {
      SimTarget t = part(names[c]);
      ASSERT_EQ(sim_state_load(t, path_), "") << "run " << run;
      for (int i = 0; i < 10; ++i)
        ASSERT_EQ(t.flash[i], uint8_t(0x40 + 16 * c + i)) << names[c] << " lost in run " << run;
    }
  }
}

// A process killed during a save leaves its temporary file: the next save removes it once
// that process is gone, and leaves a running process's alone.
TEST_F(SimState, TemporaryFilesOfEndedProcessesAreRemoved) {
  const pid_t ended = fork();
  ASSERT_GE(ended, 0);
  if (ended == 0) _exit(0);
  ASSERT_EQ(waitpid(ended, nullptr, 0), ended);
  const std::string dead = path_ + "." + std::to_string(ended) + ".new";
  const std::string alive = path_ + "." + std::to_string(getppid()) + ".new";
  write_file(dead, "half a save");
  write_file(alive, "a save going on");
  ASSERT_EQ(sim_state_save(part("MC9S12C32"), path_), "");
  EXPECT_FALSE(std::filesystem::exists(dead));
  EXPECT_TRUE(std::filesystem::exists(alive));
  std::remove(alive.c_str());
}
#endif

// A time stamp no save wrote, too large to be read as one, marks its section as damaged.
TEST_F(SimState, AHugeTimeStampIsDamage) {
  SimTarget c = part("MC9S12C32");
  ASSERT_EQ(sim_state_save(c, path_, kSimStateLockWait, nullptr, 1700000000123), "");
  std::string text = read_file(path_);
  const size_t at = text.find(" 1700000000.123 ");
  ASSERT_NE(at, std::string::npos);
  text.replace(at + 1, 10, "9223372036854775807");
  write_file(path_, text);
  SimTarget c2 = part("MC9S12C32");
  EXPECT_EQ(sim_state_load(c2, path_),
            "State file '" + path_ + "': the contents of MC9S12C32 are damaged; it starts erased");
}

}  // namespace
