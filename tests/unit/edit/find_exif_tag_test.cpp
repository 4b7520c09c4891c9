#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "api/load_document.h"
#include "edit/find_exif_tag.h"
#include "model/tree_search.h"
#include "tests/support/jpeg_builder.h"

namespace kexif::test {
namespace {

struct DocumentDeleter {
  void operator()(ExifDocument *d) const { DestroyDocument(d); }
};
using Document = std::unique_ptr<ExifDocument, DocumentDeleter>;

// A JPEG document whose Exif segment holds the payload as bytes only, as a
// segment inserted by the editor does.
Document WithUnparsedExif(const Bytes &tiff) {
  Document doc(new ExifDocument);
  doc->AppendSibling(new SegmentNode(kMarkerSoi, 0, 0));
  auto *segment = new SegmentNode(kMarkerApp1, 0, 0);
  doc->AppendSibling(segment);
  const Bytes payload = ExifPayload(tiff);
  auto *buffer = new uint8_t[payload.size()];
  std::memcpy(buffer, payload.data(), payload.size());
  segment->ReplacePayload(buffer, static_cast<int32_t>(payload.size()));
  doc->exifSegment = segment;
  doc->format = kFormatJpeg;
  return doc;
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

}  // namespace
}  // namespace kexif::test
