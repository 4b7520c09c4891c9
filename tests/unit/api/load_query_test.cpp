#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "kexif.h"
#include "parse/diagnostics.h"
#include "tests/support/jpeg_builder.h"
#include "tests/support/loaded_document.h"
#include "tests/support/sample_photo.h"
#include "tests/support/temp_files.h"

namespace kexif::test {
namespace {

// The value of a tag as bytes, or nothing when the query fails.
struct Answer {
  int32_t result = -1;
  int32_t type = 0;
  int32_t count = 0;
  Bytes bytes;
};

Answer Query(KExifHandle h, uint32_t tag, int32_t directory, size_t elementSize) {
  TagValue value{};
  Answer a;
  a.result = kExifGetTag(h, tag, &value, directory);
  if (a.result != 0) return a;
  a.type = value.type;
  a.count = value.count;
  const auto *p = static_cast<const uint8_t *>(value.data);
  a.bytes.assign(p, p + static_cast<size_t>(value.count) * elementSize);
  std::free(value.data);
  return a;
}

TEST(LoadFile, LoadsTiffWhateverTheMagicNumberAndRefusesOtherSignatures) {
  Bytes tiff = TiffMadeBy("Cam", true);
  tiff[2] = tiff[3] = 0x99;
  Loaded doc(tiff, "a.tif");
  ASSERT_NE(doc.handle, nullptr);
  EXPECT_EQ(kExifGetFileFormat(doc.handle), KEXIF_FORMAT_TIFF);
  EXPECT_EQ(kExifIsExifExist(doc.handle), 0);
  for (Bytes start : {Bytes{0xFF, 0xD9, 0, 0}, Bytes{'I', 'M', 0, 0}, Bytes{'M', 'I', 0, 0}, Bytes{0xFF}, Bytes{}}) {
    Loaded bad(start, "bad");
    EXPECT_EQ(bad.handle, nullptr);
  }
}

TEST(LoadFile, RefusesAJpegWhoseExifDirectoryHasZeroOr101Entries) {
  for (const uint16_t entries : {0, 101}) {
    TiffBuilder tiff;
    Ifd &ifd = tiff.AddDirectory();
    for (uint16_t t = 0; t < entries; ++t) ifd.Add(Entry::Short(static_cast<uint16_t>(1000 + t), {t}));
    Loaded doc(MakeJpeg(tiff.Build()));
    EXPECT_EQ(doc.handle, nullptr) << entries;
  }
}

TEST(LoadFile, OpensA16BitName) {
  TempDir dir;
  const std::string path = dir.Write("photo.jpg", SamplePhotoJpeg());
  const std::u16string wide = Utf16(path);
  KExifHandle handle = kExifLoadFile(wide.c_str());
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(TextOf(handle, 271), "KexifCam");
  kExifDestroy(handle);
}

TEST(LoadFile, NullHandlesGiveZeroMinusOneOrNothing) {
  TagValue value{};
  EXPECT_EQ(kExifGetFileFormat(nullptr), 0);
  EXPECT_EQ(kExifIsExifExist(nullptr), 0);
  EXPECT_EQ(kExifIsThumbnailExist(nullptr), 0);
  EXPECT_EQ(kExifGetTag(nullptr, 271, &value, 0), -1);
  kExifDestroy(nullptr);
  EXPECT_EQ(kExifLoadFile(nullptr), nullptr);
}

TEST(GetTag, SearchesLaterDirectoriesAndSubdirectoriesButNotEarlierOnes) {
  Loaded doc(SamplePhotoJpeg());
  EXPECT_EQ(Query(doc.handle, 513, 0, 4).result, 0);   // from directory 1
  EXPECT_EQ(Query(doc.handle, 271, 1, 1).result, -1);  // only in directory 0
  EXPECT_EQ(Query(doc.handle, 271, 2, 1).result, -1);  // no such directory
  EXPECT_EQ(Query(doc.handle, 33434, 7, 8).bytes, (Bytes{1, 0, 0, 0, 160, 0, 0, 0}));  // Exif tags: any number
  // GPS tags 1..3 through directory 0, not the Interoperability entries
  // of the same numbers, nor the structural nodes with ids 2 and 3.
  EXPECT_EQ(TextOf(doc.handle, 1), "N");
  const Answer latitude = Query(doc.handle, 2, 0, 8);
  EXPECT_EQ(latitude.type, 5);
  EXPECT_EQ(latitude.count, 3);
  EXPECT_EQ(TextOf(doc.handle, 3), "E");
  EXPECT_EQ(Query(doc.handle, 60, 0, 1).result, -1);
}

// Exif-set tags are answered from the sub-directory of the first Exif
// pointer only: not from IFD0, and a stray 34665 entry later on (here in
// directory 1) must not hide the followed sub-directory.
TEST(GetTag, LooksUpExifSetTagsFromTheFollowedPointerEntryOnly) {
  TiffBuilder tiff;
  tiff.AddDirectory().Add(Entry::Rational(33437, {{1, 100}})).Exif().Add(Entry::Rational(33434, {{1, 60}}));
  tiff.AddDirectory().Add(Entry::Rational(34665, {{72, 1}}));
  Loaded doc(MakeJpeg(tiff.Build()));
  EXPECT_EQ(Query(doc.handle, 33437, 0, 8).result, -1);  // in IFD0, before the pointer
  const Answer exposure = Query(doc.handle, 33434, 0, 8);
  EXPECT_EQ(exposure.result, 0);
  EXPECT_EQ(exposure.bytes, (Bytes{1, 0, 0, 0, 60, 0, 0, 0}));
}

TEST(GetTag, CopiesShortAsciiInLineAndLeavesTheBlockOfUnknownTypesAlone) {
  for (bool big : {false, true}) {
    TiffBuilder b(big);
    b.AddDirectory().Add(Entry::Ascii(270, "AB")).Add(Entry::Raw(700, 13, 1, 5));
    Loaded doc(b.Build(), "a.tif");
    ASSERT_NE(doc.handle, nullptr);
    EXPECT_EQ(Query(doc.handle, 270, 0, 1).bytes, (Bytes{'A', 'B', 0}));
    int marker = 0;
    TagValue value{0, 0, &marker};
    EXPECT_EQ(kExifGetTag(doc.handle, 700, &value, 0), 0);
    EXPECT_EQ(value.type, 13);
    EXPECT_EQ(value.data, &marker);
  }
}

TEST(GetTag, LeavesTheRecordUntouchedOnAMissAndMissesEverythingWithoutExif) {
  Loaded doc(MakeJpegWithoutExif());
  ASSERT_NE(doc.handle, nullptr);
  EXPECT_EQ(kExifIsExifExist(doc.handle), 0);
  EXPECT_EQ(kExifIsThumbnailExist(doc.handle), 0);
  int marker = 0;
  TagValue value{7, 9, &marker};
  for (uint32_t tag : {271u, 33434u, 1u, 2u, 0xD8u}) EXPECT_EQ(kExifGetTag(doc.handle, tag, &value, 0), -1);
  EXPECT_EQ(value.type, 7);
  EXPECT_EQ(value.data, &marker);
}

void IgnoreLine(const char *) {}

TEST(GetTag, GivesTheSameAnswersWhetherOrNotIptcAndPhotoshopBlocksAreWalked) {
  TempDir dir;
  TiffBuilder b(true);
  b.AddDirectory()
      .Add(Entry::Ascii(271, "Cam"))
      .Add(Entry::Undefined(33723, {0x1C, 2, 5, 0, 2, 'h', 'i', 0x1C, 2}))
      .Add(Entry::Undefined(34377, {'8', 'B', 'I', 'M', 4, 4, 0, 0, 0x90, 0, 0, 0, 'x'}));
  const std::string path = dir.Write("a.tif", b.Build());
  std::vector<Answer> answers[2];
  for (int walked = 0; walked < 2; ++walked) {
    SetDiagnosticHook(walked != 0 ? IgnoreLine : nullptr);
    Loaded doc(path);
    SetDiagnosticHook(nullptr);
    ASSERT_NE(doc.handle, nullptr);
    for (uint32_t tag : {271u, 33723u, 34377u}) answers[walked].push_back(Query(doc.handle, tag, 0, 1));
  }
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(answers[0][i].result, 0);
    EXPECT_EQ(answers[0][i].bytes, answers[1][i].bytes);
  }
}

TEST(LoadFile, ReportsTheSamplePhotoWithGarbageAfterEoiOrWithoutEoi) {
  Bytes noEoi = SamplePhotoJpeg();
  noEoi.resize(noEoi.size() - 2);
  Bytes garbage = SamplePhotoJpeg();
  garbage.insert(garbage.end(), {0xFF, 0xC4, 0x00, 0x01, 0xFF});
  for (const Bytes &bytes : {SamplePhotoJpeg(), noEoi, garbage}) {
    Loaded doc(bytes);
    ASSERT_NE(doc.handle, nullptr);
    EXPECT_EQ(kExifGetFileFormat(doc.handle), KEXIF_FORMAT_JPEG);
    EXPECT_EQ(kExifIsExifExist(doc.handle), 1);
    EXPECT_EQ(kExifIsThumbnailExist(doc.handle), 1);
    EXPECT_EQ(TextOf(doc.handle, 271), "KexifCam");
  }
}

}  // namespace
}  // namespace kexif::test
