// Writing GPS tags, with the GPS directory made when a photo has none;
// exiftool reads the coordinates back from the saved file.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "edit/gps_directory.h"
#include "model/tree_search.h"
#include "tests/support/hand_tree.h"
#include "tests/support/jpeg_builder.h"
#include "tests/support/loaded_document.h"
#include "tests/support/shell.h"

namespace kexif::test {
namespace {

uint32_t latitude[6] = {48, 1, 51, 1, 30, 1};
uint32_t longitude[6] = {2, 1, 17, 1, 40, 1};

void Geotag(ExifDocument &document) {
  const TagValue values[] = {{kTypeRational, 3, latitude},
                             {kTypeAscii, 2, const_cast<char *>("N")},
                             {kTypeRational, 3, longitude},
                             {kTypeAscii, 2, const_cast<char *>("W")}};
  const uint32_t tags[] = {2, 1, 4, 3};  // out of order on purpose
  for (int i = 0; i < 4; ++i) ASSERT_EQ(SetGpsTag(document, tags[i], values[i]), 1) << tags[i];
}

Bytes WithFirstDirectory(bool bigEndian, bool exif, bool gps, bool second) {
  TiffBuilder b(bigEndian);
  Ifd &first = b.AddDirectory();
  first.Add(Entry::Ascii(271, "Cam")).Add(Entry::Short(296, {2}));
  if (exif) first.Exif().Add(Entry::Rational(33434, {{1, 60}}));
  if (gps) first.Gps().Add(Entry::Ascii(1, "S"));
  if (second) b.AddDirectory().Add(Entry::Short(259, {6}));
  return b.Build();
}

struct GpsCase {
  const char *what;
  Bytes file;
  const char *name;
  Bytes insertedExif;  // TIFF data given to kExifInsertExifMarker first
  std::vector<int32_t> firstDirectory;  // entries of directory 0 afterwards
};

TEST(GpsDirectory, IsMadeWhenMissingWithItsVersionAndEntriesInOrder) {
  const GpsCase cases[] = {
      {"JPEG without Exif data", MakeJpegWithoutExif(), "a.jpg", {}, {34853}},
      {"big-endian JPEG with Exif but no GPS", MakeJpeg(WithFirstDirectory(true, true, false, true)), "b.jpg", {},
       {271, 296, 34665, 34853}},
      {"TIFF without GPS", WithFirstDirectory(false, false, false, true), "c.tif", {}, {271, 296, 34853}},
      {"GPS directory without version", MakeJpeg(WithFirstDirectory(false, false, true, false)), "d.jpg", {},
       {271, 296, 34853}},
      {"Exif segment inserted as bytes", MakeJpegWithoutExif(), "e.jpg", WithFirstDirectory(true, true, false, false),
       {271, 296, 34665, 34853}},
  };
  const bool exiftool = HaveExiftool();
  for (const GpsCase &c : cases) {
    SCOPED_TRACE(c.what);
    Loaded doc(c.file, c.name);
    if (!c.insertedExif.empty()) {
      ExifMarkerData block = ExifBlock(c.insertedExif);
      ASSERT_EQ(kExifInsertExifMarker(doc.handle, &block), 0);
    }
    Geotag(doc.doc());
    EXPECT_EQ(EntryIds(doc.doc().FindDirectory(0)), c.firstDirectory);
    EXPECT_EQ(CountNodeValue(doc.doc().FindDirectory(0)), static_cast<int32_t>(c.firstDirectory.size()));
    TagNode *pointer = FindGpsPointer(doc.doc());
    ASSERT_NE(pointer, nullptr);
    EXPECT_EQ(EntryIds(pointer), (std::vector<int32_t>{0, 1, 2, 3, 4}));
    EXPECT_EQ(CountNodeValue(pointer), 5);
    // The C interface reaches the new entries through directory 0.
    TagValue value{};
    ASSERT_EQ(kExifGetTag(doc.handle, 2, &value, 0), 0);
    EXPECT_EQ(value.count, 3);
    kExifFree(value.data);

    const std::string saved = doc.dir.File(std::string("geo-") + c.name);
    ASSERT_EQ(kExifSaveFile(doc.handle, saved.c_str()), 0);
    Loaded again(saved);
    EXPECT_EQ(EntryIds(FindGpsPointer(again.doc())), (std::vector<int32_t>{0, 1, 2, 3, 4}));
    if (exiftool) {
      EXPECT_EQ(ExiftoolOccurrences(saved, {"Make", "GPSVersionID", "GPSLatitude", "GPSLongitude"}),
                std::string(c.firstDirectory.size() > 1 ? "IFD0=Cam, " : "") +
                    "GPS=2 3 0 0, GPS=48.8583333333333, Composite=48.8583333333333, GPS=2.29444444444444, "
                    "Composite=-2.29444444444444");  // west of Greenwich
    }
  }
}

TEST(GpsDirectory, RefusesWhatItCannotWriteAndChangesNothing) {
  uint8_t byte = 1;
  struct Refusal {
    const char *what;
    Bytes file;
    const char *name;
    uint32_t tag;
    TagValue value;
  } cases[] = {
      {"tag above 65535", MakeJpegWithoutExif(), "a.jpg", 0x10000, {kTypeByte, 1, &byte}},
      {"type 13", MakeJpegWithoutExif(), "b.jpg", 5, {13, 1, &byte}},
      {"negative count", MakeJpegWithoutExif(), "c.jpg", 5, {kTypeByte, -1, &byte}},
      {"missing bytes", MakeJpegWithoutExif(), "d.jpg", 5, {kTypeByte, 2, nullptr}},
      {"TIFF without directories", TiffBuilder().Build(), "e.tif", 5, {kTypeByte, 1, &byte}},
  };
  for (const Refusal &c : cases) {
    SCOPED_TRACE(c.what);
    Loaded doc(c.file, c.name);
    ASSERT_NE(doc.handle, nullptr);
    const std::vector<int32_t> before = TopLevelIds(doc.doc());
    EXPECT_EQ(SetGpsTag(doc.doc(), c.tag, c.value), 0);
    EXPECT_EQ(kExifSetGpsTag(doc.handle, c.tag, &c.value), -1);
    EXPECT_EQ(TopLevelIds(doc.doc()), before);
    EXPECT_EQ(FindGpsPointer(doc.doc()), nullptr);
  }
  TagValue value{kTypeByte, 1, &byte};
  EXPECT_EQ(kExifSetGpsTag(nullptr, 5, &value), -1);
}

}  // namespace
}  // namespace kexif::test
