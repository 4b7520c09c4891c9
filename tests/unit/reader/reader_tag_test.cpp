#include <gtest/gtest.h>

#include <functional>

#include "tests/support/sample_photo.h"
#include "tests/unit/reader/reader_fixture.h"

namespace kexif::test {
namespace {

using Answers = std::vector<std::pair<uint32_t, std::string>>;

struct Row {
  const char *name;
  Bytes file;
  Answers answers;
};

void ExpectAnswers(const std::vector<Row> &rows) {
  TempDir dir;
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    Reader r = OpenBytes(dir, row.file);
    ASSERT_NE(r.get(), nullptr);
    for (const auto &[tag, text] : row.answers) EXPECT_EQ(TagText(r.get(), tag), text) << tag;
  }
}


Bytes Tiff(bool bigEndian, const std::function<void(TiffBuilder &)> &build) {
  TiffBuilder b(bigEndian);
  build(b);
  return b.Build();
}

class ReaderTagBothOrders : public ::testing::TestWithParam<bool> {
 protected:
  bool big() const { return GetParam(); }
  TempDir dir_;
};

INSTANTIATE_TEST_SUITE_P(ByteOrder, ReaderTagBothOrders, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "BigEndian" : "LittleEndian"; });

TEST_P(ReaderTagBothOrders, ReadsCachedAndExifSubDirectoryTagsAndTheThumbnailOfTheSamplePhoto) {
  for (const bool tiffFile : {false, true}) {
    SCOPED_TRACE(tiffFile ? "TIFF" : "JPEG");
    Reader r = OpenBytes(dir_, tiffFile ? SampleTiffStructure(big(), 700) : SamplePhotoJpeg(big()));
    ASSERT_NE(r.get(), nullptr);
    EXPECT_EQ(kRExifIsExifExist(r.get()), 1);
    // The bytes the second directory points at: from the start of a TIFF
    // file, from the TIFF header inside a JPEG's Exif segment.
    EXPECT_EQ(kRExifIsThumbnailExist(r.get()), 1);
    ThumbnailData t{};
    ASSERT_EQ(kRExifGetThumbnailData(r.get(), &t), 0);
    EXPECT_EQ(Bytes(t.data, t.data + t.length), FakeJpegStream(tiffFile ? 700 : 2000, 0x31));
    // 36867 is asked again after other lookups replaced the found value;
    // first-directory tags other than the five cached ones are never returned.
    for (const auto &[tag, text] :
         Answers{{271, "KexifCam"}, {306, "2026:12:06 10:00:00"}, {274, "1"}, {36867, "2026:12:06 09:59:58"},
                 {37380, "-1/3"}, {40962, "640"}, {33434, "1/160"}, {36867, "2026:12:06 09:59:58"},
                 {41495, "absent"}, {282, "absent"}, {34665, "absent"}}) {
      EXPECT_EQ(TagText(r.get(), tag), text) << tag;
    }
    // Once the tags are scanned, each call hands back the context's copy.
    ThumbnailData first{};
    ThumbnailData second{};
    ASSERT_EQ(kRExifGetThumbnailData(r.get(), &first), 0);
    ASSERT_EQ(kRExifGetThumbnailData(r.get(), &second), 0);
    EXPECT_EQ(first.data, second.data);
    EXPECT_EQ(second.length, t.length);
  }
}

TEST_P(ReaderTagBothOrders, InLineAndEightByteValuesComeBackInNativeOrder) {
  Reader r = OpenBytes(dir_, MakeJpeg(Tiff(big(), [](TiffBuilder &b) {
                         b.AddDirectory().Exif().Add(Entry::Ascii(37520, "12")).Add(Entry::Short(37396, {0x1234, 0xABCD}))
                             .Add(Entry::Rational(33434, {{1, 250}})).Add(Entry::Double(37379, {-2.5}));
                       })));
  EXPECT_EQ(TagText(r.get(), 37520), "12");
  EXPECT_EQ(TagText(r.get(), 37396), "4660 43981");
  EXPECT_EQ(TagText(r.get(), 33434), "1/250");
  EXPECT_EQ(TagText(r.get(), 37379), "-2.5");
}

TEST(ReaderTag, FindsTagsWhereTheChainAndTheExifPointerLeadOnly) {
  ExpectAnswers({
      {"the last occurrence along the chain wins", MakeJpeg(Tiff(true, [](TiffBuilder &b) {
         b.AddDirectory().Add(Entry::Ascii(306, "2001:01:01 00:00:00"));
         b.AddDirectory().Add(Entry::Ascii(306, "2002:02:02 00:00:00"));
       })),
       {{306, "2002:02:02 00:00:00"}}},
      {"a type-zero entry ends the walk and the chain", MakeJpeg(Tiff(false, [](TiffBuilder &b) {
         b.AddDirectory().Add(Entry::Ascii(271, "Maker")).Add(Entry::Raw(300, 0, 1, 0)).Add(Entry::Ascii(306, "late"));
         b.AddDirectory().Add(Entry::Ascii(272, "Model"));
       })),
       {{271, "Maker"}, {306, "absent"}, {272, "absent"}}},
      {"Exif sub-directory tags need an Exif pointer", MakeJpeg(Tiff(false, [](TiffBuilder &b) {
         b.AddDirectory().Add(Entry::Ascii(271, "Maker")).Gps().Add(Entry::Ascii(1, "N"));
       })),
       {{271, "Maker"}, {36867, "absent"}}},
      {"a cached tag with count zero is found without data", MakeJpeg(Tiff(false, [](TiffBuilder &b) {
         b.AddDirectory().Add(Entry::Raw(270, 2, 0, 0x41414141));
       })),
       {{270, "no data, count 0"}}},
      {"orientation is searched in the Exif sub-directory when the chain has none",
       MakeJpeg(Tiff(true, [](TiffBuilder &b) {
         b.AddDirectory().Add(Entry::Ascii(271, "Maker")).Exif().Add(Entry::Short(274, {6}));
       })),
       {{274, "6"}}},
      {"a TIFF file without recorded tags", Tiff(true, [](TiffBuilder &b) {
         b.AddDirectory().Add(Entry::Short(256, {640}));
       }),
       {{271, "absent"}, {36867, "absent"}}},
  });
}

TEST(ReaderTag, RefusesOffsetsCountsAndChainsThatLeadOutsideTheData) {
  const Bytes loop = Tiff(false, [](TiffBuilder &b) {
    b.AddDirectory().Add(Entry::Ascii(271, "Maker"));
    b.AddDirectory().Add(Entry::Ascii(272, "Model")).rawNextOffset = 8;  // back to the first
  });
  // One entry 271 ASCII "ab" behind the given entry count.
  const auto claiming = [](uint16_t count) {
    return MakeJpeg({'I', 'I', 42, 0, 8, 0, 0, 0, static_cast<uint8_t>(count), static_cast<uint8_t>(count >> 8),
                     0x0F, 0x01, 2, 0, 3, 0, 0, 0, 'a', 'b', 0, 0});
  };
  ExpectAnswers({
      {"a first directory offset past the payload", MakeJpeg({'I', 'I', 42, 0, 0x88, 0x13, 0, 0}),
       {{271, "absent"}, {36867, "absent"}}},
      {"a looping chain in a JPEG ends and keeps what was seen", MakeJpeg(loop), {{271, "Maker"}, {272, "Model"}}},
      {"a looping chain in a TIFF file ends and keeps what was seen", loop, {{271, "Maker"}, {272, "Model"}}},
      {"a long chain is cut at the directory cap", MakeJpeg(Tiff(false, [](TiffBuilder &b) {
         for (int i = 0; i < 300; ++i) b.AddDirectory().Add(Entry::Ascii(306, "dir " + std::to_string(i)));
       })),
       {{306, "dir 255"}}},
      {"huge counts and values past the data", MakeJpeg(Tiff(false, [](TiffBuilder &b) {
         Entry huge = Entry::Ascii(306, "2001:01:01 00:00:00");
         huge.rawCount = 0x40000000;
         Entry overflow = Entry::Rational(33434, {{1, 2}});
         overflow.rawCount = 0x20000001;  // x 8 overflows 32 bits
         b.AddDirectory().Add(Entry::Ascii(271, "Maker")).Add(huge).Add(Entry::Raw(272, 2, 40, 0x7FFFFFF0));
         b.Directory(0).Exif().Add(overflow).Add(Entry::Raw(33437, 5, 1, 0xFFFFFFFC));
       })),
       {{271, "Maker"}, {306, "absent"}, {272, "absent"}, {33434, "absent"}, {33437, "absent"}}},
      // The offsets lie past the TIFF data but inside the file's scan bytes.
      {"values must lie inside the Exif payload, not just the file", MakeJpeg(Tiff(false, [](TiffBuilder &b) {
         b.AddDirectory().Add(Entry::Raw(271, 2, 16, 3000)).Exif().Add(Entry::Raw(36867, 2, 20, 3000));
       }), 8192),
       {{271, "absent"}, {36867, "absent"}}},
      {"negative or oversized directory offsets are not followed", MakeJpeg(Tiff(false, [](TiffBuilder &b) {
         b.AddDirectory().Add(Entry::Ascii(271, "Maker")).Add(Entry::Raw(34665, 4, 1, 0x80000000)).rawNextOffset =
             0xFFFFFFF0;
       })),
       {{271, "Maker"}, {36867, "absent"}}},
      {"an entry count of 0x8000 counts as negative", claiming(0x8000), {{271, "absent"}}},
      {"a directory whose entries do not all fit is not examined", claiming(50), {{271, "absent"}}},
  });
}

}  // namespace
}  // namespace kexif::test
