#include <gtest/gtest.h>

#include "edit/delete_tag.h"
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
using test::MarkThumbnailEntry;
using test::StartTiff;
using test::TopLevelIds;

TEST(DeleteTag, LowersTheCountOfTheDirectoryThatReallyHeldTheEntry) {
  ExifDocument doc;
  StartTiff(doc);
  MetaNode *dir0 = AppendDirectory(doc, nullptr, 0, {256, 34853});
  TagNode *gps = GiveSubdirectory(doc, dir0, 34853, {1, 2, 3});
  MetaNode *dir1 = AppendDirectory(doc, nullptr, 1, {270, 513});
  EXPECT_EQ(DeleteTag(doc, 270, 0), 1);
  EXPECT_EQ(EntryIds(dir1), std::vector<int32_t>{513});
  EXPECT_EQ(CountNodeValue(dir1), 1);
  EXPECT_EQ(CountNodeValue(dir0), 2);
  // Tag 2 is the GPS entry, never the directory node; tag 3 never the count.
  EXPECT_EQ(DeleteTag(doc, 2, 0), 1);
  EXPECT_EQ(DeleteTag(doc, 3, 0), 1);
  EXPECT_EQ(EntryIds(gps), std::vector<int32_t>{1});
  EXPECT_EQ(CountNodeValue(gps), 1);
  EXPECT_EQ(DirectoryNumbers(doc.root), (std::vector<int32_t>{0, 1}));
}

TEST(DeleteTag, ReportsAMissingDirectoryOrEntryAndChangesNothing) {
  ExifDocument doc;
  StartTiff(doc);
  MetaNode *dir0 = AppendDirectory(doc, nullptr, 0, {256});
  EXPECT_EQ(DeleteTag(doc, 256, 4), 0);
  EXPECT_EQ(DeleteTag(doc, 60, 0), 0);
  EXPECT_EQ(DeleteTag(doc, 1, 0), 0);
  EXPECT_EQ(EntryIds(dir0), std::vector<int32_t>{256});
  EXPECT_EQ(CountNodeValue(dir0), 1);
}

TEST(DeleteTag, TheLastSubdirectoryEntryTakesItsPointerAlong) {
  ExifDocument doc;
  StartTiff(doc);
  MetaNode *dir0 = AppendDirectory(doc, nullptr, 0, {256, 34853});
  GiveSubdirectory(doc, dir0, 34853, {1});
  EXPECT_EQ(DeleteTag(doc, 1, 0), 1);
  EXPECT_EQ(EntryIds(dir0), std::vector<int32_t>{256});
  EXPECT_EQ(CountNodeValue(dir0), 1);
}

TEST(DeleteTag, RemovingTheExifPointerClearsTheShortcutButKeepsTheFlag) {
  ExifDocument doc;
  StartTiff(doc);
  MetaNode *dir0 = AppendDirectory(doc, nullptr, 0, {256, 34665});
  GiveSubdirectory(doc, dir0, 34665, {33434, 36864});
  EXPECT_EQ(DeleteTag(doc, 34665, 0), 1);
  EXPECT_EQ(doc.exifPointerTag, nullptr);
  EXPECT_EQ(doc.exifExists, 1);
  EXPECT_EQ(EntryIds(dir0), std::vector<int32_t>{256});
  EXPECT_EQ(FindTagById(doc.root, 33434), nullptr);
}

TEST(DeleteTag, AnEmptiedTiffDirectoryGoesFromTheTopLevelChainUnlessItIsTheLast) {
  ExifDocument doc;
  StartTiff(doc);
  AppendDirectory(doc, nullptr, 0, {256});
  AppendDirectory(doc, nullptr, 1, {513});
  EXPECT_EQ(DeleteTag(doc, 256, 0), 1);
  EXPECT_EQ(DirectoryNumbers(doc.root), std::vector<int32_t>{1});
  EXPECT_EQ(doc.root->id, kIdHeader);
  EXPECT_EQ(DeleteTag(doc, 513, 1), 1);
  EXPECT_EQ(DirectoryNumbers(doc.root), std::vector<int32_t>{1});
  EXPECT_EQ(CountNodeValue(doc.FindDirectory(1)), 0);
}

TEST(DeleteTag, TheLastEntryOfAJpegTakesTheExifSegmentButNeverAnotherApp1) {
  ExifDocument doc;
  AppendSegments(doc, {kMarkerSoi, kMarkerApp1});  // XMP first
  SegmentNode *app1 = AppendExifSegment(doc);
  AppendSegments(doc, {kMarkerDqt});
  MetaNode *dir0 = AppendDirectory(doc, app1, 0, {270, 513});
  MarkThumbnailEntry(doc, dir0);
  doc.exifExists = 1;
  EXPECT_EQ(DeleteTag(doc, 270, 0), 1);
  EXPECT_EQ(DeleteTag(doc, 513, 0), 1);
  EXPECT_EQ(TopLevelIds(doc), (std::vector<int32_t>{kMarkerSoi, kMarkerApp1, kMarkerDqt}));
  EXPECT_EQ(doc.root->next->firstChild, nullptr);
  EXPECT_EQ(doc.exifSegment, nullptr);
  EXPECT_EQ(doc.exifExists, 0);
  EXPECT_EQ(doc.thumbnailExists, 0);
}

}  // namespace
}  // namespace kexif
