// Saving a JPEG without Exif data that was loaded and not edited writes the
// file back unchanged, whatever lies between its segments.
#include <gtest/gtest.h>

#include <string>

#include "kexif.h"
#include "tests/support/jpeg_builder.h"
#include "tests/support/temp_files.h"

namespace kexif::test {
namespace {

// Loads bytes from a file, saves them under another name and returns the
// saved bytes (empty when the load or the save failed).
Bytes LoadAndSave(const Bytes &bytes) {
  TempDir dir;
  KExifHandle h = kExifLoadFile(dir.Write("in.jpg", bytes).c_str());
  if (h == nullptr) return {};
  const std::string target = dir.File("out.jpg");
  const int32_t result = kExifSaveFile(h, target.c_str());
  kExifDestroy(h);
  return result == 0 ? ReadFileBytes(target) : Bytes{};
}

TEST(SaveUnedited, KeepsAStrayByteBetweenSegmentsBeforeTheScanInItsPlace) {
  JpegBuilder j;
  j.Soi().App0Jfif().Raw({0x00}).Dqt().Sof0().Raw({0xFF, 0xD3, 7}).Dht().Sos().ScanData(700).Eoi();
  EXPECT_EQ(LoadAndSave(j.Build()), j.Build());
}

TEST(SaveUnedited, KeepsALoneFfThatEndsTheFileRightAfterTheScanHeader) {
  JpegBuilder j;
  j.Soi().App0Jfif().Dqt().Sof0().Dht().Sos().Raw({0xFF});
  EXPECT_EQ(LoadAndSave(j.Build()), j.Build());
}

TEST(SaveUnedited, KeepsAnAppSegmentInsideTheScanDataInItsPlace) {
  JpegBuilder j;
  j.Soi().App0Jfif().Dqt().Sof0().Dht().Sos().ScanData(500);
  j.Segment(0xEC, {'D', 'u', 'c', 'k', 0, 1, 2, 3}).ScanData(300).Segment(0xE3, {9, 9}).ScanData(20).Eoi();
  EXPECT_EQ(LoadAndSave(j.Build()), j.Build());
}

TEST(SaveUnedited, KeepsASegmentOfTheReservedMarkerA1WithItsMarkerAndLength) {
  JpegBuilder j;
  j.Soi().App0Jfif().Segment(0xA1, {1, 2, 3}).Dqt().Sof0().Dht().Sos().ScanData(300).Eoi();
  EXPECT_EQ(LoadAndSave(j.Build()), j.Build());
}

// Some cameras append data after the image's EOI (a short video, a maker
// trailer): a save, with or without edits, keeps it at the end of the file.
TEST(SaveUnedited, KeepsTheBytesAfterEoiAndSoDoesASaveWithAnEdit) {
  JpegBuilder j;
  j.Soi().App0Jfif().Dqt().Sof0().Dht().Sos().ScanData(200).Eoi();
  const Bytes trailer = {1, 2, 3, 0xFF, 0x00, 4, 0xFF, 0xD9, 'f', 't', 'y', 'p'};
  j.Raw(trailer);
  EXPECT_EQ(LoadAndSave(j.Build()), j.Build());

  TempDir dir;
  KExifHandle h = kExifLoadFile(dir.Write("in.jpg", j.Build()).c_str());
  ASSERT_NE(h, nullptr);
  uint16_t orientation = 6;
  TagValue value{3, 1, &orientation};
  EXPECT_EQ(kExifSetTag(h, 274, &value, 0), 0);
  const std::string out = dir.File("out.jpg");
  ASSERT_EQ(kExifSaveFile(h, out.c_str()), 0);
  kExifDestroy(h);
  const Bytes saved = ReadFileBytes(out);
  ASSERT_GT(saved.size(), j.Build().size());
  EXPECT_EQ(Bytes(saved.end() - static_cast<std::ptrdiff_t>(trailer.size()), saved.end()), trailer);
}

// A TIFF structure without directories is saved as a header whose first
// directory offset is 0, not 8 (which would name a directory that is not
// there and make the saved file unloadable).
TEST(SaveUnedited, WritesAHeaderWithoutDirectoriesWithFirstOffsetZeroAndItLoadsAgain) {
  const Bytes empty = TiffBuilder().Build();
  for (const bool jpeg : {false, true}) {
    TempDir dir;
    const std::string in = dir.Write(jpeg ? "in.jpg" : "in.tif", jpeg ? MakeJpeg(empty) : empty);
    const std::string out = dir.File(jpeg ? "out.jpg" : "out.tif");
    KExifHandle h = kExifLoadFile(in.c_str());
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(kExifSaveFile(h, out.c_str()), 0);
    kExifDestroy(h);
    const Bytes saved = ReadFileBytes(out);
    const size_t header = jpeg ? 30 : 0;  // SOI, APP0 (18), FF E1, length, "Exif" 00 00
    ASSERT_GE(saved.size(), header + 8);
    EXPECT_EQ(Bytes(saved.begin() + header, saved.begin() + header + 8), (Bytes{'I', 'I', 42, 0, 0, 0, 0, 0}));
    KExifHandle again = kExifLoadFile(out.c_str());
    EXPECT_NE(again, nullptr) << (jpeg ? "jpeg" : "tiff");
    kExifDestroy(again);
  }
}

}  // namespace
}  // namespace kexif::test
