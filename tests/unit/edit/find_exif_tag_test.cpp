#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "api/load_document.h"
#include "edit/find_exif_tag.h"
#include "model/tree_search.h"
#include "tests/support/jpeg_builder.h"
#include "tests/support/sample_photo.h"
#include "tests/support/temp_files.h"
#include "tests/support/tree_dump.h"

namespace kexif::test {
namespace {

struct DocumentDeleter {
  void operator()(ExifDocument *d) const { DestroyDocument(d); }
};
using Document = std::unique_ptr<ExifDocument, DocumentDeleter>;

Document Load(const TempDir &dir, const Bytes &bytes) {
  return Document(LoadDocument(dir.Write("f.jpg", bytes).c_str()));
}

// A JPEG document whose Exif segment holds the payload as bytes only, as a
// segment inserted by the editor does.
Document WithUnparsedExif(const Bytes &tiff) {
  Document doc(new ExifDocument);
  doc->AppendSibling(new SegmentNode(kMarkerSoi, 0, 0));
  auto *segment = new SegmentNode(kMarkerApp1, 0, 0);
  doc->AppendSibling(segment);
  Bytes payload = {'E', 'x', 'i', 'f', 0, 0};
  payload.insert(payload.end(), tiff.begin(), tiff.end());
  auto *buffer = new uint8_t[payload.size()];
  std::memcpy(buffer, payload.data(), payload.size());
  segment->ReplacePayload(buffer, static_cast<int32_t>(payload.size()));
  doc->exifSegment = segment;
  doc->format = kFormatJpeg;
  return doc;
}

Bytes DirectoryZeroOnly() {
  TiffBuilder t;
  t.AddDirectory().Add(Entry::Ascii(271, "Cam")).Add(Entry::Short(274, {1}));
  return t.Build();
}

TEST(FindExifTag, SearchesFromThePointerEntryOnly) {
  TempDir dir;
  Document doc = Load(dir, SamplePhotoJpeg());
  ASSERT_NE(doc, nullptr);
  const TagNode *exposure = FindExifTag(*doc, 33434);
  ASSERT_NE(exposure, nullptr);
  EXPECT_EQ(exposure->parent, doc->exifPointerTag);
  EXPECT_EQ(FindExifTag(*doc, 274), nullptr);  // in IFD0 before the pointer
  EXPECT_NE(FindExifTag(*doc, 34853), nullptr);  // after the pointer
}

TEST(FindExifTag, ParsesTheStoredPayloadOfASegmentWithoutStructure) {
  TiffBuilder t;
  t.AddDirectory().Exif().Add(Entry::Rational(33434, {{1, 50}}));
  Document doc = WithUnparsedExif(t.Build());
  const TagNode *exposure = FindExifTag(*doc, 33434);
  ASSERT_NE(exposure, nullptr);
  EXPECT_EQ(doc->exifSegment->firstChild->id, kIdHeader);
  EXPECT_EQ(doc->exifExists, 1);
  EXPECT_EQ(doc->current, doc->exifSegment);
}

TEST(FindExifTag, NeverParsesASegmentThatAlreadyHasItsStructure) {
  TempDir dir;
  Document doc = Load(dir, MakeJpeg(DirectoryZeroOnly()));
  ASSERT_NE(doc, nullptr);
  ASSERT_EQ(doc->exifPointerTag, nullptr);
  // An edit of the tree stands: the entry removed stays removed.
  TagNode *make = FindTagById(doc->root, 271);
  ASSERT_TRUE(doc->RemoveNode(make));
  const std::string before = DumpTree(*doc);
  EXPECT_EQ(FindExifTag(*doc, 33434), nullptr);
  EXPECT_EQ(DumpTree(*doc), before);
}

TEST(FindExifTag, DoesNotResurrectADeletedExifSubdirectory) {
  TempDir dir;
  Document doc = Load(dir, SamplePhotoJpeg());
  ASSERT_NE(doc, nullptr);
  ASSERT_TRUE(doc->RemoveNode(doc->exifPointerTag));
  ASSERT_EQ(doc->exifPointerTag, nullptr);
  EXPECT_EQ(FindExifTag(*doc, 33434), nullptr);
  EXPECT_EQ(FindTagById(doc->root, 33434), nullptr);
}

TEST(FindExifTag, LeavesEverythingAsItWasWhenTheStoredPayloadDoesNotParse) {
  TiffBuilder t;
  Ifd &ifd0 = t.AddDirectory();
  ifd0.Add(Entry::Long(513, {0}));
  ifd0.Exif();  // an Exif sub-directory of 0 entries
  Document doc = WithUnparsedExif(t.Build());
  doc->byteOrder = kBigEndian;
  EXPECT_EQ(FindExifTag(*doc, 33434), nullptr);
  EXPECT_EQ(doc->exifSegment->firstChild, nullptr);
  EXPECT_EQ(doc->exifSegment->hasChildren, 0);
  EXPECT_EQ(doc->byteOrder, kBigEndian);
  EXPECT_EQ(doc->exifPointerTag, nullptr);
  EXPECT_EQ(doc->exifExists, 0);
  EXPECT_EQ(doc->thumbnailOffsetTag, nullptr);
  EXPECT_EQ(doc->thumbnailExists, 0);
}

TEST(FindExifTag, FailsCleanlyWhenThePayloadIsOnDiskAndThereIsNoStream) {
  Document doc(new ExifDocument);
  auto *segment = new SegmentNode(kMarkerApp1, 100, 20);
  doc->AppendSibling(segment);
  doc->exifSegment = segment;
  EXPECT_EQ(FindExifTag(*doc, 33434), nullptr);
  EXPECT_EQ(segment->payloadState, kPayloadOnDisk);
}

TEST(FindDirectoryTag, FindsGpsEntriesThroughDirectoryZeroAndSkipsStructuralNodes) {
  TempDir dir;
  Document doc = Load(dir, SamplePhotoJpeg(true));
  ASSERT_NE(doc, nullptr);
  for (int32_t id : {1, 2, 3}) {
    const TagNode *gps = FindDirectoryTag(*doc, 0, id);
    ASSERT_NE(gps, nullptr) << id;
    EXPECT_EQ(gps->parent->id, static_cast<int32_t>(kTagGpsPointer));
  }
  EXPECT_EQ(FindDirectoryTag(*doc, 0, kIdDirectoryEnd), nullptr);
  EXPECT_EQ(FindDirectoryTag(*doc, 1, 1), nullptr);
  EXPECT_EQ(FindDirectoryTag(*doc, 0, 513)->parent, doc->FindDirectory(1));
}

}  // namespace
}  // namespace kexif::test
