#include <gtest/gtest.h>

#include <algorithm>

#include "kexif.h"
#include "tests/support/jpeg_builder.h"
#include "tests/support/loaded_document.h"
#include "tests/support/temp_files.h"
#include "tests/support/tree_maker.h"

namespace kexif::test {
namespace {

// Loads the TIFF, saves it unedited and returns the saved bytes; none when
// the load or the save fails.
Bytes Resaved(const Bytes &tiff) {
  const Loaded doc(tiff, "a.tif");
  const std::string saved = doc.handle != nullptr ? SavedCopy(doc, "b.tif") : "";
  return saved.empty() ? Bytes{} : ReadFileBytes(saved);
}

const Bytes kPixels(64, 0x5A);

// One little-endian directory of n in-line entries followed by kPixels,
// which lie at PixelsAt(n).
constexpr uint32_t PixelsAt(size_t n) { return static_cast<uint32_t>(8 + 2 + 12 * n + 4); }
Bytes WithPixels(const std::vector<Entry> &entries) {
  TiffBuilder b;
  Ifd &ifd = b.AddDirectory();
  for (const Entry &e : entries) ifd.Add(e);
  Bytes out = b.Build();
  out.insert(out.end(), kPixels.begin(), kPixels.end());
  return out;
}

// A big-endian file of one page whose strips hold the given bytes.
Bytes BigEndianPage(const std::vector<Entry> &entries, std::vector<Bytes> strips) {
  TiffBuilder b(true);
  Ifd &page = b.AddDirectory();
  for (const Entry &e : entries) page.Add(e);
  page.strips = std::move(strips);
  return b.Build();
}

TEST(TiffSave, CopiesStripAndTileDataAndRetypesShortTablesAsLong) {
  const struct {
    const char *name;
    std::vector<Entry> entries;
    uint16_t offsetsTag, countsTag;
  } cases[] = {
      {"short strip table",
       {Entry::Short(256, {8}), Entry::Raw(273, kTypeShort, 1, PixelsAt(3)), Entry::Short(279, {64})}, 273, 279},
      {"tile tables",
       {Entry::Short(256, {8}), Entry::Short(322, {16}), Entry::Short(323, {16}),
        Entry::Raw(324, kTypeLong, 1, PixelsAt(5)), Entry::Raw(325, kTypeLong, 1, 64)}, 324, 325},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes out = Resaved(WithPixels(c.entries));
    const auto ifd = ReadTiffDirectory(out, 8);
    const ReadEntry *offsets = ifd.Find(c.offsetsTag);
    const ReadEntry *counts = ifd.Find(c.countsTag);
    ASSERT_TRUE(offsets != nullptr && counts != nullptr);
    EXPECT_EQ(offsets->type, kTypeLong);
    EXPECT_EQ(counts->type, kTypeLong);
    EXPECT_EQ(counts->field, 64u);
    ASSERT_LE(offsets->field + 64, out.size());
    EXPECT_EQ(Bytes(out.begin() + offsets->field, out.begin() + offsets->field + 64), kPixels);
  }
}

// Strips past the source's end, and big-endian samples wider than a byte
// that cannot be turned around (compressed, mixed widths, 12 bits, float
// without width).
TEST(TiffSave, RefusesImageDataItCannotCopyAndLeavesTheTarget) {
  const Bytes cases[] = {
      WithPixels({Entry::Short(256, {8}), Entry::Raw(273, kTypeLong, 1, PixelsAt(3)), Entry::Long(279, {1000})}),
      BigEndianPage({Entry::Short(258, {16}), Entry::Short(259, {5})}, {Bytes(8, 7)}),
      BigEndianPage({Entry::Short(258, {16, 8}), Entry::Short(259, {1})}, {Bytes(8, 7)}),
      BigEndianPage({Entry::Short(258, {12})}, {Bytes(8, 7)}),
      BigEndianPage({Entry::Short(339, {3})}, {Bytes(8, 7)}),
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    const Loaded doc(cases[i], "a.tif");
    ASSERT_NE(doc.handle, nullptr);
    const std::string target = doc.dir.Write("b.tif", Bytes{1, 2});
    EXPECT_EQ(kExifSaveFile(doc.handle, target.c_str()), -1);
    EXPECT_EQ(ReadFileBytes(target), (Bytes{1, 2}));
    EXPECT_FALSE(HasSaveLeftover(doc.dir.path()));
  }
}

TEST(TiffSave, PutsEachPagesImageBehindItsDirectory) {
  TiffBuilder b;
  b.AddDirectory().Add(Entry::Short(256, {8})).strips = {Bytes(40, 1), Bytes(40, 2), Bytes(40, 3)};
  b.AddDirectory().Add(Entry::Short(256, {4})).strips = {Bytes(30, 9)};
  const Bytes out = Resaved(b.Build());
  const auto page1 = ReadTiffDirectory(out, 8);
  const auto *counts = page1.Find(279);
  const auto *offsets = page1.Find(273);
  ASSERT_EQ(counts->count, 3u);
  EXPECT_EQ(offsets->field, counts->field + 12);  // the offsets table follows the counts table
  const uint32_t first = Le32(out, offsets->field);
  EXPECT_EQ(first, offsets->field + 12);          // then the strips, back to back
  EXPECT_EQ(Le32(out, offsets->field + 8), first + 80);
  EXPECT_EQ(StripBytes(out, 8), (std::vector<Bytes>{Bytes(40, 1), Bytes(40, 2), Bytes(40, 3)}));
  EXPECT_EQ(page1.next, first + 120);
  const auto page2 = ReadTiffDirectory(out, page1.next);
  EXPECT_EQ(StripBytes(out, page1.next), std::vector<Bytes>{Bytes(30, 9)});
  EXPECT_EQ(page2.next, 0u);
  EXPECT_EQ(out.size(), page2.Find(273)->field + 30u);
}

// Directories of many strips that all name one region behind the
// directories, or (overlapping) each the region one byte further on.
Bytes SharedStripFile(size_t directories, size_t strips, uint32_t length, bool overlapping) {
  const auto build = [&](uint32_t at) {
    TiffBuilder b;
    std::vector<uint32_t> offsets(strips, at);
    for (size_t j = 0; overlapping && j < strips; ++j) offsets[j] = at + static_cast<uint32_t>(j);
    for (size_t d = 0; d < directories; ++d) {
      b.AddDirectory().Add(Entry::Long(273, offsets)).Add(Entry::Long(279, std::vector<uint32_t>(strips, length)));
    }
    return b.Build();
  };
  Bytes file = build(static_cast<uint32_t>(build(0).size()));
  file.resize(file.size() + length + strips, 0x3C);
  return file;
}

TEST(TiffSave, CopiesEachSourceRangeOnceAndRefusesOutputsFarLargerThanTheSource) {
  const Bytes shared = SharedStripFile(4, 1000, 20000, false);
  const Bytes out = Resaved(shared);
  ASSERT_FALSE(out.empty());
  EXPECT_LT(out.size(), 2 * shared.size());  // the tables, written twice, and one copy
  const std::vector<Bytes> strips = StripBytes(out, ReadTiffDirectory(out, ReadTiffDirectory(out, 8).next).next);
  ASSERT_EQ(strips.size(), 1000u);
  EXPECT_EQ(strips.back(), Bytes(20000, 0x3C));
  // Distinct ranges that overlap would make a file 600 times the source.
  EXPECT_TRUE(Resaved(SharedStripFile(1, 1000, 20000, true)).empty());
}

TEST(TiffSave, CopiesAThumbnailDirectorysJpegFromTheSourceFile) {
  const Bytes thumbnail = FakeJpegStream(500, 4);
  TiffBuilder b(true);
  b.AddDirectory().Add(Entry::Short(256, {8})).strips = {Bytes(40, 1)};
  b.AddDirectory().Add(Entry::Long(254, {1})).Thumbnail(thumbnail);
  const Bytes out = Resaved(b.Build());
  const auto ifd1 = ReadTiffDirectory(out, ReadTiffDirectory(out, 8).next);
  const uint32_t at = ifd1.Find(513)->field;
  ASSERT_LE(at + thumbnail.size(), out.size());
  EXPECT_EQ(Bytes(out.begin() + at, out.begin() + at + static_cast<long>(thumbnail.size())), thumbnail);
}

TEST(TiffSave, TurnsBigEndianSamplesOf16To64BitsLittleEndian) {
  for (uint16_t bits : {16, 32, 64}) {
    SCOPED_TRACE(bits);
    std::vector<Bytes> strips = {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16},
                                 {0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28}};
    // The last strip ends in part of a sample, which is copied as it stands.
    for (uint8_t i = 1; i < bits / 8; ++i) strips[1].push_back(static_cast<uint8_t>(0x30 + i));
    const Bytes out = Resaved(BigEndianPage({Entry::Short(256, {2}), Entry::Short(258, {bits, bits}),
                                             Entry::Short(259, {1}), Entry::Short(277, {2}),
                                             Entry::Short(339, {static_cast<uint16_t>(bits == 16 ? 1 : 3)})},
                                            strips));
    for (Bytes &s : strips) {
      for (size_t at = 0; at + bits / 8u <= s.size(); at += bits / 8u) {
        std::reverse(s.begin() + at, s.begin() + at + bits / 8);
      }
    }
    EXPECT_EQ(StripBytes(out, 8), strips);
  }
}

TEST(TiffSave, CopiesBigEndianByteSamplesAndJpegCompressedWideSamplesAsTheyStand) {
  const Bytes strip = {1, 2, 3, 4, 5, 6};
  for (const auto &entries : {std::vector<Entry>{Entry::Short(258, {8, 8, 8})},
                              std::vector<Entry>{Entry::Short(258, {16}), Entry::Short(259, {7})},
                              std::vector<Entry>{Entry::Short(258, {12, 16}), Entry::Short(259, {6})}}) {
    EXPECT_EQ(StripBytes(Resaved(BigEndianPage(entries, {strip})), 8), std::vector<Bytes>{strip});
  }
}

}  // namespace
}  // namespace kexif::test
