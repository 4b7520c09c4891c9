#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "edit/tif_exif_import.h"
#include "tests/support/hand_tree.h"
#include "tests/support/jpeg_builder.h"
#include "tests/support/loaded_document.h"
#include "tests/support/temp_files.h"

namespace kexif::test {
namespace {

struct Item {
  uint32_t tag;
  uint32_t type;
  uint32_t count;
  Bytes value;
};

// A record made of malloc blocks, as the host receives it from the reader.
TifExifData *MakeRecord(const std::vector<Item> &items) {
  auto *record = static_cast<TifExifData *>(std::malloc(sizeof(TifExifData)));
  record->count = static_cast<int32_t>(items.size());
  record->entries = static_cast<TifExifEntry **>(std::malloc(sizeof(TifExifEntry *) * (items.size() + 1)));
  for (size_t i = 0; i < items.size(); ++i) {
    auto *e = static_cast<TifExifEntry *>(std::malloc(sizeof(TifExifEntry)));
    *e = TifExifEntry{items[i].tag, items[i].type, items[i].count, nullptr};
    if (!items[i].value.empty()) {
      e->data = std::malloc(items[i].value.size());
      std::memcpy(e->data, items[i].value.data(), items[i].value.size());
    }
    record->entries[i] = e;
  }
  return record;
}

Bytes Rational(uint32_t n, uint32_t d) {
  Bytes b(8);
  std::memcpy(b.data(), &n, 4);
  std::memcpy(b.data() + 4, &d, 4);
  return b;
}

Bytes PlainTiff() {
  TiffBuilder b;
  b.AddDirectory().Add(Entry::Ascii(271, "Old")).strips = {Bytes(16, 1)};
  return b.Build();
}

// The value of an Exif tag as (numerator, denominator), or (0, 0).
std::pair<uint32_t, uint32_t> RationalOf(KExifHandle h, uint32_t tag) {
  TagValue v{};
  if (kExifGetTag(h, tag, &v, 0) != 0) return {0, 0};
  uint32_t halves[2];
  std::memcpy(halves, v.data, 8);
  std::free(v.data);
  return {halves[0], halves[1]};
}

// Of two entries with one tag the later wins.
TEST(TifExifImport, AppliesOnlyExifTagsAndCreatesTheExifSubdirectory) {
  Loaded doc(PlainTiff(), "a.tif");
  TifExifData *record = MakeRecord({{271, 2, 4, {'N', 'e', 'w', 0}},
                                    {33434, 5, 1, Rational(1, 60)},
                                    {37386, 5, 1, Rational(35, 1)},
                                    {33434, 5, 1, Rational(1, 250)}});
  ASSERT_EQ(kExifSetTIFExifData(doc.handle, record), 0);  // released: the sanitizer sees no leak
  ExifDocument &d = doc.doc();
  ASSERT_NE(d.exifPointerTag, nullptr);
  EXPECT_EQ(d.exifPointerTag->parent, d.FindDirectory(0));
  EXPECT_EQ(ChildIds(d.exifPointerTag), (std::vector<int32_t>{3, 33434, 37386, 60}));
  EXPECT_EQ(d.exifPointerTag->firstChild->value, 2);
  EXPECT_EQ(RationalOf(doc.handle, 33434), (std::pair<uint32_t, uint32_t>{1, 250}));
  EXPECT_EQ(TextOf(doc.handle, 271), "Old");
}

TEST(TifExifImport, PassesOverNullSlotsUnreadableValuesAndTheInteroperabilityPointer) {
  Loaded doc(PlainTiff(), "a.tif");
  TifExifData *record = MakeRecord({{37386, 5, 1, Rational(50, 1)},
                                    {33434, 5, 1, {}},               // count 1, no bytes
                                    {37383, 3, 0x80000000u, {1, 0}},  // negative count
                                    {40965, 4, 1, {0x40, 0, 0, 0}},
                                    {37385, 3, 1, {16, 0}}});
  std::free(record->entries[4]->data);
  std::free(record->entries[4]);
  record->entries[4] = nullptr;
  ASSERT_EQ(kExifSetTIFExifData(doc.handle, record), 0);
  EXPECT_EQ(ChildIds(doc.doc().exifPointerTag), (std::vector<int32_t>{3, 37386, 60}));
}

TEST(TifExifImport, ReleasesEmptyRecordsAndAcceptsANullOne) {
  Loaded doc(PlainTiff(), "a.tif");
  TifExifData *empty = MakeRecord({});
  TifExifData *noArray = MakeRecord({});
  std::free(noArray->entries);
  noArray->entries = nullptr;
  noArray->count = 3;
  EXPECT_EQ(kExifSetTIFExifData(doc.handle, empty), 0);
  EXPECT_EQ(kExifSetTIFExifData(doc.handle, noArray), 0);
  EXPECT_EQ(kExifSetTIFExifData(doc.handle, nullptr), 0);
  EXPECT_EQ(doc.doc().exifPointerTag, nullptr);
}

TEST(TifExifImport, RefusesATiffWithoutDirectoriesAJpegOrNoDocumentAndLeavesTheRecordWithTheCaller) {
  Loaded empty(TiffBuilder().Build(), "empty.tif");
  ASSERT_NE(empty.handle, nullptr);
  Loaded jpeg(MakeJpegWithoutExif());
  TifExifData *record = MakeRecord({{271, 2, 4, {'N', 'e', 'w', 0}}, {33434, 5, 1, Rational(1, 60)}});
  for (KExifHandle h : {empty.handle, jpeg.handle, KExifHandle{}}) EXPECT_EQ(kExifSetTIFExifData(h, record), -1);
  EXPECT_EQ(RationalOf(empty.handle, 33434), (std::pair<uint32_t, uint32_t>{0, 0}));
  EXPECT_EQ(record->entries[1]->tag, 33434u);
  FreeTifExifData(record);  // still the caller's: a second release would show under the sanitizer
}

}  // namespace
}  // namespace kexif::test
