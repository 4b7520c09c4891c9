#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

#include "api/load_document.h"
#include "parse/jpeg_scanner.h"
#include "parse/parse_limits.h"
#include "parse/tiff_parser.h"
#include "stream/owned_stream.h"
#include "tests/support/hand_tree.h"
#include "tests/support/jpeg_builder.h"
#include "tests/support/sample_photo.h"
#include "tests/support/temp_files.h"
#include "tests/support/tree_dump.h"
#include "tests/unit/parse/parse_test_util.h"

namespace kexif::test {
namespace {

// The scan as a plain byte-by-byte loop, one stream call per byte: the
// behaviour the block scanner must reproduce exactly.
int ByteWiseScan(ByteStream &s, TreeBuilder &b) {
  int32_t run = 0;
  int32_t runStart = 0;
  bool scanStarted = false;
  auto count = [&](int32_t start, int32_t n) {
    if (run == 0) runStart = start;
    run += n;
  };
  // A segment is recorded after the pending run, so runs stay contiguous.
  // After the first SOS an Exif segment is a plain segment.
  auto record = [&](int32_t marker, int32_t length, int32_t offset, const uint8_t *id) {
    if (run > 0) b.OnSegment(kIdRawRun, run, runStart, nullptr);
    run = 0;
    SegmentNode *exif = b.document->exifSegment;
    b.OnSegment(marker, length, offset, id);
    if (scanStarted) b.document->exifSegment = exif;
  };
  for (;;) {
    uint8_t c;
    if (s.Read(&c, 1) != 1) break;
    if (c != 0xFF) {
      count(s.Tell() - 1, 1);
      continue;
    }
    uint8_t m;
    if (s.Read(&m, 1) != 1) {
      count(s.Tell() - 1, 1);
      break;
    }
    const int32_t p = s.Tell() - 2;
    const bool app = m >= 0xE0 && m <= 0xEF;
    bool segment = false;
    if (m == 0xD8 || m == 0xD9) {
      record(m, 0, 0, nullptr);
    } else if (app) {
      segment = true;
    } else if (m == 0xDA && !scanStarted) {
      scanStarted = true;
      segment = true;
    } else if (m == 0x00 || (m >= 0xD0 && m <= 0xDF && m != 0xDB && m != 0xDD) || scanStarted) {
      count(p, 2);
    } else {
      segment = true;
    }
    if (!segment) continue;
    uint8_t len[2];
    const int32_t got = s.Read(len, 2);
    if (got < 2) {
      count(p, 2 + got);
      break;
    }
    const int32_t length = len[0] * 256 + len[1];
    if (length < 2 && scanStarted) {
      count(p, 4);
      continue;
    }
    if (length < 2) return 0;
    if (!app) {
      record(m, length - 2, p + 4, nullptr);
      s.Seek(0, p + 2 + length);
      continue;
    }
    uint8_t id[4] = {0, 0, 0, 0};
    int32_t present = 0;
    while (present < length - 2 && present < 4 && s.Read(&id[present], 1) == 1) ++present;
    record(m, length - 2, p + 4, id);
    if (m == 0xE1 && !scanStarted && present == 4 && std::memcmp(id, "Exif", 4) == 0) {
      s.Seek(0, p + 10);
      ByteStream *window = nullptr;
      CreateStreamWindow(&window, &s, length);
      const OwnedStream owned(window);
      if (ParseTiff(*window, b) == 0) return 0;
    }
    s.Seek(0, p + 2 + length);
  }
  if (run > 0) b.OnSegment(kIdRawRun, run, runStart, nullptr);
  return 1;
}

int ScanInto(const Bytes &bytes, ExifDocument &doc) {
  return RunOver(bytes, doc, [](ByteStream &s, TreeBuilder &b) { return ScanJpeg(s, b); });
}

// Scans bytes in memory and through a loaded file (its head at load, the
// rest when completed), and checks both against the byte-wise loop.
void ExpectSameAsByteWise(const Bytes &bytes, const std::string &what) {
  SCOPED_TRACE(what);
  ExifDocument reference, scanned;
  const int expected = RunOver(bytes, reference, ByteWiseScan);
  EXPECT_EQ(ScanInto(bytes, scanned), expected);
  EXPECT_EQ(DumpTree(scanned), DumpTree(reference));
  if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xD8) return;
  TempDir dir;
  ExifDocument *loaded = LoadDocument(dir.Write("f.jpg", bytes).c_str());
  EXPECT_EQ(loaded != nullptr, expected == 1);
  if (loaded == nullptr) return;
  EXPECT_TRUE(loaded->CompleteScan());
  loaded->format = 0;  // compare the tree and the parse's fields only
  loaded->current = reference.current = nullptr;
  EXPECT_EQ(DumpTree(*loaded), DumpTree(reference));
  DestroyDocument(loaded);
}

// (offset, length) of each raw run of the document, in chain order.
std::vector<std::pair<int32_t, int32_t>> Runs(const ExifDocument &doc) {
  std::vector<std::pair<int32_t, int32_t>> runs;
  for (MetaNode *n = doc.root; n != nullptr; n = n->next) {
    if (n->id == kIdRawRun) runs.emplace_back(AsSegmentNode(n)->fileOffset, AsSegmentNode(n)->dataLength);
  }
  return runs;
}

std::pair<int32_t, int32_t> At(size_t offset, int32_t length) { return {static_cast<int32_t>(offset), length}; }

TEST(JpegScanner, RecordsSegmentsAndOneRawRunForScanDataWithPairsAndRestarts) {
  TiffBuilder t;
  t.AddDirectory().Add(Entry::Ascii(271, "Cam"));
  JpegBuilder j;
  j.Soi().App1Exif(t.Build()).Dqt().Sof0().Dht().Sos();
  const size_t scanStart = j.Size();
  j.ScanData(300).Raw({0xFF, 0x00}).ScanData(300).Raw({0xFF, 0xD0}).ScanData(200).Raw({0xFF, 0x00}).ScanData(194).Eoi();
  ExifDocument doc;
  ASSERT_EQ(ScanInto(j.Build(), doc), 1);
  EXPECT_EQ(TopLevelIds(doc), (std::vector<int32_t>{0xD8, 0xE1, 0xDB, 0xC0, 0xC4, 0xDA, kIdRawRun, 0xD9}));
  const auto *app1 = AsSegmentNode(doc.root->next);
  EXPECT_EQ(std::string(app1->label), "Exif");
  EXPECT_EQ(app1->fileOffset, 2 + 4);
  EXPECT_EQ(app1->dataLength, static_cast<int32_t>(6 + t.Build().size()));
  EXPECT_EQ(app1->firstChild->id, kIdHeader);
  EXPECT_EQ(doc.exifSegment, app1);
  EXPECT_EQ(Runs(doc), (std::vector<std::pair<int32_t, int32_t>>{At(scanStart, 1000)}));
  ExpectSameAsByteWise(j.Build(), "baseline");
}

TEST(JpegScanner, MatchesTheByteWiseScanOnTrickyLayouts) {
  TiffBuilder t;
  t.AddDirectory().Add(Entry::Ascii(271, "Cam"));
  const Bytes tiff = t.Build();
  auto base = [] {
    JpegBuilder j;
    j.Soi().App0Jfif().Dqt().Sof0().Dht().Sos().ScanData(50);
    return j;
  };
  ExpectSameAsByteWise(base().Raw({0xFF, 0xFF, 0xD9, 1, 2}).Eoi().Build(), "FF FF in scan data");
  ExpectSameAsByteWise(base().Segment(0xE2, {'F', 'P', 'X', 'R', 0, 1}).ScanData(9).Eoi().Build(), "APPn after SOS");
  ExpectSameAsByteWise(base().Dht().Sos().ScanData(20).Eoi().Build(), "DHT and SOS after SOS");
  ExpectSameAsByteWise(base().Build(), "no EOI");
  ExpectSameAsByteWise(base().Raw({0xFF}).Build(), "lone FF at the end");
  ExpectSameAsByteWise(base().Eoi().Raw({1, 2, 3, 0xFF, 0x00, 7}).Build(), "garbage after EOI");
  ExpectSameAsByteWise(base().Eoi().Raw({1, 2, 3}).Eoi().Build(), "second EOI");
  JpegBuilder stray;
  stray.Soi().Raw({9, 8, 7}).App0Jfif().Raw({0xFF, 0xD3}).Dqt().Segment(0xDD, {0, 4}).Sos().ScanData(10).Eoi();
  ExpectSameAsByteWise(stray.Build(), "stray bytes before SOS");
  JpegBuilder twoExif;
  twoExif.Soi().App1Exif(tiff).App1Exif(tiff).Sos().ScanData(10).Eoi();
  ExpectSameAsByteWise(twoExif.Build(), "two Exif segments");
  JpegBuilder shortApp;
  shortApp.Soi().SegmentWithLength(0xE1, 4, {'E', 'x'}).SegmentWithLength(0xE5, 2, {}).Sos().Eoi();
  ExpectSameAsByteWise(shortApp.Build(), "APPn with L below 6");
  ExpectSameAsByteWise(Bytes{0xFF, 0xD8, 0xFF, 0xDB, 0x00}, "length cut off");
  ExpectSameAsByteWise(Bytes{0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x20, 'E', 'x'}, "identifier cut off");
  ExpectSameAsByteWise(Bytes{0xFF, 0xD8, 0xFF, 0xC4, 0x00, 0x01, 1, 2}, "plain length 1");
  ExpectSameAsByteWise(Bytes{0xFF, 0xD8, 0xFF, 0xE3, 0x00, 0x00}, "APP length 0");
  ExpectSameAsByteWise(SamplePhotoJpeg(true, 5000), "sample photo");
}

TEST(JpegScanner, MatchesTheByteWiseScanAcrossBlockEdges) {
  // Markers, length fields and identifiers that straddle the edge between
  // two blocks, and a segment that ends past the first block.
  for (size_t shift = 0; shift < 8; ++shift) {
    JpegBuilder j;
    j.Soi();
    // Comment segments up to 8 - shift bytes before the first block's end;
    // each stays within what a length field can express.
    size_t fill = static_cast<size_t>(kScanBlockSize) - 8 + shift;
    while (fill > 0) {
      const size_t payload = std::min<size_t>(fill - 4, 60000);
      j.Segment(0xFE, Bytes(payload, 0x20));
      fill -= payload + 4;
    }
    j.Segment(0xE1, {'E', 'x', 'i', 'f', 0, 0, 'M'}).Dqt().Sos().ScanData(kScanBlockSize - 20);
    j.Raw({0xFF, 0x00, 0xFF, 0xD5}).Segment(0xEC, Bytes(70000 - 4, 1)).ScanData(100).Eoi();
    ExpectSameAsByteWise(j.Build(), "shift " + std::to_string(shift));
  }
}

TEST(JpegScanner, GoesOnAfterTheExifSegmentWhereverItsParseMovedTheFile) {
  // The Exif data's values lie behind the segment, so that its parse reads
  // from the scan data and from the file's end; the scan must go on right
  // after the segment all the same.
  for (const uint32_t valueOffset : {3000u, 60000u}) {
    TiffBuilder t;
    t.AddDirectory().Add(Entry::Raw(271, 2, 40, valueOffset)).Add(Entry::Raw(272, 7, 64, 200));
    JpegBuilder j;
    j.Soi().App1Exif(t.Build()).Dqt().Sof0().Dht().Sos().ScanData(kScanBlockSize + 5000).Eoi();
    ExpectSameAsByteWise(j.Build(), "value at " + std::to_string(valueOffset));
  }
}

TEST(JpegScanner, MatchesTheByteWiseScanOnRandomAndDamagedFiles) {
  std::mt19937 random(12345);
  const Bytes sample = SamplePhotoJpeg(false, 3000);
  const uint8_t favourites[] = {0xFF, 0x00, 0xD8, 0xD9, 0xDA, 0xE1, 0xC4, 0xD0, 0x02, 'E', 'x', 'i', 'f'};
  for (int round = 0; round < 300; ++round) {
    Bytes bytes;
    if (round % 2 == 0) {
      bytes = sample;
      const int flips = 1 + static_cast<int>(random() % 6);
      for (int i = 0; i < flips; ++i) bytes[random() % bytes.size()] = static_cast<uint8_t>(random());
    } else {
      bytes = {0xFF, 0xD8};
      const size_t n = random() % 400;
      for (size_t i = 0; i < n; ++i) {
        bytes.push_back(random() % 3 == 0 ? favourites[random() % sizeof favourites] : static_cast<uint8_t>(random()));
      }
    }
    ExpectSameAsByteWise(bytes, "round " + std::to_string(round));
  }
}

// A stray restart pair counts as run bytes; DQT and DRI stay segments; an
// APPn after SOS ends the scan run, and its run starts again behind it.
TEST(JpegScanner, EndsTheRunBeforeEachSegmentSoEveryRunIsContiguous) {
  JpegBuilder j;
  j.Soi().App0Jfif();
  const size_t strayAt = j.Size();
  j.Raw({0xFF, 0xD3, 0x00}).Dqt().Segment(0xDD, {0, 4}).Sos();
  const size_t scanStart = j.Size();
  j.ScanData(40);
  const size_t appStart = j.Size();
  j.Segment(0xEC, {'D', 'u', 'c', 'k', 1, 2}).ScanData(30).Eoi();
  ExifDocument doc;
  ASSERT_EQ(ScanInto(j.Build(), doc), 1);
  EXPECT_EQ(TopLevelIds(doc),
            (std::vector<int32_t>{0xD8, 0xE0, kIdRawRun, 0xDB, 0xDD, 0xDA, kIdRawRun, 0xEC, kIdRawRun, 0xD9}));
  EXPECT_EQ(Runs(doc), (std::vector<std::pair<int32_t, int32_t>>{At(strayAt, 3), At(scanStart, 40), At(appStart + 10, 30)}));
}

}  // namespace
}  // namespace kexif::test
