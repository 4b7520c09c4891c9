#include <gtest/gtest.h>

#include <fstream>

#include "stream/byte_stream.h"
#include "tests/support/jpeg_builder.h"
#include "tests/support/loaded_document.h"
#include "tests/support/sample_photo.h"
#include "tests/support/temp_files.h"

namespace kexif::test {
namespace {

// Overwrites a file's bytes in place (the open stream keeps reading it).
void Scribble(const std::string &path) {
  const Bytes zeros(ReadFileBytes(path).size(), 0);
  std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
  f.write(reinterpret_cast<const char *>(zeros.data()), static_cast<std::streamsize>(zeros.size()));
}

// A TIFF structure whose IFD1 holds a 513/514 pair as given.
Bytes TiffWithThumbnailPair(uint32_t offset, uint32_t length, bool bigEndian = false) {
  TiffBuilder b(bigEndian);
  b.AddDirectory().Add(Entry::Ascii(271, "Cam"));
  b.AddDirectory().Add(Entry::Long(513, {offset})).Add(Entry::Long(514, {length}));
  return b.Build();
}

// IFD0 and an IFD1 with a JPEG thumbnail of 300 bytes.
Bytes TiffWithThumbnail() {
  TiffBuilder b;
  b.AddDirectory().Add(Entry::Ascii(271, "Cam"));
  b.AddDirectory().Thumbnail(FakeJpegStream(300, 7));
  return b.Build();
}

TEST(ThumbnailExtraction, ReadsTheJpegThumbnailOnceAndServesLaterCallsFromMemory) {
  Loaded doc(SamplePhotoJpeg(true));
  const Fetched first = FetchThumbnail(doc.handle);
  Scribble(doc.path);
  const Fetched second = FetchThumbnail(doc.handle);
  ASSERT_EQ(first.result, 0);
  EXPECT_EQ(first.bytes, FakeJpegStream(2000, 0x31));
  EXPECT_EQ(second.result, 0);
  EXPECT_EQ(second.bytes, first.bytes);
}

TEST(ThumbnailExtraction, ReadsATiffThumbnailAtItsOffsetFromTheStartOfTheFile) {
  Loaded doc(TiffWithThumbnail(), "a.tif");
  const Fetched f = FetchThumbnail(doc.handle);
  EXPECT_EQ(f.result, 0);
  EXPECT_EQ(f.bytes, FakeJpegStream(300, 7));
}

TEST(ThumbnailExtraction, LeavesTheRecordAloneWhenThereIsNoThumbnail) {
  TiffBuilder b;
  b.AddDirectory().Add(Entry::Ascii(271, "Cam"));
  Loaded doc(MakeJpeg(b.Build()));
  const Fetched f = FetchThumbnail(doc.handle);
  EXPECT_EQ(f.result, -1);
  EXPECT_FALSE(f.recordCleared);
  EXPECT_EQ(kExifGetThumbnailData(nullptr, nullptr), -1);
}

TEST(ThumbnailExtraction, RefusesAThumbnailReachingPastTheExifSegmentThoughTheFileGoesOn) {
  // The scan data behind the segment would supply the bytes.
  Loaded doc(MakeJpeg(TiffWithThumbnailPair(60, 200), 4096));
  const Fetched f = FetchThumbnail(doc.handle);
  EXPECT_EQ(f.result, -1);
  EXPECT_TRUE(f.recordCleared);
  EXPECT_EQ(doc.doc().thumbnailLoaded, 0);
}

TEST(ThumbnailExtraction, RefusesATiffThumbnailPastTheEndOfTheFileOrWithZeroOffsetOrLength) {
  const Bytes tiff = TiffWithThumbnailPair(40, 10);
  for (const Bytes &bad : {TiffWithThumbnailPair(static_cast<uint32_t>(tiff.size()) - 4, 10),
                           TiffWithThumbnailPair(8, 0x7FFFFFF0), TiffWithThumbnailPair(0, 10),
                           TiffWithThumbnailPair(8, 0)}) {
    Loaded doc(bad, "a.tif");
    const Fetched f = FetchThumbnail(doc.handle);
    EXPECT_EQ(f.result, -1);
    EXPECT_TRUE(f.recordCleared);
  }
}

TEST(ThumbnailExtraction, KeepsTheValuesOfAnOffsetEntryWithTwoElements) {
  TiffBuilder b;
  b.AddDirectory().Add(Entry::Ascii(271, "Cam"));
  b.AddDirectory().Add(Entry::Long(513, {8, 8})).Add(Entry::Long(514, {6}));
  Loaded doc(b.Build(), "a.tif");
  const Fetched first = FetchThumbnail(doc.handle);
  ASSERT_EQ(first.result, 0);
  EXPECT_EQ(first.bytes.size(), 6u);
  EXPECT_EQ(doc.doc().thumbnailOffsetTag->dataLength, 8);
  EXPECT_EQ(doc.doc().thumbnailLoaded, 0);
  EXPECT_EQ(FetchThumbnail(doc.handle).bytes, first.bytes);
}

TEST(ThumbnailExtraction, UsesTheExifSegmentAndNotAnXmpSegmentInFrontOfIt) {
  JpegBuilder j;
  j.Soi().App0Jfif().App1Xmp(std::string(500, 'x')).App1Exif(SampleTiffStructure(false)).Sos().ScanData(100).Eoi();
  Loaded doc(j.Build());
  const Fetched f = FetchThumbnail(doc.handle);
  EXPECT_EQ(f.result, 0);
  EXPECT_EQ(f.bytes, FakeJpegStream(2000, 0x31));
}

TEST(ThumbnailExtraction, FailsCleanlyOnceTheSourceFileIsGone) {
  Loaded jpeg(SamplePhotoJpeg());
  Loaded tiff(TiffWithThumbnail(), "a.tif");
  for (Loaded *d : {&jpeg, &tiff}) {
    ReleaseStream(d->doc().stream);  // as a save leaves the document
    d->doc().stream = nullptr;
    const Fetched f = FetchThumbnail(d->handle);
    EXPECT_EQ(f.result, -1);
    EXPECT_TRUE(f.recordCleared);
  }
}

TEST(ThumbnailExtraction, FailsCleanlyWhenTheSegmentHoldingTheThumbnailWasRemoved) {
  Loaded doc(SamplePhotoJpeg());
  ExifDocument &d = doc.doc();
  ASSERT_TRUE(d.RemoveNode(d.exifSegment));  // flags stay set
  EXPECT_EQ(FetchThumbnail(doc.handle).result, -1);
  EXPECT_EQ(SetThumbnail(doc.handle, FakeJpegStream(100)), 0);
  EXPECT_EQ(FetchThumbnail(doc.handle).bytes, FakeJpegStream(100));
}

}  // namespace
}  // namespace kexif::test
