// The file-system layer's replace and flush, natively and (through the same tests, filtered)
// on Windows under Wine.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <string>

#ifdef __linux__
#include <unistd.h>
#endif

#include "buffer/file_system.h"
#include "tests/unit/buffer/buffer_test_util.h"

namespace {

bool exists(const std::string& path) { return name_kind(path) != NameKind::Missing; }

TEST(FileSystem, ReplacePutsTheNewFileInPlaceOfTheOld) {
  const std::string to = temp_path("fs_replaced.txt");
  const std::string from = temp_path("fs_replacing.txt");
  write_file(to, "old");
  write_file(from, "new");
  EXPECT_TRUE(replace_file_on_disk(from, to));
  EXPECT_EQ(read_file(to), "new");
  EXPECT_FALSE(exists(from));

  // Where nothing stood before, the file simply takes the name.
  std::remove(to.c_str());
  write_file(from, "first");
  EXPECT_TRUE(replace_file_on_disk(from, to));
  EXPECT_EQ(read_file(to), "first");
  EXPECT_FALSE(exists(from));
  std::remove(to.c_str());
}

TEST(FileSystem, AReplaceThatCannotBeDoneLeavesBothFilesAndSaysWhy) {
  const std::string to = temp_path("fs_kept.txt");
  const std::string missing = temp_path("fs_never_written.txt");
  std::remove(missing.c_str());
  write_file(to, "kept");
  errno = 0;
  EXPECT_FALSE(replace_file_on_disk(missing, to));
  EXPECT_NE(errno, 0);
  EXPECT_EQ(read_file(to), "kept");

  // Into a folder that does not exist: the file stays where it was.
  const std::string from = temp_path("fs_stays.txt");
  write_file(from, "stays");
  errno = 0;
  EXPECT_FALSE(replace_file_on_disk(from, temp_path("fs_no_such_folder") + "/x.txt"));
  EXPECT_NE(errno, 0);
  EXPECT_EQ(read_file(from), "stays");
  std::remove(from.c_str());
  std::remove(to.c_str());
}

TEST(FileSystem, FlushPutsWhatWasWrittenIntoTheFileBeforeItIsClosed) {
  const std::string path = temp_path("fs_flushed.txt");
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::setvbuf(f, nullptr, _IOFBF, 1 << 16);  // nothing reaches the file on its own
  ASSERT_GE(std::fputs("flushed", f), 0);
  EXPECT_TRUE(flush_to_disk(f));
  EXPECT_EQ(read_file(path), "flushed");  // read through another stream, f still open
  EXPECT_EQ(std::fclose(f), 0);
  std::remove(path.c_str());
}

TEST(FileSystem, NamesAndTemporaryNames) {
  const std::string path = temp_path("fs_named.txt");
  std::remove(path.c_str());
  EXPECT_EQ(name_kind(path), NameKind::Missing);
  write_file(path, "x");
  EXPECT_EQ(name_kind(path), NameKind::Regular);
  EXPECT_EQ(resolve_links(path), path);  // no link: the name itself
  std::remove(path.c_str());

  const std::string folder = temporary_folder();
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(folder.back() == '/' || folder.back() == '\\');
  const std::string name = temporary_file_name("fs-test");
  EXPECT_EQ(name.compare(0, folder.size(), folder), 0);
  EXPECT_NE(name.find("fs-test-" + std::to_string(current_process_id()) + "-"), std::string::npos);
  EXPECT_FALSE(exists(name));
}

#ifdef __linux__
TEST(FileSystem, LinksAreFollowedToTheFileTheyNameAndLeftAsLinks) {
  const std::string file = temp_path("fs_link_target.txt");
  const std::string first = temp_path("fs_link_first");
  const std::string second = temp_path("fs_link_second");
  std::remove(first.c_str());
  std::remove(second.c_str());
  write_file(file, "x");
  // A relative link is read from its own folder; a chain is followed to its end.
  const std::string relative = file.substr(file.rfind('/') + 1);
  ASSERT_EQ(symlink(relative.c_str(), second.c_str()), 0);
  ASSERT_EQ(symlink(second.c_str(), first.c_str()), 0);
  EXPECT_EQ(name_kind(first), NameKind::Link);
  EXPECT_EQ(resolve_links(first), file);
  // The replace puts the new file in place of the one the links name.
  const std::string from = temp_path("fs_link_new.txt");
  write_file(from, "new");
  EXPECT_TRUE(replace_file_on_disk(from, resolve_links(first)));
  EXPECT_EQ(name_kind(first), NameKind::Link);
  EXPECT_EQ(read_file(first), "new");
  std::remove(first.c_str());
  std::remove(second.c_str());
  std::remove(file.c_str());
}
#endif

}  // namespace
