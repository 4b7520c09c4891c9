#include <gtest/gtest.h>

#include "kexif.h"
#include "tests/support/jpeg_builder.h"
#include "tests/support/temp_files.h"
#include "tests/support/tree_maker.h"

namespace kexif {
namespace {

using test::Bytes;
using test::Entry;

int32_t LoadAndSave(const std::string &from, const std::string &to) {
  KExifHandle h = kExifLoadFile(from.c_str());
  if (h == nullptr) return -2;
  const int32_t result = kExifSaveFile(h, to.c_str());
  kExifDestroy(h);
  return result;
}

// A little-endian TIFF whose single directory holds `entries` and, after
// the structure, `data` (whose offset the entries get through `at`).
Bytes TiffWithTrailingData(std::vector<Entry> (*entries)(uint32_t at), const Bytes &data) {
  test::TiffBuilder b;
  test::Ifd &ifd = b.AddDirectory();
  for (Entry &e : entries(0)) ifd.Add(e);
  const uint32_t at = static_cast<uint32_t>(b.Build().size());
  test::TiffBuilder real;
  test::Ifd &d = real.AddDirectory();
  for (Entry &e : entries(at)) d.Add(e);
  Bytes out = real.Build();
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

const Bytes kPixels(64, 0x5A);

TEST(TiffSave, RetypesAShortStripTableAsLong) {
  test::TempDir dir;
  const std::string source = dir.Write("a.tif", TiffWithTrailingData([](uint32_t at) {
    return std::vector<Entry>{Entry::Short(256, {8}), Entry::Raw(273, kTypeShort, 1, at), Entry::Short(279, {64})};
  }, kPixels));
  ASSERT_EQ(LoadAndSave(source, dir.File("b.tif")), 0);
  const Bytes out = test::ReadFileBytes(dir.File("b.tif"));
  const auto ifd = test::ReadTiffDirectory(out, 8);
  const auto *offsets = ifd.Find(273);
  EXPECT_EQ(offsets->type, kTypeLong);
  EXPECT_EQ(ifd.Find(279)->type, kTypeLong);
  EXPECT_EQ(ifd.Find(279)->field, 64u);
  EXPECT_EQ(Bytes(out.begin() + offsets->field, out.begin() + offsets->field + 64), kPixels);
}

TEST(TiffSave, RewritesTileTablesLikeStripTables) {
  test::TempDir dir;
  const std::string source = dir.Write("a.tif", TiffWithTrailingData([](uint32_t at) {
    return std::vector<Entry>{Entry::Short(256, {8}), Entry::Short(322, {16}), Entry::Short(323, {16}),
                              Entry::Raw(324, kTypeLong, 1, at), Entry::Raw(325, kTypeLong, 1, 64)};
  }, kPixels));
  ASSERT_EQ(LoadAndSave(source, dir.File("b.tif")), 0);
  const Bytes out = test::ReadFileBytes(dir.File("b.tif"));
  const auto ifd = test::ReadTiffDirectory(out, 8);
  const uint32_t at = ifd.Find(324)->field;
  ASSERT_LE(at + 64, out.size());
  EXPECT_EQ(Bytes(out.begin() + at, out.begin() + at + 64), kPixels);
}

TEST(TiffSave, RefusesAStripReachingPastTheSourceEndAndLeavesTheTarget) {
  test::TempDir dir;
  const std::string source = dir.Write("a.tif", TiffWithTrailingData([](uint32_t at) {
    return std::vector<Entry>{Entry::Short(256, {8}), Entry::Raw(273, kTypeLong, 1, at), Entry::Long(279, {1000})};
  }, kPixels));
  const std::string target = dir.Write("b.tif", Bytes{1, 2});
  EXPECT_EQ(LoadAndSave(source, target), -1);
  EXPECT_EQ(test::ReadFileBytes(target), (Bytes{1, 2}));
  EXPECT_FALSE(test::FileExists(dir.File("b.$#$")));
}

TEST(TiffSave, PutsEachPagesImageBehindItsDirectory) {
  test::TempDir dir;
  test::TiffBuilder b;
  b.AddDirectory().Add(Entry::Short(256, {8})).strips = {Bytes(40, 1), Bytes(40, 2), Bytes(40, 3)};
  b.AddDirectory().Add(Entry::Short(256, {4})).strips = {Bytes(30, 9)};
  const std::string source = dir.Write("a.tif", b.Build());
  ASSERT_EQ(LoadAndSave(source, dir.File("b.tif")), 0);
  const Bytes out = test::ReadFileBytes(dir.File("b.tif"));
  const auto page1 = test::ReadTiffDirectory(out, 8);
  const auto *counts = page1.Find(279);
  const auto *offsets = page1.Find(273);
  ASSERT_EQ(counts->count, 3u);
  EXPECT_EQ(offsets->field, counts->field + 12);  // the offsets table follows the counts table
  const uint32_t first = test::Le32(out, offsets->field);
  EXPECT_EQ(first, offsets->field + 12);          // then the strips, back to back
  EXPECT_EQ(test::Le32(out, offsets->field + 8), first + 80);
  EXPECT_EQ(Bytes(out.begin() + first + 80, out.begin() + first + 120), Bytes(40, 3));
  EXPECT_EQ(page1.next, first + 120);
  const auto page2 = test::ReadTiffDirectory(out, page1.next);
  const uint32_t strip2 = page2.Find(273)->field;
  EXPECT_EQ(Bytes(out.begin() + strip2, out.begin() + strip2 + 30), Bytes(30, 9));
  EXPECT_EQ(page2.next, 0u);
  EXPECT_EQ(out.size(), strip2 + 30u);
}

TEST(TiffSave, CopiesAThumbnailDirectorysJpegFromTheSourceFile) {
  test::TempDir dir;
  const Bytes thumbnail = test::FakeJpegStream(500, 4);
  test::TiffBuilder b(true);
  b.AddDirectory().Add(Entry::Short(256, {8})).strips = {Bytes(40, 1)};
  b.AddDirectory().Add(Entry::Long(254, {1})).Thumbnail(thumbnail);
  const std::string source = dir.Write("a.tif", b.Build());
  ASSERT_EQ(LoadAndSave(source, dir.File("b.tif")), 0);
  const Bytes out = test::ReadFileBytes(dir.File("b.tif"));
  const auto ifd1 = test::ReadTiffDirectory(out, test::ReadTiffDirectory(out, 8).next);
  const uint32_t at = ifd1.Find(513)->field;
  ASSERT_LE(at + thumbnail.size(), out.size());
  EXPECT_EQ(Bytes(out.begin() + at, out.begin() + at + static_cast<long>(thumbnail.size())), thumbnail);
}

}  // namespace
}  // namespace kexif
