#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "parse/tree_builder.h"
#include "tests/unit/parse/parse_test_util.h"

namespace kexif::test {
namespace {

// A sub-directory opens under its pointer entry and its end returns there;
// the TIFF end returns to the segment chain; an entry 513 clears the
// loaded thumbnail.
TEST(TreeBuilder, LinksTiffEventsUnderTheSegmentAndReturnsToIt) {
  ExifDocument doc;
  doc.thumbnailLoaded = 1;
  TreeBuilder b(&doc);
  b.OnSegment(kMarkerSoi, 0, 0, nullptr);
  SegmentNode *app1 = b.OnSegment(kMarkerApp1, 100, 6, reinterpret_cast<const uint8_t *>("Exif"));
  b.OnTiffHeader(kBigEndian);
  b.OnDirectoryStart(1);
  b.OnEntryCount(2);
  b.OnEntry(TiffEntry{34665, kTypeLong, 1, 26});
  b.OnEntryCount(1);
  const TiffEntry rational{33434, kTypeRational, 1, 40};
  b.OnEntry(rational);
  b.OnEntryData(rational, std::make_unique<uint8_t[]>(8));
  b.OnDirectoryEnd(0);
  EXPECT_EQ(doc.current, doc.exifPointerTag);
  b.OnEntry(TiffEntry{513, kTypeLong, 1, 500});
  b.OnDirectoryEnd(0);
  b.OnTiffEnd();
  b.OnSegment(kMarkerEoi, 0, 0, nullptr);

  EXPECT_EQ(doc.exifSegment, app1);
  EXPECT_EQ(app1->next->id, kMarkerEoi);
  EXPECT_EQ(app1->firstChild->value, kBigEndian);
  const MetaNode *directory = app1->firstChild->next;
  EXPECT_EQ(directory->parent, app1);
  EXPECT_EQ(ChildIds(directory), (std::vector<int32_t>{kIdEntryCount, 34665, 513, kIdDirectoryEnd}));
  EXPECT_EQ(ChildIds(doc.exifPointerTag), (std::vector<int32_t>{kIdEntryCount, 33434, kIdDirectoryEnd}));
  EXPECT_EQ(Tag(doc, 33434)->dataLength, 8);
  EXPECT_EQ(doc.thumbnailOffsetTag->value, 500);
  EXPECT_EQ(doc.thumbnailLoaded, 0);
}

TEST(TreeBuilder, OnlyAnApp1SegmentLabelledExifBecomesTheExifSegment) {
  ExifDocument doc;
  TreeBuilder b(&doc);
  b.OnSegment(kMarkerApp2, 10, 4, reinterpret_cast<const uint8_t *>("Exif"));
  b.OnSegment(kMarkerApp1, 10, 20, reinterpret_cast<const uint8_t *>("http"));
  EXPECT_EQ(doc.exifSegment, nullptr);
  EXPECT_EQ(std::string(doc.root->next->label), "http");
}

}  // namespace
}  // namespace kexif::test
