#include "platform/file_io.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "platform/file_open.h"
#include "tests/support/temp_files.h"

namespace kexif {
namespace {

using test::TempDir;

struct FileCloser {
  void operator()(std::FILE *f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

TEST(FileIo, RegularDescriptorSizeReportsTheByteCountOfAFileAndRefusesAFolder) {
  TempDir dir;
  const File file(std::fopen(dir.Write("seven.bin", {1, 2, 3, 4, 5, 6, 7}).c_str(), "rb"));
  const File folder(std::fopen(dir.path().c_str(), "rb"));  // the C library opens folders for reading
  ASSERT_NE(file, nullptr);
  ASSERT_NE(folder, nullptr);
  int64_t size = -1;
  ASSERT_TRUE(RegularDescriptorSize(fileno(file.get()), &size));
  EXPECT_EQ(size, 7);
  EXPECT_FALSE(RegularDescriptorSize(fileno(folder.get()), &size));
  EXPECT_EQ(size, 7);  // left alone
}

TEST(FileIo, SeekAndTellCarryPositionsBeyondFourGigabytes) {
  TempDir dir;
  const File f(std::fopen(dir.Write("small.bin", {1}).c_str(), "rb"));
  ASSERT_NE(f, nullptr);
  constexpr int64_t kFar = (int64_t{1} << 32) + 12345;
  ASSERT_EQ(SeekFile64(f.get(), kFar, SEEK_SET), 0);
  EXPECT_EQ(TellFile64(f.get()), kFar);
  ASSERT_EQ(SeekFile64(f.get(), -5, SEEK_CUR), 0);
  EXPECT_EQ(TellFile64(f.get()), kFar - 5);
  EXPECT_NE(SeekFile64(f.get(), -kFar, SEEK_CUR), 0);  // before the start
  EXPECT_EQ(TellFile64(f.get()), kFar - 5);
}

TEST(OpenNamedFile, RefusesAFolderForReadingUnderBothNameForms) {
  TempDir dir;
  EXPECT_EQ(OpenNamedFile(dir.path().c_str(), FileOpenMode::kRead), nullptr);
  EXPECT_EQ(OpenNamedFile(test::Utf16(dir.path()).c_str(), FileOpenMode::kRead), nullptr);
}

}  // namespace
}  // namespace kexif
