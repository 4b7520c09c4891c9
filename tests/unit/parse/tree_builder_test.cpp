#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "parse/tree_builder.h"
#include "tests/unit/parse/parse_test_util.h"

namespace kexif::test {
namespace {

TEST(TreeBuilder, LinksTiffEventsUnderTheSegmentAndReturnsToIt) {
  ExifDocument doc;
  TreeBuilder b(&doc);
  b.OnSegment(kMarkerSoi, 0, 0, nullptr);
  const uint8_t exif[4] = {'E', 'x', 'i', 'f'};
  SegmentNode *app1 = b.OnSegment(kMarkerApp1, 100, 6, exif);
  b.OnTiffHeader(kBigEndian);
  b.OnDirectoryStart(1);
  b.OnEntryCount(2);
  b.OnEntry(TiffEntry{34665, kTypeLong, 1, 26});
  b.OnEntryCount(1);  // the sub-directory opens under the pointer entry
  const TiffEntry rational{33434, kTypeRational, 1, 40};
  const uint32_t value[2] = {1, 60};
  b.OnEntry(rational);
  auto block = std::make_unique<uint8_t[]>(8);
  std::memcpy(block.get(), value, 8);
  b.OnEntryData(rational, std::move(block));
  b.OnDirectoryEnd(0);
  EXPECT_EQ(doc.current, doc.exifPointerTag);
  b.OnEntry(TiffEntry{513, kTypeLong, 1, 500});
  b.OnDirectoryEnd(0);
  b.OnTiffEnd();
  b.OnSegment(kMarkerEoi, 0, 0, nullptr);

  EXPECT_EQ(doc.exifSegment, app1);
  EXPECT_EQ(std::memcmp(app1->label, "Exif", 5), 0);
  EXPECT_EQ(app1->hasChildren, 1);
  EXPECT_EQ(app1->next->id, kMarkerEoi);
  const MetaNode *header = app1->firstChild;
  EXPECT_EQ(header->value, kBigEndian);
  EXPECT_EQ(doc.byteOrder, kBigEndian);
  const MetaNode *directory = header->next;
  EXPECT_EQ(directory->value, 0);
  EXPECT_EQ(directory->parent, app1);
  EXPECT_EQ(ChildIds(directory), (std::vector<int32_t>{kIdEntryCount, 34665, 513, kIdDirectoryEnd}));
  EXPECT_EQ(ChildIds(doc.exifPointerTag), (std::vector<int32_t>{kIdEntryCount, 33434, kIdDirectoryEnd}));
  const TagNode *exposure = Tag(doc, 33434);
  ASSERT_EQ(exposure->dataLength, 8);
  EXPECT_EQ(std::memcmp(exposure->data, value, 8), 0);
  EXPECT_EQ(doc.thumbnailOffsetTag->value, 500);
  EXPECT_EQ(doc.exifExists, 1);
  EXPECT_EQ(doc.thumbnailExists, 1);
}

TEST(TreeBuilder, AnEntry513ClearsThumbnailLoaded) {
  ExifDocument doc;
  doc.thumbnailLoaded = 1;
  TreeBuilder b(&doc);
  b.OnTiffHeader(kLittleEndian);
  b.OnDirectoryStart(1);
  b.OnEntryCount(1);
  b.OnEntry(TiffEntry{513, kTypeLong, 1, 8});
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

TEST(TreeBuilder, DiscardUndoesAParseBelowAnOwner) {
  ExifDocument doc;
  TreeBuilder b(&doc);
  b.OnTiffHeader(kLittleEndian);
  b.OnDirectoryStart(1);
  b.OnEntryCount(1);
  TagNode *pointer = b.OnEntry(TiffEntry{40965, kTypeLong, 1, 8});
  const ParseMarks marks = b.Mark(pointer);
  b.OnEntryCount(1);
  b.OnEntry(TiffEntry{34665, kTypeLong, 1, 8});
  b.Discard(pointer, marks);
  EXPECT_EQ(pointer->firstChild, nullptr);
  EXPECT_EQ(pointer->hasChildren, 0);
  EXPECT_EQ(doc.exifPointerTag, nullptr);
  EXPECT_EQ(doc.exifExists, 0);
  EXPECT_EQ(doc.current, pointer);
}

}  // namespace
}  // namespace kexif::test
