#include <gtest/gtest.h>

#include "edit/tif_exif_import.h"
#include "tests/support/sample_photo.h"
#include "tests/unit/reader/reader_fixture.h"

namespace kexif::test {
namespace {

// The record's entries as "tag type count value".
std::vector<std::string> Entries(const TifExifData *record) {
  std::vector<std::string> out;
  for (int32_t i = 0; record != nullptr && i < record->count; ++i) {
    const TifExifEntry *e = record->entries[i];
    const auto type = static_cast<int32_t>(e->type);
    out.push_back(std::to_string(e->tag) + " " + std::to_string(e->type) + " " + std::to_string(e->count) + " " +
                  ValueText(type, static_cast<int32_t>(e->count), e->data));
  }
  return out;
}

// A TIFF file: IFD0 with a Make entry and an Exif sub-directory of the entries.
Bytes TiffWithExif(bool bigEndian, std::vector<Entry> exif) {
  TiffBuilder b(bigEndian);
  Ifd &ifd0 = b.AddDirectory();
  ifd0.Add(Entry::Ascii(271, "Maker"));
  for (Entry &e : exif) ifd0.Exif().Add(std::move(e));
  return b.Build();
}

// Where the Exif sub-directory of a little-endian TiffWithExif starts: the
// value field of IFD0's second entry, 34665.
size_t ExifDirectoryAt(const Bytes &tiff) { return tiff[8 + 2 + 12 + 8] | (tiff[8 + 2 + 12 + 9] << 8); }

TEST(ReaderExifMarker, CopiesTheWholeExifPayloadAndIsRefusedForTiffFilesAndJpegsWithoutExif) {
  TempDir dir;
  Bytes payload = {'E', 'x', 'i', 'f', 0, 0};
  const Bytes tiff = SampleTiffStructure(false, 100);
  payload.insert(payload.end(), tiff.begin(), tiff.end());
  payload.resize(998, 0);
  JpegBuilder b;
  b.Soi().SegmentWithLength(0xE1, 1000, payload).Sos().Eoi();
  ExifMarkerData m{};
  ASSERT_EQ(kRExifGetExifMarker(OpenBytes(dir, b.Build()).get(), &m), 0);
  EXPECT_EQ(Bytes(m.data, m.data + m.length), payload);
  delete[] m.data;
  m = ExifMarkerData{nullptr, 5};
  EXPECT_EQ(kRExifGetExifMarker(OpenBytes(dir, SampleTiffStructure(false), "s.tif").get(), &m), -1);
  EXPECT_EQ(kRExifGetExifMarker(OpenBytes(dir, MakeJpegWithoutExif(), "p.jpg").get(), &m), -1);
  EXPECT_EQ(m.length, 5);
}

// Records are released as the editing family releases them: every block
// with free(), which the sanitizer build checks.
TEST(ReaderTifExifData, BothByteOrdersGiveTheSameRecordInNativeOrder) {
  TempDir dir;
  for (const bool big : {false, true}) {
    SCOPED_TRACE(big ? "big-endian" : "little-endian");
    Reader r = OpenBytes(dir, TiffWithExif(big, {Entry::Undefined(36864, {'0', '2', '2', '0'}), Entry::Short(40961, {1}),
                                                 Entry::Rational(33434, {{1, 125}}),
                                                 Entry::Ascii(36867, "2026:01:02 03:04:05"),
                                                 Entry::Short(37396, {10, 20, 30}), Entry::Double(37379, {0.75}),
                                                 Entry::Raw(41000, 99, 3, 0x01020304)}));
    TifExifData *record = nullptr;
    ASSERT_EQ(kRExifGetTIFExifData(r.get(), &record), 0);
    EXPECT_EQ(Entries(record), (std::vector<std::string>{"33434 5 1 1/125", "36864 7 4 30 32 32 30",
                                                         "36867 2 20 2026:01:02 03:04:05", "37379 12 1 0.75",
                                                         "37396 3 3 10 20 30", "40961 3 1 1", "41000 99 3 no data, count 3"}));
    // 1-byte types carry a NUL after their bytes.
    ASSERT_EQ(record->count, 7);
    EXPECT_EQ(static_cast<const uint8_t *>(record->entries[1]->data)[4], 0);
    EXPECT_EQ(static_cast<const uint8_t *>(record->entries[2]->data)[20], 0);
    FreeTifExifData(record);
  }
}

TEST(ReaderTifExifData, RefusesOrEmptiesWhatCannotBeReadAndLeavesTheRecordOnRefusal) {
  Bytes empty = TiffWithExif(false, {Entry::Short(40961, {1})});
  empty[ExifDirectoryAt(empty)] = 0;  // entry count 0
  Bytes cut = TiffWithExif(false, {Entry::Short(40961, {1}), Entry::Long(40962, {640}), Entry::Long(40963, {480})});
  cut.resize(ExifDirectoryAt(cut) + 2 + 12 + 5);  // the second entry is cut
  TiffBuilder gpsOnly(false);
  gpsOnly.AddDirectory().Add(Entry::Ascii(271, "Maker")).Gps().Add(Entry::Ascii(1, "N"));
  Entry huge = Entry::Ascii(36867, "2026:01:02 03:04:05");
  huge.rawCount = 0xFFFFFFFF;
  Entry overflow = Entry::Rational(33434, {{1, 2}});
  overflow.rawCount = 0x20000001;
  const struct {
    const char *name;
    Bytes file;
    int32_t result;
    std::vector<std::string> entries;  // none: a null record
  } rows[] = {
      {"a JPEG", SamplePhotoJpeg(), -1, {}},
      {"a TIFF file without an Exif pointer", gpsOnly.Build(), -1, {}},
      {"an empty Exif directory", empty, 0, {}},
      {"a directory cut short by the end of the file", cut, -1, {}},
      {"entries whose values cannot be read", TiffWithExif(true, {huge, overflow, Entry::Raw(33437, 5, 1, 0x7FFFFFFF),
                                                                  Entry::Short(40961, {1})}),
       0, {"40961 3 1 1"}},
  };
  TempDir dir;
  for (const auto &row : rows) {
    SCOPED_TRACE(row.name);
    Reader r = OpenBytes(dir, row.file);
    ASSERT_NE(r.get(), nullptr);
    TifExifData *const untouched = reinterpret_cast<TifExifData *>(&dir);
    TifExifData *record = untouched;
    ASSERT_EQ(kRExifGetTIFExifData(r.get(), &record), row.result);
    if (row.result != 0) {
      EXPECT_EQ(record, untouched);
      continue;
    }
    EXPECT_EQ(record == nullptr, row.entries.empty());
    EXPECT_EQ(Entries(record), row.entries);
    FreeTifExifData(record);
  }
}

}  // namespace
}  // namespace kexif::test
