#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "tests/support/sample_photo.h"
#include "tests/unit/reader/reader_fixture.h"

namespace kexif::test {
namespace {

// Releases a record as the editing family does: every block with free().
void FreeRecord(TifExifData *record) {
  if (record == nullptr) return;
  for (int32_t i = 0; i < record->count; ++i) {
    std::free(record->entries[i]->data);
    std::free(record->entries[i]);
  }
  std::free(record->entries);
  std::free(record);
}

struct Flat {
  uint32_t tag, type, count;
  Bytes data;
  bool operator==(const Flat &) const = default;
};

std::vector<Flat> Flatten(const TifExifData *record, size_t bytesPerEntry[]) {
  std::vector<Flat> out;
  for (int32_t i = 0; i < record->count; ++i) {
    const TifExifEntry *e = record->entries[i];
    const auto *p = static_cast<const uint8_t *>(e->data);
    out.push_back({e->tag, e->type, e->count, p == nullptr ? Bytes{} : Bytes(p, p + bytesPerEntry[i])});
  }
  return out;
}

Bytes TiffWithExif(bool bigEndian, std::vector<Entry> exif) {
  TiffBuilder b(bigEndian);
  Ifd &ifd0 = b.AddDirectory();
  ifd0.Add(Entry::Ascii(271, "Maker"));
  for (Entry &e : exif) ifd0.Exif().Add(std::move(e));
  return b.Build();
}

TEST(ReaderExifMarker, CopiesTheWholeExifPayload) {
  TempDir dir;
  Bytes payload = {'E', 'x', 'i', 'f', 0, 0};
  const Bytes tiff = SampleTiffStructure(false, 100);
  payload.insert(payload.end(), tiff.begin(), tiff.end());
  payload.resize(998, 0);
  JpegBuilder b;
  b.Soi().SegmentWithLength(0xE1, 1000, payload).Sos().Eoi();
  Reader r = OpenBytes(dir, b.Build());
  ExifMarkerData m{};
  ASSERT_EQ(kRExifGetExifMarker(r.get(), &m), 0);
  ASSERT_EQ(m.length, 998);
  EXPECT_EQ(Bytes(m.data, m.data + m.length), payload);
  delete[] m.data;
}

TEST(ReaderExifMarker, IsRefusedForTiffFilesAndJpegsWithoutExif) {
  TempDir dir;
  ExifMarkerData m{nullptr, 5};
  Reader tiff = OpenBytes(dir, SampleTiffStructure(false), "s.tif");
  EXPECT_EQ(kRExifGetExifMarker(tiff.get(), &m), -1);
  Reader plain = OpenBytes(dir, MakeJpegWithoutExif(), "p.jpg");
  EXPECT_EQ(kRExifGetExifMarker(plain.get(), &m), -1);
  EXPECT_EQ(m.length, 5);
}

TEST(ReaderTifExifData, BothByteOrdersGiveTheSameRecord) {
  TempDir dir;
  std::vector<std::vector<Flat>> records;
  for (const bool big : {false, true}) {
    Reader r = OpenBytes(dir,
                         TiffWithExif(big, {Entry::Undefined(36864, {'0', '2', '2', '0'}), Entry::Short(40961, {1}),
                                            Entry::Rational(33434, {{1, 125}}), Entry::Ascii(36867, "2026:01:02 03:04:05"),
                                            Entry::Short(37396, {10, 20, 30}), Entry::Double(37379, {0.75}),
                                            Entry::Raw(41000, 99, 3, 0x01020304)}),
                         big ? "be.tif" : "le.tif");
    TifExifData *record = nullptr;
    ASSERT_EQ(kRExifGetTIFExifData(r.get(), &record), 0);
    ASSERT_NE(record, nullptr);
    ASSERT_EQ(record->count, 7);
    // Directory order is ascending: 33434, 36864, 36867, 37379, 37396, 40961, 41000.
    size_t sizes[] = {8, 5, 21, 8, 6, 2, 0};
    records.push_back(Flatten(record, sizes));
    EXPECT_EQ(record->entries[6]->data, nullptr);
    FreeRecord(record);
  }
  EXPECT_EQ(records[0], records[1]);
  const std::vector<Flat> &le = records[0];
  EXPECT_EQ(le[0].tag, 33434u);
  EXPECT_EQ(Words(le[0].data.data(), 2), (std::vector<uint32_t>{1, 125}));
  EXPECT_EQ(le[1].data, (Bytes{'0', '2', '2', '0', 0}));
  EXPECT_EQ(std::string(le[2].data.begin(), le[2].data.end() - 1), std::string("2026:01:02 03:04:05", 20));
  double d = 0;
  std::memcpy(&d, le[3].data.data(), 8);
  EXPECT_EQ(d, 0.75);
  EXPECT_EQ(Halves(le[4].data.data(), 3), (std::vector<uint16_t>{10, 20, 30}));
  EXPECT_EQ(Halves(le[5].data.data(), 1), std::vector<uint16_t>{1});
}

TEST(ReaderTifExifData, IsRefusedForJpegsAndWithoutAnExifPointer) {
  TempDir dir;
  TifExifData *record = reinterpret_cast<TifExifData *>(&dir);
  Reader jpeg = OpenBytes(dir, SamplePhotoJpeg(), "s.jpg");
  EXPECT_EQ(kRExifGetTIFExifData(jpeg.get(), &record), -1);
  TiffBuilder b(false);
  b.AddDirectory().Add(Entry::Ascii(271, "Maker")).Gps().Add(Entry::Ascii(1, "N"));
  Reader gpsOnly = OpenBytes(dir, b.Build(), "gps.tif");
  EXPECT_EQ(kRExifIsExifExist(gpsOnly.get()), 1);
  EXPECT_EQ(kRExifGetTIFExifData(gpsOnly.get(), &record), -1);
  EXPECT_EQ(record, reinterpret_cast<TifExifData *>(&dir));
}

TEST(ReaderTifExifData, AnEmptyExifDirectoryGivesANullRecord) {
  TempDir dir;
  Bytes tiff = TiffWithExif(false, {Entry::Short(40961, {1})});
  // Set the Exif sub-directory's entry count to 0.
  const size_t exifPointerField = 8 + 2 + 12 + 8;  // value field of the second entry, 34665
  const size_t at = tiff[exifPointerField] | (tiff[exifPointerField + 1] << 8);
  tiff[at] = 0;
  Reader r = OpenBytes(dir, tiff, "e.tif");
  TifExifData *record = reinterpret_cast<TifExifData *>(&dir);
  ASSERT_EQ(kRExifGetTIFExifData(r.get(), &record), 0);
  EXPECT_EQ(record, nullptr);
}

TEST(ReaderTifExifData, EntriesWhoseValuesCannotBeReadAreLeftOut) {
  TempDir dir;
  Entry huge = Entry::Ascii(36867, "2026:01:02 03:04:05");
  huge.rawCount = 0xFFFFFFFF;
  Entry overflow = Entry::Rational(33434, {{1, 2}});
  overflow.rawCount = 0x20000001;
  Reader r = OpenBytes(dir, TiffWithExif(true, {huge, overflow, Entry::Raw(33437, 5, 1, 0x7FFFFFFF),
                                                Entry::Short(40961, {1})}));
  TifExifData *record = nullptr;
  ASSERT_EQ(kRExifGetTIFExifData(r.get(), &record), 0);
  ASSERT_NE(record, nullptr);
  ASSERT_EQ(record->count, 1);
  EXPECT_EQ(record->entries[0]->tag, 40961u);
  FreeRecord(record);
}

TEST(ReaderTifExifData, ADirectoryCutShortByTheEndOfTheFileIsRefused) {
  TempDir dir;
  Bytes tiff = TiffWithExif(false, {Entry::Short(40961, {1}), Entry::Long(40962, {640}), Entry::Long(40963, {480})});
  const size_t exifPointerField = 8 + 2 + 12 + 8;
  const size_t at = tiff[exifPointerField] | (tiff[exifPointerField + 1] << 8);
  tiff.resize(at + 2 + 12 + 5);  // the second entry is cut
  Reader r = OpenBytes(dir, tiff);
  ASSERT_NE(r.get(), nullptr);
  TifExifData *record = nullptr;
  EXPECT_EQ(kRExifGetTIFExifData(r.get(), &record), -1);
  EXPECT_EQ(record, nullptr);
}

}  // namespace
}  // namespace kexif::test
