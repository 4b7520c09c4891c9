#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "api/document_handle.h"
#include "kexif.h"
#include "model/tree_search.h"
#include "tests/support/hand_tree.h"
#include "tests/support/jpeg_builder.h"
#include "tests/support/sample_photo.h"
#include "tests/support/temp_files.h"

namespace kexif::test {
namespace {

struct Doc {
  Doc(const TempDir &dir, const Bytes &bytes, const char *name = "f.jpg")
      : handle(kExifLoadFile(dir.Write(name, bytes).c_str())) {}
  ~Doc() { kExifDestroy(handle); }
  ExifDocument &tree() const { return *ToDocument(handle); }
  KExifHandle handle;
};

int32_t SetShort(KExifHandle h, uint32_t tag, uint16_t v, int32_t directory = 0) {
  TagValue value{kTypeShort, 1, &v};
  return kExifSetTag(h, tag, &value, directory);
}

int32_t SetText(KExifHandle h, uint32_t tag, const std::string &text, int32_t directory = 0) {
  TagValue value{kTypeAscii, static_cast<int32_t>(text.size() + 1), const_cast<char *>(text.c_str())};
  return kExifSetTag(h, tag, &value, directory);
}

// The value bytes of a tag, or "-" when the query fails.
std::string Get(KExifHandle h, uint32_t tag, int32_t directory = 0) {
  TagValue value{};
  if (kExifGetTag(h, tag, &value, directory) != 0) return "-";
  int32_t size = value.count * ElementSize(value.type);
  std::string bytes(static_cast<const char *>(value.data), static_cast<size_t>(size));
  std::free(value.data);
  return bytes;
}

std::string ShortBytes(uint16_t v) { return std::string(reinterpret_cast<const char *>(&v), 2); }
std::string TextBytes(const std::string &t) { return std::string(t.c_str(), t.size() + 1); }

Bytes TiffWith(bool bigEndian, bool exif, bool second) {
  TiffBuilder b(bigEndian);
  Ifd &ifd0 = b.AddDirectory();
  ifd0.Add(Entry::Ascii(271, "Cam")).Add(Entry::Short(296, {2}));
  if (exif) ifd0.Exif().Add(Entry::Short(37383, {5})).Add(Entry::Rational(33434, {{1, 60}}));
  if (second) b.AddDirectory().Add(Entry::Short(259, {6})).Thumbnail(FakeJpegStream(200));
  return b.Build();
}

class EditRoundTrip : public ::testing::TestWithParam<std::tuple<bool, bool>> {};

// Set, get, delete, get for a tag of each kind in JPEG and TIFF documents of
// both byte orders.
TEST_P(EditRoundTrip, SetGetDeleteGetForDirectoryAndExifTags) {
  const auto [bigEndian, jpeg] = GetParam();
  TempDir dir;
  Bytes tiff = TiffWith(bigEndian, true, true);
  Doc doc(dir, jpeg ? MakeJpeg(tiff) : tiff, jpeg ? "a.jpg" : "a.tif");
  ASSERT_NE(doc.handle, nullptr);
  EXPECT_EQ(SetText(doc.handle, 270, "Harbour"), 0);
  EXPECT_EQ(SetShort(doc.handle, 37385, 16), 0);
  EXPECT_EQ(SetShort(doc.handle, 259, 1, 1), 0);  // replaced in directory 1
  EXPECT_EQ(Get(doc.handle, 270), TextBytes("Harbour"));
  EXPECT_EQ(Get(doc.handle, 37385), ShortBytes(16));
  EXPECT_EQ(Get(doc.handle, 259, 1), ShortBytes(1));
  EXPECT_EQ(EntryIds(doc.tree().FindDirectory(0)), (std::vector<int32_t>{270, 271, 296, 34665}));
  EXPECT_EQ(EntryIds(doc.tree().exifPointerTag), (std::vector<int32_t>{33434, 37383, 37385}));
  EXPECT_EQ(CountNodeValue(doc.tree().exifPointerTag), 3);
  EXPECT_EQ(kExifDelTag(doc.handle, 270, 0), 0);
  EXPECT_EQ(kExifDelTag(doc.handle, 37385, 0), 0);
  EXPECT_EQ(Get(doc.handle, 270), "-");
  EXPECT_EQ(Get(doc.handle, 37385), "-");
  EXPECT_EQ(Get(doc.handle, 37383), ShortBytes(5));
  EXPECT_EQ(CountNodeValue(doc.tree().FindDirectory(0)), 3);
  EXPECT_EQ(kExifDelTag(doc.handle, 37385, 0), -1);
}

INSTANTIATE_TEST_SUITE_P(ByteOrderAndFormat, EditRoundTrip,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()));

}  // namespace
}  // namespace kexif::test
