#include <gtest/gtest.h>

#include <fstream>

#include "stream/byte_stream.h"
#include "tests/support/jpeg_builder.h"
#include "tests/support/loaded_document.h"
#include "tests/support/sample_photo.h"
#include "tests/support/temp_files.h"

namespace kexif::test {
namespace {

// A TIFF structure whose IFD1 holds a 513/514 pair as given.
Bytes TiffWithThumbnailPair(uint32_t offset, uint32_t length) {
  TiffBuilder b;
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

TEST(ThumbnailExtraction, ServesTheBytesTheThumbnailEntriesDescribeOrRefusesAndClearsTheRecord) {
  TiffBuilder none;
  none.AddDirectory().Add(Entry::Ascii(271, "Cam"));
  JpegBuilder xmpFirst;
  xmpFirst.Soi().App0Jfif().App1Xmp(std::string(500, 'x')).App1Exif(SampleTiffStructure(false)).Sos().ScanData(100).Eoi();
  const uint32_t end = static_cast<uint32_t>(TiffWithThumbnailPair(40, 10).size());
  const struct {
    const char *name;
    Bytes file;
    const char *fileName;
    Bytes thumbnail;    // empty: refused
    bool recordCleared;  // on refusal
  } rows[] = {
      {"a TIFF thumbnail at its offset from the start of the file", TiffWithThumbnail(), "a.tif",
       FakeJpegStream(300, 7), false},
      {"the Exif segment, not an XMP segment in front of it", xmpFirst.Build(), "a.jpg", FakeJpegStream(2000, 0x31),
       false},
      {"no thumbnail leaves the record alone", MakeJpeg(none.Build()), "a.jpg", {}, false},
      // The scan data behind the segment would supply the bytes.
      {"reaching past the Exif segment though the file goes on", MakeJpeg(TiffWithThumbnailPair(60, 200), 4096),
       "a.jpg", {}, true},
      {"past the end of a TIFF file", TiffWithThumbnailPair(end - 4, 10), "a.tif", {}, true},
      {"a huge length", TiffWithThumbnailPair(8, 0x7FFFFFF0), "a.tif", {}, true},
      {"offset zero", TiffWithThumbnailPair(0, 10), "a.tif", {}, true},
      {"length zero", TiffWithThumbnailPair(8, 0), "a.tif", {}, true},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(row.name);
    Loaded doc(row.file, row.fileName);
    const Fetched f = FetchThumbnail(doc.handle);
    EXPECT_EQ(f.result, row.thumbnail.empty() ? -1 : 0);
    EXPECT_EQ(f.bytes, row.thumbnail);
    if (row.thumbnail.empty()) {
      EXPECT_EQ(f.recordCleared, row.recordCleared);
      EXPECT_EQ(doc.doc().thumbnailLoaded, 0);
    }
  }
  EXPECT_EQ(kExifGetThumbnailData(nullptr, nullptr), -1);
}

TEST(ThumbnailExtraction, ReadsTheJpegThumbnailOnceAndServesLaterCallsFromMemory) {
  Loaded doc(SamplePhotoJpeg(true));
  const Fetched first = FetchThumbnail(doc.handle);
  // Overwrite the file in place: the open stream would read zeros.
  const Bytes zeros(ReadFileBytes(doc.path).size(), 0);
  std::fstream(doc.path, std::ios::in | std::ios::out | std::ios::binary)
      .write(reinterpret_cast<const char *>(zeros.data()), static_cast<std::streamsize>(zeros.size()));
  ASSERT_EQ(first.result, 0);
  EXPECT_EQ(first.bytes, FakeJpegStream(2000, 0x31));
  EXPECT_EQ(FetchThumbnail(doc.handle).bytes, first.bytes);
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

TEST(ThumbnailExtraction, FailsCleanlyOnceTheSourceFileIsGoneOrTheSegmentRemoved) {
  Loaded jpeg(SamplePhotoJpeg());
  Loaded tiff(TiffWithThumbnail(), "a.tif");
  for (Loaded *d : {&jpeg, &tiff}) {
    ReleaseStream(d->doc().stream);  // as a save leaves the document
    d->doc().stream = nullptr;
    const Fetched f = FetchThumbnail(d->handle);
    EXPECT_EQ(f.result, -1);
    EXPECT_TRUE(f.recordCleared);
  }
  Loaded removed(SamplePhotoJpeg());
  ExifDocument &d = removed.doc();
  ASSERT_TRUE(d.RemoveNode(d.exifSegment));  // flags stay set
  EXPECT_EQ(FetchThumbnail(removed.handle).result, -1);
  EXPECT_EQ(SetThumbnail(removed.handle, FakeJpegStream(100)), 0);
  EXPECT_EQ(FetchThumbnail(removed.handle).bytes, FakeJpegStream(100));
}

}  // namespace
}  // namespace kexif::test
