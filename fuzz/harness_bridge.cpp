// Exif data carried from one file into another: the Exif segment of a JPEG
// and the Exif sub-directory of a TIFF file, read by the read-only family
// from the first file and handed to a document of the second, which is then
// saved and reloaded.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "api/document_handle.h"
#include "edit/tag_set.h"
#include "fuzz/edit_script.h"
#include "fuzz/harness.h"
#include "fuzz/harness_support.h"
#include "fuzz/tag_answers.h"
#include "fuzz/tree_check.h"
#include "model/exif_constants.h"

namespace kexif::fuzz {
namespace {

// Input: a flags byte, two bytes (little-endian) giving the length of the
// source file, the source file, the target file. The flags:
constexpr uint8_t kRemoveApp1First = 1;
constexpr uint8_t kInsertMarker = 2;
constexpr uint8_t kImportRecord = 4;
constexpr uint32_t kTagInteropPointer = 40965;

// The value each Exif-set entry of a record must read back as (the last of
// a tag wins); false when the record holds something a save may not keep
// (an unknown type, the Interoperability pointer).
struct Expected {
  uint32_t tag;
  Answer answer;
};
bool ExpectedValues(const TifExifData *record, std::vector<Expected> *out) {
  if (record == nullptr) return true;
  for (int32_t i = 0; i < record->count; ++i) {
    const TifExifEntry *entry = record->entries[i];
    if (IsExifDirectoryTag(entry->tag) == 0) continue;
    const size_t element = TypeElementSize(entry->type);
    if (element == 0 || entry->tag == kTagInteropPointer || entry->count > INT32_MAX) return false;
    Answer answer;
    answer.result = 0;
    answer.type = static_cast<int32_t>(entry->type);
    answer.count = static_cast<int32_t>(entry->count);
    const size_t n = static_cast<size_t>(entry->count) * element;
    if (n != 0) answer.bytes.assign(static_cast<uint8_t *>(entry->data), static_cast<uint8_t *>(entry->data) + n);
    bool replaced = false;
    for (Expected &e : *out) {
      if (e.tag == entry->tag) {
        e.answer = answer;
        replaced = true;
      }
    }
    if (!replaced) out->push_back({entry->tag, answer});
  }
  return true;
}

// What the source answers when it is loaded as a document itself, when that
// is meaningful: it loads and holds exactly one Exif segment.
bool SourceAnswers(const std::string &path, std::vector<Answer> *out) {
  KExifHandle source = kExifLoadFile(path.c_str());
  if (source == nullptr) return false;
  const bool single = kExifGetFileFormat(source) == KEXIF_FORMAT_JPEG && CountExifSegments(source) == 1;
  if (single) *out = Snapshot(source);
  kExifDestroy(source);
  return single;
}

}  // namespace

int FuzzBridge(const uint8_t *data, size_t size) {
  if (size < 3) return 0;
  const uint8_t flags = data[0];
  Span source{};
  Span target{};
  SplitTwoFiles(data + 1, size - 1, &source, &target);
  const std::string sourcePath = WriteScratch("bridge-source", source.data, source.size);
  const std::string targetPath = WriteScratch("bridge-target", target.data, target.size);
  HeapWatch heap;

  ExifMarkerData marker{nullptr, 0};
  TifExifData *record = nullptr;
  KRExifHandle reader = kRExifBeginRead(sourcePath.c_str());
  if (reader != nullptr) {
    if (kRExifGetExifMarker(reader, &marker) != 0) marker = ExifMarkerData{nullptr, 0};
    if (kRExifGetTIFExifData(reader, &record) != 0) record = nullptr;
    kRExifEndRead(reader);
  }
  Trace("flags %#x, source %zu bytes gave an Exif block of %d bytes and %s TIFF Exif record", flags, source.size,
        marker.length, record != nullptr ? "a" : "no");
  // The block and the record belong to this host until a call takes them.
  KExifHandle h = kExifLoadFile(targetPath.c_str());
  if (h == nullptr) {
    delete[] marker.data;
    FreeTifExifData(record);
    CheckHeapGrowth(heap, size);
    return 0;
  }
  const int32_t format = kExifGetFileFormat(h);
  bool comparable = true;
  std::vector<Answer> expectedSnapshot;
  bool markerCarried = false;
  if (format == KEXIF_FORMAT_JPEG && (flags & kRemoveApp1First) != 0) {
    const int32_t removed = kExifRemoveMarker(h, kMarkerApp1, 0);
    Trace("remove APP1 -> %d", removed);
    KEXIF_FUZZ_CHECK(removed == 0 || removed == -1);
    KEXIF_FUZZ_CHECK(kExifIsExifExist(h) == 0);
  }
  if (marker.data != nullptr && (flags & kInsertMarker) != 0) {
    const bool removedFirst = (flags & kRemoveApp1First) != 0;
    const int32_t inserted = kExifInsertExifMarker(h, &marker);
    Trace("insert the Exif block -> %d", inserted);
    if (inserted == 0) {
      KEXIF_FUZZ_CHECK(format == KEXIF_FORMAT_JPEG);
      // A block whose TIFF data does not parse within its own bytes is
      // saved as given, and a JPEG with a damaged Exif segment need not load
      // (the source may have loaded only because a load lets the last values
      // of an Exif segment reach into the bytes that follow it).
      const SegmentNode *segment = ToDocument(h)->exifSegment;
      const bool parsed = segment != nullptr && segment->firstChild != nullptr;
      if (!parsed) comparable = false;
      // With the target's own Exif data gone, the document now answers as
      // the source does.
      markerCarried = removedFirst && parsed && SourceAnswers(sourcePath, &expectedSnapshot);
      // The new segment goes ahead of an Exif segment that stays; a load
      // takes the last Exif segment, so the reloaded file answers from the
      // old one.
      if (CountExifSegments(h) > 1) comparable = false;
      if (markerCarried) KEXIF_FUZZ_CHECK(Snapshot(h) == expectedSnapshot);
    } else {
      KEXIF_FUZZ_CHECK(inserted == -1 && format != KEXIF_FORMAT_JPEG);
      delete[] marker.data;
    }
    marker.data = nullptr;
  }
  delete[] marker.data;

  std::vector<Expected> expected;
  if (record != nullptr && (flags & kImportRecord) != 0) {
    comparable = ExpectedValues(record, &expected);
    const int32_t entries = record->count;  // the call releases the record on success
    const int32_t imported = kExifSetTIFExifData(h, record);
    Trace("import the record of %d entries -> %d", entries, imported);
    if (imported == 0) {
      KEXIF_FUZZ_CHECK(format == KEXIF_FORMAT_TIFF);
      record = nullptr;  // released by the call
    } else {
      // A TIFF document without any directory has nowhere to put the
      // Exif sub-directory and refuses the record.
      KEXIF_FUZZ_CHECK(imported == -1 && (format != KEXIF_FORMAT_TIFF || CountDirectories(h) == 0));
      expected.clear();
    }
  }
  FreeTifExifData(record);
  if (comparable) {
    for (const Expected &e : expected) KEXIF_FUZZ_CHECK(Ask(h, e.tag) == e.answer);
  }

  const std::vector<Answer> before = Snapshot(h);
  const std::string saved = ScratchPath(format == KEXIF_FORMAT_JPEG ? "bridge-output.jpg" : "bridge-output.tif");
  RemoveFile(saved);
  const int32_t result = kExifSaveFile(h, saved.c_str());
  KEXIF_FUZZ_CHECK(result == 0 || result == -1);
  kExifDestroy(h);
  if (result == 0) {
    KExifHandle reloaded = kExifLoadFile(saved.c_str());
    Trace("saved %s; reload %s", comparable ? "comparable" : "not comparable", reloaded != nullptr ? "loads" : "fails");
    if (comparable) {
      KEXIF_FUZZ_CHECK(reloaded != nullptr);
      KEXIF_FUZZ_CHECK(Snapshot(reloaded) == before);
      for (const Expected &e : expected) KEXIF_FUZZ_CHECK(Ask(reloaded, e.tag) == e.answer);
      if (markerCarried) KEXIF_FUZZ_CHECK(Snapshot(reloaded) == expectedSnapshot);
    }
    if (reloaded != nullptr) kExifDestroy(reloaded);
  }
  RemoveFile(saved);
  CheckHeapGrowth(heap, size);
  return 0;
}

}  // namespace kexif::fuzz
