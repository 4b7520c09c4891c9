#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "api/load_document.h"
#include "fuzz/lazy_scan_check.h"
#include "parse/fpxr_layout.h"
#include "tests/support/jpeg_builder.h"
#include "tests/support/loaded_document.h"
#include "tests/support/tiff_builder.h"

namespace kexif::test {
namespace {

// Plans that complete the lazy scan at each kind of operation: the save
// (after the edits), the sound-clip functions, the marker removals (APP0,
// APP2, APP3, APP4, APP5), the tree comparison, and a thumbnail set first.
constexpr uint8_t kPlans[] = {0,
                              fuzz::kPlanSoundFirst,
                              fuzz::kPlanRemoveMarker,
                              fuzz::kPlanRemoveMarker | 0x20,
                              fuzz::kPlanRemoveMarker | 0x30,
                              fuzz::kPlanRemoveMarker | 0x40,
                              fuzz::kPlanRemoveMarker | 0x50 | fuzz::kPlanSoundFirst,
                              fuzz::kPlanTreesBeforeSave,
                              fuzz::kPlanThumbnail | fuzz::kPlanTreesBeforeSave};

TEST(LazyLoad, AnswersEditsAndSavesAsTheWholeLoadOnLayoutsThatMustComplete) {
  TempDir dir;
  for (const fuzz::Seed &input : fuzz::LazyScanCases()) {
    const std::string path = dir.Write(input.name + ".jpg", input.bytes);
    for (const uint8_t plan : kPlans) {
      EXPECT_EQ(fuzz::CompareLazyScan(path, plan), "") << input.name << " plan " << int{plan};
    }
  }
}

// The photo's Exif segment, its image data, then an appended preview image
// with an Exif segment of its own, and an APP3 segment found only there.
Bytes PhotoWithPreview(size_t scanBytes = 500) {
  JpegBuilder j;
  j.Soi().App1Exif(TiffMadeBy("Photo")).Dqt().Sof0().Dht().Sos().ScanData(scanBytes).Eoi();
  j.Soi().App1Exif(TiffMadeBy("Preview")).Segment(0xE3, {'M', 'E', 'T', 'A', 9}).Sos().ScanData(80).Eoi();
  return j.Build();
}

bool Contains(const Bytes &haystack, const Bytes &needle) {
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

// What the save of an unedited document makes of the file when the load
// scans it whole.
Bytes SavedByWholeLoad(const Bytes &file) {
  TempDir dir;
  KExifHandle h = ToHandle(LoadDocument(dir.Write("whole.jpg", file).c_str(), JpegScan::kWhole));
  const std::string saved = dir.File("saved.jpg");
  const int32_t result = kExifSaveFile(h, saved.c_str());
  kExifDestroy(h);
  return result == 0 ? ReadFileBytes(saved) : Bytes{};
}

TEST(LazyLoad, TheExifSegmentInFrontOfTheImageDataSpeaksForThePhoto) {
  Loaded photo(PhotoWithPreview());
  ASSERT_NE(photo.handle, nullptr);
  EXPECT_EQ(TextOf(photo.handle, 271), "Photo");
  // The APP3 segment lies only after the image data.
  ASSERT_EQ(kExifRemoveMarker(photo.handle, 0xE3, 'M' | 'E' << 8 | 'T' << 16 | 'A' << 24), 0);
  Loaded reloaded(SavedCopy(photo));
  EXPECT_EQ(TextOf(reloaded.handle, 271), "Photo");
  const Bytes written = ReadFileBytes(reloaded.path);
  EXPECT_FALSE(Contains(written, {0xFF, 0xE3, 0, 7, 'M', 'E', 'T', 'A', 9}));
  EXPECT_TRUE(Contains(written, ExifPayload(TiffMadeBy("Preview"))));
}

TEST(LazyLoad, AFileCutAfterTheLoadFailsTheOperationsThatNeedItsRestAndKeepsTheDocument) {
  // Scan data well past what the load reads, cut in its middle.
  const Bytes original = PhotoWithPreview(300000);
  Loaded photo(original);
  ASSERT_NE(photo.handle, nullptr);
  photo.dir.Write("a.jpg", Bytes(original.begin(), original.begin() + 150000));
  const std::string saved = photo.dir.File("saved.jpg");
  EXPECT_EQ(kExifSaveFile(photo.handle, saved.c_str()), -1);
  EXPECT_FALSE(FileExists(saved));
  EXPECT_EQ(kExifRemoveMarker(photo.handle, 0xE3, 0), -1);
  EXPECT_EQ(kExifIsAudioExist(photo.handle), 0);
  EXPECT_EQ(kExifSetAudioFile(photo.handle, photo.dir.Write("sound.wav", FakeWave(200)).c_str()), -1);
  EXPECT_EQ(TextOf(photo.handle, 271), "Photo");
  // Once the file is back, the document saves what a whole load would.
  photo.dir.Write("a.jpg", original);
  ASSERT_EQ(kExifSaveFile(photo.handle, saved.c_str()), 0);
  EXPECT_EQ(ReadFileBytes(saved), SavedByWholeLoad(original));
}

// The clip of an appended preview is the file's clip: reading it completes
// the scan first.
TEST(LazyLoad, TheSoundClipBehindTheImageDataIsRead) {
  const Bytes wave = FakeWave(300, 5);
  Bytes clip(kAudioPreambleSize + wave.size());
  std::memcpy(clip.data(), kAudioStreamPreamble, kAudioPreambleSize);
  std::memcpy(clip.data() + kAudioPreambleSize, wave.data(), wave.size());
  JpegBuilder j;
  j.Soi().App1Exif(TiffMadeBy("Photo")).Dqt().Sof0().Dht().Sos().ScanData(500).Eoi();
  j.Soi().Segment(0xE2, FpxrStreamPayload(kAudioStreamIndex, 0, clip)).Sos().ScanData(80).Eoi();
  Loaded photo(j.Build());
  const std::string out = photo.dir.File("clip.wav");
  ASSERT_EQ(kExifGetAudioFile(photo.handle, out.c_str()), 0);
  EXPECT_EQ(ReadFileBytes(out), wave);
}

TEST(LazyLoad, ASegmentLengthBelowTwoAfterTheImageDataIsKeptAsImageBytes) {
  JpegBuilder j;
  j.Soi().App1Exif(TiffMadeBy("Cam")).Dqt().Sof0().Sos().ScanData(40).SegmentWithLength(0xE5, 1, {}).ScanData(9).Eoi();
  Loaded photo(j.Build());
  const Bytes written = ReadFileBytes(SavedCopy(photo));
  EXPECT_TRUE(Contains(written, {0xFF, 0xE5, 0, 1}));
  EXPECT_EQ(written, SavedByWholeLoad(j.Build()));
}

}  // namespace
}  // namespace kexif::test
