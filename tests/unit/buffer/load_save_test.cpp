#include <gtest/gtest.h>

#ifdef __linux__
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif
#include <cstdio>

#include "buffer/load_save.h"
#include "tests/support/memory_pane.h"
#include "tests/unit/buffer/buffer_test_util.h"

namespace {

class LoadSave : public testing::Test {
 protected:
  void SetUp() override { reset_buffer_quietly(); }
  void TearDown() override { reset_buffer_quietly(); }
  std::string lines() { return memory_pane_lines_joined("|"); }
  ScopedMemoryPane pane_;
};

const char kGood[] = "S1050100AABB94\nS1050600EEFF07\nS9030000FC\n";

TEST_F(LoadSave, LoadFramesTheCommandAndMergesIntoTheBuffer) {
  const std::string path = temp_path("good.s19");
  write_file(path, kGood);
  write_bytes(0x0100, {0x11, 0x22, 0x33});
  write_bytes(0x2000, {0x44});
  EXPECT_EQ(load_file_into_buffer(path.c_str()), 1);
  EXPECT_EQ(lines(), "COMMAND: Load to buffer|Loaded file '" + path + "'|COMMAND DONE");
  const auto once = block_layout();
  uint8_t v;
  ASSERT_EQ(buffer_get_byte(0x0101, &v), 1);
  EXPECT_EQ(v, 0xBB);  // overwritten by the file
  ASSERT_EQ(buffer_get_byte(0x0102, &v), 1);
  EXPECT_EQ(v, 0x33);  // kept
  ASSERT_EQ(buffer_get_byte(0x2000, &v), 1);

  EXPECT_EQ(load_file_into_buffer(path.c_str()), 1);  // a second load changes nothing
  EXPECT_EQ(block_layout(), once);
}

TEST_F(LoadSave, LoadFailuresEndWithoutCommandDone) {
  const std::string missing = temp_path("missing.s19");
  EXPECT_EQ(load_file_into_buffer(missing.c_str()), 0);
  EXPECT_EQ(lines(), "COMMAND: Load to buffer|Cannot open '" + missing + "'");
  // A long path (the command line takes any length) is named whole, '%' and all.
  const std::string long_path = testing::TempDir() + std::string(700, 'd') + "/%s%d.s19";
  EXPECT_EQ(load_file_into_buffer(long_path.c_str()), 0);
  EXPECT_EQ(lines(), "COMMAND: Load to buffer|Cannot open '" + long_path + "'");

  const std::string bad = temp_path("bad.s19");
  write_file(bad, "S1050100AABB94\nS1050600EEFF00\nS1050700EEFF06\nS4030000FC\nS1050800EEFF05\n");
  EXPECT_EQ(load_file_into_buffer(bad.c_str()), 0);
  EXPECT_EQ(lines(), "COMMAND: Load to buffer|Checksum error in line 2|"
                     "Unsupported record in line 4|Errors in file '" + bad + "'");
  EXPECT_EQ(block_layout(), (std::vector<std::pair<uint32_t, uint32_t>>{{0x0100, 2}, {0x0700, 2}}));
}

TEST_F(LoadSave, AFileWithoutEndRecordLoadsAndIsSaidToBeCutShort) {
  const std::string path = temp_path("cut.s19");
  write_file(path, "S1050100AABB94\nS1050600EEFF07\n");
  EXPECT_EQ(load_file_into_buffer(path.c_str()), 1);
  EXPECT_EQ(lines(), "COMMAND: Load to buffer|Loaded file '" + path + "'|No end record in '" +
                         path + "': the file may be cut short|COMMAND DONE");
  EXPECT_EQ(block_layout(), (std::vector<std::pair<uint32_t, uint32_t>>{{0x0100, 2}, {0x0600, 2}}));
  // Cut within its last line: that line is unreadable, and the cut is named after it.
  write_file(path, "S1050100AABB94\nS1050600EE");
  EXPECT_EQ(load_file_into_buffer(path.c_str()), 0);
  EXPECT_EQ(lines(), "COMMAND: Load to buffer|Byte count error in line 2|Errors in file '" + path +
                         "'|No end record in '" + path + "': the file may be cut short");
}

TEST_F(LoadSave, SaveWritesTheBufferAndRefusesAnEmptyOne) {
  const std::string path = temp_path("out.s19");
  write_file(path, "old contents");
  EXPECT_EQ(save_buffer_to_file(path.c_str()), 0);
  EXPECT_EQ(lines(), "COMMAND: Save buffer|Buffer is empty");
  EXPECT_EQ(read_file(path), "old contents");

  write_bytes(0x1000, bytes_from(0, 32));
  buffer_clear();
  EXPECT_EQ(save_buffer_to_file(path.c_str()), 0);
  EXPECT_EQ(lines(), "COMMAND: Save buffer|Buffer is empty");

  write_bytes(0x0100, {0xAA, 0xBB});
  EXPECT_EQ(save_buffer_to_file(path.c_str()), 1);
  EXPECT_EQ(lines(), "COMMAND: Save buffer|COMMAND DONE");
  std::string text = read_file(path);
#ifdef _WIN32
  EXPECT_EQ(text, "S1050100AABB94\r\nS9030000FC\r\n");
#else
  EXPECT_EQ(text, "S1050100AABB94\nS9030000FC\n");
#endif

  const std::string folder = testing::TempDir() + "no_such_folder/x.s19";
  EXPECT_EQ(save_buffer_to_file(folder.c_str()), 0);
  EXPECT_EQ(lines(), "COMMAND: Save buffer|Cannot open '" + folder + "'");
}

#ifdef __linux__
TEST_F(LoadSave, ReadFailureEndsTheLoadWithoutCommandDone) {
  // A folder opens for reading here but cannot be read.
  const std::string folder = testing::TempDir();
  EXPECT_EQ(load_file_into_buffer(folder.c_str()), 0);
  EXPECT_EQ(lines(), "COMMAND: Load to buffer|Read error in line 1|Errors in file '" + folder + "'");
  EXPECT_TRUE(buffer_is_empty());
}

// A folder that allows no new file but holds a file that may be written: the save writes the
// file at its own name. As root (who may write anywhere) the save runs in a child that has
// given up root.
TEST_F(LoadSave, SaveIntoAFolderThatAllowsNoNewFileWritesInPlace) {
  const std::string folder = testing::TempDir() + "locked_folder";
  const std::string path = folder + "/handed.s19";
  std::remove(path.c_str());
  rmdir(folder.c_str());
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  write_file(path, "old contents");
  ASSERT_EQ(chmod(path.c_str(), 0666), 0);
  ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
  write_bytes(0x0100, {0xAA, 0xBB});
  const pid_t child = fork();
  if (child == 0) {
    if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
    const bool saved = save_buffer_to_file(path.c_str()) == 1;
    _exit(saved && lines() == "COMMAND: Save buffer|COMMAND DONE" ? 0 : 1);
  }
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(read_file(path), "S1050100AABB94\nS9030000FC\n");
  chmod(folder.c_str(), 0755);
  std::remove(path.c_str());
  EXPECT_EQ(rmdir(folder.c_str()), 0);  // nothing else was left in it
}

TEST_F(LoadSave, SaveReportsAWriteFailure) {
  write_bytes(0x0100, bytes_from(0, 200));
  EXPECT_EQ(save_buffer_to_file("/dev/full"), 0);
  EXPECT_EQ(lines(), "COMMAND: Save buffer|Cannot write '/dev/full'");
}
#endif

}  // namespace
