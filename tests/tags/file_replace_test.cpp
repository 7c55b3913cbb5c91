#include <gtest/gtest.h>

#include <sys/stat.h>

#include "file_replace.h"
#include "test_files.h"

using namespace testfiles;

namespace {

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

size_t FilesIn(const std::string& folder) {
  size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) count += !entry.is_directory();
  return count;
}

}  // namespace

TEST(ReplacementFile, CommitPutsTheNewFileInPlace) {
  TempFiles files;
  std::string path = files.Write(std::string(300000, 'a'));
  chmod(path.c_str(), 0640);
  {
    ReplacementFile replacement(path);
    ASSERT_TRUE(replacement.IsOpen());
    BinaryStream old(path);
    replacement.Stream().Write("new head ");
    ASSERT_TRUE(CopyBytes(old, replacement.Stream(), 300000));
    EXPECT_EQ(Contents(path), std::string(300000, 'a'));  // untouched until the commit
    ASSERT_TRUE(replacement.Commit());
  }
  EXPECT_EQ(Contents(path), "new head " + std::string(300000, 'a'));
  struct stat info;
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(FilesIn(std::filesystem::path(path).parent_path()), 1u);
}

TEST(ReplacementFile, FailureLeavesTheOldFileAlone) {
  TempFiles files;
  std::string path = files.Write(std::string(300000, 'a'));
  std::string folder = std::filesystem::path(path).parent_path();
  {
    // a write that fails midway
    ReplacementFile replacement(path);
    BinaryStream::FailWritesAfterForTesting(100000);
    BinaryStream old(path);
    EXPECT_FALSE(CopyBytes(old, replacement.Stream(), 300000) && replacement.Commit());
    BinaryStream::FailWritesAfterForTesting(-1);
  }
  {
    // abandoned without a commit
    ReplacementFile replacement(path);
    replacement.Stream().Write("partial");
  }
  {
    // the source ends before the count
    ReplacementFile replacement(path);
    BinaryStream old(path);
    EXPECT_FALSE(CopyBytes(old, replacement.Stream(), 300001));
  }
  EXPECT_EQ(Contents(path), std::string(300000, 'a'));
  EXPECT_EQ(FilesIn(folder), 1u);
  EXPECT_FALSE(ReplacementFile(files.Path("missing.mp3")).IsOpen());
}

// A song reached through a link is replaced where it lies, and keeps its owner.
TEST(ReplacementFile, ReplacesTheLinkedFileWithItsOwner) {
  TempFiles files;
  std::string target = files.Write("old", "song.mp3");
  std::string link = files.Path("link.mp3");
  std::filesystem::create_symlink(target, link);
  bool root = geteuid() == 0;
  if (root) {
    ASSERT_EQ(chown(target.c_str(), 1234, 5678), 0);
  }
  {
    ReplacementFile replacement(link);
    replacement.Stream().Write("new");
    ASSERT_TRUE(replacement.Commit());
  }
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(Contents(target), "new");
  struct stat info;
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  if (root) {
    EXPECT_EQ(info.st_uid, 1234u);
    EXPECT_EQ(info.st_gid, 5678u);
  }
}
