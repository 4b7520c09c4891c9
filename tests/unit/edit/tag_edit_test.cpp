// Tag edits through the exported functions: which directory an entry is
// found in, directories that go or come, and Exif pointers or segments that
// have no structure below them yet.
#include <gtest/gtest.h>

#include "model/tree_search.h"
#include "tests/support/hand_tree.h"
#include "tests/support/jpeg_builder.h"
#include "tests/support/loaded_document.h"
#include "tests/support/sample_photo.h"
#include "tests/support/temp_files.h"

namespace kexif::test {
namespace {

int32_t SetShort(KExifHandle h, uint32_t tag, uint16_t v, int32_t directory = 0) {
  TagValue value{kTypeShort, 1, &v};
  return kExifSetTag(h, tag, &value, directory);
}

// The first SHORT of a tag's value, or -1 when the query fails.
int32_t GetShort(KExifHandle h, uint32_t tag, int32_t directory = 0) {
  TagValue value{};
  if (kExifGetTag(h, tag, &value, directory) != 0) return -1;
  const int32_t v = *static_cast<const uint16_t *>(value.data);
  std::free(value.data);
  return v;
}

// Directory 0 {296} and directory 1 {259}.
Bytes TwoDirectories() {
  TiffBuilder b;
  b.AddDirectory().Add(Entry::Short(296, {2}));
  b.AddDirectory().Add(Entry::Short(259, {6}));
  return b.Build();
}

TEST(TagEdit, DeletingThroughDirectoryZeroLowersTheCountOfTheDirectoryThatHeldTheEntry) {
  Loaded doc(SamplePhotoJpeg());
  ExifDocument &d = doc.doc();
  EXPECT_EQ(kExifDelTag(doc.handle, 259, 0), 0);
  EXPECT_EQ(CountNodeValue(d.FindDirectory(1)), 5);
  EXPECT_EQ(CountNodeValue(d.FindDirectory(0)), 10);
  // GPS entries 2 and 3, never the directory node or the entry-count node.
  EXPECT_EQ(kExifDelTag(doc.handle, 2, 0), 0);
  EXPECT_EQ(kExifDelTag(doc.handle, 3, 0), 0);
  const TagNode *gps = FindTagById(d.root, static_cast<int32_t>(kTagGpsPointer));
  EXPECT_EQ(EntryIds(gps), (std::vector<int32_t>{0, 1, 4}));
  EXPECT_EQ(CountNodeValue(gps), 3);
  EXPECT_EQ(DirectoryNumbers(d.exifSegment->firstChild), (std::vector<int32_t>{0, 1}));
  // A missing directory or entry changes nothing.
  EXPECT_EQ(kExifDelTag(doc.handle, 271, 4), -1);
  EXPECT_EQ(kExifDelTag(doc.handle, 60, 0), -1);
  EXPECT_EQ(CountNodeValue(d.FindDirectory(0)), 10);
}

TEST(TagEdit, JpegSetThroughDirectoryZeroReplacesAnEntryOfALaterDirectoryOrInsertsInOrder) {
  Loaded doc(SamplePhotoJpeg());
  EXPECT_EQ(SetShort(doc.handle, 259, 1, 0), 0);
  EXPECT_EQ(GetShort(doc.handle, 259, 1), 1);
  EXPECT_EQ(SetShort(doc.handle, 300, 1, 0), 0);
  const MetaNode *dir0 = doc.doc().FindDirectory(0);
  EXPECT_EQ(EntryIds(dir0), (std::vector<int32_t>{270, 271, 272, 274, 282, 283, 296, 300, 306, 34665, 34853}));
  EXPECT_EQ(CountNodeValue(dir0), 11);
}

TEST(TagEdit, TiffSetReplacesTheFirstEntryWhicheverDirectoryIsNamedAndRecountsTheEntries) {
  Loaded doc(TwoDirectories(), "a.tif");
  MetaNode *dir0 = doc.doc().FindDirectory(0);
  EXPECT_EQ(SetShort(doc.handle, 296, 3, 1), 0);
  EXPECT_EQ(GetShort(doc.handle, 296), 3);
  EXPECT_EQ(EntryIds(doc.doc().FindDirectory(1)), std::vector<int32_t>{259});
  dir0->firstChild->value = 5;  // a count that disagreed with the entries kept
  EXPECT_EQ(SetShort(doc.handle, 270, 1), 0);
  EXPECT_EQ(EntryIds(dir0), (std::vector<int32_t>{270, 296}));
  EXPECT_EQ(CountNodeValue(dir0), 2);
}

TEST(TagEdit, TiffWithoutDirectoryZeroKeepsItsLastDirectoryAndRefusesExifTags) {
  Loaded doc(TwoDirectories(), "a.tif");
  EXPECT_EQ(kExifDelTag(doc.handle, 296, 0), 0);
  EXPECT_EQ(DirectoryNumbers(doc.doc().root), std::vector<int32_t>{1});
  EXPECT_EQ(SetShort(doc.handle, 33434, 1), -1);
  EXPECT_EQ(doc.doc().exifPointerTag, nullptr);
  EXPECT_EQ(kExifDelTag(doc.handle, 259, 1), 0);
  EXPECT_EQ(DirectoryNumbers(doc.doc().root), std::vector<int32_t>{1});
  EXPECT_EQ(CountNodeValue(doc.doc().FindDirectory(1)), 0);
}

TEST(TagEdit, JpegWithoutDirectoryZeroGetsANewDirectoryAfterTheLastAndDirectoryZeroInFront) {
  Loaded doc(MakeJpeg(TwoDirectories()));
  EXPECT_EQ(kExifDelTag(doc.handle, 296, 0), 0);
  EXPECT_EQ(SetShort(doc.handle, 270, 1, 3), 0);
  EXPECT_EQ(DirectoryNumbers(doc.doc().exifSegment->firstChild), (std::vector<int32_t>{1, 3}));
  EXPECT_EQ(SetShort(doc.handle, 271, 1, 0), 0);
  EXPECT_EQ(DirectoryNumbers(doc.doc().exifSegment->firstChild), (std::vector<int32_t>{0, 1, 3}));
  EXPECT_EQ(doc.doc().exifSegment->firstChild->id, kIdHeader);
}

// An Exif pointer whose sub-directory went (here taken away by hand) gets a
// new one for the next Exif tag.
TEST(TagEdit, AnExifPointerWithoutSubdirectoryGetsOneForTheFirstExifTag) {
  TiffBuilder b;
  b.AddDirectory().Add(Entry::Short(296, {2})).Exif().Add(Entry::Short(37383, {5}));
  TempDir dir;
  for (const bool jpeg : {false, true}) {
    Loaded doc(dir.Write(jpeg ? "a.jpg" : "a.tif", jpeg ? MakeJpeg(b.Build()) : b.Build()));
    TagNode *pointer = doc.doc().exifPointerTag;
    ASSERT_NE(pointer, nullptr);
    while (pointer->firstChild != nullptr) doc.doc().RemoveNode(pointer->firstChild);
    pointer->hasChildren = 0;
    EXPECT_EQ(SetShort(doc.handle, 37385, 16), 0);
    EXPECT_EQ(doc.doc().exifPointerTag, pointer);
    EXPECT_EQ(EntryIds(pointer), std::vector<int32_t>{37385});
    EXPECT_EQ(CountNodeValue(pointer), 1);
    EXPECT_EQ(GetShort(doc.handle, 37385), 16);
  }
}

TEST(TagEdit, AnInsertedExifSegmentThatDidNotParseIsFilledInsteadOfAnotherMade) {
  Loaded doc(MakeJpegWithoutExif());
  ExifMarkerData marker = ExifBlock({'I'});
  ASSERT_EQ(kExifInsertExifMarker(doc.handle, &marker), 0);
  doc.doc().byteOrder = kBigEndian;
  const std::vector<int32_t> segments = TopLevelIds(doc.doc());
  EXPECT_EQ(SetShort(doc.handle, 270, 1), 0);
  EXPECT_EQ(SetShort(doc.handle, 33434, 2), 0);
  EXPECT_EQ(TopLevelIds(doc.doc()), segments);
  EXPECT_EQ(doc.doc().exifSegment->firstChild->id, kIdHeader);
  EXPECT_EQ(doc.doc().byteOrder, kLittleEndian);
  EXPECT_EQ(EntryIds(doc.doc().FindDirectory(0)), (std::vector<int32_t>{270, 34665}));
  EXPECT_EQ(GetShort(doc.handle, 33434), 2);
}

}  // namespace
}  // namespace kexif::test
