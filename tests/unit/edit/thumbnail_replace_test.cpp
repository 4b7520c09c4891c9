#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "edit/exif_segment.h"
#include "model/chain_lookup.h"
#include "model/tree_search.h"
#include "tests/support/hand_tree.h"
#include "tests/support/jpeg_builder.h"
#include "tests/support/loaded_document.h"
#include "tests/support/sample_photo.h"
#include "tests/support/temp_files.h"
#include "tests/support/tree_dump.h"

namespace kexif::test {
namespace {

// A TIFF structure whose APP1 payload ("Exif" 00 00 + TIFF) is exactly
// payloadSize bytes, padded by an UNDEFINED entry in IFD0; with a JPEG
// thumbnail in IFD1 when thumbnailSize > 0.
Bytes TiffForPayload(size_t payloadSize, size_t thumbnailSize) {
  size_t pad = 100;
  for (int round = 0; round < 4; ++round) {
    TiffBuilder b;
    b.AddDirectory().Add(Entry::Ascii(271, "Cam")).Add(Entry::Undefined(37500, Bytes(pad, 0x55)));
    if (thumbnailSize > 0) b.AddDirectory().Thumbnail(FakeJpegStream(thumbnailSize, 3));
    const Bytes tiff = b.Build();
    if (tiff.size() + 6 == payloadSize) return tiff;
    pad = pad + payloadSize - (tiff.size() + 6);
  }
  ADD_FAILURE() << "no padding gives " << payloadSize;
  return {};
}

const MetaNode *Directory(ExifDocument &d, int32_t n) {
  MetaNode *chain = d.format == KEXIF_FORMAT_TIFF ? d.root : FindHeaderNode(FindExifApp1(d));
  return FindDirectoryInChain(chain, n);
}

int32_t ValueOf(const MetaNode *directory, uint32_t tag) {
  const MetaNode *n = FindSiblingById(directory->firstChild, static_cast<int32_t>(tag));
  return n != nullptr ? n->value : -1;
}

// IFD0 with a strip, then a directory with a strip for each entry list.
Bytes TiffPages(const std::vector<std::vector<Entry>> &later = {}) {
  TiffBuilder b;
  b.AddDirectory().Add(Entry::Ascii(271, "Cam")).strips = {Bytes(64, 0xAA)};
  for (const auto &entries : later) {
    Ifd &page = b.AddDirectory();
    for (const Entry &e : entries) page.Add(e);
    page.strips = {Bytes(32, 0xBB)};
  }
  return b.Build();
}

Bytes JpegWith(const Bytes &app1s) {
  JpegBuilder j;
  j.Soi().App0Jfif().Raw(app1s).Sos().ScanData(10).Eoi();
  return j.Build();
}

const std::vector<int32_t> kJpegThumbnailDirectory = {3, 259, 282, 283, 296, 513, 514, 60};
const std::vector<int32_t> kTiffThumbnailDirectory = {3, 254, 259, 282, 283, 296, 513, 514, 60};

// The Exif payload with the new thumbnail may reach 63900 bytes; a new
// segment takes 63500; a loaded thumbnail's bytes count as leaving; an XMP
// APP1 counts for nothing. One byte more changes nothing.
TEST(JpegThumbnailReplacement, AcceptsAThumbnailUpToTheRoomLeftInTheExifSegment) {
  JpegBuilder xmpOnly, xmpFirst;
  xmpOnly.App1Xmp();
  xmpFirst.App1Xmp(std::string(20000, 'x')).App1Exif(TiffForPayload(10000, 0));
  const struct {
    const char *name;
    Bytes jpeg;
    size_t room;
    bool loaded;
  } cases[] = {
      {"no Exif segment", MakeJpegWithoutExif(), 63500, false},
      {"XMP-only APP1", JpegWith(xmpOnly.Build()), 63500, false},
      {"payload of 10000", MakeJpeg(TiffForPayload(10000, 0)), 53900, false},
      {"payload of 10000 behind XMP", JpegWith(xmpFirst.Build()), 53900, false},
      {"payload of 62000 with a loaded thumbnail of 2000", MakeJpeg(TiffForPayload(62000, 2000)), 3900, true},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    Loaded fits(c.jpeg);
    Loaded over(c.jpeg);
    if (c.loaded) {
      ASSERT_EQ(FetchThumbnail(fits.handle).bytes.size(), 2000u);
      ASSERT_EQ(FetchThumbnail(over.handle).bytes.size(), 2000u);
    }
    const std::string before = DumpTree(over.doc());
    EXPECT_EQ(SetThumbnail(over.handle, FakeJpegStream(c.room + 1)), -1);
    EXPECT_EQ(DumpTree(over.doc()), before);
    ASSERT_EQ(SetThumbnail(fits.handle, FakeJpegStream(c.room, 4)), 0);
    EXPECT_EQ(FetchThumbnail(fits.handle).bytes, FakeJpegStream(c.room, 4));
    EXPECT_EQ(ValueOf(Directory(fits.doc(), 1), 514), static_cast<int32_t>(c.room));
    EXPECT_EQ(TopLevelOwner(fits.doc().thumbnailOffsetTag), fits.doc().exifSegment);
    EXPECT_EQ(kExifIsThumbnailExist(fits.handle), 1);
    if (c.loaded) continue;
    // A new directory 1 of six entries right behind directory 0.
    const MetaNode *d1 = Directory(fits.doc(), 1);
    ASSERT_NE(d1, nullptr);
    EXPECT_EQ(Directory(fits.doc(), 0)->next, d1);
    EXPECT_EQ(ChildIds(d1), kJpegThumbnailDirectory);
    EXPECT_EQ(d1->firstChild->value, 6);
    EXPECT_EQ(ValueOf(d1, 259), 6);
    EXPECT_EQ(ValueOf(d1, 296), 2);
    EXPECT_EQ(ValueOf(d1, 513), 0);
  }
}

// A new segment holds a header, directory 0 with the resolution entries
// and the thumbnail directory (checked with the room it leaves).
TEST(JpegThumbnailReplacement, PutsANewExifSegmentAfterApp0OrSoiAndAheadOfAnXmpApp1) {
  JpegBuilder noApp0, xmp;
  noApp0.Soi().Dqt().Sos().ScanData(10).Eoi();
  xmp.App1Xmp();
  const struct {
    const char *name;
    Bytes jpeg;
    std::vector<int32_t> ids;
    int exifAt;
  } cases[] = {
      {"after APP0", MakeJpegWithoutExif(), {0xD8, 0xE0, 0xE1, 0xDB, 0xC0, 0xC4, 0xDA, 0xA1, 0xD9}, 2},
      {"after SOI", noApp0.Build(), {0xD8, 0xE1, 0xDB, 0xDA, 0xA1, 0xD9}, 1},
      {"ahead of XMP", JpegWith(xmp.Build()), {0xD8, 0xE0, 0xE1, 0xE1, 0xDA, 0xA1, 0xD9}, 2},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    Loaded doc(c.jpeg);
    ASSERT_EQ(SetThumbnail(doc.handle, FakeJpegStream(100)), 0);
    ASSERT_TRUE(doc.doc().CompleteScan());  // the chain past the first SOS too
    EXPECT_EQ(TopLevelIds(doc.doc()), c.ids);
    const MetaNode *segment = doc.doc().root;
    for (int i = 0; i < c.exifAt; ++i) segment = segment->next;
    EXPECT_EQ(doc.doc().exifSegment, segment);
    EXPECT_EQ(ChildIds(Directory(doc.doc(), 0)), (std::vector<int32_t>{3, 282, 283, 296, 60}));
  }
}

TEST(JpegThumbnailReplacement, RefusesAnEmptyThumbnailAndKeepsTheOldOne) {
  Loaded loaded(SamplePhotoJpeg());
  Loaded unread(SamplePhotoJpeg(), "b.jpg");
  ASSERT_EQ(FetchThumbnail(loaded.handle).result, 0);
  for (Loaded *d : {&loaded, &unread}) {
    EXPECT_EQ(SetThumbnail(d->handle, {}), -1);
    EXPECT_EQ(ValueOf(Directory(d->doc(), 1), 514), 2000);
    EXPECT_EQ(FetchThumbnail(d->handle).bytes, FakeJpegStream(2000, 0x31));
  }
}

TEST(JpegThumbnailReplacement, BuildsAnEmptyThumbnailDirectoryForAnEmptyFirstThumbnail) {
  Loaded doc(MakeJpeg(TiffForPayload(500, 0)));
  ASSERT_EQ(SetThumbnail(doc.handle, {}), 0);
  const MetaNode *d1 = Directory(doc.doc(), 1);
  ASSERT_NE(d1, nullptr);
  EXPECT_EQ(ValueOf(d1, 514), 0);
  EXPECT_EQ(doc.doc().thumbnailOffsetTag->data, nullptr);
  EXPECT_EQ(kExifIsThumbnailExist(doc.handle), 1);
  EXPECT_EQ(FetchThumbnail(doc.handle).result, -1);
  // A real thumbnail can follow the empty one.
  EXPECT_EQ(SetThumbnail(doc.handle, FakeJpegStream(10)), 0);
  EXPECT_EQ(FetchThumbnail(doc.handle).bytes, FakeJpegStream(10));
}

TEST(JpegThumbnailReplacement, RefusesNegativeLengthsAndMissingBytes) {
  Loaded doc(MakeJpegWithoutExif());
  Bytes bytes = FakeJpegStream(10);
  for (ThumbnailData bad : {ThumbnailData{bytes.data(), -5}, ThumbnailData{nullptr, 1}, ThumbnailData{nullptr, 10}}) {
    EXPECT_EQ(kExifSetThumbnailData(doc.handle, &bad), -1) << bad.length;
  }
  ThumbnailData usable{bytes.data(), 10};
  EXPECT_EQ(kExifSetThumbnailData(doc.handle, nullptr), -1);
  EXPECT_EQ(kExifSetThumbnailData(nullptr, &usable), -1);
  EXPECT_EQ(doc.doc().exifSegment, nullptr);
}

// A new thumbnail directory follows a lone directory, takes the place of a
// reduced-image or unmarked directory 1, or goes in front of a full image,
// which becomes directory 2. Without directories, or when a thumbnail entry
// left behind it would be the one a reload names, the set is refused.
TEST(TiffThumbnailReplacement, PutsDirectoryOneWhereAReloadFindsItOrRefuses) {
  TiffBuilder hidden;
  hidden.AddDirectory().Add(Entry::Ascii(271, "Cam"));
  hidden.AddDirectory().Add(Entry::Long(254, {0})).Exif().Add(Entry::Long(513, {8})).Add(Entry::Long(514, {4}));
  const struct {
    const char *name;
    Bytes tiff;
    int32_t directories;  // afterwards; 0 when the set is refused
    int32_t existsWhenRefused;
  } cases[] = {
      {"only directory", TiffPages(), 2, 0},
      {"reduced image", TiffPages({{Entry::Long(254, {1}), Entry::Short(259, {1})}}), 2, 0},
      {"unmarked directory 1", TiffPages({{Entry::Short(259, {1})}}), 2, 0},
      {"full image", TiffPages({{Entry::Long(254, {0})}}), 3, 0},
      {"no directories", Bytes{'I', 'I', 42, 0, 0, 0, 0, 0}, 0, 0},
      {"thumbnail entry behind a full image", hidden.Build(), 0, 1},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    Loaded doc(c.tiff, "a.tif");
    ASSERT_NE(doc.handle, nullptr);
    ExifDocument &d = doc.doc();
    if (c.directories == 0) {
      const std::string before = DumpTree(d);
      EXPECT_EQ(SetThumbnail(doc.handle, FakeJpegStream(50)), -1);
      EXPECT_EQ(DumpTree(d), before);
      EXPECT_EQ(kExifIsThumbnailExist(doc.handle), c.existsWhenRefused);
      continue;
    }
    ASSERT_EQ(SetThumbnail(doc.handle, FakeJpegStream(700)), 0);
    EXPECT_EQ(d.CountDirectories(), c.directories);
    const MetaNode *d1 = d.FindDirectory(1);
    ASSERT_NE(d1, nullptr);
    EXPECT_EQ(d.FindDirectory(0)->next, d1);
    EXPECT_EQ(ChildIds(d1), kTiffThumbnailDirectory);
    EXPECT_EQ(d1->firstChild->value, 7);
    EXPECT_EQ(ValueOf(d1, 254), 1);
    EXPECT_EQ(ValueOf(d1, 514), 700);
    EXPECT_EQ(FetchThumbnail(doc.handle).bytes, FakeJpegStream(700));
    if (c.directories < 3) continue;
    const MetaNode *image = d.FindDirectory(2);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(d1->next, image);
    EXPECT_EQ(ValueOf(image, 254), 0);
    EXPECT_NE(ValueOf(image, 273), -1);
  }
}

TEST(TiffThumbnailReplacement, ReplacingTwiceServesExactlyTheLatestBytes) {
  TiffBuilder b;
  b.AddDirectory().Add(Entry::Ascii(271, "Cam"));
  b.AddDirectory().Add(Entry::Long(254, {1})).Thumbnail(FakeJpegStream(300, 7));
  Loaded doc(b.Build(), "a.tif");
  ASSERT_EQ(SetThumbnail(doc.handle, FakeJpegStream(120, 1)), 0);
  ASSERT_EQ(SetThumbnail(doc.handle, FakeJpegStream(80, 2)), 0);
  EXPECT_EQ(FetchThumbnail(doc.handle).bytes, FakeJpegStream(80, 2));
  EXPECT_EQ(ValueOf(Directory(doc.doc(), 1), 514), 80);
  EXPECT_EQ(SetThumbnail(doc.handle, {}), -1);
  EXPECT_EQ(FetchThumbnail(doc.handle).bytes, FakeJpegStream(80, 2));
}

// Whatever a damaged file made of the thumbnail entries (no length entry, a
// length entry of another type and count, entries inside a sub-directory,
// where a save keeps only their value words), the thumbnail set is the one
// the saved file serves.
TEST(ThumbnailReplacement, AThumbnailSetInADamagedFileIsServedAfterASaveAndReload) {
  const Entry offset = Entry::Long(513, {0x40});
  const Entry length = Entry::Long(514, {0x10});
  const struct {
    const char *name;
    std::vector<Entry> first, exif, gps;
  } cases[] = {
      {"offset entry without length entry", {offset}, {}, {}},
      {"ASCII offset, length of eight SSHORTs", {Entry::Raw(513, 2, 0, 0), Entry{514, 8, 8, Bytes(16, 2), {}, {}}}, {}, {}},
      {"entries in the Exif sub-directory", {}, {offset, length}, {}},
      {"entries in the GPS sub-directory", {}, {}, {offset, length}},
  };
  for (const auto &c : cases) {
    for (const bool jpeg : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (jpeg ? ", jpeg" : ", big-endian tiff"));
      TiffBuilder b(!jpeg);
      Ifd &first = b.AddDirectory().Add(Entry::Ascii(271, "Cam"));
      for (const Entry &e : c.first) first.Add(e);
      for (const Entry &e : c.exif) first.Exif().Add(e);
      for (const Entry &e : c.gps) first.Gps().Add(e);
      Loaded doc(jpeg ? MakeJpeg(b.Build()) : b.Build(), jpeg ? "a.jpg" : "a.tif");
      ASSERT_EQ(kExifIsThumbnailExist(doc.handle), 1);
      ASSERT_EQ(SetThumbnail(doc.handle, FakeJpegStream(90, 4)), 0);
      const std::string saved = doc.dir.File(jpeg ? "saved.jpg" : "saved.tif");
      ASSERT_EQ(kExifSaveFile(doc.handle, saved.c_str()), 0);
      Loaded again(saved);
      EXPECT_EQ(FetchThumbnail(again.handle).bytes, FakeJpegStream(90, 4));
    }
  }
}

}  // namespace
}  // namespace kexif::test
