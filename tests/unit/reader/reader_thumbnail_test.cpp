#include <gtest/gtest.h>

#include "tests/unit/reader/reader_fixture.h"

namespace kexif::test {
namespace {

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

// The record stays untouched on each refusal.
TEST(ReaderThumbnail, RefusesThumbnailsThatAreNotWhollyReadable) {
  TempDir dir;
  TiffBuilder one(false);
  one.AddDirectory().Add(Entry::Ascii(271, "Maker"));
  TiffBuilder inFirst(false);
  inFirst.AddDirectory().Add(Entry::Ascii(271, "Maker")).Thumbnail(FakeJpegStream(100));
  TiffBuilder emptyFirst(false);  // no entries: not a directory, so no chain behind it
  emptyFirst.AddDirectory();
  emptyFirst.AddDirectory().Add(Entry::Short(259, {6})).Thumbnail(FakeJpegStream(100));
  TiffBuilder farLink(false);  // IFD1 right behind IFD0, whose link points past 2 GiB
  farLink.AddDirectory().Add(Entry::Short(274, {1}));
  farLink.AddDirectory().Add(Entry::Short(259, {6})).Thumbnail(FakeJpegStream(100));
  Bytes farLinkTiff = farLink.Build();
  farLinkTiff[8 + 2 + 12 + 3] = 0x80;
  Bytes tooMany = WithSecondDirectory(false, {Entry::Long(513, {8}), Entry::Long(514, {4})});
  tooMany[tooMany[8 + 2 + 12] | (tooMany[8 + 2 + 12 + 1] << 8)] = 40;  // IFD1 claims 40 entries
  const auto length = [](uint32_t n) {
    return MakeJpeg(WithSecondDirectory(true, {Entry::Long(513, {8}), Entry::Long(514, {n})}, 64), 8192);
  };
  const struct {
    Bytes jpeg;
    int32_t exists;  // -1: not asked
    bool tagsFirst;  // the tags are scanned before the thumbnail is asked for
  } cases[] = {
      {MakeJpeg(one.Build()), 0, false},
      {MakeJpeg(inFirst.Build()), 1, true},  // a 513 in the first directory is seen but not read
      {MakeJpeg(WithSecondDirectory(false, {Entry::Long(514, {10}), Entry::Long(513, {8})})), 1, false},
      {MakeJpeg(tooMany), 0, false},
      {MakeJpeg(emptyFirst.Build()), 0, false},
      {MakeJpeg(farLinkTiff), 0, false},
      {length(0), -1, false},
      {length(5000), -1, false},
      {length(0xFFFFFFFF), -1, false},
      // Inside the file's scan data but not inside the Exif payload.
      {MakeJpeg(WithSecondDirectory(false, {Entry::Long(513, {400}), Entry::Long(514, {100})}), 8192), 1, false},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    Reader r = OpenBytes(dir, cases[i].jpeg);
    SCOPED_TRACE(i);
    if (cases[i].tagsFirst) {
      ASSERT_EQ(TagText(r.get(), 271), "Maker");
    }
    if (cases[i].exists >= 0) {
      EXPECT_EQ(kRExifIsThumbnailExist(r.get()), cases[i].exists);
    }
    ThumbnailData t{nullptr, 77};
    EXPECT_EQ(kRExifGetThumbnailData(r.get(), &t), -1);
    EXPECT_EQ(t.length, 77);
  }
}

}  // namespace
}  // namespace kexif::test
