#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api/document_handle.h"
#include "kexif.h"
#include "tests/support/jpeg_builder.h"
#include "tests/support/sample_photo.h"
#include "tests/support/temp_files.h"
#include "tools/tag_walk.h"
#include "tools/value_text.h"

namespace kexif::cli {
namespace {

using test::Entry;
using test::TempDir;

std::vector<ListedDirectory> ListFile(const std::string &path) {
  KExifHandle handle = kExifLoadFile(path.c_str());
  EXPECT_NE(handle, nullptr) << path;
  if (handle == nullptr) return {};
  std::vector<ListedDirectory> directories = ListDirectories(*ToDocument(handle));
  kExifDestroy(handle);
  return directories;
}

std::string ValueOf(const std::vector<ListedDirectory> &directories, const std::string &directory, uint32_t tag) {
  for (const ListedDirectory &d : directories) {
    if (d.name != directory) continue;
    for (const ListedEntry &e : d.entries) {
      if (e.tag == tag) return FormatValue(e.type, e.count, e.bytes.data(), e.bytes.size(), Length::kFull);
    }
  }
  return "(missing)";
}

TEST(TagWalk, ListsEveryDirectoryOfTheSamplePhotoInReadingOrder) {
  TempDir dir;
  const std::vector<ListedDirectory> directories =
      ListFile(dir.Write("photo.jpg", test::SamplePhotoJpeg()));
  std::vector<std::string> names;
  std::vector<size_t> sizes;
  for (const ListedDirectory &d : directories) {
    names.push_back(d.name);
    sizes.push_back(d.entries.size());
  }
  EXPECT_EQ(names, (std::vector<std::string>{"IFD0", "Exif", "Interop", "GPS", "IFD1"}));
  EXPECT_EQ(sizes, (std::vector<size_t>{10, 15, 2, 5, 6}));
  EXPECT_EQ(directories[3].space, TagSpace::kGps);
  EXPECT_EQ(directories[2].space, TagSpace::kInterop);
}

TEST(TagWalk, ReadsTheSameValuesFromBothByteOrders) {
  TempDir dir;
  for (bool bigEndian : {false, true}) {
    const std::vector<ListedDirectory> d = ListFile(dir.Write("photo.jpg", test::SamplePhotoJpeg(bigEndian)));
    EXPECT_EQ(ValueOf(d, "IFD0", 271), "KexifCam") << bigEndian;
    EXPECT_EQ(ValueOf(d, "IFD0", 274), "1") << bigEndian;
    EXPECT_EQ(ValueOf(d, "Exif", 33434), "1/160") << bigEndian;
    EXPECT_EQ(ValueOf(d, "Exif", 37380), "-1/3") << bigEndian;
    EXPECT_EQ(ValueOf(d, "Exif", 36864), "30 32 33 30") << bigEndian;
    EXPECT_EQ(ValueOf(d, "GPS", 2), "48/1 51/1 30/1") << bigEndian;
    EXPECT_EQ(ValueOf(d, "Interop", 1), "R98") << bigEndian;
    EXPECT_EQ(ValueOf(d, "IFD1", 514), "2000") << bigEndian;
  }
}

TEST(TagWalk, ListsTheTopLevelDirectoriesOfATiffFile) {
  test::TiffBuilder builder(true);
  builder.AddDirectory().Add(Entry::Ascii(271, "Scanner")).Add(Entry::Short(258, {8, 8, 8}));
  builder.AddDirectory().Add(Entry::Long(256, {160}));
  TempDir dir;
  const std::vector<ListedDirectory> d = ListFile(dir.Write("scan.tif", builder.Build()));
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(ValueOf(d, "IFD0", 258), "8 8 8");
  EXPECT_EQ(ValueOf(d, "IFD1", 256), "160");
}

TEST(TagWalk, ListsNothingForAJpegWithoutExif) {
  TempDir dir;
  EXPECT_TRUE(ListFile(dir.Write("plain.jpg", test::MakeJpegWithoutExif())).empty());
}

}  // namespace
}  // namespace kexif::cli
