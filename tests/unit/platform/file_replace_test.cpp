#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <iterator>

#include "platform/file_replace.h"
#include "tests/support/temp_files.h"

namespace kexif {
namespace {

using test::Bytes;

mode_t ModeOf(const std::string &path) {
  struct stat info {};
  stat(path.c_str(), &info);
  return info.st_mode & 07777;
}

TEST(FileReplace, RenamesWithinTheFolderAndKeepsTheTargetsPermissions) {
  test::TempDir dir;
  const std::string target = dir.Write("a.jpg", Bytes{1, 2, 3});
  chmod(target.c_str(), 0640);
  const std::string temporary = dir.Write("a.$#$", Bytes{9, 8, 7, 6});
  ASSERT_TRUE(ReplaceFileAtomically(temporary.c_str(), target.c_str()));
  EXPECT_EQ(test::ReadFileBytes(target), (Bytes{9, 8, 7, 6}));
  EXPECT_EQ(ModeOf(target), 0640u);
  EXPECT_FALSE(test::FileExists(temporary));
}

TEST(FileReplace, CopiesBesideTheTargetWhenTheTemporaryLiesElsewhereAndLeavesItToTheCaller) {
  test::TempDir dir;
  std::filesystem::create_directory(dir.File("sub"));
  const std::string target = dir.Write("sub/photo", Bytes{1, 2, 3});
  chmod(target.c_str(), 0600);
  const std::string temporary = dir.Write("p$#$", Bytes{5, 5});
  ASSERT_TRUE(ReplaceFileAtomically(temporary.c_str(), target.c_str()));
  EXPECT_EQ(test::ReadFileBytes(target), (Bytes{5, 5}));
  EXPECT_EQ(ModeOf(target), 0600u);
  // No second temporary file is left beside the target.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.File("sub")), {}), 1);
  // The caller removes the temporary file.
  EXPECT_TRUE(DeleteNamedFile(temporary.c_str()));
  EXPECT_FALSE(test::FileExists(temporary));
  EXPECT_FALSE(DeleteNamedFile(temporary.c_str()));
}

TEST(FileReplace, ReplacesTheFileALinkNamesAndKeepsTheLink) {
  test::TempDir dir;
  const std::string real = dir.Write("real.jpg", Bytes{1});
  const std::string link = dir.File("link.jpg");
  ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);
  const std::string temporary = dir.Write("link.$#$", Bytes{2, 2});
  ASSERT_TRUE(ReplaceFileAtomically(temporary.c_str(), link.c_str()));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(test::ReadFileBytes(real), (Bytes{2, 2}));
}

TEST(FileReplace, AFailedReplaceLeavesTheTargetAsItWas) {
  test::TempDir dir;
  std::filesystem::create_directory(dir.File("target.jpg"));  // a folder cannot be replaced by a file
  const std::string temporary = dir.Write("target.$#$", Bytes{1});
  EXPECT_FALSE(ReplaceFileAtomically(temporary.c_str(), dir.File("target.jpg").c_str()));
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("target.jpg")));
  EXPECT_FALSE(ReplaceFileAtomically(dir.File("missing").c_str(), dir.File("other").c_str()));
  EXPECT_FALSE(test::FileExists(dir.File("other")));
}

}  // namespace
}  // namespace kexif
