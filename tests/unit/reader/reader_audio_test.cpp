#include <gtest/gtest.h>

#include <algorithm>

#include "tests/unit/reader/reader_fixture.h"

namespace kexif::test {
namespace {

// A first segment of a clip: stream header, 28-byte preamble, wave bytes.
Bytes ClipStart(uint16_t index, const Bytes &waveHead) {
  Bytes data(28 + waveHead.size(), 0);
  data[0] = 0xFE;
  data[1] = 0xFF;
  std::copy(waveHead.begin(), waveHead.end(), data.begin() + 28);
  return FpxrStreamPayload(index, 0, data);
}

Bytes Slice(const Bytes &b, size_t from, size_t to) { return Bytes(b.begin() + from, b.begin() + to); }

Bytes ContentsList() { return {'F', 'P', 'X', 'R', 0, 0, 1, 0, 2, 0, 0, 0, 0, 'l', 'i', 's', 't'}; }

TEST(ReaderAudio, WritesAClipSpreadOverSeveralSegments) {
  TempDir dir;
  const Bytes wave = FakeWave(300, 9);
  JpegBuilder b;
  b.Soi()
      .Segment(0xE2, ContentsList())
      .Segment(0xE2, ClipStart(1, Slice(wave, 0, 100)))
      .Segment(0xE2, FpxrStreamPayload(7, 0, Bytes(30, 0xEE)))  // another stream
      .Segment(0xE2, FpxrStreamPayload(1, 100, Slice(wave, 100, 200)))
      .Segment(0xE2, ContentsList())
      .Segment(0xE2, FpxrStreamPayload(1, 200, Slice(wave, 200, 300)))
      .Sos()
      .Eoi();
  Reader r = OpenBytes(dir, b.Build());
  EXPECT_EQ(kRExifIsAudioExist(r.get()), 1);
  const std::string out = dir.File("clip.wav");
  ASSERT_EQ(kRExifGetAudioFile(r.get(), out.c_str()), 0);
  EXPECT_EQ(ReadFileBytes(out), wave);
}

TEST(ReaderAudio, AClipInOneSegmentIsWrittenFromOffset41AndAudioIsThenKnown) {
  TempDir dir;
  const Bytes wave = FakeWave(64);
  JpegBuilder b;
  b.Soi().Segment(0xE2, ClipStart(3, wave)).Segment(0xE2, FpxrStreamPayload(3, 64, Bytes(20, 1))).Sos().Eoi();
  Reader r = OpenBytes(dir, b.Build());
  const std::u16string out = Utf16(dir.File("w\xC3\xA4ve.wav"));
  ASSERT_EQ(kRExifGetAudioFile(r.get(), out.c_str()), 0);
  EXPECT_EQ(ReadFileBytes(dir.File("w\xC3\xA4ve.wav")), wave);
  EXPECT_EQ(kRExifIsAudioExist(r.get()), 1);
}

TEST(ReaderAudio, NoWholeClipMeansNoOutputFile) {
  TempDir dir;
  JpegBuilder other;
  other.Soi().Segment(0xE2, ContentsList()).Segment(0xE2, FpxrStreamPayload(1, 0, Bytes(40, 2))).Sos().Eoi();
  // 13 + 28 + "RIFF" + 3 size bytes = 48 bytes: the size field is cut.
  const Bytes cut = ClipStart(1, {'R', 'I', 'F', 'F', 1, 0, 0});
  ASSERT_EQ(cut.size(), 48u);
  JpegBuilder noSize;
  noSize.Soi().Segment(0xE2, cut).Sos().Eoi();
  JpegBuilder truncated;
  truncated.Soi().Segment(0xE2, ClipStart(1, FakeWave(400)));
  const Bytes shortFile(truncated.Build().begin(), truncated.Build().end() - 300);
  const Bytes files[] = {other.Build(), MakeJpegWithoutExif(), noSize.Build(), shortFile};
  for (size_t i = 0; i < std::size(files); ++i) {
    Reader r = OpenBytes(dir, files[i]);
    ASSERT_NE(r.get(), nullptr);
    const std::string out = dir.File("none.wav");
    if (files[i] != shortFile) {
      EXPECT_EQ(kRExifIsAudioExist(r.get()), 0) << i;  // the cut file's clip start is seen
    }
    EXPECT_EQ(kRExifGetAudioFile(r.get(), out.c_str()), -1) << i;
    EXPECT_FALSE(FileExists(out)) << i;
  }
  JpegBuilder whole;
  whole.Soi().Segment(0xE2, ClipStart(1, {'R', 'I', 'F', 'F', 0, 0, 0, 0})).Sos().Eoi();
  EXPECT_EQ(kRExifIsAudioExist(OpenBytes(dir, whole.Build(), "whole.jpg").get()), 1);
}

TEST(ReaderAudio, ShortContinuationsAddNothing) {
  TempDir dir;
  const Bytes wave = FakeWave(120);
  JpegBuilder b;
  b.Soi()
      .Segment(0xE2, ClipStart(1, Slice(wave, 0, 60)))
      .Segment(0xE2, {'F', 'P', 'X', 'R', 0, 0, 2, 0, 1, 0, 0, 0})  // 12 bytes, index 1
      .Segment(0xE2, FpxrStreamPayload(1, 60, Slice(wave, 60, 120)))
      .Sos()
      .Eoi();
  Reader r = OpenBytes(dir, b.Build());
  const std::string out = dir.File("clip.wav");
  ASSERT_EQ(kRExifGetAudioFile(r.get(), out.c_str()), 0);
  EXPECT_EQ(ReadFileBytes(out), wave);
}

TEST(ReaderAudio, ASecondClipStartWhileWritingIsPassedOver) {
  TempDir dir;
  const Bytes first = FakeWave(200, 1);
  const Bytes other = FakeWave(50, 2);
  JpegBuilder b;
  b.Soi()
      .Segment(0xE2, ClipStart(1, Slice(first, 0, 100)))
      .Segment(0xE2, ClipStart(1, other))
      .Segment(0xE2, FpxrStreamPayload(1, 100, Slice(first, 100, 200)))
      .Sos()
      .Eoi();
  Reader r = OpenBytes(dir, b.Build());
  const std::string out = dir.File("clip.wav");
  ASSERT_EQ(kRExifGetAudioFile(r.get(), out.c_str()), 0);
  EXPECT_EQ(ReadFileBytes(out), first);
}

TEST(ReaderAudio, AnOutputFileThatCannotBeCreatedGivesMinusOne) {
  TempDir dir;
  JpegBuilder b;
  b.Soi().Segment(0xE2, ClipStart(1, FakeWave(30))).Sos().Eoi();
  Reader r = OpenBytes(dir, b.Build());
  EXPECT_EQ(kRExifGetAudioFile(r.get(), dir.File("no/such/folder.wav").c_str()), -1);
}

}  // namespace
}  // namespace kexif::test
