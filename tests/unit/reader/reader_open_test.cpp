#include <gtest/gtest.h>

#include "tests/support/sample_photo.h"
#include "tests/unit/reader/reader_fixture.h"

namespace kexif::test {
namespace {

Bytes MinimalTiff(bool bigEndian, const std::string &make = "Maker") {
  TiffBuilder b(bigEndian);
  b.AddDirectory().Add(Entry::Ascii(271, make));
  return b.Build();
}

TEST(ReaderOpen, TellsJpegFromTiffByTheFirstTwoBytesOnly) {
  TempDir dir;
  const struct {
    Bytes bytes;
    int32_t format;  // 0: refused
  } cases[] = {
      {{0xFF, 0xD8, 0xFF, 0xD9}, 1}, {{'I', 'I', 42, 0, 8, 0, 0, 0}, 2}, {{'M', 'M', 0, 42, 0, 0, 0, 8}, 2},
      {{'I', 'I', 0xFF, 0xFF}, 2},   {{'M', 'M', 'x', 'y', 'z'}, 2},     {{'M', 'M'}, 2},
      {{'I', 'M', 42, 0}, 0},        {{'M', 'I', 0, 42}, 0},             {{0xFF, 0xD9, 0xFF, 0xD8}, 0},
      {{0xFF}, 0},                   {{}, 0},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    Reader r = OpenBytes(dir, cases[i].bytes);
    ASSERT_EQ(r.get() != nullptr, cases[i].format != 0);
    if (r == nullptr) continue;
    EXPECT_EQ(kRExifGetFileFormat(r.get()), cases[i].format);
    EXPECT_EQ(kRExifIsExifExist(r.get()), 0);
  }
}

TEST(ReaderOpen, OpensEightBitAndUtf16NamesAndRefusesMissingFilesNullNamesAndFolders) {
  TempDir dir;
  const std::string name = dir.Write("photo-\xC3\xA9t\xC3\xA9.jpg", SamplePhotoJpeg());
  EXPECT_EQ(kRExifIsExifExist(OpenReader(name.c_str()).get()), 1);
  EXPECT_EQ(kRExifGetFileFormat(OpenReader(Utf16(name).c_str()).get()), 1);
  EXPECT_EQ(kRExifBeginRead(dir.File("absent.jpg").c_str()), nullptr);
  EXPECT_EQ(kRExifBeginRead(nullptr), nullptr);
  EXPECT_EQ(kRExifBeginRead(dir.path().c_str()), nullptr);
}

TEST(ReaderOpen, NullContextsAndNullOutPointersAnswerAbsence) {
  TempDir dir;
  Reader r = OpenBytes(dir, SamplePhotoJpeg());
  ASSERT_NE(r.get(), nullptr);
  kRExifEndRead(nullptr);
  TagValue v{};
  ThumbnailData t{};
  ExifMarkerData m{};
  TifExifData *record = nullptr;
  EXPECT_EQ(kRExifGetFileFormat(nullptr), 0);
  EXPECT_EQ(kRExifIsExifExist(nullptr), 0);
  EXPECT_EQ(kRExifIsThumbnailExist(nullptr), 0);
  EXPECT_EQ(kRExifIsAudioExist(nullptr), 0);
  EXPECT_EQ(kRExifGetTag(nullptr, 271, &v), -1);
  EXPECT_EQ(kRExifGetTag(r.get(), 271, nullptr), -1);
  EXPECT_EQ(kRExifGetThumbnailData(nullptr, &t), -1);
  EXPECT_EQ(kRExifGetThumbnailData(r.get(), nullptr), -1);
  EXPECT_EQ(kRExifGetAudioFile(nullptr, "x.wav"), -1);
  EXPECT_EQ(kRExifGetAudioFile(r.get(), nullptr), -1);
  EXPECT_EQ(kRExifGetExifMarker(nullptr, &m), -1);
  EXPECT_EQ(kRExifGetExifMarker(r.get(), nullptr), -1);
  EXPECT_EQ(kRExifGetTIFExifData(nullptr, &record), -1);
  EXPECT_EQ(kRExifGetTIFExifData(r.get(), nullptr), -1);
}

TEST(JpegScan, DescribesTheLastExifSegmentBeforeSosAndNoOtherApp1) {
  TempDir dir;
  const Bytes tiff = MinimalTiff(false);
  Bytes notExif = ExifPayload(tiff);
  notExif[3] = 'x';
  const struct {
    const char *name;
    Bytes file;
    std::string make;  // "absent": no Exif found
  } rows[] = {
      {"two Exif segments", JpegBuilder().Soi().App1Exif(tiff).App1Exif(MinimalTiff(false, "Second")).Sos().Eoi().Build(),
       "Second"},
      {"an early EOI and stray bytes, no SOS", JpegBuilder().Soi().Eoi().Raw({0x12, 0x34}).Dqt().App1Exif(MinimalTiff(true)).Build(),
       "Maker"},
      {"only an XMP APP1", JpegBuilder().Soi().App1Xmp().Sos().ScanData(8).Eoi().Build(), "absent"},
      {"no APP1", MakeJpegWithoutExif(), "absent"},
      {"an APP1 whose identifier is Exix", JpegBuilder().Soi().Segment(0xE1, notExif).Sos().Eoi().Build(), "absent"},
      {"Exif after SOS", JpegBuilder().Soi().Sos().App1Exif(tiff).Eoi().Build(), "absent"},
      {"a length of 0 before Exif", JpegBuilder().Soi().SegmentWithLength(0xDB, 0, {}).App1Exif(tiff).Build(), "absent"},
      {"a length of 1 before Exif", JpegBuilder().Soi().SegmentWithLength(0xE3, 1, {}).App1Exif(tiff).Build(), "absent"},
      {"a 2-byte APP1 payload followed by bytes that spell Exif",
       JpegBuilder().Soi().SegmentWithLength(0xE1, 4, {'E', 'x'}).Raw({'i', 'f'}).Sos().Eoi().Build(), "absent"},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(row.name);
    Reader r = OpenBytes(dir, row.file);
    ASSERT_NE(r.get(), nullptr);
    EXPECT_EQ(kRExifIsExifExist(r.get()), row.make == "absent" ? 0 : 1);
    EXPECT_EQ(TagText(r.get(), 271), row.make);
  }
}

TEST(JpegScan, FpxrSegmentsBeyondTheTableAreNotRecordedButTheScanGoesOn) {
  TempDir dir;
  JpegBuilder b;
  b.Soi();
  for (int i = 0; i < 2999; ++i) b.Segment(0xE2, {'F', 'P', 'X', 'R', 0, 0, 1});
  // A clip starts in the 3000th FPXR segment, the table's last, and ends in
  // the 3001st, which lies beyond it.
  Bytes clip = FpxrStreamPayload(1, 0, Bytes(28, 0));
  const Bytes wave = FakeWave(40);
  clip.insert(clip.end(), wave.begin(), wave.begin() + 20);
  b.Segment(0xE2, clip).Segment(0xE2, FpxrStreamPayload(1, 0, Bytes(wave.begin() + 20, wave.end())));
  b.App1Exif(MinimalTiff(false)).Sos().Eoi();
  Reader r = OpenBytes(dir, b.Build());
  ASSERT_NE(r.get(), nullptr);
  EXPECT_EQ(kRExifIsExifExist(r.get()), 1);
  EXPECT_EQ(kRExifIsAudioExist(r.get()), 1);
  EXPECT_EQ(kRExifGetAudioFile(r.get(), dir.File("clip.wav").c_str()), -1);
}

TEST(JpegScan, ATruncatedFileGivesAContextThatReportsAbsence) {
  TempDir dir;
  Bytes bytes = SamplePhotoJpeg();
  bytes.resize(200);  // inside the Exif segment
  Reader r = OpenBytes(dir, bytes);
  ASSERT_NE(r.get(), nullptr);
  EXPECT_EQ(kRExifIsExifExist(r.get()), 1);
  ThumbnailData t{};
  ExifMarkerData m{};
  EXPECT_EQ(TagText(r.get(), 271), "absent");
  EXPECT_EQ(TagText(r.get(), 36867), "absent");
  EXPECT_EQ(kRExifIsThumbnailExist(r.get()), 0);
  EXPECT_EQ(kRExifGetThumbnailData(r.get(), &t), -1);
  EXPECT_EQ(kRExifGetExifMarker(r.get(), &m), -1);
}

}  // namespace
}  // namespace kexif::test
