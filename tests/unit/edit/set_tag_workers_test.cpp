#include <gtest/gtest.h>

#include <cstring>

#include "edit/set_tag_jpeg.h"
#include "edit/set_tag_tiff.h"
#include "model/tree_search.h"
#include "tests/support/hand_tree.h"

namespace kexif {
namespace {

using test::AppendDirectory;
using test::AppendExifSegment;
using test::AppendSegments;
using test::CountNodeValue;
using test::DirectoryNumbers;
using test::EntryIds;
using test::GiveSubdirectory;
using test::StartTiff;
using test::TopLevelIds;

uint16_t kSeven = 7;
const TagValue kShortSeven{kTypeShort, 1, &kSeven};

// A JPEG tree: SOI, APP0, Exif APP1 with directories 0 {256, 270?...} and 1.
struct JpegTree {
  ExifDocument doc;
  SegmentNode *app1 = nullptr;
  MetaNode *dir0 = nullptr;
  MetaNode *dir1 = nullptr;
  JpegTree(const std::vector<int32_t> &tags0, const std::vector<int32_t> &tags1) {
    AppendSegments(doc, {kMarkerSoi, kMarkerApp0});
    app1 = AppendExifSegment(doc);
    AppendSegments(doc, {kMarkerDqt});
    dir0 = AppendDirectory(doc, app1, 0, tags0);
    if (!tags1.empty()) dir1 = AppendDirectory(doc, app1, 1, tags1);
  }
};

TEST(SetTagJpeg, ReplacesAnEntryOfALaterDirectoryWhenTheNamedOneLacksIt) {
  JpegTree t({256, 34665}, {270, 513});
  ASSERT_EQ(SetTagJpeg(t.doc, 270, kShortSeven, 0), 1);
  EXPECT_EQ(EntryIds(t.dir0), (std::vector<int32_t>{256, 34665}));
  EXPECT_EQ(CountNodeValue(t.dir1), 2);
  EXPECT_EQ(AsTagNode(FindSiblingById(t.dir1->firstChild, 270))->value, 7);
}

TEST(SetTagJpeg, AddsToAnExistingDirectoryInOrderAndCountsIt) {
  JpegTree t({256, 34665}, {});
  SetTagJpeg(t.doc, 270, kShortSeven, 0);
  EXPECT_EQ(EntryIds(t.dir0), (std::vector<int32_t>{256, 270, 34665}));
  EXPECT_EQ(CountNodeValue(t.dir0), 3);
  // The second time the value is replaced and nothing is counted again.
  uint16_t eight = 8;
  SetTagJpeg(t.doc, 270, TagValue{kTypeShort, 1, &eight}, 0);
  EXPECT_EQ(CountNodeValue(t.dir0), 3);
  EXPECT_EQ(FindSiblingById(t.dir0->firstChild, 270)->value, 8);
}

TEST(SetTagJpeg, WithoutDirectoryZeroMakesAnotherAfterTheLastDirectory) {
  JpegTree t({256}, {513});
  t.doc.RemoveNode(t.dir0);
  SetTagJpeg(t.doc, 270, kShortSeven, 3);
  EXPECT_EQ(DirectoryNumbers(t.app1->firstChild), (std::vector<int32_t>{1, 3}));
  SetTagJpeg(t.doc, 271, kShortSeven, 0);
  EXPECT_EQ(DirectoryNumbers(t.app1->firstChild), (std::vector<int32_t>{0, 1, 3}));
  EXPECT_EQ(t.app1->firstChild->id, kIdHeader);
}

TEST(SetTagTiff, AddsToTheNamedDirectoryOrReplacesTheFirstEntryAnywhere) {
  ExifDocument doc;
  StartTiff(doc);
  MetaNode *dir0 = AppendDirectory(doc, nullptr, 0, {256, 270, 34665});
  GiveSubdirectory(doc, dir0, 34665, {33434});
  MetaNode *dir1 = AppendDirectory(doc, nullptr, 1, {513});
  SetTagTiff(doc, 270, kShortSeven, 1);
  EXPECT_EQ(FindSiblingById(dir0->firstChild, 270)->value, 7);
  EXPECT_EQ(EntryIds(dir1), std::vector<int32_t>{513});
  SetTagTiff(doc, 271, kShortSeven, 0);
  EXPECT_EQ(EntryIds(dir0), (std::vector<int32_t>{256, 270, 271, 34665}));
  EXPECT_EQ(CountNodeValue(dir0), 4);
  EXPECT_EQ(dir0->parent, nullptr);
  EXPECT_EQ(FindSiblingById(dir0->firstChild, 271)->parent, dir0);
}

TEST(SetTagTiff, LeavesTheCountEqualToTheEntriesEvenWhenItDisagreedBefore) {
  ExifDocument doc;
  StartTiff(doc);
  MetaNode *dir0 = AppendDirectory(doc, nullptr, 0, {256, 257});
  dir0->firstChild->value = 5;  // the file claimed more entries than were kept
  SetTagTiff(doc, 270, kShortSeven, 0);
  EXPECT_EQ(CountNodeValue(dir0), 3);
}

TEST(SetTagTiff, ChangesNothingForAMissingDirectory) {
  ExifDocument doc;
  StartTiff(doc);
  MetaNode *dir0 = AppendDirectory(doc, nullptr, 0, {256});
  EXPECT_EQ(SetTagTiff(doc, 270, kShortSeven, 5), 1);
  EXPECT_EQ(DirectoryNumbers(doc.root), std::vector<int32_t>{0});
  EXPECT_EQ(EntryIds(dir0), std::vector<int32_t>{256});
}

TEST(SetExifTagJpeg, GivesAChildlessPointerEntryItsSubdirectory) {
  JpegTree t({256, 34665}, {});
  TagNode *pointer = AsTagNode(FindSiblingById(t.dir0->firstChild, 34665));
  t.doc.exifPointerTag = pointer;
  SetExifTagJpeg(t.doc, 33434, kShortSeven);
  EXPECT_EQ(EntryIds(pointer), std::vector<int32_t>{33434});
  EXPECT_EQ(CountNodeValue(pointer), 1);
  EXPECT_EQ(pointer->firstChild->next->next->id, kIdDirectoryEnd);
  EXPECT_EQ(CountNodeValue(t.dir0), 2);
}

TEST(SetExifTagTiff, GivesAChildlessPointerEntryItsSubdirectoryAndRefusesWithoutDirectoryZero) {
  ExifDocument doc;
  StartTiff(doc);
  MetaNode *dir0 = AppendDirectory(doc, nullptr, 0, {34665});
  TagNode *pointer = AsTagNode(FindSiblingById(dir0->firstChild, 34665));
  doc.exifPointerTag = pointer;
  SetExifTagTiff(doc, 33434, kShortSeven);
  EXPECT_EQ(EntryIds(pointer), std::vector<int32_t>{33434});

  ExifDocument onlyOne;
  StartTiff(onlyOne);
  MetaNode *dir1 = AppendDirectory(onlyOne, nullptr, 1, {256});
  EXPECT_EQ(SetExifTagTiff(onlyOne, 33434, kShortSeven), 0);
  EXPECT_EQ(EntryIds(dir1), std::vector<int32_t>{256});
  EXPECT_EQ(onlyOne.exifPointerTag, nullptr);
  EXPECT_EQ(onlyOne.exifExists, 0);
}

TEST(SetTagJpeg, FillsAnExifSegmentWithoutStructureInsteadOfMakingAnother) {
  ExifDocument doc;
  AppendSegments(doc, {kMarkerSoi, kMarkerApp1, kMarkerDqt});
  doc.exifSegment = AsSegmentNode(doc.root->next);
  doc.byteOrder = kBigEndian;
  SetTagJpeg(doc, 270, kShortSeven, 0);
  SetExifTagJpeg(doc, 33434, kShortSeven);
  EXPECT_EQ(TopLevelIds(doc), (std::vector<int32_t>{kMarkerSoi, kMarkerApp1, kMarkerDqt}));
  EXPECT_EQ(doc.exifSegment->firstChild->id, kIdHeader);
  EXPECT_EQ(doc.byteOrder, kLittleEndian);
  EXPECT_EQ(EntryIds(doc.FindDirectory(0)), (std::vector<int32_t>{270, 34665}));
  EXPECT_EQ(EntryIds(doc.exifPointerTag), std::vector<int32_t>{33434});
}

}  // namespace
}  // namespace kexif
