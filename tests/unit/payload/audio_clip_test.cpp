#include <gtest/gtest.h>

#include <algorithm>

#include "kexif.h"
#include "model/exif_document.h"
#include "payload/audio_clip.h"
#include "parse/fpxr_layout.h"
#include "stream/byte_stream.h"
#include "tests/support/jpeg_builder.h"
#include "tests/support/loaded_document.h"
#include "tests/support/sample_photo.h"
#include "tests/support/temp_files.h"
#include "tests/support/tree_maker.h"

namespace kexif {
namespace {

using test::Bytes;

const Bytes kOtherStream = test::FpxrStreamPayload(9, 0, Bytes(20, 0xEE));

// The payload bytes of a clip's first segment: the preamble and the first
// firstPart bytes of the wave.
Bytes ClipStart(const Bytes &wave, size_t firstPart) {
  Bytes start(kAudioPreambleSize + firstPart);
  std::copy(kAudioStreamPreamble, kAudioStreamPreamble + kAudioPreambleSize, start.begin());
  std::copy(wave.begin(), wave.begin() + static_cast<long>(firstPart), start.begin() + kAudioPreambleSize);
  return start;
}

// The two APP2 segments of a clip of the stream index, with another
// stream's segment between them.
void AddClip(test::JpegBuilder &b, uint16_t index, const Bytes &wave, size_t firstPart) {
  b.Segment(0xE2, test::FpxrStreamPayload(index, 0, ClipStart(wave, firstPart)))
      .Segment(0xE2, kOtherStream)
      .Segment(0xE2, test::FpxrStreamPayload(index, 0, Bytes(wave.begin() + static_cast<long>(firstPart), wave.end())));
}

// A JPEG whose clip (the wave) is split over two FPXR segments.
Bytes JpegWithClip(const Bytes &wave, size_t firstPart) {
  test::JpegBuilder b;
  AddClip(b.Soi().App0Jfif(), 4, wave, firstPart);
  return b.Dqt().Sos().ScanData(50).Eoi().Build();
}

class AudioClip : public ::testing::Test {
 protected:
  void Open(const Bytes &jpeg) {
    source_ = dir_.Write("photo.jpg", jpeg);
    ASSERT_TRUE(test::OpenJpegSegments(doc_, source_));
  }
  int App2Count() {
    int n = 0;
    for (MetaNode *s = doc_.root; s != nullptr; s = s->next) n += s->id == kMarkerApp2;
    return n;
  }
  void TearDown() override { ReleaseStream(doc_.stream); }
  test::TempDir dir_;
  std::string source_;
  ExifDocument doc_;
};

// A file may carry more than one clip: removal leaves none behind, so a
// clip set afterwards is the only one a reader finds.
TEST_F(AudioClip, WritesTheFirstClipSkippingAnotherStreamAndRemovesEveryClipButNothingElse) {
  const Bytes wave = test::FakeWave(300, 5);
  test::JpegBuilder b;
  b.Soi().App0Jfif();
  AddClip(b, 4, wave, 299);  // the last part carries a single byte
  AddClip(b, 6, test::FakeWave(200, 8), 100);
  Open(b.Dqt().Sos().ScanData(50).Eoi().Build());
  const std::string out = dir_.File("clip.wav");
  ASSERT_EQ(GetAudioFile(doc_, out.c_str()), 1);
  EXPECT_EQ(test::ReadFileBytes(out), wave);
  EXPECT_EQ(IsAudioExist(doc_), 1);
  EXPECT_EQ(doc_.audioSearched, 2);
  RemoveAudio(doc_);
  EXPECT_EQ(App2Count(), 2);  // the other stream's segments
  EXPECT_EQ(IsAudioExist(doc_), 0);
}

TEST_F(AudioClip, RefusesACutOrShortClipStartAndMakesNoFile) {
  // "FPXR", type 2 and "RIFF" at 41 but one byte short of the RIFF size.
  Bytes tooShort(kAudioPreambleSize + 7, 0);
  const Bytes riff = {'R', 'I', 'F', 'F', 1, 2, 3};
  std::copy(riff.begin(), riff.end(), tooShort.begin() + kAudioPreambleSize);
  const struct {
    const char *name;
    Bytes clipStart;
    int32_t exists;
  } rows[] = {
      {"a clip whose later part is missing", ClipStart(test::FakeWave(300, 5), 200), 1},
      {"a payload shorter than 49 bytes is never a clip start", tooShort, 0},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(row.name);
    test::JpegBuilder b;
    b.Soi().Segment(0xE2, test::FpxrStreamPayload(4, 0, row.clipStart)).Sos().Eoi();
    ExifDocument doc;
    ASSERT_TRUE(test::OpenJpegSegments(doc, dir_.Write("photo.jpg", b.Build())));
    const std::string out = dir_.File("clip.wav");
    EXPECT_EQ(GetAudioFile(doc, out.c_str()), 0);
    EXPECT_FALSE(test::FileExists(out));
    EXPECT_EQ(IsAudioExist(doc), row.exists);
    ReleaseStream(doc.stream);
  }
}

TEST_F(AudioClip, AnswersForASetSoundFileWithoutReadingTheImageFile) {
  Open(JpegWithClip(test::FakeWave(300), 200));
  const Bytes wave = test::FakeWave(150000, 9);
  const std::string sound = dir_.Write("new.wav", wave);
  EXPECT_EQ(SetAudioFile(doc_, dir_.Write("empty.wav", {}).c_str()), 0);
  EXPECT_EQ(SetAudioFile(doc_, dir_.File("missing.wav").c_str()), 0);
  EXPECT_EQ(App2Count(), 3);
  EXPECT_EQ(doc_.audioFileName, nullptr);

  ASSERT_EQ(SetAudioFile(doc_, sound.c_str()), 1);
  EXPECT_EQ(App2Count(), 1 + 3);  // the other stream plus chunks of 63900, 63900, 22200
  EXPECT_EQ(IsAudioExist(doc_), 1);
  const std::string out = dir_.File("copy.wav");
  ASSERT_EQ(GetAudioFile(doc_, out.c_str()), 1);
  EXPECT_EQ(test::ReadFileBytes(out), wave);
  RemoveAudio(doc_);
  EXPECT_EQ(App2Count(), 1);
  EXPECT_EQ(doc_.audioFileName, nullptr);
  EXPECT_EQ(IsAudioExist(doc_), 0);
}

TEST_F(AudioClip, KeepsAPayloadThatExistsOnlyInMemory) {
  Open(test::MakeJpegWithoutExif());
  SegmentNode *inserted = test::AppendSegment(doc_, doc_.root, kMarkerApp2, test::FpxrStreamPayload(1, 0, Bytes(60, 1)));
  EXPECT_EQ(IsAudioExist(doc_), 0);
  EXPECT_EQ(GetAudioFile(doc_, dir_.File("x.wav").c_str()), 0);
  ASSERT_NE(inserted->data, nullptr);
  EXPECT_EQ(inserted->payloadState, kPayloadInMemory);
}

// The only test of kExifIsAudioExist and kExifRemoveAudio through the C API.
TEST(AudioRoundTrip, ASetClipComesBackIdenticalAfterSaveAndLoad) {
  const test::Loaded doc(test::SamplePhotoJpeg());
  const Bytes wave = test::FakeWave(100000, 1);
  ASSERT_EQ(kExifSetAudioFile(doc.handle, doc.dir.Write("in.wav", wave).c_str()), 0);
  EXPECT_EQ(kExifIsAudioExist(doc.handle), 1);
  const test::Loaded again(test::SavedCopy(doc));
  EXPECT_EQ(kExifIsAudioExist(again.handle), 1);
  const std::string out = doc.dir.File("out.wav");
  ASSERT_EQ(kExifGetAudioFile(again.handle, out.c_str()), 0);
  EXPECT_EQ(test::ReadFileBytes(out), wave);
  EXPECT_EQ(kExifRemoveAudio(again.handle), 1);
  EXPECT_EQ(kExifIsAudioExist(again.handle), 0);
}

}  // namespace
}  // namespace kexif
