#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "model/exif_document.h"
#include "payload/audio_clip.h"
#include "save/directory_writer.h"
#include "save/jpeg_save.h"
#include "save/save_file.h"
#include "stream/byte_stream.h"
#include "tests/support/jpeg_builder.h"
#include "tests/support/loaded_document.h"
#include "tests/support/sample_photo.h"
#include "tests/support/temp_files.h"
#include "tests/support/tree_maker.h"

namespace kexif {
namespace {

using test::Bytes;

// A loaded-looking JPEG document: the file's segments on disk, and under
// the (first) APP1 Exif segment a hand-built Exif tree with IFD0 and IFD1.
class JpegSave : public ::testing::Test {
 protected:
  void Open(const Bytes &jpeg, const std::string &name = "photo.jpg") {
    source_ = dir_.Write(name, jpeg);
    ASSERT_TRUE(test::OpenJpegSegments(doc_, source_));
  }
  SegmentNode *Segment(int32_t marker, int nth = 0) {
    for (MetaNode *n = doc_.root; n != nullptr; n = n->next) {
      if (n->id == marker && nth-- == 0) return AsSegmentNode(n);
    }
    return nullptr;
  }
  // Hangs header -> IFD0 -> IFD1 under segment and makes it exifSegment.
  void HangExifTree(SegmentNode *segment, const std::vector<MetaNode *> &ifd0, const std::vector<MetaNode *> &ifd1) {
    doc_.SetCursor(segment);
    auto *h = new MetaNode;
    h->id = kIdHeader;
    doc_.AppendChild(h);
    MetaNode *d0 = test::AppendDirectory(doc_, h, 0, ifd0);
    if (!ifd1.empty()) test::AppendDirectory(doc_, d0, 1, ifd1);
    doc_.exifSegment = segment;
  }
  void TearDown() override {
    ReleaseStream(doc_.stream);
    doc_.stream = nullptr;
  }

  test::TempDir dir_;
  std::string source_;
  ExifDocument doc_;
};

// The payload of the n-th segment with this marker in saved bytes.
Bytes PayloadOf(const Bytes &jpeg, int32_t marker, int nth = 0) {
  for (const auto &s : test::ScanSegments(jpeg)) {
    if (s.marker == marker && nth-- == 0) return Bytes(jpeg.begin() + s.offset, jpeg.begin() + s.offset + s.length);
  }
  return {};
}

TEST_F(JpegSave, RebuildsTheExifApp1AndCopiesTheXmpApp1Untouched) {
  test::JpegBuilder b;
  b.Soi().App1Xmp("<before/>").App1Exif(Bytes(40, 0)).App1Xmp("<after/>").Dqt().Sos().ScanData(500).Eoi();
  const Bytes jpeg = b.Build();
  Open(jpeg);
  HangExifTree(Segment(kMarkerApp1, 1), {test::AsciiTag(271, "KexifCam"), test::ShortTag(274, {1})},
               {test::ShortTag(259, {6})});
  const int32_t measured = MeasureDirectories(doc_);
  const std::string target = dir_.File("out.jpg");
  ASSERT_EQ(SaveDocument(doc_, target.c_str()), SaveResult::kSaved);
  EXPECT_FALSE(test::HasSaveLeftover(dir_.path()));

  const Bytes out = test::ReadFileBytes(target);
  EXPECT_EQ(PayloadOf(out, kMarkerApp1, 0), PayloadOf(jpeg, kMarkerApp1, 0));
  EXPECT_EQ(PayloadOf(out, kMarkerApp1, 2), PayloadOf(jpeg, kMarkerApp1, 2));
  const Bytes exif = PayloadOf(out, kMarkerApp1, 1);
  ASSERT_EQ(exif.size(), static_cast<size_t>(measured) + 6);
  const Bytes start = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 0x2A, 0, 8, 0, 0, 0};
  EXPECT_EQ(Bytes(exif.begin(), exif.begin() + 14), start);
  const auto spans = test::ScanSegments(out);
  const int exifLengthField = (out[spans[2].offset - 2] << 8) | out[spans[2].offset - 1];
  EXPECT_EQ(exifLengthField, measured + 8);
  EXPECT_EQ(PayloadOf(out, kIdRawRun), PayloadOf(jpeg, kIdRawRun));
}

TEST_F(JpegSave, PutsTheThumbnailRightBehindIfd1AndPointsAtIt) {
  Open(test::MakeJpeg(Bytes(40, 0)));
  TagNode *offset = test::LongTag(513, {0});
  const Bytes thumbnail = test::FakeJpegStream(300, 7);
  offset->SetData(thumbnail.data(), static_cast<int32_t>(thumbnail.size()));
  HangExifTree(Segment(kMarkerApp1), {test::ShortTag(274, {1})},
               {test::ShortTag(259, {6}), offset, test::LongTag(514, {300})});
  doc_.thumbnailOffsetTag = offset;
  doc_.thumbnailExists = 1;
  doc_.thumbnailLoaded = 1;
  ASSERT_EQ(RebuildExifSegment(doc_), 1);

  const SegmentNode *app1 = Segment(kMarkerApp1);
  const Bytes tiff(app1->data + 6, app1->data + app1->dataLength);
  const auto ifd1 = test::ReadTiffDirectory(tiff, test::ReadTiffDirectory(tiff, 8).next);
  const uint32_t at = ifd1.Find(513)->field;
  EXPECT_EQ(at, ifd1.entries.back().at + 12 + 4);  // no IFD1 values before it
  EXPECT_EQ(Bytes(tiff.begin() + at, tiff.end()), thumbnail);
}

TEST_F(JpegSave, CarriesAOneStripThumbnailReadFromTheOldSegment) {
  // IFD1's strip lies at offset 100 of the old TIFF data.
  Bytes tiff(120, 0);
  for (int i = 0; i < 20; ++i) tiff[100 + i] = static_cast<uint8_t>(0xA0 + i);
  Open(test::MakeJpeg(tiff));
  HangExifTree(Segment(kMarkerApp1), {test::ShortTag(274, {1})},
               {test::ShortTag(259, {1}), test::LongTag(273, {100}), test::LongTag(279, {30})});
  ASSERT_EQ(RebuildExifSegment(doc_), 1);

  const SegmentNode *app1 = Segment(kMarkerApp1);
  const Bytes out(app1->data + 6, app1->data + app1->dataLength);
  const auto ifd1 = test::ReadTiffDirectory(out, test::ReadTiffDirectory(out, 8).next);
  const uint32_t at = ifd1.Find(273)->field;
  ASSERT_EQ(out.size(), at + 30u);
  EXPECT_EQ(Bytes(out.begin() + at, out.begin() + at + 20), Bytes(tiff.begin() + 100, tiff.end()));
  EXPECT_EQ(Bytes(out.begin() + at + 20, out.end()), Bytes(10, 0));  // beyond the old segment: zeros
}

TEST_F(JpegSave, RefusesASegmentLongerThanItsLengthFieldCanSay) {
  Open(test::MakeJpegWithoutExif());
  test::AppendSegment(doc_, doc_.root, 0xEC, Bytes(65534, 1));
  const std::string target = dir_.Write("out.jpg", Bytes{1, 2, 3});
  EXPECT_EQ(SaveDocument(doc_, target.c_str()), SaveResult::kWriteFailed);
  EXPECT_EQ(test::ReadFileBytes(target), (Bytes{1, 2, 3}));
  EXPECT_FALSE(test::HasSaveLeftover(dir_.path()));
  EXPECT_NE(doc_.stream, nullptr);  // the document can still be saved elsewhere
}

TEST_F(JpegSave, SavesOntoTheLoadedFileItselfAndCannotReadItAfterwards) {
  const Bytes jpeg = test::MakeJpegWithoutExif(2000);
  Open(jpeg);
  test::AppendSegment(doc_, doc_.root, 0xEB, Bytes{'n', 'e', 'w'});
  ASSERT_EQ(SaveDocument(doc_, source_.c_str()), SaveResult::kSaved);
  Bytes expected = {0xFF, 0xD8, 0xFF, 0xEB, 0, 5, 'n', 'e', 'w'};
  expected.insert(expected.end(), jpeg.begin() + 2, jpeg.end());
  EXPECT_EQ(test::ReadFileBytes(source_), expected);

  // The old file is gone from the document: a second save fails cleanly.
  const std::string other = dir_.File("other.jpg");
  EXPECT_EQ(SaveDocument(doc_, other.c_str()), SaveResult::kWriteFailed);
  EXPECT_FALSE(test::FileExists(other));
  EXPECT_FALSE(test::HasSaveLeftover(dir_.path()));
}

// A loaded file named like a temporary file of the target is not written
// into; an empty name is refused.
TEST_F(JpegSave, LeavesALoadedFileNamedLikeATemporaryFileWhole) {
  const Bytes jpeg = test::MakeJpegWithoutExif();
  Open(jpeg, "photo.$#$");
  EXPECT_EQ(SaveDocument(doc_, ""), SaveResult::kBadName);
  EXPECT_EQ(SaveDocument(doc_, dir_.File("photo.jpg").c_str()), SaveResult::kSaved);
  EXPECT_EQ(test::ReadFileBytes(source_), jpeg);
  EXPECT_EQ(test::ReadFileBytes(dir_.File("photo.jpg")), jpeg);
}

TEST_F(JpegSave, WrapsAnAddedSoundFileInFpxrSegmentsAfterTheApp1Run) {
  test::JpegBuilder b;
  b.Soi().App0Jfif().App1Exif(Bytes(40, 0)).App1Xmp().Dqt().Sos().ScanData(100).Eoi();
  Open(b.Build());
  const Bytes wave = test::FakeWave(100000, 3);
  const std::string sound = dir_.Write("clip.wav", wave);
  ASSERT_EQ(SetAudioFile(doc_, sound.c_str()), 1);
  const std::string target = dir_.File("out.jpg");
  ASSERT_EQ(SaveDocument(doc_, target.c_str()), SaveResult::kSaved);

  const Bytes out = test::ReadFileBytes(target);
  const auto spans = test::ScanSegments(out);
  ASSERT_GE(spans.size(), 6u);
  EXPECT_EQ(spans[3].marker, kMarkerApp1);
  ASSERT_EQ(spans[4].marker, kMarkerApp2);
  ASSERT_EQ(spans[5].marker, kMarkerApp2);
  EXPECT_EQ(spans[4].length + 2, 63943);
  EXPECT_EQ(spans[5].length + 2, 36115);
  const Bytes first = PayloadOf(out, kMarkerApp2, 0);
  const Bytes second = PayloadOf(out, kMarkerApp2, 1);
  EXPECT_EQ(Bytes(first.begin() + 41, first.begin() + 45), (Bytes{'R', 'I', 'F', 'F'}));
  EXPECT_EQ(Bytes(first.begin(), first.begin() + 13), (Bytes{'F', 'P', 'X', 'R', 0, 0, 2, 0, 4, 0, 0, 0, 0}));
  // The second segment's data lies 28 + 63900 bytes into the stream.
  EXPECT_EQ(Bytes(second.begin() + 9, second.begin() + 13), (Bytes{0, 0, 0xF9, 0xB8}));
  Bytes joined(first.begin() + 41, first.end());
  joined.insert(joined.end(), second.begin() + 13, second.end());
  EXPECT_EQ(joined, wave);
}

TEST_F(JpegSave, FailsWithoutTraceWhenTheSoundFileShrankOrIsGone) {
  Open(test::MakeJpegWithoutExif());
  const std::string sound = dir_.Write("clip.wav", test::FakeWave(70000));
  ASSERT_EQ(SetAudioFile(doc_, sound.c_str()), 1);
  const std::string target = dir_.Write("out.jpg", Bytes{7});
  dir_.Write("clip.wav", test::FakeWave(1000));
  EXPECT_EQ(SaveDocument(doc_, target.c_str()), SaveResult::kWriteFailed);
  std::filesystem::remove(sound);
  EXPECT_EQ(SaveDocument(doc_, target.c_str()), SaveResult::kSoundFileUnreadable);
  EXPECT_EQ(test::ReadFileBytes(target), Bytes{7});
  EXPECT_FALSE(test::HasSaveLeftover(dir_.path()));
}

// Readers take the thumbnail from the file's second directory: a directory
// 2 that an edit adds right after directory 0 is written after directory 1.
TEST(JpegSaveChain, WritesDirectoriesByNumberSoTheThumbnailStaysInTheSecond) {
  test::Loaded doc(test::SamplePhotoJpeg());
  ASSERT_EQ(test::SetText(doc.handle, kTagSoftware, "kexif", 2), 0);
  const std::string saved = test::SavedCopy(doc);
  ASSERT_FALSE(saved.empty());
  KRExifHandle reader = kRExifBeginRead(saved.c_str());
  EXPECT_EQ(kRExifIsThumbnailExist(reader), 1);
  kRExifEndRead(reader);
  test::Loaded again(saved);
  EXPECT_EQ(test::FetchThumbnail(again.handle).bytes, test::FakeJpegStream(2000, 0x31));
  EXPECT_EQ(test::TextOf(again.handle, kTagSoftware, 2), "kexif");
}

}  // namespace
}  // namespace kexif
