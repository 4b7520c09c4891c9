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

// A JPEG with the given APP2 payloads before its scan.
Bytes WithApp2(const std::vector<Bytes> &payloads) {
  JpegBuilder b;
  b.Soi();
  for (const Bytes &p : payloads) b.Segment(0xE2, p);
  return b.Sos().Eoi().Build();
}

const Bytes kContentsList = {'F', 'P', 'X', 'R', 0, 0, 1, 0, 2, 0, 0, 0, 0, 'l', 'i', 's', 't'};

TEST(ReaderAudio, WritesTheWholeClipOfIndexAndLengthTheClipStartGivesOrNoFile) {
  const Bytes wave = FakeWave(300, 9);
  const Bytes small = FakeWave(64);
  const Bytes mid = FakeWave(120);
  // 13 + 28 + "RIFF" + 3 size bytes = 48 bytes: the size field is cut.
  const Bytes cutSize = ClipStart(1, {'R', 'I', 'F', 'F', 1, 0, 0});
  const Bytes longClip = WithApp2({ClipStart(1, FakeWave(400))});
  const struct {
    const char *name;
    Bytes file;
    int32_t exists;
    Bytes wave;  // empty: refused and no file written
  } rows[] = {
      {"a clip spread over segments between other streams and contents lists",
       WithApp2({kContentsList, ClipStart(1, Slice(wave, 0, 100)), FpxrStreamPayload(7, 0, Bytes(30, 0xEE)),
                 FpxrStreamPayload(1, 100, Slice(wave, 100, 200)), kContentsList,
                 FpxrStreamPayload(1, 200, Slice(wave, 200, 300))}),
       1, wave},
      {"a clip in one segment, written from offset 41; later parts are not added",
       WithApp2({ClipStart(3, small), FpxrStreamPayload(3, 64, Bytes(20, 1))}), 1, small},
      {"a continuation of 12 bytes adds nothing",
       WithApp2({ClipStart(1, Slice(mid, 0, 60)), {'F', 'P', 'X', 'R', 0, 0, 2, 0, 1, 0, 0, 0},
                 FpxrStreamPayload(1, 60, Slice(mid, 60, 120))}),
       1, mid},
      {"a second clip start while writing is passed over",
       WithApp2({ClipStart(1, Slice(wave, 0, 100)), ClipStart(1, small), FpxrStreamPayload(1, 100, Slice(wave, 100, 300))}),
       1, wave},
      {"a clip whose last part is missing", WithApp2({ClipStart(1, Slice(wave, 0, 100)),
                                                       FpxrStreamPayload(1, 100, Slice(wave, 100, 200))}),
       1, {}},
      {"a clip of its header only", WithApp2({ClipStart(1, {'R', 'I', 'F', 'F', 0, 0, 0, 0})}), 1,
       {'R', 'I', 'F', 'F', 0, 0, 0, 0}},
      {"only another kind of FPXR data", WithApp2({kContentsList, FpxrStreamPayload(1, 0, Bytes(40, 2))}), 0, {}},
      {"no APP2 at all", MakeJpegWithoutExif(), 0, {}},
      {"a clip start cut inside the RIFF size", WithApp2({cutSize}), 0, {}},
      // The clip start is seen but its segment cannot be read wholly.
      {"a file cut inside the clip start", Bytes(longClip.begin(), longClip.end() - 300), 1, {}},
  };
  TempDir dir;
  for (const auto &row : rows) {
    SCOPED_TRACE(row.name);
    Reader r = OpenBytes(dir, row.file);
    ASSERT_NE(r.get(), nullptr);
    const std::string out = dir.File("clip.wav");
    const std::string wide = dir.File("w\xC3\xA4ve.wav");
    EXPECT_EQ(kRExifGetAudioFile(r.get(), out.c_str()), row.wave.empty() ? -1 : 0);
    EXPECT_EQ(kRExifGetAudioFile(r.get(), Utf16(wide).c_str()), row.wave.empty() ? -1 : 0);
    EXPECT_EQ(kRExifIsAudioExist(r.get()), row.exists);
    EXPECT_EQ(FileExists(out), !row.wave.empty());
    if (row.wave.empty()) continue;
    EXPECT_EQ(ReadFileBytes(out), row.wave);
    EXPECT_EQ(ReadFileBytes(wide), row.wave);
    std::remove(out.c_str());
    std::remove(wide.c_str());
  }
}

}  // namespace
}  // namespace kexif::test
