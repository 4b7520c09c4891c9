#include <gtest/gtest.h>

#include "model/exif_document.h"
#include "save/directory_writer.h"
#include "save/tiff_structure.h"
#include "stream/byte_stream.h"
#include "tests/support/tree_maker.h"

namespace kexif {
namespace {

using test::Bytes;

// Writes the document's TIFF structure into a block of the measured size
// and checks that the writer filled exactly that much.
Bytes WriteMeasured(ExifDocument &doc) {
  const int32_t size = MeasureDirectories(doc);
  EXPECT_GT(size, 0);
  if (size <= 0) return {};
  Bytes out(static_cast<size_t>(size));
  ByteStream *memory = nullptr;
  EXPECT_EQ(CreateMemoryStream(&memory, out.data(), size), 1);
  DirectoryWriter writer(&doc, memory);
  const auto chain = DirectoryChain(TiffHeaderNode(doc));
  writer.WriteHeader(!chain.empty());
  for (size_t i = 0; i < chain.size(); ++i) {
    writer.WriteDirectory(chain[i]);
    writer.WriteThumbnailData(chain[i]);
    writer.WriteNextLink(i + 1 < chain.size() ? chain[i + 1] : nullptr);
  }
  ReleaseStream(memory);
  EXPECT_FALSE(writer.failed());
  EXPECT_EQ(writer.extent(), size) << "measured size differs from bytes written";
  return out;
}

TagNode *Pointer(ExifDocument &doc, int32_t id, const std::vector<MetaNode *> &entries) {
  TagNode *p = test::LongTag(id, {0});
  if (!entries.empty()) test::FillOwner(doc, p, entries);
  return p;
}

// Both directories are numbered 1: the chain, not the numbers, decides
// what is written.
TEST(DirectoryWriter, PacksValuesWithoutPaddingAndLinksTheChain) {
  ExifDocument doc;
  MetaNode *h = test::StartTiffDocument(doc);
  MetaNode *d0 = test::AppendDirectory(doc, h, 1,
                                       {test::AsciiTag(270, "abcd"), test::ShortTag(271, {1, 2, 3}),
                                        test::ShortTag(274, {6, 7}), test::RationalTag(282, {{72, 1}})});
  test::AppendDirectory(doc, d0, 1, {test::LongTag(513, {0}), test::LongTag(4, {})});
  const Bytes out = WriteMeasured(doc);

  EXPECT_EQ(Bytes(out.begin(), out.begin() + 8), (Bytes{'I', 'I', 42, 0, 8, 0, 0, 0}));
  auto ifd0 = test::ReadTiffDirectory(out, 8);
  ASSERT_EQ(ifd0.entries.size(), 4u);
  const uint32_t area = 8 + 2 + 4 * 12 + 4;  // 62
  EXPECT_EQ(ifd0.entries[0].field, area);           // "abcd\0": 5 bytes
  EXPECT_EQ(ifd0.entries[1].field, area + 5);       // 3 SHORTs at an odd offset
  EXPECT_EQ(ifd0.entries[2].field, 6u | (7u << 16));  // two SHORTs in line
  EXPECT_EQ(ifd0.entries[3].field, area + 11);      // RATIONAL: two words
  EXPECT_EQ(test::Le32(out, area + 11), 72u);
  EXPECT_EQ(test::Le32(out, area + 15), 1u);
  EXPECT_EQ(ifd0.next, area + 19);
  auto ifd1 = test::ReadTiffDirectory(out, ifd0.next);
  ASSERT_EQ(ifd1.entries.size(), 2u);
  EXPECT_EQ(ifd1.entries[1].count, 0u);  // LONG count 0: out of line, no bytes
  EXPECT_EQ(ifd1.entries[1].field, ifd0.next + 2 + 24 + 4);
  EXPECT_EQ(ifd1.next, 0u);
  EXPECT_EQ(out.size(), ifd0.next + 2 + 24 + 4);
}

TEST(DirectoryWriter, PlacesExifGpsAndInteropBeforeTheNextDirectory) {
  ExifDocument doc;
  MetaNode *h = test::StartTiffDocument(doc);
  TagNode *interop = Pointer(doc, 40965, {test::AsciiTag(1, "R98")});
  TagNode *exif = Pointer(doc, 34665, {test::RationalTag(33434, {{1, 160}}), interop});
  TagNode *gps = Pointer(doc, 34853, {test::AsciiTag(1, "N"), test::RationalTag(2, {{48, 1}, {51, 1}, {30, 1}})});
  MetaNode *d0 = test::AppendDirectory(doc, h, 0, {test::AsciiTag(271, "Cam"), exif, gps});
  doc.exifPointerTag = exif;
  test::AppendDirectory(doc, d0, 1, {test::ShortTag(259, {6})});
  const Bytes out = WriteMeasured(doc);

  auto ifd0 = test::ReadTiffDirectory(out, 8);
  const uint32_t exifAt = ifd0.Find(34665)->field;
  const uint32_t gpsAt = ifd0.Find(34853)->field;
  auto exifDir = test::ReadTiffDirectory(out, exifAt);
  const uint32_t interopAt = exifDir.Find(40965)->field;
  auto gpsDir = test::ReadTiffDirectory(out, gpsAt);
  auto interopDir = test::ReadTiffDirectory(out, interopAt);
  EXPECT_EQ(exifAt, 8u + 2 + 36 + 4);  // right behind IFD0 ("Cam\0" is in line)
  EXPECT_LT(exifAt, gpsAt);
  EXPECT_LT(gpsAt, interopAt);
  EXPECT_LT(interopAt, ifd0.next);
  EXPECT_EQ(exifDir.next, 0u);
  EXPECT_EQ(gpsDir.next, 0u);
  EXPECT_EQ(interopDir.next, 0u);
  EXPECT_EQ(interopDir.entries.at(0).tag, 1);
  EXPECT_EQ(gpsDir.entries.size(), 2u);
  EXPECT_EQ(test::ReadTiffDirectory(out, ifd0.next).entries.at(0).tag, 259);
}

TEST(DirectoryWriter, LeavesOutAPointerEntryWithoutSubDirectory) {
  ExifDocument doc;
  MetaNode *h = test::StartTiffDocument(doc);
  TagNode *exif = Pointer(doc, 34665, {test::ShortTag(34855, {200})});
  TagNode *secondExif = Pointer(doc, 34665, {});
  TagNode *interop = Pointer(doc, 40965, {});
  test::AppendDirectory(doc, h, 0, {test::AsciiTag(271, "Cam"), exif, secondExif, interop});
  doc.exifPointerTag = exif;
  const Bytes out = WriteMeasured(doc);

  auto ifd0 = test::ReadTiffDirectory(out, 8);
  ASSERT_EQ(ifd0.entries.size(), 2u);
  EXPECT_EQ(ifd0.entries[1].tag, 34665);
  EXPECT_EQ(test::ReadTiffDirectory(out, ifd0.entries[1].field).entries.at(0).tag, 34855);
  EXPECT_EQ(ifd0.Find(40965), nullptr);
}

// A count beyond the node's buffer is padded with zeros, never read past
// it; an unknown type keeps its value word, an opaque blob its bytes.
TEST(DirectoryWriter, PadsACountBeyondTheBufferAndWritesOddTypesAndBlobsAsTheyStand) {
  ExifDocument doc;
  MetaNode *h = test::StartTiffDocument(doc);
  TagNode *shortBuffer = test::MakeTag(270, kTypeAscii, 12, Bytes{'a', 'b', 'c', 'd', 'e', 'f'});
  TagNode *odd = test::MakeTag(700, 99, 1000, {});
  odd->value = 0x11223344;
  const Bytes blob = {'M', 'K', 'N', 'O', 'T', 'E', 0, 1, 0xFF, 0, 7};
  test::AppendDirectory(doc, h, 0, {shortBuffer, odd, test::MakeTag(37500, kTypeUndefined, 11, blob)});
  const Bytes out = WriteMeasured(doc);

  auto ifd0 = test::ReadTiffDirectory(out, 8);
  const uint32_t at = ifd0.entries[0].field;
  EXPECT_EQ(Bytes(out.begin() + at, out.begin() + at + 12), (Bytes{'a', 'b', 'c', 'd', 'e', 'f', 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(ifd0.entries[1].type, 99);
  EXPECT_EQ(ifd0.entries[1].field, 0x11223344u);
  ASSERT_EQ(ifd0.entries[2].field, at + 12);
  EXPECT_EQ(Bytes(out.begin() + at + 12, out.begin() + at + 23), blob);
}

TEST(DirectoryWriter, MeasuresSubDirectoriesWithTheirNestedOnesAndRefusesOverlongValues) {
  ExifDocument empty;
  empty.format = kFormatTiff;
  EXPECT_EQ(MeasureDirectories(empty), 0);
  ExifDocument doc;
  TagNode *interop = Pointer(doc, 40965, {test::AsciiTag(1, "R98")});
  TagNode *exif = Pointer(doc, 34665, {test::ShortTag(34855, {200}), interop});
  // Exif: 2 + 2 * 12 + 4; Interop: 2 + 12 + 4 (+ "R98\0" in line).
  EXPECT_EQ(MeasureSubDirectory(doc, exif), 30 + 18);
  EXPECT_EQ(MeasureSubDirectory(doc, nullptr), 0);
  delete exif;
  MetaNode *h = test::StartTiffDocument(empty);
  test::AppendDirectory(empty, h, 0, {test::MakeTag(270, kTypeDouble, 0x7FFFFFFF, {})});
  EXPECT_EQ(MeasureDirectories(empty), -1);
}

}  // namespace
}  // namespace kexif
