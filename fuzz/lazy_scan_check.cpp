#include "fuzz/lazy_scan_check.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "api/document_handle.h"
#include "api/load_document.h"
#include "fuzz/harness_support.h"
#include "fuzz/tag_answers.h"
#include "tests/support/jpeg_builder.h"
#include "tests/support/sample_photo.h"
#include "tests/support/tree_dump.h"

namespace kexif::fuzz {
namespace {

using test::Bytes;
using test::JpegBuilder;

constexpr uint32_t kTagImageDescription = 270;
constexpr uint32_t kTagDateTimeOriginal = 36867;

// Runs the same query on both documents and remembers the first step whose
// answers differ.
class Differ {
 public:
  Differ(KExifHandle eager, KExifHandle lazy) : eager_(eager), lazy_(lazy) {}

  template <typename Query>
  void Same(const char *step, Query query) {
    if (!difference_.empty()) return;
    if (!(query(eager_, "eager") == query(lazy_, "lazy"))) difference_ = step;
  }
  const std::string &difference() const { return difference_; }

 private:
  KExifHandle eager_;
  KExifHandle lazy_;
  std::string difference_;
};

std::pair<int32_t, std::vector<uint8_t>> Thumbnail(KExifHandle h) {
  ThumbnailData record{nullptr, 0};
  const int32_t result = kExifGetThumbnailData(h, &record);
  std::vector<uint8_t> bytes;
  if (result == 0 && record.data != nullptr && record.length > 0) bytes.assign(record.data, record.data + record.length);
  std::free(record.data);
  return {result, bytes};
}

std::pair<int32_t, std::vector<uint8_t>> WrittenFile(int32_t result, const std::string &path) {
  std::pair<int32_t, std::vector<uint8_t>> out{result, ReadFile(path)};
  RemoveFile(path);
  return out;
}

int32_t SetText(KExifHandle h, uint32_t tag, const char *text) {
  TagValue value{2, static_cast<int32_t>(std::strlen(text) + 1), const_cast<char *>(text)};
  return kExifSetTag(h, tag, &value, 0);
}

// The identifier of the first segment of marker in the whole file, as
// kExifRemoveMarker compares it (0 when it has none).
uint32_t FirstLabel(KExifHandle whole, int32_t marker) {
  const MetaNode *segment = ToDocument(whole)->FindSegment(marker);
  if (segment == nullptr || segment->label == nullptr) return 0;
  const auto *l = reinterpret_cast<const uint8_t *>(segment->label);
  return l[0] | l[1] << 8 | l[2] << 16 | static_cast<uint32_t>(l[3]) << 24;
}

void SoundFunctions(Differ &differ) {
  differ.Same("sound clip present", [](KExifHandle h, const char *) { return kExifIsAudioExist(h); });
  differ.Same("sound clip written", [](KExifHandle h, const char *side) {
    const std::string path = ScratchPath((std::string("lazy-clip-") + side + ".wav").c_str());
    return WrittenFile(kExifGetAudioFile(h, path.c_str()), path);
  });
}

void Edits(Differ &differ, uint8_t plan) {
  differ.Same("tag set", [](KExifHandle h, const char *) {
    return std::pair(SetText(h, kTagImageDescription, "lazy"), SetText(h, kTagDateTimeOriginal, "2026:12:06 23:00:00"));
  });
  if ((plan & kPlanThumbnail) != 0) {
    const Bytes small = test::MakeJpegWithoutExif(8);
    differ.Same("thumbnail set", [&small](KExifHandle h, const char *) {
      ThumbnailData record{const_cast<uint8_t *>(small.data()), static_cast<int32_t>(small.size())};
      return kExifSetThumbnailData(h, &record);
    });
  }
  differ.Same("answers after the edits", [](KExifHandle h, const char *) { return Snapshot(h); });
}

void SameTrees(Differ &differ) {
  differ.Same("tree", [](KExifHandle h, const char *) {
    ExifDocument &document = *ToDocument(h);
    const bool whole = document.CompleteScan();
    return std::pair(whole, test::DumpTree(document));
  });
}

struct Handle {
  explicit Handle(ExifDocument *document) : h(ToHandle(document)) {}
  ~Handle() { kExifDestroy(h); }
  Handle(const Handle &) = delete;
  Handle &operator=(const Handle &) = delete;
  KExifHandle h;
};

}  // namespace

std::string CompareLazyScan(const std::string &path, uint8_t plan) {
  const Handle eager(LoadDocument(path.c_str(), JpegScan::kWhole));
  const Handle lazy(LoadDocument(path.c_str(), JpegScan::kHead));
  if ((eager.h == nullptr) != (lazy.h == nullptr)) return "load";
  if (eager.h == nullptr) return "";
  Differ differ(eager.h, lazy.h);
  differ.Same("presence", [](KExifHandle h, const char *) {
    return std::vector<int32_t>{kExifGetFileFormat(h), kExifIsExifExist(h), kExifIsThumbnailExist(h)};
  });
  differ.Same("answers", [](KExifHandle h, const char *) { return Snapshot(h); });
  differ.Same("thumbnail", [](KExifHandle h, const char *) { return Thumbnail(h); });
  if ((plan & kPlanRemoveMarker) != 0) {
    const int32_t marker = kMarkerApp0 + (plan >> 4);
    const uint32_t identifier = FirstLabel(eager.h, marker);
    differ.Same("marker removed", [=](KExifHandle h, const char *) { return kExifRemoveMarker(h, marker, identifier); });
  }
  if ((plan & kPlanSoundFirst) != 0) SoundFunctions(differ);
  Edits(differ, plan);
  if ((plan & kPlanSoundFirst) == 0) SoundFunctions(differ);
  if ((plan & kPlanTreesBeforeSave) != 0) SameTrees(differ);
  differ.Same("saved file", [](KExifHandle h, const char *side) {
    const std::string target = ScratchPath((std::string("lazy-saved-") + side + ".jpg").c_str());
    return WrittenFile(kExifSaveFile(h, target.c_str()), target);
  });
  if ((plan & kPlanTreesBeforeSave) == 0) SameTrees(differ);
  return differ.difference();
}

std::vector<Seed> LazyScanCases() {
  const Bytes tiff = test::SampleTiffStructure(false, 300);
  const Bytes otherTiff = test::SampleTiffStructure(true, 100);
  const Bytes wave = test::FakeWave(90, 5);
  Bytes clipStart(28 + wave.size(), 0);  // the clip's 28-byte preamble, then the wave
  clipStart[0] = 0xFE;
  clipStart[1] = 0xFF;
  std::copy(wave.begin(), wave.end(), clipStart.begin() + 28);
  auto head = [&tiff] {
    JpegBuilder j;
    j.Soi().App1Exif(tiff).Dqt().Sof0().Dht().Sos().ScanData(200);
    return j;
  };
  JpegBuilder progressive = head();
  progressive.Dht().Sos().ScanData(100).Dqt().Segment(0xDD, {0, 8}).Sos().ScanData(50).Eoi();
  JpegBuilder betweenScans = head();
  betweenScans.Segment(0xE4, {'Q', 'T', 'A', 'B', 1, 2, 3}).Dht().Sos().ScanData(30).Eoi();
  JpegBuilder trailer = head();
  trailer.Eoi().Raw({'T', 'R', 0xFF, 0x00, 0xFF, 0xE3, 1, 2, 3});
  JpegBuilder clipAfter = head();
  clipAfter.Segment(0xE2, test::FpxrStreamPayload(1, 0, clipStart)).Eoi();
  JpegBuilder preview = head();
  preview.Eoi().Soi().App0Jfif().App1Exif(otherTiff).Dqt().Sof0().Sos().ScanData(40).Eoi();
  JpegBuilder noHeadApp0;
  noHeadApp0.Soi().Dqt().Sof0().Dht().Sos().ScanData(60).Eoi().Soi().App0Jfif().Sos().ScanData(9).Eoi();
  JpegBuilder badLengthAfter = head();
  badLengthAfter.SegmentWithLength(0xE5, 1, {}).ScanData(20).Eoi();
  JpegBuilder sosCut;
  sosCut.Soi().App1Exif(tiff).Dqt().Segment(0xDA, {1, 2});
  return {
      {"progressive-tables-between-scans", progressive.Build()},
      {"appn-between-scans", betweenScans.Build()},
      {"bytes-after-eoi", trailer.Build()},
      {"sound-clip-after-image-data", clipAfter.Build()},
      {"preview-with-exif-after-eoi", preview.Build()},
      {"app0-only-after-image-data", noHeadApp0.Build()},
      {"bad-segment-length-after-sos", badLengthAfter.Build()},
      {"file-ends-in-sos-header", sosCut.Build()},
      {"sample-photo", test::SamplePhotoJpeg(true, 3000)},
  };
}

}  // namespace kexif::fuzz
