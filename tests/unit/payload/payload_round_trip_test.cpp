// Thumbnails and inserted Exif segments carried through a save, checked by
// reloading and by exiftool. Copying Exif data from file to file is checked
// through the tool's copy-exif command.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "tests/support/jpeg_builder.h"
#include "tests/support/loaded_document.h"
#include "tests/support/sample_photo.h"
#include "tests/support/shell.h"
#include "tests/support/temp_files.h"
#include "tests/support/tree_maker.h"

namespace kexif::test {
namespace {

// Loads the file, applies the edit (expected to succeed) and saves it as
// "saved-" + name in the same folder; returns the saved file's name.
std::string SavedAfter(const TempDir &dir, const Bytes &file, const std::string &name,
                       const std::function<int32_t(KExifHandle)> &edit) {
  const std::string saved = dir.File("saved-" + name);
  Loaded doc(dir.Write(name, file));
  EXPECT_EQ(edit(doc.handle), 0);
  EXPECT_EQ(kExifSaveFile(doc.handle, saved.c_str()), 0);
  return saved;
}

// The elements of a LONG tag's value; empty when the query fails.
std::vector<uint32_t> Longs(KExifHandle h, uint32_t tag, int32_t directory) {
  TagValue v{};
  if (kExifGetTag(h, tag, &v, directory) != 0) return {};
  std::vector<uint32_t> values(static_cast<size_t>(v.count));
  std::memcpy(values.data(), v.data, values.size() * sizeof(uint32_t));
  std::free(v.data);
  return values;
}

TEST(PayloadRoundTrip, KeepsAFullImageBehindAThumbnailPutInFrontOfIt) {
  TempDir dir;
  TiffBuilder b;
  b.AddDirectory().Add(Entry::Ascii(271, "Cam")).strips = {Bytes(64, 0xAA)};
  Ifd &page = b.AddDirectory();
  page.Add(Entry::Long(254, {0})).Add(Entry::Short(256, {8})).strips = {Bytes(24, 0xBB), Bytes(24, 0xCC)};
  const std::string saved =
      SavedAfter(dir, b.Build(), "a.tif", [](KExifHandle h) { return SetThumbnail(h, FakeJpegStream(500, 6)); });
  Loaded reloaded(saved);
  ASSERT_NE(reloaded.handle, nullptr);
  EXPECT_EQ(reloaded.doc().CountDirectories(), 3);
  EXPECT_EQ(Longs(reloaded.handle, 254, 1), std::vector<uint32_t>{1});
  EXPECT_EQ(FetchThumbnail(reloaded.handle).bytes, FakeJpegStream(500, 6));
  // The full image is directory 2 now, its two strips intact.
  const std::vector<uint32_t> at = Longs(reloaded.handle, 273, 2);
  ASSERT_EQ(at.size(), 2u);
  const Bytes file = ReadFileBytes(saved);
  ASSERT_LE(at[1] + 24u, file.size());
  EXPECT_EQ(Bytes(file.begin() + at[0], file.begin() + at[0] + 24), Bytes(24, 0xBB));
  EXPECT_EQ(Bytes(file.begin() + at[1], file.begin() + at[1] + 24), Bytes(24, 0xCC));
  if (!HaveExiftool()) GTEST_SKIP() << "exiftool not installed";
  EXPECT_EQ(ExiftoolBinary(saved, "ThumbnailImage"), FakeJpegStream(500, 6));
  EXPECT_EQ(ExiftoolValue(saved, "IFD2:SubfileType"), "0");
}

TEST(PayloadRoundTrip, SavesAThumbnailGivenToAJpegWithoutExifData) {
  TempDir dir;
  const std::string saved = SavedAfter(dir, MakeJpegWithoutExif(200), "a.jpg",
                                       [](KExifHandle h) { return SetThumbnail(h, FakeJpegStream(3000, 2)); });
  Loaded reloaded(saved);
  EXPECT_EQ(kExifIsThumbnailExist(reloaded.handle), 1);
  EXPECT_EQ(FetchThumbnail(reloaded.handle).bytes, FakeJpegStream(3000, 2));
  EXPECT_EQ(ScanSegments(ReadFileBytes(saved))[2].marker, 0xE1);
  if (!HaveExiftool()) GTEST_SKIP() << "exiftool not installed";
  EXPECT_EQ(ExiftoolBinary(saved, "ThumbnailImage"), FakeJpegStream(3000, 2));
  EXPECT_EQ(ExiftoolValue(saved, "XResolution"), "72");
}

TEST(PayloadRoundTrip, AfterASaveOnlyWhatIsHeldInMemoryIsServed) {
  Loaded unread(SamplePhotoJpeg());
  Loaded read(SamplePhotoJpeg());
  ASSERT_EQ(FetchThumbnail(read.handle).result, 0);
  ASSERT_EQ(kExifSaveFile(unread.handle, unread.dir.File("b.jpg").c_str()), 0);
  ASSERT_EQ(kExifSaveFile(read.handle, read.dir.File("c.jpg").c_str()), 0);
  const Fetched f = FetchThumbnail(unread.handle);
  EXPECT_EQ(f.result, -1);
  EXPECT_TRUE(f.recordCleared);
  EXPECT_EQ(FetchThumbnail(read.handle).bytes, FakeJpegStream(2000, 0x31));
  // Editing the segment list reads nothing from the file.
  EXPECT_EQ(kExifRemoveMarker(unread.handle, 0xE0, 0x4649464A), 0);
  EXPECT_EQ(SetThumbnail(unread.handle, FakeJpegStream(10)), 0);
}

TEST(PayloadRoundTrip, WritesADamagedInsertedBlockAsGivenAndNothingHalfParsed) {
  TempDir dir;
  TiffBuilder b;
  b.AddDirectory().Add(Entry::Ascii(271, "Cam")).Add(Entry::Raw(300, 0, 1, 0));
  ExifMarkerData marker = ExifBlock(b.Build());
  const Bytes payload(marker.data, marker.data + marker.length);
  const std::string saved = SavedAfter(dir, MakeJpegWithoutExif(100), "a.jpg",
                                       [&marker](KExifHandle h) { return kExifInsertExifMarker(h, &marker); });
  const Bytes bytes = ReadFileBytes(saved);
  const SegmentSpan app1 = ScanSegments(bytes)[2];
  ASSERT_EQ(app1.marker, 0xE1);
  EXPECT_EQ(Bytes(bytes.begin() + app1.offset, bytes.begin() + app1.offset + app1.length), payload);
}

}  // namespace
}  // namespace kexif::test
