#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/sample_photo.h"
#include "tests/unit/reader/reader_fixture.h"

namespace kexif::test {
namespace {

class ReaderTagBothOrders : public ::testing::TestWithParam<bool> {
 protected:
  bool big() const { return GetParam(); }
  TempDir dir_;
};

INSTANTIATE_TEST_SUITE_P(ByteOrder, ReaderTagBothOrders, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "BigEndian" : "LittleEndian"; });

TEST_P(ReaderTagBothOrders, ReadsCachedAndExifSubDirectoryTagsOfTheSamplePhoto) {
  for (const bool tiffFile : {false, true}) {
    Reader r = OpenBytes(dir_, tiffFile ? SampleTiffStructure(big()) : SamplePhotoJpeg(big()),
                         tiffFile ? "s.tif" : "s.jpg");
    ASSERT_NE(r.get(), nullptr);
    EXPECT_EQ(kRExifIsExifExist(r.get()), 1);
    TagValue v{};
    ASSERT_EQ(kRExifGetTag(r.get(), 271, &v), 0);
    EXPECT_EQ(v.type, 2);
    EXPECT_EQ(Text(v), "KexifCam");
    ASSERT_EQ(kRExifGetTag(r.get(), 306, &v), 0);
    EXPECT_EQ(Text(v), "2026:12:06 10:00:00");
    ASSERT_EQ(kRExifGetTag(r.get(), 274, &v), 0);
    EXPECT_EQ(Halves(v.data, 1), std::vector<uint16_t>{1});
    ASSERT_EQ(kRExifGetTag(r.get(), 36867, &v), 0);
    EXPECT_EQ(Text(v), "2026:12:06 09:59:58");
    ASSERT_EQ(kRExifGetTag(r.get(), 37380, &v), 0);
    EXPECT_EQ(v.type, 10);
    EXPECT_EQ(Words(v.data, 2), (std::vector<uint32_t>{static_cast<uint32_t>(-1), 3}));
    ASSERT_EQ(kRExifGetTag(r.get(), 40962, &v), 0);
    EXPECT_EQ(Words(v.data, 1), std::vector<uint32_t>{640});
  }
}

TEST_P(ReaderTagBothOrders, InLineAndEightByteValuesComeBackInNativeOrder) {
  Ifd ifd;
  ifd.Exif()
      .Add(Entry::Ascii(37520, "12"))
      .Add(Entry::Short(37396, {0x1234, 0xABCD}))
      .Add(Entry::Rational(33434, {{1, 250}}))
      .Add(Entry::Double(37379, {-2.5}));
  Reader r = OpenBytes(dir_, JpegWithDirectory(big(), std::move(ifd)));
  TagValue v{};
  ASSERT_EQ(kRExifGetTag(r.get(), 37520, &v), 0);
  EXPECT_EQ(v.count, 3);
  EXPECT_EQ(std::memcmp(v.data, "12\0", 3), 0);
  ASSERT_EQ(kRExifGetTag(r.get(), 37396, &v), 0);
  EXPECT_EQ(Halves(v.data, 2), (std::vector<uint16_t>{0x1234, 0xABCD}));
  ASSERT_EQ(kRExifGetTag(r.get(), 33434, &v), 0);
  EXPECT_EQ(Words(v.data, 2), (std::vector<uint32_t>{1, 250}));
  ASSERT_EQ(kRExifGetTag(r.get(), 37379, &v), 0);
  double d = 0;
  std::memcpy(&d, v.data, sizeof d);
  EXPECT_EQ(d, -2.5);
}

TEST_P(ReaderTagBothOrders, TheLastOccurrenceAlongTheChainWins) {
  TiffBuilder b(big());
  b.AddDirectory().Add(Entry::Ascii(306, "2001:01:01 00:00:00"));
  b.AddDirectory().Add(Entry::Ascii(306, "2002:02:02 00:00:00"));
  Reader r = OpenBytes(dir_, MakeJpeg(b.Build()));
  TagValue v{};
  ASSERT_EQ(kRExifGetTag(r.get(), 306, &v), 0);
  EXPECT_EQ(Text(v), "2002:02:02 00:00:00");
}

TEST_P(ReaderTagBothOrders, ATypeZeroEntryEndsTheWalkAndTheChain) {
  TiffBuilder b(big());
  b.AddDirectory().Add(Entry::Ascii(271, "Maker")).Add(Entry::Raw(300, 0, 1, 0)).Add(Entry::Ascii(306, "late"));
  b.AddDirectory().Add(Entry::Ascii(272, "Model"));
  Reader r = OpenBytes(dir_, MakeJpeg(b.Build()));
  TagValue v{};
  EXPECT_EQ(kRExifGetTag(r.get(), 271, &v), 0);
  EXPECT_EQ(kRExifGetTag(r.get(), 306, &v), -1);
  EXPECT_EQ(kRExifGetTag(r.get(), 272, &v), -1);
}

TEST(ReaderTag, FirstDirectoryTagsOutsideTheFiveAreNeverReturned) {
  TempDir dir;
  Reader r = OpenBytes(dir, SamplePhotoJpeg());
  TagValue v{7, 7, nullptr};
  EXPECT_EQ(kRExifGetTag(r.get(), 282, &v), -1);
  EXPECT_EQ(kRExifGetTag(r.get(), 34665, &v), -1);
  EXPECT_EQ(v.type, 7);  // untouched on failure
}

TEST(ReaderTag, ExifSubDirectoryTagsNeedAnExifPointer) {
  TempDir dir;
  Ifd ifd;
  ifd.Add(Entry::Ascii(271, "Maker"));
  ifd.Gps().Add(Entry::Ascii(1, "N"));
  Reader r = OpenBytes(dir, JpegWithDirectory(false, std::move(ifd)));
  TagValue v{};
  EXPECT_EQ(kRExifGetTag(r.get(), 271, &v), 0);
  EXPECT_EQ(kRExifGetTag(r.get(), 36867, &v), -1);
}

TEST(ReaderTag, ACachedTagWithCountZeroIsFoundWithoutData) {
  TempDir dir;
  Ifd ifd;
  ifd.Add(Entry::Raw(270, 2, 0, 0x41414141));
  Reader r = OpenBytes(dir, JpegWithDirectory(false, std::move(ifd)));
  TagValue v{9, 9, &v};
  ASSERT_EQ(kRExifGetTag(r.get(), 270, &v), 0);
  EXPECT_EQ(v.count, 0);
  EXPECT_EQ(v.data, nullptr);
}

TEST(ReaderTag, EachSearchReplacesTheLastFoundTag) {
  TempDir dir;
  Reader r = OpenBytes(dir, SamplePhotoJpeg());
  TagValue first{};
  TagValue second{};
  ASSERT_EQ(kRExifGetTag(r.get(), 36867, &first), 0);
  const std::string firstText = Text(first);
  ASSERT_EQ(kRExifGetTag(r.get(), 33434, &second), 0);
  EXPECT_EQ(second.type, 5);
  EXPECT_EQ(Words(second.data, 2), (std::vector<uint32_t>{1, 160}));
  TagValue again{};
  ASSERT_EQ(kRExifGetTag(r.get(), 36867, &again), 0);
  EXPECT_EQ(Text(again), firstText);
  EXPECT_EQ(kRExifGetTag(r.get(), 41495, &again), -1);  // a member that is absent
}

TEST(ReaderTag, OrientationIsSearchedInTheExifSubDirectoryWhenTheChainHasNone) {
  TempDir dir;
  Ifd ifd;
  ifd.Add(Entry::Ascii(271, "Maker"));
  ifd.Exif().Add(Entry::Short(274, {6}));
  Reader r = OpenBytes(dir, JpegWithDirectory(true, std::move(ifd)));
  TagValue v{};
  ASSERT_EQ(kRExifGetTag(r.get(), 274, &v), 0);
  EXPECT_EQ(Halves(v.data, 1), std::vector<uint16_t>{6});
}

TEST(ReaderTag, AFirstDirectoryOffsetPastThePayloadFindsNothing) {
  TempDir dir;
  Bytes tiff = TiffBuilder(false).Build();
  tiff.resize(8);
  tiff[4] = 0x88;  // first directory at 0x1388, beyond the data
  tiff[5] = 0x13;
  Reader r = OpenBytes(dir, MakeJpeg(tiff));
  TagValue v{};
  EXPECT_EQ(kRExifGetTag(r.get(), 271, &v), -1);
  EXPECT_EQ(kRExifGetTag(r.get(), 36867, &v), -1);
}

TEST(ReaderTag, LoopingChainsEndAndKeepWhatWasSeen) {
  TempDir dir;
  for (const bool tiffFile : {false, true}) {
    TiffBuilder b(false);
    b.AddDirectory().Add(Entry::Ascii(271, "Maker"));
    b.AddDirectory().Add(Entry::Ascii(272, "Model")).rawNextOffset = 8;  // back to the first
    const Bytes tiff = b.Build();
    Reader r = OpenBytes(dir, tiffFile ? tiff : MakeJpeg(tiff), tiffFile ? "loop.tif" : "loop.jpg");
    TagValue v{};
    EXPECT_EQ(kRExifGetTag(r.get(), 271, &v), 0);
    EXPECT_EQ(kRExifGetTag(r.get(), 272, &v), 0);
  }
}

TEST(ReaderTag, LongChainsAreCutAtTheDirectoryCap) {
  TempDir dir;
  TiffBuilder b(false);
  for (int i = 0; i < 300; ++i) b.AddDirectory().Add(Entry::Ascii(306, "dir " + std::to_string(i)));
  Reader r = OpenBytes(dir, MakeJpeg(b.Build()));
  TagValue v{};
  ASSERT_EQ(kRExifGetTag(r.get(), 306, &v), 0);
  EXPECT_EQ(Text(v), "dir 255");
}

TEST(ReaderTag, HugeCountsAndValuesPastTheDataAreRefused) {
  TempDir dir;
  Ifd ifd;
  ifd.Add(Entry::Ascii(271, "Maker"));
  Entry huge = Entry::Ascii(306, "2001:01:01 00:00:00");
  huge.rawCount = 0x40000000;
  ifd.Add(huge);
  Entry pastEnd = Entry::Raw(272, 2, 40, 0x7FFFFFF0);
  ifd.Add(pastEnd);
  Entry overflow = Entry::Rational(33434, {{1, 2}});
  overflow.rawCount = 0x20000001;  // x 8 overflows 32 bits
  ifd.Exif().Add(overflow).Add(Entry::Raw(33437, 5, 1, 0xFFFFFFFC));
  Reader r = OpenBytes(dir, JpegWithDirectory(false, std::move(ifd)));
  TagValue v{};
  EXPECT_EQ(kRExifGetTag(r.get(), 271, &v), 0);
  EXPECT_EQ(kRExifGetTag(r.get(), 306, &v), -1);
  EXPECT_EQ(kRExifGetTag(r.get(), 272, &v), -1);
  EXPECT_EQ(kRExifGetTag(r.get(), 33434, &v), -1);
  EXPECT_EQ(kRExifGetTag(r.get(), 33437, &v), -1);
}

TEST(ReaderTag, ValuesMustLieInsideTheExifPayloadNotJustTheFile) {
  TempDir dir;
  TiffBuilder b(false);
  b.AddDirectory().Add(Entry::Raw(271, 2, 16, 3000)).Exif().Add(Entry::Raw(36867, 2, 20, 3000));
  // The offsets lie past the TIFF data but inside the file's scan bytes.
  Reader r = OpenBytes(dir, MakeJpeg(b.Build(), 8192));
  TagValue v{};
  EXPECT_EQ(kRExifGetTag(r.get(), 271, &v), -1);
  EXPECT_EQ(kRExifGetTag(r.get(), 36867, &v), -1);
}

TEST(ReaderTag, NegativeOrOversizedDirectoryOffsetsAreNotFollowed) {
  TempDir dir;
  Ifd ifd;
  ifd.Add(Entry::Ascii(271, "Maker")).Add(Entry::Raw(34665, 4, 1, 0x80000000));
  ifd.rawNextOffset = 0xFFFFFFF0;
  Reader r = OpenBytes(dir, JpegWithDirectory(false, std::move(ifd)));
  TagValue v{};
  EXPECT_EQ(kRExifIsExifExist(r.get()), 1);
  EXPECT_EQ(kRExifGetTag(r.get(), 271, &v), 0);
  EXPECT_EQ(kRExifGetTag(r.get(), 36867, &v), -1);
}

TEST(ReaderTag, DirectoriesThatCannotBeReadWhollyAreNotExamined) {
  TempDir dir;
  // An entry count of 0x8000 counts as negative; 50 entries do not fit.
  for (const uint16_t count : {uint16_t{0x8000}, uint16_t{50}}) {
    Bytes tiff = {'I', 'I', 42, 0, 8, 0, 0, 0, static_cast<uint8_t>(count), static_cast<uint8_t>(count >> 8)};
    const Bytes entry = {0x0F, 0x01, 2, 0, 3, 0, 0, 0, 'a', 'b', 0, 0};  // 271, ASCII, "ab"
    tiff.insert(tiff.end(), entry.begin(), entry.end());
    Reader r = OpenBytes(dir, MakeJpeg(tiff), "d" + std::to_string(count));
    TagValue v{};
    EXPECT_EQ(kRExifGetTag(r.get(), 271, &v), -1);
  }
}

TEST(ReaderTag, ATiffFileWithoutRecordedTagsAnswersMinusOne) {
  TempDir dir;
  TiffBuilder b(true);
  b.AddDirectory().Add(Entry::Short(256, {640}));
  Reader r = OpenBytes(dir, b.Build());
  TagValue v{};
  EXPECT_EQ(kRExifGetTag(r.get(), 271, &v), -1);
  EXPECT_EQ(kRExifGetTag(r.get(), 36867, &v), -1);
}

}  // namespace
}  // namespace kexif::test
