#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "api/document_handle.h"
#include "kexif.h"
#include "model/tree_search.h"
#include "tests/support/hand_tree.h"
#include "tests/support/jpeg_builder.h"
#include "tests/support/loaded_document.h"
#include "tests/support/sample_photo.h"

namespace kexif::test {
namespace {

int32_t SetShort(KExifHandle h, uint32_t tag, uint16_t v, int32_t directory = 0) {
  TagValue value{kTypeShort, 1, &v};
  return kExifSetTag(h, tag, &value, directory);
}

// The value bytes of a tag, or "-" when the query fails.
std::string Get(KExifHandle h, uint32_t tag, int32_t directory = 0) {
  TagValue value{};
  if (kExifGetTag(h, tag, &value, directory) != 0) return "-";
  int32_t size = value.count * ElementSize(value.type);
  std::string bytes(static_cast<const char *>(value.data), static_cast<size_t>(size));
  std::free(value.data);
  return bytes;
}

std::string ShortBytes(uint16_t v) { return std::string(reinterpret_cast<const char *>(&v), 2); }
std::string TextBytes(const std::string &t) { return std::string(t.c_str(), t.size() + 1); }

Bytes TiffWith(bool bigEndian, bool exif, bool second) {
  TiffBuilder b(bigEndian);
  Ifd &ifd0 = b.AddDirectory();
  ifd0.Add(Entry::Ascii(271, "Cam")).Add(Entry::Short(296, {2}));
  if (exif) ifd0.Exif().Add(Entry::Short(37383, {5})).Add(Entry::Rational(33434, {{1, 60}}));
  if (second) b.AddDirectory().Add(Entry::Short(259, {6})).Thumbnail(FakeJpegStream(200));
  return b.Build();
}

class EditRoundTrip : public ::testing::TestWithParam<std::tuple<bool, bool>> {};

// Set, get, delete, get for a tag of each kind in JPEG and TIFF documents of
// both byte orders; replacing a value leaves every count alone.
TEST_P(EditRoundTrip, SetGetDeleteGetForDirectoryAndExifTags) {
  const auto [bigEndian, jpeg] = GetParam();
  Bytes tiff = TiffWith(bigEndian, true, true);
  Loaded doc(jpeg ? MakeJpeg(tiff) : tiff, jpeg ? "a.jpg" : "a.tif");
  ASSERT_NE(doc.handle, nullptr);
  EXPECT_EQ(SetText(doc.handle, 270, "Harbour"), 0);
  EXPECT_EQ(SetShort(doc.handle, 37385, 16), 0);
  EXPECT_EQ(SetShort(doc.handle, 259, 1, 1), 0);  // replaced in directory 1
  EXPECT_EQ(SetShort(doc.handle, 37383, 2), 0);   // replaced in the Exif sub-directory
  EXPECT_EQ(SetShort(doc.handle, 296, 3), 0);     // replaced in directory 0
  EXPECT_EQ(Get(doc.handle, 270), TextBytes("Harbour"));
  EXPECT_EQ(Get(doc.handle, 37385), ShortBytes(16));
  EXPECT_EQ(Get(doc.handle, 259, 1), ShortBytes(1));
  EXPECT_EQ(Get(doc.handle, 296), ShortBytes(3));
  EXPECT_EQ(CountNodeValue(doc.doc().FindDirectory(1)), 3);
  EXPECT_EQ(EntryIds(doc.doc().FindDirectory(0)), (std::vector<int32_t>{270, 271, 296, 34665}));
  EXPECT_EQ(EntryIds(doc.doc().exifPointerTag), (std::vector<int32_t>{33434, 37383, 37385}));
  EXPECT_EQ(CountNodeValue(doc.doc().exifPointerTag), 3);
  EXPECT_EQ(kExifDelTag(doc.handle, 270, 0), 0);
  EXPECT_EQ(kExifDelTag(doc.handle, 37385, 0), 0);
  EXPECT_EQ(Get(doc.handle, 270), "-");
  EXPECT_EQ(Get(doc.handle, 37385), "-");
  EXPECT_EQ(Get(doc.handle, 37383), ShortBytes(2));
  EXPECT_EQ(CountNodeValue(doc.doc().FindDirectory(0)), 3);
  EXPECT_EQ(CountNodeValue(doc.doc().exifPointerTag), 2);
  EXPECT_EQ(kExifDelTag(doc.handle, 37385, 0), -1);
}

INSTANTIATE_TEST_SUITE_P(ByteOrderAndFormat, EditRoundTrip,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()));


// The top-level chain of the whole file: the load leaves what follows the
// first SOS for later.
std::vector<int32_t> Segments(const Loaded &doc) {
  EXPECT_TRUE(doc.doc().CompleteScan());
  return TopLevelIds(doc.doc());
}

long App1Count(const Loaded &doc) {
  const std::vector<int32_t> ids = Segments(doc);
  return std::count(ids.begin(), ids.end(), kMarkerApp1);
}

TEST(SetTag, KeepsValuesWholeOnBothSidesOfTheInLineLimit) {
  Loaded doc(TiffWith(true, false, false), "b.tif");
  uint16_t shorts[3] = {1, 2, 3};
  uint32_t one = 0xA1B2C3D4;
  uint32_t fraction[2] = {10, 3};
  struct Case {
    uint32_t tag;
    TagValue value;
    bool inLine;
  } cases[] = {
      {700, {kTypeAscii, 4, const_cast<char *>("abc")}, true},
      {701, {kTypeAscii, 5, const_cast<char *>("abcd")}, false},
      {702, {kTypeShort, 2, shorts}, true},
      {703, {kTypeShort, 3, shorts}, false},
      {704, {kTypeLong, 0, nullptr}, true},
      {705, {kTypeLong, 1, &one}, true},
      {706, {kTypeRational, 1, fraction}, false},
  };
  for (const Case &k : cases) {
    ASSERT_EQ(kExifSetTag(doc.handle, k.tag, &k.value, 0), 0) << k.tag;
    const int32_t size = k.value.count * ElementSize(k.value.type);
    EXPECT_EQ(Get(doc.handle, k.tag), std::string(static_cast<const char *>(k.value.data), size)) << k.tag;
    TagNode *node = FindTagById(doc.doc().root, static_cast<int32_t>(k.tag));
    EXPECT_EQ(node->data == nullptr, k.inLine) << k.tag;
  }
  EXPECT_EQ(EntryIds(doc.doc().FindDirectory(0)), (std::vector<int32_t>{271, 296, 700, 701, 702, 703, 704, 705, 706}));
}

TEST(SetTag, RefusesUnusableValuesTypesAndHandlesAndChangesNothing) {
  Loaded doc(MakeJpeg(TiffWith(false, true, false)));
  uint32_t word = 0x01020304;
  std::string big(70000, 'x');
  const TagValue refused[] = {
      {kTypeByte, -1, &word},               // negative count
      {kTypeByte, 3, nullptr},              // no bytes
      {kTypeUndefined, 70000, big.data()},  // more than a JPEG segment holds
      {kTypeDouble, 0x20000001, &word},     // count x size wraps
      {0, 1, &word},                        // types outside the TIFF field types
      {13, 1, &word},
      {-1, 1, &word},
      {0x10001, 1, &word},
  };
  for (const TagValue &value : refused) {
    SCOPED_TRACE(::testing::Message() << "type " << value.type << " count " << value.count);
    EXPECT_EQ(kExifSetTag(doc.handle, 700, &value, 0), -1);
    EXPECT_EQ(kExifSetTag(doc.handle, 33434, &value, 0), -1);
  }
  EXPECT_EQ(kExifSetTag(doc.handle, 700, nullptr, 0), -1);
  EXPECT_EQ(SetShort(doc.handle, 700, 1, -1), -1);
  EXPECT_EQ(SetShort(nullptr, 700, 1), -1);
  EXPECT_EQ(kExifDelTag(nullptr, 271, 0), -1);
  EXPECT_EQ(Get(doc.handle, 700), "-");
  EXPECT_EQ(FindTagById(doc.doc().root, 700), nullptr);
  EXPECT_EQ(CountNodeValue(doc.doc().FindDirectory(0)), 3);
  // The edge types are taken, and a TIFF document takes a value too large
  // for a JPEG segment.
  uint8_t eight[8] = {};
  for (int32_t type : {1, 12}) {
    TagValue edge{type, 1, eight};
    EXPECT_EQ(kExifSetTag(doc.handle, 700, &edge, 0), 0);
  }
  Loaded tiff(TiffWith(false, false, false), "c.tif");
  EXPECT_EQ(kExifSetTag(tiff.handle, 700, &refused[2], 0), 0);
  EXPECT_EQ(Get(tiff.handle, 700), big);
}

// Tags numbered like the structural nodes (header, directory, entry count,
// directory end, the TIFF save's image pieces) are entries like any other,
// and a save writes them.
TEST(SetTag, NeverWritesIntoStructuralNodesAndSavesTagsOfTheirNumbers) {
  Loaded doc(TiffWith(false, false, true), "d.tif");
  const uint32_t tags[] = {1, 2, 3, 60, 70, 80};
  for (uint32_t tag : tags) EXPECT_EQ(SetShort(doc.handle, tag, 9, 1), 0);
  MetaNode *dir1 = doc.doc().FindDirectory(1);
  EXPECT_EQ(EntryIds(dir1), (std::vector<int32_t>{1, 2, 3, 60, 70, 80, 259, 513, 514}));
  EXPECT_EQ(CountNodeValue(dir1), 9);
  EXPECT_EQ(doc.doc().root->id, kIdHeader);
  EXPECT_EQ(DirectoryNumbers(doc.doc().root), (std::vector<int32_t>{0, 1}));
  Loaded saved(SavedCopy(doc, "saved.tif"));
  for (uint32_t tag : tags) EXPECT_EQ(Get(saved.handle, tag, 1), ShortBytes(9)) << tag;
  for (uint32_t tag : tags) EXPECT_EQ(kExifDelTag(doc.handle, tag, 1), 0);
  EXPECT_EQ(CountNodeValue(dir1), 3);
  EXPECT_EQ(kExifDelTag(doc.handle, 3, 1), -1);
}

// Reserved markers share their codes with the ids of directory and header
// nodes; a segment of marker 0x02 must not be taken for directory 0.
TEST(SetTag, JpegWithReservedMarkerSegmentsKeepsThemAndSavesTheNewTag) {
  JpegBuilder j;
  j.Soi().App0Jfif().Segment(0x02, {}).Segment(0x01, {7}).Segment(0x03, {1, 2}).Dqt().Sof0().Dht().Sos();
  Loaded doc(j.ScanData(100).Eoi().Build());
  EXPECT_EQ(SetText(doc.handle, 270, "kept"), 0);
  EXPECT_EQ(Segments(doc),
            (std::vector<int32_t>{0xD8, 0xE0, 0xE1, 0x02, 0x01, 0x03, 0xDB, 0xC0, 0xC4, 0xDA, kIdRawRun, 0xD9}));
  Loaded reloaded(SavedCopy(doc));
  EXPECT_EQ(Get(reloaded.handle, 270), TextBytes("kept"));
  EXPECT_EQ(Segments(reloaded)[3], 0x02);
}

TEST(SetTag, JpegWithoutApp0OrApp1GetsTheSegmentAfterSoiAndDirectoryZero) {
  Loaded doc(JpegBuilder().Soi().Dqt().Sof0().Sos().ScanData(16).Eoi().Build());
  doc.doc().byteOrder = kBigEndian;
  EXPECT_EQ(SetText(doc.handle, 270, "x", 1), 0);
  EXPECT_EQ(Segments(doc)[1], kMarkerApp1);
  EXPECT_EQ(doc.doc().byteOrder, kLittleEndian);
  EXPECT_EQ(Get(doc.handle, 270, 0), TextBytes("x"));
  EXPECT_EQ(doc.doc().FindDirectory(1), nullptr);
  EXPECT_EQ(kExifIsExifExist(doc.handle), 0);
}

Bytes XmpFirstJpeg(const Bytes *tiff) {
  JpegBuilder b;
  b.Soi().App0Jfif().App1Xmp("<x:xmpmeta>keep</x:xmpmeta>");
  if (tiff != nullptr) b.App1Exif(*tiff);
  return b.Dqt().Sof0().Sos().ScanData(16).Eoi().Build();
}

TEST(SetTag, XmpFirstJpegKeepsItsXmpSegmentUnreadAheadOfTheExifSegment) {
  Bytes tiff = TiffWith(false, false, false);
  Loaded doc(XmpFirstJpeg(&tiff));
  MetaNode *xmp = doc.doc().root->next->next;
  const std::vector<int32_t> before = Segments(doc);
  EXPECT_EQ(SetShort(doc.handle, 33434, 4), 0);
  EXPECT_EQ(SetText(doc.handle, 270, "t"), 0);
  EXPECT_EQ(xmp->firstChild, nullptr);
  EXPECT_EQ(AsSegmentNode(xmp)->payloadState, kPayloadOnDisk);
  EXPECT_EQ(xmp->next, doc.doc().exifSegment);
  EXPECT_EQ(Segments(doc), before);
  EXPECT_EQ(EntryIds(doc.doc().FindDirectory(0)), (std::vector<int32_t>{270, 271, 296, 34665}));
}

// A JPEG without Exif data gets its Exif segment right after APP0, ahead of
// an XMP APP1 segment, which stays unread; deleting the only Exif entry
// removes that segment again, not the XMP one.
TEST(SetTag, JpegWithoutExifGetsANewExifSegmentAfterApp0AndLosesItWithItsOnlyEntry) {
  for (const bool xmp : {false, true}) {
    SCOPED_TRACE(xmp ? "XMP after APP0" : "APP0 alone");
    Loaded doc(xmp ? XmpFirstJpeg(nullptr) : MakeJpegWithoutExif());
    MetaNode *next = doc.doc().root->next->next;  // the XMP segment or DQT
    EXPECT_EQ(kExifIsExifExist(doc.handle), 0);
    EXPECT_EQ(SetShort(doc.handle, 33434, 4), 0);
    SegmentNode *app1 = AsSegmentNode(doc.doc().root->next->next);
    EXPECT_EQ(doc.doc().exifSegment, app1);
    EXPECT_EQ(app1->id, kMarkerApp1);
    EXPECT_EQ(app1->next, next);
    EXPECT_EQ(next->firstChild, nullptr);
    EXPECT_EQ(kExifIsExifExist(doc.handle), 1);
    MetaNode *dir0 = doc.doc().FindDirectory(0);
    EXPECT_EQ(dir0->parent, app1);
    EXPECT_EQ(EntryIds(dir0), std::vector<int32_t>{34665});
    EXPECT_EQ(EntryIds(doc.doc().exifPointerTag), std::vector<int32_t>{33434});
    EXPECT_EQ(Get(doc.handle, 33434), ShortBytes(4));
    EXPECT_EQ(kExifDelTag(doc.handle, 33434, 0), 0);
    EXPECT_EQ(doc.doc().root->next->next, next);
    EXPECT_EQ(App1Count(doc), xmp ? 1 : 0);
    EXPECT_EQ(kExifIsExifExist(doc.handle), 0);
  }
}

// Only the last Exif segment is read and rebuilt: the Exif sub-directory and
// the thumbnail of an earlier one are neither answered from nor edited, and
// the edits of either directory of the last one survive a save.
TEST(SetTag, JpegWithTwoExifSegmentsReadsAndRebuildsTheLastOnly) {
  Loaded doc(JpegBuilder().Soi().App0Jfif().App1Exif(TiffWith(true, true, true)).App1Exif(TiffWith(false, false, false))
      .Dqt().Sof0().Dht().Sos().ScanData(32).Eoi().Build());
  EXPECT_EQ(Get(doc.handle, 37383), "-");
  EXPECT_EQ(kExifIsThumbnailExist(doc.handle), 0);
  EXPECT_EQ(SetShort(doc.handle, 37383, 9), 0);
  EXPECT_EQ(SetText(doc.handle, 270, "zero", 0), 0);
  const Bytes thumbnail = FakeJpegStream(120, 9);
  EXPECT_EQ(SetThumbnail(doc.handle, thumbnail), 0);
  EXPECT_EQ(SetText(doc.handle, 305, "one", 1), 0);  // into the new thumbnail directory
  Loaded saved(SavedCopy(doc));
  EXPECT_EQ(Get(saved.handle, 37383), ShortBytes(9));
  EXPECT_EQ(Get(saved.handle, 271), TextBytes("Cam"));
  EXPECT_EQ(Get(saved.handle, 270, 0), TextBytes("zero"));
  EXPECT_EQ(Get(saved.handle, 305, 1), TextBytes("one"));
  const Fetched back = FetchThumbnail(saved.handle);
  EXPECT_EQ(back.result, 0);
  EXPECT_EQ(back.bytes, thumbnail);
}

TEST(SetTag, JpegWithoutExifPointerLosesNoEditAndResurrectsNoDeletedEntry) {
  Loaded doc(MakeJpeg(TiffWith(false, false, false)));
  EXPECT_EQ(SetText(doc.handle, 270, "kept"), 0);
  EXPECT_EQ(SetShort(doc.handle, 37383, 3), 0);
  EXPECT_EQ(Get(doc.handle, 270), TextBytes("kept"));
  EXPECT_EQ(EntryIds(doc.doc().FindDirectory(0)), (std::vector<int32_t>{270, 271, 296, 34665}));
  EXPECT_EQ(kExifDelTag(doc.handle, 37383, 0), 0);
  EXPECT_EQ(doc.doc().exifPointerTag, nullptr);
  EXPECT_EQ(Get(doc.handle, 37383), "-");
  EXPECT_EQ(SetShort(doc.handle, 33434, 8), 0);
  EXPECT_EQ(Get(doc.handle, 37383), "-");
  EXPECT_EQ(EntryIds(doc.doc().exifPointerTag), std::vector<int32_t>{33434});
  EXPECT_EQ(Get(doc.handle, 270), TextBytes("kept"));
}

// Where a set makes a missing directory, and which number each keeps.
TEST(SetTag, MakesAMissingDirectoryInItsPlaceAndRenumbersOnlyALoneThumbnailDirectory) {
  TiffBuilder thumbnailFirst;
  thumbnailFirst.AddDirectory().Add(Entry::Short(259, {6})).Thumbnail(FakeJpegStream(100));
  TiffBuilder thumbnailThenOne;
  thumbnailThenOne.AddDirectory().Add(Entry::Short(259, {6})).Thumbnail(FakeJpegStream(100));
  thumbnailThenOne.AddDirectory().Add(Entry::Short(296, {2}));
  const struct {
    const char *name;
    Bytes tiff;
    uint32_t tag;
    int32_t directory;
    std::vector<int32_t> numbers, first, thumbnail;  // directory numbers, entries of 0 and of 259's
    int32_t thumbnailDirectory;
  } cases[] = {
      {"directory 2 goes after directory 0, ahead of directory 1", TiffWith(true, false, true), 270, 2,
       {0, 2, 1}, {271, 296}, {259, 513, 514}, 1},
      {"a lone thumbnail directory becomes directory 1 behind a new directory 0", thumbnailFirst.Build(), 33434, 0,
       {0, 1}, {34665}, {259, 513, 514}, 1},
      {"a thumbnail directory 0 keeps its number while directory 1 exists", thumbnailThenOne.Build(), 33434, 0,
       {0, 1}, {259, 513, 514, 34665}, {259, 513, 514, 34665}, 0},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    Loaded doc(MakeJpeg(c.tiff));
    EXPECT_EQ(SetShort(doc.handle, c.tag, 2, c.directory), 0);
    EXPECT_EQ(DirectoryNumbers(doc.doc().exifSegment->firstChild), c.numbers);
    EXPECT_EQ(EntryIds(doc.doc().FindDirectory(0)), c.first);
    EXPECT_EQ(EntryIds(doc.doc().FindDirectory(c.thumbnailDirectory)), c.thumbnail);
    EXPECT_EQ(Get(doc.handle, 259, c.thumbnailDirectory), ShortBytes(6));
    EXPECT_EQ(Get(doc.handle, c.tag, c.directory), ShortBytes(2));
  }
}

TEST(SetTag, TheInteroperabilityPointerIsAnOrdinaryExifEntry) {
  Loaded doc(SamplePhotoJpeg());
  // 40965 is removed with the directory below it like any entry.
  EXPECT_EQ(kExifDelTag(doc.handle, 40965, 0), 0);
  EXPECT_EQ(Get(doc.handle, 40965), "-");
  EXPECT_EQ(CountNodeValue(doc.doc().exifPointerTag), static_cast<int32_t>(EntryIds(doc.doc().exifPointerTag).size()));
  uint32_t offset = 0;
  TagValue pointer{kTypeLong, 1, &offset};
  EXPECT_EQ(kExifSetTag(doc.handle, 40965, &pointer, 0), 0);
  EXPECT_EQ(EntryIds(doc.doc().exifPointerTag).back(), 40965);
}

TEST(DelTag, TheOnlyExifEntryTakesTheSegmentWithoutDirectoryOneAndDirectoryZeroWithIt) {
  for (bool second : {false, true}) {
    TiffBuilder b;
    b.AddDirectory().Exif().Add(Entry::Short(37383, {5}));
    if (second) b.AddDirectory().Add(Entry::Short(259, {6}));
    Loaded doc(MakeJpeg(b.Build()));
    EXPECT_EQ(kExifDelTag(doc.handle, 37383, 0), 0);
    if (second) {
      EXPECT_EQ(DirectoryNumbers(doc.doc().exifSegment->firstChild), std::vector<int32_t>{1});
      EXPECT_EQ(Get(doc.handle, 259, 1), ShortBytes(6));
      EXPECT_EQ(kExifIsExifExist(doc.handle), 1);
    } else {
      EXPECT_EQ(App1Count(doc), 0);
      EXPECT_EQ(doc.doc().exifSegment, nullptr);
      EXPECT_EQ(kExifIsExifExist(doc.handle), 0);
    }
  }
}

TEST(DelTag, ExifPointerWithDirectoryZeroTakesTheWholeSubdirectory) {
  Loaded doc(SamplePhotoJpeg(true));
  EXPECT_EQ(kExifDelTag(doc.handle, 34665, 0), 0);
  EXPECT_EQ(doc.doc().exifPointerTag, nullptr);
  EXPECT_EQ(kExifIsExifExist(doc.handle), 1);
  EXPECT_EQ(Get(doc.handle, 33434), "-");
  EXPECT_EQ(CountNodeValue(doc.doc().FindDirectory(0)),
            static_cast<int32_t>(EntryIds(doc.doc().FindDirectory(0)).size()));
  // A later Exif tag makes a new pointer and sub-directory.
  EXPECT_EQ(SetShort(doc.handle, 37383, 1), 0);
  EXPECT_EQ(EntryIds(doc.doc().exifPointerTag), std::vector<int32_t>{37383});
}

// A directory left without entries is not written: a directory of no
// entries would make the saved file unloadable.
TEST(DelTag, TiffWithItsLastEntryDeletedSavesAFileThatLoadsWithoutDirectories) {
  TiffBuilder tiff;
  tiff.AddDirectory().Add(Entry::Short(296, {2}));
  Loaded doc(tiff.Build(), "one.tif");
  EXPECT_EQ(kExifDelTag(doc.handle, 296, 0), 0);
  Loaded again(SavedCopy(doc, "saved.tif"));
  ASSERT_NE(again.handle, nullptr);
  const Bytes bytes = ReadFileBytes(again.path);
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 8), (Bytes{'I', 'I', 42, 0, 0, 0, 0, 0}));
  EXPECT_EQ(again.doc().CountDirectories(), 0);
}

TEST(DelTag, RemovingTheThumbnailEntryClearsTheThumbnailState) {
  Loaded doc(SamplePhotoJpeg());
  ASSERT_EQ(kExifIsThumbnailExist(doc.handle), 1);
  EXPECT_EQ(kExifDelTag(doc.handle, 513, 1), 0);
  EXPECT_EQ(doc.doc().thumbnailOffsetTag, nullptr);
  EXPECT_EQ(kExifIsThumbnailExist(doc.handle), 0);
  EXPECT_EQ(Get(doc.handle, 513, 1), "-");
}

TEST(SetTag, TiffWithoutExifSubdirectoryGetsAPointerInOrderThatGoesWithItsLastEntry) {
  Loaded doc(TiffWith(false, false, true), "f.tif");
  EXPECT_EQ(kExifIsExifExist(doc.handle), 0);
  EXPECT_EQ(SetShort(doc.handle, 33434, 1), 0);
  EXPECT_EQ(SetShort(doc.handle, 37383, 3), 0);
  EXPECT_EQ(kExifIsExifExist(doc.handle), 1);
  EXPECT_EQ(EntryIds(doc.doc().FindDirectory(0)), (std::vector<int32_t>{271, 296, 34665}));
  EXPECT_EQ(EntryIds(doc.doc().exifPointerTag), (std::vector<int32_t>{33434, 37383}));
  EXPECT_EQ(CountNodeValue(doc.doc().exifPointerTag), 2);
  EXPECT_EQ(SetShort(doc.handle, 270, 1, 5), 0);  // no directory 5: nothing changes
  EXPECT_EQ(Get(doc.handle, 270, 0), "-");
  // The last Exif entry takes the pointer with it; the Exif flag stays, and
  // the next Exif tag makes a new pointer.
  EXPECT_EQ(kExifDelTag(doc.handle, 33434, 0), 0);
  EXPECT_EQ(kExifDelTag(doc.handle, 37383, 0), 0);
  EXPECT_EQ(EntryIds(doc.doc().FindDirectory(0)), (std::vector<int32_t>{271, 296}));
  EXPECT_EQ(CountNodeValue(doc.doc().FindDirectory(0)), 2);
  EXPECT_EQ(kExifIsExifExist(doc.handle), 1);
  EXPECT_EQ(SetShort(doc.handle, 33434, 3), 0);
  EXPECT_EQ(EntryIds(doc.doc().FindDirectory(0)), (std::vector<int32_t>{271, 296, 34665}));
  EXPECT_EQ(Get(doc.handle, 33434), ShortBytes(3));
}

TEST(SetTag, TiffWithoutDirectoriesRefusesAnExifTagItCouldNotKeep) {
  Loaded doc(TiffBuilder().Build(), "empty.tif");
  ASSERT_NE(doc.handle, nullptr);
  EXPECT_EQ(SetShort(doc.handle, 33434, 1), -1);
  EXPECT_EQ(Get(doc.handle, 33434), "-");
  EXPECT_EQ(kExifIsExifExist(doc.handle), 0);
}
}  // namespace
}  // namespace kexif::test
