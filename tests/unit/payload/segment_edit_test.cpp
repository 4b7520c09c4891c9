#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <vector>

#include "edit/exif_segment.h"
#include "model/chain_lookup.h"
#include "model/tree_search.h"
#include "tests/support/hand_tree.h"
#include "tests/support/jpeg_builder.h"
#include "tests/support/loaded_document.h"
#include "tests/support/sample_photo.h"
#include "tests/support/temp_files.h"

namespace kexif::test {
namespace {

TEST(RemoveMarker, RemovesEveryApp1SegmentAndTheExifStateWithThem) {
  JpegBuilder j;
  j.Soi().App0Jfif().App1Xmp().App1Exif(SampleTiffStructure(false)).Sos().ScanData(10).Eoi();
  Loaded doc(j.Build());
  ASSERT_EQ(FetchThumbnail(doc.handle).result, 0);
  EXPECT_EQ(kExifRemoveMarker(doc.handle, 0xE1, 0), 0);
  const ExifDocument &d = doc.doc();
  EXPECT_EQ(TopLevelIds(d), (std::vector<int32_t>{0xD8, 0xE0, 0xDA, 0xA1, 0xD9}));
  EXPECT_EQ(kExifIsExifExist(doc.handle), 0);
  EXPECT_EQ(kExifIsThumbnailExist(doc.handle), 0);
  EXPECT_EQ(d.thumbnailLoaded, 0);
  EXPECT_EQ(d.exifSegment, nullptr);
  EXPECT_EQ(d.exifPointerTag, nullptr);
  EXPECT_EQ(d.thumbnailOffsetTag, nullptr);
  EXPECT_EQ(FetchThumbnail(doc.handle).result, -1);
}

TEST(RemoveMarker, ComparesOnlyTheFirstSegmentWithTheMarker) {
  JpegBuilder j;
  j.Soi().Segment(0xE2, {'I', 'C', 'C', '_', 1}).Segment(0xE2, {'F', 'P', 'X', 'R', 0}).Eoi();
  Loaded doc(j.Build());
  ExifDocument &d = doc.doc();
  d.audioSegment = AsSegmentNode(d.root->next->next);  // as a sound search leaves it
  d.audioExists = 1;
  d.audioSearched = 2;
  EXPECT_EQ(kExifRemoveMarker(doc.handle, 0xE2, 0x52585046), 0);  // "FPXR": not the first APP2's
  EXPECT_EQ(TopLevelIds(d).size(), 4u);
  EXPECT_EQ(kExifRemoveMarker(doc.handle, 0xE2, 0x5F434349), 0);  // "ICC_"
  EXPECT_EQ(TopLevelIds(d), (std::vector<int32_t>{0xD8, 0xE2, 0xD9}));
  EXPECT_EQ(kExifRemoveMarker(doc.handle, 0xE2, 0x52585046), 0);
  EXPECT_EQ(d.audioSegment, nullptr);
  EXPECT_EQ(d.audioExists, 0);
  EXPECT_EQ(d.audioSearched, 0);
}

// The inserted block replaces the file's Exif segment (an XMP APP1 stays),
// so that a reload through either family answers from it.
TEST(InsertExifMarker, ReplacesTheExifSegmentSoThatBothFamiliesReadItAfterASave) {
  JpegBuilder j;
  j.Soi().App0Jfif().App1Exif(SampleTiffStructure(false)).App1Xmp().Dqt().Sos().ScanData(10).Eoi();
  Loaded doc(j.Build());
  TiffBuilder b;
  b.AddDirectory().Add(Entry::Ascii(271, "Other")).Exif().Add(Entry::Rational(33434, {{1, 50}}));
  ExifMarkerData block = ExifBlock(b.Build());
  ASSERT_EQ(kExifInsertExifMarker(doc.handle, &block), 0);
  ExifDocument &d = doc.doc();
  ASSERT_TRUE(d.CompleteScan());  // the chain past the first SOS too
  EXPECT_EQ(TopLevelIds(d), (std::vector<int32_t>{0xD8, 0xE0, 0xE1, 0xE1, 0xDB, 0xDA, 0xA1, 0xD9}));
  EXPECT_EQ(d.root->next->next, d.exifSegment);
  EXPECT_EQ(std::string(d.exifSegment->next->label, 4), "http");  // the XMP segment
  EXPECT_EQ(kExifIsThumbnailExist(doc.handle), 0);
  const std::string saved = doc.dir.File("saved.jpg");
  ASSERT_EQ(kExifSaveFile(doc.handle, saved.c_str()), 0);

  Loaded again(saved);
  TagValue v{};
  ASSERT_EQ(kExifGetTag(again.handle, 33434, &v, 0), 0);
  EXPECT_EQ(static_cast<uint32_t *>(v.data)[1], 50u);
  std::free(v.data);
  KRExifHandle reader = kRExifBeginRead(saved.c_str());
  ASSERT_NE(reader, nullptr);
  ASSERT_EQ(kRExifGetTag(reader, 271, &v), 0);
  EXPECT_EQ(std::string(static_cast<const char *>(v.data)), "Other");
  EXPECT_EQ(kRExifIsThumbnailExist(reader), 0);
  kRExifEndRead(reader);
}

// A segment made by a tag edit carries no label; it is Exif data all the
// same: its tags must not come back after a save, even once the inserted
// block's only entry is deleted and that segment goes.
TEST(InsertExifMarker, ReplacesTheSegmentATagEditMade) {
  JpegBuilder j;
  j.Soi().App0Jfif().Dqt().Sos().ScanData(10).Eoi();
  Loaded doc(j.Build());
  ASSERT_EQ(SetText(doc.handle, 315, "Made"), 0);
  ExifMarkerData block = ExifBlock(TiffMadeBy("Other"));
  ASSERT_EQ(kExifInsertExifMarker(doc.handle, &block), 0);
  ASSERT_TRUE(doc.doc().CompleteScan());
  EXPECT_EQ(TopLevelIds(doc.doc()), (std::vector<int32_t>{0xD8, 0xE0, 0xE1, 0xDB, 0xDA, 0xA1, 0xD9}));
  ASSERT_EQ(kExifDelTag(doc.handle, 271, 0), 0);
  Loaded again(SavedCopy(doc));
  EXPECT_EQ(TextOf(again.handle, 315), "-");
  EXPECT_EQ(kExifIsExifExist(again.handle), 0);
}

TEST(InsertExifMarker, TakesTheThumbnailFromTheBlockWithoutReadingTheFile) {
  Loaded doc(MakeJpegWithoutExif(4096));
  ExifMarkerData block = ExifBlock(SampleTiffStructure(false));
  ASSERT_EQ(kExifInsertExifMarker(doc.handle, &block), 0);
  std::ofstream(doc.path, std::ios::trunc).close();
  EXPECT_EQ(kExifIsThumbnailExist(doc.handle), 1);
  EXPECT_EQ(kExifIsExifExist(doc.handle), 1);
  EXPECT_EQ(FetchThumbnail(doc.handle).bytes, FakeJpegStream(2000, 0x31));
}

TEST(InsertExifMarker, NeverReadsAThumbnailThatLiesOutsideTheBlock) {
  // The file is long enough to hold bytes at "6 + offset".
  Loaded doc(MakeJpegWithoutExif(8192));
  TiffBuilder b;
  b.AddDirectory().Add(Entry::Ascii(271, "Cam"));
  b.AddDirectory().Add(Entry::Long(513, {1000})).Add(Entry::Long(514, {500}));
  ExifMarkerData block = ExifBlock(b.Build());
  ASSERT_EQ(kExifInsertExifMarker(doc.handle, &block), 0);
  EXPECT_EQ(kExifIsThumbnailExist(doc.handle), 1);
  EXPECT_EQ(doc.doc().thumbnailLoaded, 0);
  const Fetched f = FetchThumbnail(doc.handle);
  EXPECT_EQ(f.result, -1);
  EXPECT_TRUE(f.recordCleared);
}

TEST(InsertExifMarker, InsertsShortOrDamagedBlocksWithNothingBelowThem) {
  // The Exif sub-directory parses; the entry of type 0 after its pointer
  // fails the structure.
  TiffBuilder b;
  Ifd &ifd0 = b.AddDirectory();
  ifd0.Add(Entry::Ascii(271, "Cam")).Add(Entry::Raw(40000, 0, 1, 0)).Exif().Add(Entry::Short(37383, {2}));
  b.AddDirectory().Thumbnail(FakeJpegStream(100));
  const Bytes damaged = b.Build();
  for (const Bytes &tiff : {Bytes{}, Bytes{'I'}, Bytes{'X', 'X', 0, 0, 8, 0, 0, 0}, damaged}) {
    Loaded doc(SamplePhotoJpeg());
    ExifMarkerData block = ExifBlock(tiff);
    ASSERT_EQ(kExifInsertExifMarker(doc.handle, &block), 0);
    const ExifDocument &d = doc.doc();
    EXPECT_EQ(d.exifSegment, d.root->next->next);
    EXPECT_EQ(d.exifSegment->firstChild, nullptr);
    EXPECT_EQ(d.exifSegment->dataLength, static_cast<int32_t>(tiff.size() + 6));
    EXPECT_EQ(d.exifPointerTag, nullptr);
    EXPECT_EQ(d.thumbnailOffsetTag, nullptr);
    EXPECT_EQ(kExifIsExifExist(doc.handle), 0);
    EXPECT_EQ(FetchThumbnail(doc.handle).result, -1);
  }
}

// Each refusal leaves the document and the caller's block as they were.
TEST(SegmentEdits, RefuseAMissingMarkerATiffDocumentBadBlocksAndNoDocument) {
  Loaded jpeg(MakeJpegWithoutExif());
  TiffBuilder b;
  b.AddDirectory().Add(Entry::Ascii(271, "Cam"));
  Loaded tiff(b.Build(), "a.tif");
  EXPECT_EQ(kExifRemoveMarker(jpeg.handle, 0xED, 0), -1);
  EXPECT_EQ(kExifRemoveMarker(jpeg.handle, 271, 0), -1);  // a tag number is not a segment
  EXPECT_EQ(kExifRemoveMarker(tiff.handle, 0xE1, 0), -1);
  EXPECT_EQ(kExifRemoveMarker(nullptr, 0xE1, 0), -1);
  ExifMarkerData block = ExifBlock(b.Build());
  ExifMarkerData negative{block.data, -1};
  ExifMarkerData noBytes{nullptr, 10};
  EXPECT_EQ(kExifInsertExifMarker(tiff.handle, &block), -1);
  EXPECT_EQ(kExifInsertExifMarker(jpeg.handle, &negative), -1);
  EXPECT_EQ(kExifInsertExifMarker(jpeg.handle, &noBytes), -1);
  EXPECT_EQ(kExifInsertExifMarker(jpeg.handle, nullptr), -1);
  EXPECT_EQ(kExifInsertExifMarker(nullptr, &block), -1);
  EXPECT_EQ(TopLevelIds(jpeg.doc()), (std::vector<int32_t>{0xD8, 0xE0, 0xDB, 0xC0, 0xC4, 0xDA, 0xA1, 0xD9}));
  EXPECT_EQ(FindTopLevelSegment(jpeg.doc(), 0xE1), nullptr);
  delete[] block.data;  // still ours: a double release would show under the sanitizer
}

// After SOI when there is no APP0, and once every APP1 is removed, as the
// only Exif segment right after APP0.
TEST(InsertExifMarker, PutsTheSegmentAfterSoiWithoutApp0AndAfterApp0OnceApp1sAreRemoved) {
  JpegBuilder noApp0, twoApp1;
  noApp0.Soi().Dqt().Sos().ScanData(10).Eoi();
  twoApp1.Soi().App0Jfif().App1Exif(SampleTiffStructure(false)).App1Xmp().Dqt().Sos().ScanData(10).Eoi();
  const struct {
    Bytes jpeg;
    std::vector<int32_t> ids;
  } cases[] = {{noApp0.Build(), {0xD8, 0xE1, 0xDB, 0xDA, 0xA1, 0xD9}},
               {twoApp1.Build(), {0xD8, 0xE0, 0xE1, 0xDB, 0xDA, 0xA1, 0xD9}}};
  for (const auto &c : cases) {
    Loaded doc(c.jpeg);
    kExifRemoveMarker(doc.handle, 0xE1, 0);
    ExifMarkerData block = ExifBlock(SampleTiffStructure(true));
    ASSERT_EQ(kExifInsertExifMarker(doc.handle, &block), 0);
    EXPECT_EQ(TopLevelIds(doc.doc()), c.ids);
    EXPECT_EQ(FetchThumbnail(doc.handle).bytes, FakeJpegStream(2000, 0x31));
  }
}

}  // namespace
}  // namespace kexif::test
