// Thumbnails, Exif segments and TIFF Exif records carried through a save,
// checked by reloading and by exiftool.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/support/jpeg_builder.h"
#include "tests/support/loaded_document.h"
#include "tests/support/sample_photo.h"
#include "tests/support/shell.h"
#include "tests/support/temp_files.h"
#include "tests/support/tree_maker.h"

namespace kexif::test {
namespace {

std::vector<int32_t> Markers(const Bytes &jpeg) {
  std::vector<int32_t> markers;
  for (const SegmentSpan &s : ScanSegments(jpeg)) markers.push_back(s.marker);
  return markers;
}

// The first element of a tag's value (a whole text for ASCII); "?" when
// the query fails.
std::string ValueText(KExifHandle h, uint32_t tag, int32_t directory = 0) {
  TagValue v{};
  if (kExifGetTag(h, tag, &v, directory) != 0) return "?";
  uint32_t number = 0;
  if (v.type != kTypeAscii) std::memcpy(&number, v.data, v.type == kTypeShort ? 2 : 4);
  const std::string text = v.type == kTypeAscii ? static_cast<const char *>(v.data) : std::to_string(number);
  std::free(v.data);
  return text;
}

TEST(PayloadRoundTrip, CarriesTheExifSegmentOfOneJpegIntoAnother) {
  TempDir dir;
  const std::string source = dir.Write("source.jpg", SamplePhotoJpeg(true));
  TiffBuilder other;
  other.AddDirectory().Add(Entry::Ascii(271, "Target"));
  JpegBuilder j;
  j.Soi().App0Jfif().App1Exif(other.Build()).App1Xmp().Dqt().Sof0().Dht().Sos().ScanData(300).Eoi();
  const std::string target = dir.Write("target.jpg", j.Build());
  const std::string saved = dir.File("saved.jpg");

  KRExifHandle reader = kRExifBeginRead(source.c_str());
  ExifMarkerData marker{};
  ASSERT_EQ(kRExifGetExifMarker(reader, &marker), 0);
  kRExifEndRead(reader);
  {
    Loaded doc(target);
    ASSERT_EQ(kExifRemoveMarker(doc.handle, 0xE1, 0), 0);
    ASSERT_EQ(kExifInsertExifMarker(doc.handle, &marker), 0);
    ASSERT_EQ(kExifSaveFile(doc.handle, saved.c_str()), 0);
  }
  const Bytes bytes = ReadFileBytes(saved);
  EXPECT_EQ(Markers(bytes), (std::vector<int32_t>{0xD8, 0xE0, 0xE1, 0xDB, 0xC0, 0xC4, 0xDA, 0xA1, 0xD9}));
  Loaded reloaded(saved);
  EXPECT_EQ(ValueText(reloaded.handle, 271), "KexifCam");
  EXPECT_EQ(FetchThumbnail(reloaded.handle).bytes, FakeJpegStream(2000, 0x31));
  if (!HaveExiftool()) GTEST_SKIP() << "exiftool not installed";
  EXPECT_EQ(ExiftoolValue(saved, "Make"), "KexifCam");
  EXPECT_EQ(ExiftoolValue(saved, "ISO"), "200");
  EXPECT_EQ(ExiftoolBinary(saved, "ThumbnailImage"), FakeJpegStream(2000, 0x31));
}

TEST(PayloadRoundTrip, CarriesTheExifRecordOfOneTiffIntoAnother) {
  TempDir dir;
  TiffBuilder from;
  Ifd &ifd = from.AddDirectory();
  ifd.Add(Entry::Ascii(271, "FromCam")).strips = {Bytes(8, 1)};
  ifd.Exif().Add(Entry::Rational(33434, {{1, 125}})).Add(Entry::Short(34855, {400})).Add(
      Entry::Rational(37386, {{35, 1}}));
  TiffBuilder to;
  to.AddDirectory().Add(Entry::Ascii(271, "ToCam")).strips = {Bytes(40, 0x5A)};
  const std::string source = dir.Write("from.tif", from.Build());
  const std::string target = dir.Write("to.tif", to.Build());
  const std::string saved = dir.File("saved.tif");

  KRExifHandle reader = kRExifBeginRead(source.c_str());
  TifExifData *record = nullptr;
  ASSERT_EQ(kRExifGetTIFExifData(reader, &record), 0);
  kRExifEndRead(reader);
  {
    Loaded doc(target);
    ASSERT_EQ(kExifSetTIFExifData(doc.handle, record), 0);
    ASSERT_EQ(kExifSaveFile(doc.handle, saved.c_str()), 0);
  }
  Loaded reloaded(saved);
  EXPECT_EQ(ValueText(reloaded.handle, 271), "ToCam");
  EXPECT_EQ(ValueText(reloaded.handle, 34855), "400");
  if (!HaveExiftool()) GTEST_SKIP() << "exiftool not installed";
  EXPECT_EQ(ExiftoolValue(saved, "Make"), "ToCam");
  EXPECT_EQ(ExiftoolValue(saved, "ExposureTime"), "0.008");
  EXPECT_EQ(ExiftoolValue(saved, "FocalLength"), "35");
  EXPECT_EQ(ExiftoolValue(saved, "ISO"), "400");
}

TEST(PayloadRoundTrip, KeepsAFullImageBehindAThumbnailPutInFrontOfIt) {
  TempDir dir;
  TiffBuilder b;
  b.AddDirectory().Add(Entry::Ascii(271, "Cam")).strips = {Bytes(64, 0xAA)};
  Ifd &page = b.AddDirectory();
  page.Add(Entry::Long(254, {0})).Add(Entry::Short(256, {8})).strips = {Bytes(24, 0xBB), Bytes(24, 0xCC)};
  const std::string path = dir.Write("a.tif", b.Build());
  const std::string saved = dir.File("saved.tif");
  {
    Loaded doc(path);
    ASSERT_EQ(SetThumbnail(doc.handle, FakeJpegStream(500, 6)), 0);
    ASSERT_EQ(kExifSaveFile(doc.handle, saved.c_str()), 0);
  }
  Loaded reloaded(saved);
  ASSERT_NE(reloaded.handle, nullptr);
  EXPECT_EQ(reloaded.doc().CountDirectories(), 3);
  EXPECT_EQ(ValueText(reloaded.handle, 254, 1), "1");
  EXPECT_EQ(FetchThumbnail(reloaded.handle).bytes, FakeJpegStream(500, 6));
  // The full image is directory 2 now, its two strips intact.
  TagValue offsets{};
  ASSERT_EQ(kExifGetTag(reloaded.handle, 273, &offsets, 2), 0);
  ASSERT_EQ(offsets.count, 2);
  uint32_t at[2];
  std::memcpy(at, offsets.data, sizeof at);
  std::free(offsets.data);
  const Bytes file = ReadFileBytes(saved);
  ASSERT_LE(at[1] + 24u, file.size());
  EXPECT_EQ(Bytes(file.begin() + at[0], file.begin() + at[0] + 24), Bytes(24, 0xBB));
  EXPECT_EQ(Bytes(file.begin() + at[1], file.begin() + at[1] + 24), Bytes(24, 0xCC));
  if (!HaveExiftool()) GTEST_SKIP() << "exiftool not installed";
  EXPECT_EQ(ExiftoolBinary(saved, "ThumbnailImage"), FakeJpegStream(500, 6));
  EXPECT_EQ(ExiftoolValue(saved, "IFD2:SubfileType"), "0");
}

TEST(PayloadRoundTrip, SavesAThumbnailGivenToAJpegWithoutExifData) {
  TempDir dir;
  const std::string path = dir.Write("a.jpg", MakeJpegWithoutExif(200));
  const std::string saved = dir.File("saved.jpg");
  {
    Loaded doc(path);
    ASSERT_EQ(SetThumbnail(doc.handle, FakeJpegStream(3000, 2)), 0);
    ASSERT_EQ(kExifSaveFile(doc.handle, saved.c_str()), 0);
  }
  Loaded reloaded(saved);
  EXPECT_EQ(kExifIsThumbnailExist(reloaded.handle), 1);
  EXPECT_EQ(FetchThumbnail(reloaded.handle).bytes, FakeJpegStream(3000, 2));
  EXPECT_EQ(Markers(ReadFileBytes(saved))[2], 0xE1);
  if (!HaveExiftool()) GTEST_SKIP() << "exiftool not installed";
  EXPECT_EQ(ExiftoolBinary(saved, "ThumbnailImage"), FakeJpegStream(3000, 2));
  EXPECT_EQ(ExiftoolValue(saved, "XResolution"), "72");
}

TEST(PayloadRoundTrip, AfterASaveOnlyWhatIsHeldInMemoryIsServed) {
  Loaded unread(SamplePhotoJpeg());
  Loaded read(SamplePhotoJpeg());
  ASSERT_EQ(FetchThumbnail(read.handle).result, 0);
  ASSERT_EQ(kExifSaveFile(unread.handle, unread.dir.File("b.jpg").c_str()), 0);
  ASSERT_EQ(kExifSaveFile(read.handle, read.dir.File("c.jpg").c_str()), 0);
  const Fetched f = FetchThumbnail(unread.handle);
  EXPECT_EQ(f.result, -1);
  EXPECT_TRUE(f.recordCleared);
  EXPECT_EQ(FetchThumbnail(read.handle).bytes, FakeJpegStream(2000, 0x31));
  // Editing the segment list reads nothing from the file.
  EXPECT_EQ(kExifRemoveMarker(unread.handle, 0xE0, 0x4649464A), 0);
  EXPECT_EQ(SetThumbnail(unread.handle, FakeJpegStream(10)), 0);
}

TEST(PayloadRoundTrip, WritesADamagedInsertedBlockAsGivenAndNothingHalfParsed) {
  TempDir dir;
  const std::string path = dir.Write("a.jpg", MakeJpegWithoutExif(100));
  const std::string saved = dir.File("saved.jpg");
  TiffBuilder b;
  b.AddDirectory().Add(Entry::Ascii(271, "Cam")).Add(Entry::Raw(300, 0, 1, 0));
  ExifMarkerData marker = ExifBlock(b.Build());
  const Bytes payload(marker.data, marker.data + marker.length);
  {
    Loaded doc(path);
    ASSERT_EQ(kExifInsertExifMarker(doc.handle, &marker), 0);
    ASSERT_EQ(kExifSaveFile(doc.handle, saved.c_str()), 0);
  }
  const Bytes bytes = ReadFileBytes(saved);
  const SegmentSpan app1 = ScanSegments(bytes)[2];
  ASSERT_EQ(app1.marker, 0xE1);
  EXPECT_EQ(Bytes(bytes.begin() + app1.offset, bytes.begin() + app1.offset + app1.length), payload);
}

}  // namespace
}  // namespace kexif::test
