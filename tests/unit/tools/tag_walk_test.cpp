#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api/document_handle.h"
#include "kexif.h"
#include "tests/support/jpeg_builder.h"
#include "tests/support/sample_photo.h"
#include "tests/support/temp_files.h"
#include "tools/tag_walk.h"

namespace kexif::cli {
namespace {

using test::Entry;

// The directories of a file as "name:entries ...".
std::string Outline(const test::TempDir &dir, const test::Bytes &file) {
  KExifHandle handle = kExifLoadFile(dir.Write("file", file).c_str());
  if (handle == nullptr) return "not loaded";
  std::string outline;
  for (const ListedDirectory &d : ListDirectories(*ToDocument(handle))) {
    outline += (outline.empty() ? "" : " ") + d.name + ":" + std::to_string(d.entries.size());
  }
  kExifDestroy(handle);
  return outline;
}

// The values are checked through the tool's `tags` and `get` commands.
TEST(TagWalk, ListsEveryDirectoryInReadingOrder) {
  test::TempDir dir;
  EXPECT_EQ(Outline(dir, test::SamplePhotoJpeg()), "IFD0:10 Exif:15 Interop:2 GPS:5 IFD1:6");
  test::TiffBuilder builder(true);
  builder.AddDirectory().Add(Entry::Ascii(271, "Scanner")).Add(Entry::Short(258, {8, 8, 8}));
  builder.AddDirectory().Add(Entry::Long(256, {160}));
  EXPECT_EQ(Outline(dir, builder.Build()), "IFD0:2 IFD1:1");
  EXPECT_EQ(Outline(dir, test::MakeJpegWithoutExif()), "");
}

}  // namespace
}  // namespace kexif::cli
