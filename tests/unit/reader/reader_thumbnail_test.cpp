#include <gtest/gtest.h>

#include "tests/support/sample_photo.h"
#include "tests/unit/reader/reader_fixture.h"

namespace kexif::test {
namespace {

Bytes Copy(const ThumbnailData &t) { return Bytes(t.data, t.data + t.length); }

// A TIFF structure whose second directory holds the given entries.
Bytes WithSecondDirectory(bool bigEndian, std::vector<Entry> second, size_t padding = 0) {
  TiffBuilder b(bigEndian);
  b.AddDirectory().Add(Entry::Ascii(271, "Maker"));
  Ifd &ifd1 = b.AddDirectory();
  ifd1.sortEntries = false;
  for (Entry &e : second) ifd1.Add(std::move(e));
  Bytes tiff = b.Build();
  tiff.resize(tiff.size() + padding, 0x5A);
  return tiff;
}

class ReaderThumbnailBothOrders : public ::testing::TestWithParam<bool> {
 protected:
  TempDir dir_;
};

INSTANTIATE_TEST_SUITE_P(ByteOrder, ReaderThumbnailBothOrders, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "BigEndian" : "LittleEndian"; });

TEST_P(ReaderThumbnailBothOrders, ReturnsTheBytesThatTheSecondDirectoryPointsAt) {
  Reader r = OpenBytes(dir_, SamplePhotoJpeg(GetParam()));
  EXPECT_EQ(kRExifIsThumbnailExist(r.get()), 1);
  ThumbnailData t{};
  ASSERT_EQ(kRExifGetThumbnailData(r.get(), &t), 0);
  EXPECT_EQ(Copy(t), FakeJpegStream(2000, 0x31));
}

TEST_P(ReaderThumbnailBothOrders, ReturnsTheThumbnailOfATiffFile) {
  Reader r = OpenBytes(dir_, SampleTiffStructure(GetParam(), 700), "s.tif");
  ASSERT_EQ(kRExifGetFileFormat(r.get()), 2);
  EXPECT_EQ(kRExifIsThumbnailExist(r.get()), 1);
  ThumbnailData t{};
  ASSERT_EQ(kRExifGetThumbnailData(r.get(), &t), 0);
  EXPECT_EQ(Copy(t), FakeJpegStream(700, 0x31));
}

TEST(ReaderThumbnail, OnceTagsAreScannedRepeatedCallsReturnTheContextsCopy) {
  TempDir dir;
  Reader r = OpenBytes(dir, SamplePhotoJpeg());
  TagValue v{};
  ASSERT_EQ(kRExifGetTag(r.get(), 271, &v), 0);
  ThumbnailData first{};
  ThumbnailData second{};
  ASSERT_EQ(kRExifGetThumbnailData(r.get(), &first), 0);
  ASSERT_EQ(kRExifGetThumbnailData(r.get(), &second), 0);
  EXPECT_EQ(first.data, second.data);
  EXPECT_EQ(second.length, 2000);
}

TEST(ReaderThumbnail, OneDirectoryMeansNoThumbnail) {
  TempDir dir;
  TiffBuilder b(false);
  b.AddDirectory().Add(Entry::Ascii(271, "Maker"));
  Reader r = OpenBytes(dir, MakeJpeg(b.Build()));
  ThumbnailData t{};
  EXPECT_EQ(kRExifIsThumbnailExist(r.get()), 0);
  EXPECT_EQ(kRExifGetThumbnailData(r.get(), &t), -1);
}

TEST(ReaderThumbnail, A513InTheFirstDirectoryIsSeenButNotRead) {
  TempDir dir;
  TiffBuilder b(false);
  b.AddDirectory().Add(Entry::Ascii(271, "Maker")).Thumbnail(FakeJpegStream(100));
  Reader r = OpenBytes(dir, MakeJpeg(b.Build()));
  TagValue v{};
  ASSERT_EQ(kRExifGetTag(r.get(), 271, &v), 0);
  ThumbnailData t{};
  EXPECT_EQ(kRExifIsThumbnailExist(r.get()), 1);
  EXPECT_EQ(kRExifGetThumbnailData(r.get(), &t), -1);
}

TEST(ReaderThumbnail, A514Before513IsNotRead) {
  TempDir dir;
  Reader r = OpenBytes(dir, MakeJpeg(WithSecondDirectory(false, {Entry::Long(514, {10}), Entry::Long(513, {8})})));
  ThumbnailData t{};
  EXPECT_EQ(kRExifIsThumbnailExist(r.get()), 1);
  EXPECT_EQ(kRExifGetThumbnailData(r.get(), &t), -1);
}

TEST(ReaderThumbnail, AnEmptyOrOverlongLengthIsRefused) {
  TempDir dir;
  // The thumbnail would start at offset 8 of the TIFF data.
  const uint32_t overlong[] = {0, 5000, 0xFFFFFFFF};
  for (const uint32_t length : overlong) {
    const Bytes tiff = WithSecondDirectory(true, {Entry::Long(513, {8}), Entry::Long(514, {length})}, 64);
    Reader r = OpenBytes(dir, MakeJpeg(tiff, 8192), "t" + std::to_string(length));
    ThumbnailData t{nullptr, 77};
    EXPECT_EQ(kRExifGetThumbnailData(r.get(), &t), -1) << length;
    EXPECT_EQ(t.length, 77);
  }
}

TEST(ReaderThumbnail, AJpegThumbnailMustLieWhollyInsideTheExifPayload) {
  TempDir dir;
  // 513 points into the scan data behind the Exif segment.
  const Bytes tiff = WithSecondDirectory(false, {Entry::Long(513, {400}), Entry::Long(514, {100})});
  Reader r = OpenBytes(dir, MakeJpeg(tiff, 8192));
  ThumbnailData t{};
  EXPECT_EQ(kRExifGetThumbnailData(r.get(), &t), -1);
}

TEST(ReaderThumbnail, SecondDirectoryEntriesThatCannotAllBeReadAreNotExamined) {
  TempDir dir;
  Bytes tiff = WithSecondDirectory(false, {Entry::Long(513, {8}), Entry::Long(514, {4})});
  // Claim 40 entries in the second directory, far more than the data holds.
  const size_t second = tiff[8 + 2 + 12] | (tiff[8 + 2 + 12 + 1] << 8);
  tiff[second] = 40;
  Reader r = OpenBytes(dir, MakeJpeg(tiff));
  EXPECT_EQ(kRExifIsThumbnailExist(r.get()), 0);
  ThumbnailData t{};
  EXPECT_EQ(kRExifGetThumbnailData(r.get(), &t), -1);
}

}  // namespace
}  // namespace kexif::test
