// The editing family end to end on any bytes: load, a short run of edits
// that the input's trailing script chooses, checks of the document after
// every edit.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz/edit_script.h"
#include "fuzz/harness.h"
#include "fuzz/harness_support.h"
#include "fuzz/tag_answers.h"
#include "fuzz/tree_check.h"

namespace kexif::fuzz {
namespace {

bool strictChecks = false;

// Tags outside the Exif sub-directory set, addressed by directory number.
// Those below 254 collide with structural node ids or GPS and
// Interoperability tags, and the pointer and thumbnail tags hold offsets:
// editing them is allowed but makes the value checks meaningless.
constexpr uint32_t kPlainTags[] = {270, 271, 272, 282, 283, 296, 305, 306, 315, 33432, 0x9000, 0xFFFF,
                                   0, 1, 2, 3, 5, 60, 513, 514, 34665, 34853, 0x10000};
constexpr size_t kFirstHazardousPlainTag = 12;
// Members of the Exif sub-directory set.
constexpr uint32_t kExifTags[] = {274, 33434, 33437, 34855, 36864, 36867, 37121, 37386, 37500, 37510,
                                  40961, 40962, 40963, 41728, 42016, 40965};
constexpr size_t kFirstHazardousExifTag = 15;
constexpr int32_t kDirectories[] = {0, 1, 2, 5, -1};
constexpr size_t kMaxEdits = 24;
constexpr size_t kOperationCount = 10;
constexpr int32_t kRemovableMarkers[] = {0xE1, 0xE2, 0xE0, 0xED, 0xDB, 0xC4, 0xFE, 0xD8};
constexpr uint32_t kIdentifiers[] = {0, 0x66697845 /* "Exif" */, 0x52585046 /* "FPXR" */, 0x4649464A /* "JFIF" */,
                                     0x70747468 /* "http" */};

bool Matches(const Answer &answer, const TagValue &value) {
  const size_t n = static_cast<size_t>(value.count) * TypeElementSize(static_cast<uint32_t>(value.type));
  return answer.result == 0 && answer.type == value.type && answer.count == value.count && answer.bytes.size() == n &&
         (n == 0 || std::memcmp(answer.bytes.data(), value.data, n) == 0);
}

// The edits so far and whether the document's values are still meaningful
// to compare (no offset, pointer or structural tag was overwritten).
struct EditState {
  bool valuesComparable = true;
  size_t edits = 0;
  // The sound clip the saved file must carry: unknown (0), none (1), or the
  // bytes of the last clip set (2).
  int audio = 0;
  std::vector<uint8_t> clip;
  std::string clipPath;  // must outlive the save, which reads it
  size_t bytesAdded = 0;  // value and clip bytes handed to the document
  // The thumbnail the saved file must carry: unknown (0) or these bytes (2).
  int thumbnail = 0;
  std::vector<uint8_t> thumbnailBytes;
};

void SetAudio(KExifHandle h, ScriptReader &script, EditState &state) {
  // A well-formed RIFF WAVE file: its size field matches its length.
  const size_t size = 12 + static_cast<size_t>(script.U16() % 3000);
  std::vector<uint8_t> wave = script.Bytes(size);
  const uint32_t riffSize = static_cast<uint32_t>(size - 8);
  const uint8_t head[12] = {'R', 'I', 'F', 'F', static_cast<uint8_t>(riffSize), static_cast<uint8_t>(riffSize >> 8),
                            static_cast<uint8_t>(riffSize >> 16), static_cast<uint8_t>(riffSize >> 24),
                            'W', 'A', 'V', 'E'};
  std::memcpy(wave.data(), head, sizeof(head));
  state.clipPath = WriteScratch("edit-clip.wav", wave.data(), wave.size());
  state.bytesAdded += wave.size();
  const int32_t result = kExifSetAudioFile(h, state.clipPath.c_str());
  Trace("set audio of %zu bytes -> %d", wave.size(), result);
  KEXIF_FUZZ_CHECK(result == 0 || result == -1);
  if (result == 0) {
    state.audio = 2;
    state.clip = std::move(wave);
  } else {
    state.audio = 0;
  }
}

void RemoveAudio(KExifHandle h, EditState &state) {
  Trace("remove audio");
  KEXIF_FUZZ_CHECK(kExifRemoveAudio(h) == 1);
  // A clip set before and not yet saved lives in the tree as added segments.
  state.audio = state.audio == 2 ? 0 : 1;
}

void SetTag(KExifHandle h, ScriptReader &script, bool member, EditState &state) {
  const size_t pick = member ? script.Choose(std::size(kExifTags)) : script.Choose(std::size(kPlainTags));
  const uint32_t tag = member ? kExifTags[pick] : kPlainTags[pick];
  const int32_t directory = member ? 0 : kDirectories[script.Choose(std::size(kDirectories))];
  const ScriptedValue scripted = ReadValue(script);
  const bool knownType = TypeElementSize(static_cast<uint32_t>(scripted.value.type)) != 0;
  const bool hazardous = member ? pick >= kFirstHazardousExifTag : pick >= kFirstHazardousPlainTag;
  if (hazardous || !knownType) state.valuesComparable = false;
  state.bytesAdded += scripted.bytes.size();
  const int32_t result = kExifSetTag(h, tag, &scripted.value, directory);
  Trace("set tag %u type %d count %d directory %d -> %d", tag, scripted.value.type, scripted.value.count, directory,
        result);
  KEXIF_FUZZ_CHECK(result == 0 || result == -1);
  // On a well-formed file a tag set through directory 0 (or the Exif
  // sub-directory) reads back as it was given.
  if (strictChecks && result == 0 && knownType && !hazardous && directory == 0) {
    KEXIF_FUZZ_CHECK(Matches(Ask(h, tag, 0), scripted.value));
  }
}

void DeleteTag(KExifHandle h, ScriptReader &script, EditState &state) {
  const size_t all = std::size(kPlainTags) + std::size(kExifTags);
  const size_t pick = script.Choose(all);
  const uint32_t tag = pick < std::size(kPlainTags) ? kPlainTags[pick] : kExifTags[pick - std::size(kPlainTags)];
  const int32_t directory = kDirectories[script.Choose(std::size(kDirectories))];
  const int32_t result = kExifDelTag(h, tag, directory);
  Trace("delete tag %u directory %d -> %d", tag, directory, result);
  KEXIF_FUZZ_CHECK(result == 0 || result == -1);
  // Without its offset or length entry a thumbnail set before cannot be
  // found in the saved file.
  if (result == 0 && (tag == 513 || tag == 514)) state.thumbnail = 0;
}

// Queries that load payloads into the tree between edits.
void QueryPayloads(KExifHandle h) {
  const int32_t audio = kExifIsAudioExist(h);
  KEXIF_FUZZ_CHECK(audio == 0 || audio == 1);
  ThumbnailData thumbnail{nullptr, -1};
  if (kExifGetThumbnailData(h, &thumbnail) == 0) {
    KEXIF_FUZZ_CHECK(thumbnail.length >= 0);
    TouchBytes(thumbnail.data, static_cast<size_t>(thumbnail.length));
    std::free(thumbnail.data);
  }
}

// The thumbnail the document serves now, or an empty vector for none.
std::vector<uint8_t> CurrentThumbnail(KExifHandle h, bool *present) {
  ThumbnailData thumbnail{nullptr, -1};
  *present = kExifGetThumbnailData(h, &thumbnail) == 0;
  std::vector<uint8_t> bytes;
  if (*present && thumbnail.length > 0) bytes.assign(thumbnail.data, thumbnail.data + thumbnail.length);
  if (*present) std::free(thumbnail.data);
  return bytes;
}

void SetThumbnail(KExifHandle h, ScriptReader &script, EditState &state) {
  const size_t size = 4 + static_cast<size_t>(script.U16() % 4000);
  std::vector<uint8_t> bytes = ReadJpegStream(script, size);
  state.bytesAdded += bytes.size();
  ThumbnailData thumbnail{bytes.data(), static_cast<int32_t>(bytes.size())};
  const int32_t result = kExifSetThumbnailData(h, &thumbnail);
  Trace("set thumbnail of %zu bytes -> %d", bytes.size(), result);
  KEXIF_FUZZ_CHECK(result == 0 || result == -1);
  if (result != 0) return;
  if (strictChecks) {
    bool present = false;
    KEXIF_FUZZ_CHECK(CurrentThumbnail(h, &present) == bytes && present);
  }
  state.thumbnail = 2;
  state.thumbnailBytes = std::move(bytes);
}

void RemoveMarker(KExifHandle h, ScriptReader &script, EditState &state) {
  const int32_t marker = kRemovableMarkers[script.Choose(std::size(kRemovableMarkers))];
  const uint32_t identifier = kIdentifiers[script.Choose(std::size(kIdentifiers))];
  const int32_t result = kExifRemoveMarker(h, marker, identifier);
  Trace("remove marker %#x identifier %#x -> %d", static_cast<unsigned>(marker), identifier, result);
  KEXIF_FUZZ_CHECK(result == 0 || result == -1);
  if (result != 0) return;
  // Without SOI the saved file is no JPEG; APP1 carries the thumbnail and
  // APP2 the clip.
  if (marker == 0xD8) state.valuesComparable = false;
  if (marker == 0xE1) {
    KEXIF_FUZZ_CHECK(kExifIsExifExist(h) == 0 && kExifIsThumbnailExist(h) == 0);
    state.thumbnail = 0;
  }
  if (marker == 0xE2) state.audio = 0;
}

// An Exif block for kExifInsertExifMarker: a small well-formed TIFF
// structure with one scripted entry in directory 0, or raw script bytes.
void InsertExifMarker(KExifHandle h, ScriptReader &script, EditState &state) {
  const bool raw = script.Choose(4) == 0;
  std::vector<uint8_t> block = {'E', 'x', 'i', 'f', 0, 0};
  if (raw) {
    const std::vector<uint8_t> bytes = script.Bytes(script.Choose(64));
    block.insert(block.end(), bytes.begin(), bytes.end());
    // What a damaged block holds is saved as given and need not load again.
    state.valuesComparable = false;
  } else {
    const uint16_t tag = static_cast<uint16_t>(kPlainTags[script.Choose(kFirstHazardousPlainTag)]);
    const uint8_t value[4] = {script.Byte(), script.Byte(), script.Byte(), script.Byte()};
    const uint8_t tiff[] = {'I', 'I', 42, 0, 8, 0, 0, 0,                             // header
                            1, 0,                                                    // one entry
                            static_cast<uint8_t>(tag), static_cast<uint8_t>(tag >> 8), 7, 0, 4, 0, 0, 0,
                            value[0], value[1], value[2], value[3],                  // UNDEFINED x 4
                            0, 0, 0, 0};                                             // no next
    block.insert(block.end(), tiff, tiff + sizeof(tiff));
  }
  state.bytesAdded += block.size();
  ExifMarkerData marker{new uint8_t[block.size()], static_cast<int32_t>(block.size())};
  std::memcpy(marker.data, block.data(), block.size());
  const int32_t result = kExifInsertExifMarker(h, &marker);
  Trace("insert %s Exif marker of %zu bytes -> %d", raw ? "raw" : "well-formed", block.size(), result);
  KEXIF_FUZZ_CHECK(result == 0 || result == -1);
  if (result != 0) {
    delete[] marker.data;  // refused: still the caller's
    return;
  }
  state.thumbnail = 0;
  // The new segment goes ahead of an Exif segment that stays; a load takes
  // the last Exif segment, so the reloaded file answers from the old one.
  if (CountExifSegments(h) > 1) state.valuesComparable = false;
}

// A TIFF Exif record made of malloc blocks, as the reader hands them out.
void ImportTifExifData(KExifHandle h, ScriptReader &script, EditState &state) {
  const int32_t count = static_cast<int32_t>(script.Choose(5));
  auto *record = static_cast<TifExifData *>(std::calloc(1, sizeof(TifExifData)));
  KEXIF_FUZZ_CHECK(record != nullptr);
  record->count = count;
  record->entries = count == 0 ? nullptr : static_cast<TifExifEntry **>(std::calloc(static_cast<size_t>(count), sizeof(TifExifEntry *)));
  for (int32_t i = 0; i < count; ++i) {
    const size_t pick = script.Choose(std::size(kExifTags));
    const ScriptedValue scripted = ReadValue(script);
    if (pick >= kFirstHazardousExifTag || TypeElementSize(static_cast<uint32_t>(scripted.value.type)) == 0) {
      state.valuesComparable = false;
    }
    auto *entry = static_cast<TifExifEntry *>(std::calloc(1, sizeof(TifExifEntry)));
    KEXIF_FUZZ_CHECK(entry != nullptr);
    entry->tag = kExifTags[pick];
    entry->type = static_cast<uint32_t>(scripted.value.type);
    entry->count = static_cast<uint32_t>(scripted.value.count);
    // The reader gives the 1-byte types one byte more for a NUL.
    const size_t extra = TypeElementSize(entry->type) == 1 ? 1 : 0;
    if (!scripted.bytes.empty() || extra != 0) {
      entry->data = std::calloc(1, scripted.bytes.size() + extra);
      KEXIF_FUZZ_CHECK(entry->data != nullptr);
      if (!scripted.bytes.empty()) std::memcpy(entry->data, scripted.bytes.data(), scripted.bytes.size());
    }
    state.bytesAdded += scripted.bytes.size();
    record->entries[i] = entry;
  }
  const int32_t result = kExifSetTIFExifData(h, record);
  Trace("import TIFF Exif data of %d entries -> %d", count, result);
  KEXIF_FUZZ_CHECK(result == 0 || result == -1);
  if (result != 0) FreeTifExifData(record);  // refused: still the caller's
}

void RunEdits(KExifHandle h, ScriptReader &script, size_t mismatchesAtLoad, EditState &state) {
  while (!script.Done() && state.edits < kMaxEdits) {
    ++state.edits;
    switch (script.Choose(kOperationCount)) {
      case 0: SetTag(h, script, false, state); break;
      case 1: SetTag(h, script, true, state); break;
      case 2: DeleteTag(h, script, state); break;
      case 3: SetAudio(h, script, state); break;
      case 4: RemoveAudio(h, state); break;
      case 5: SetThumbnail(h, script, state); break;
      case 6: RemoveMarker(h, script, state); break;
      case 7: InsertExifMarker(h, script, state); break;
      case 8: ImportTifExifData(h, script, state); break;
      default: Trace("query payloads"); QueryPayloads(h); break;
    }
    // Edits keep every entry count equal to the entries.
    KEXIF_FUZZ_CHECK(CountMismatchedEntryCounts(h) <= mismatchesAtLoad);
  }
}

// The saved file loads, keeps its format, answers every query as the edited
// document did, has consistent entry counts and carries the expected clip.
void CheckSavedFile(const std::string &saved, int32_t format, const std::vector<Answer> &before,
                    size_t mismatchesBeforeSave, const EditState &state, size_t inputSize) {
  // Whatever the edits, the output stays within a small multiple of what
  // went in: the input, the values set and the clips.
  const long long savedSize = FileSize(saved);
  KEXIF_FUZZ_CHECK(savedSize >= 0);
  KEXIF_FUZZ_CHECK(static_cast<size_t>(savedSize) <= 2 * inputSize + 2 * state.bytesAdded + 65536);
  KExifHandle reloaded = kExifLoadFile(saved.c_str());
  if (!state.valuesComparable) {
    if (reloaded != nullptr) kExifDestroy(reloaded);
    return;
  }
  KEXIF_FUZZ_CHECK(reloaded != nullptr);
  KEXIF_FUZZ_CHECK(kExifGetFileFormat(reloaded) == format);
  KEXIF_FUZZ_CHECK(CountMismatchedEntryCounts(reloaded) <= mismatchesBeforeSave);
  const std::vector<Answer> after = Snapshot(reloaded);
  for (size_t i = 0; i < before.size(); ++i) {
    if (before[i] == after[i]) continue;
    std::fprintf(stderr, "answer %zu changed by the save: %d/%d/%d -> %d/%d/%d\n", i, before[i].result,
                 before[i].type, before[i].count, after[i].result, after[i].type, after[i].count);
    KEXIF_FUZZ_CHECK(before[i] == after[i]);
  }
  if (format == KEXIF_FORMAT_JPEG && state.audio == 2) {
    const std::string out = ScratchPath("edit-clip-out.wav");
    KEXIF_FUZZ_CHECK(kExifGetAudioFile(reloaded, out.c_str()) == 0);
    KEXIF_FUZZ_CHECK(ReadFile(out) == state.clip);
    RemoveFile(out);
  } else if (state.audio == 1) {
    KEXIF_FUZZ_CHECK(kExifIsAudioExist(reloaded) == 0);
  }
  if (state.thumbnail == 2) {
    bool present = false;
    const std::vector<uint8_t> thumbnail = CurrentThumbnail(reloaded, &present);
    KEXIF_FUZZ_CHECK(present && thumbnail == state.thumbnailBytes);
  }
  kExifDestroy(reloaded);
}

}  // namespace

void SetStrictEditChecks(bool strict) { strictChecks = strict; }

int FuzzEditSave(const uint8_t *data, size_t size) {
  Span file{};
  Span scriptBytes{};
  SplitFileAndScript(data, size, &file, &scriptBytes);
  const std::string path = WriteScratch("edit-input", file.data, file.size);
  HeapWatch heap;
  KExifHandle h = kExifLoadFile(path.c_str());
  if (h == nullptr) return 0;
  const size_t mismatchesAtLoad = CountMismatchedEntryCounts(h);
  if (strictChecks) KEXIF_FUZZ_CHECK(mismatchesAtLoad == 0);
  ScriptReader script(scriptBytes);
  EditState state;
  state.bytesAdded = 0;
  RunEdits(h, script, mismatchesAtLoad, state);
  const int32_t format = kExifGetFileFormat(h);
  if (!DirectoriesNumberedByPosition(h)) state.valuesComparable = false;
  const std::vector<Answer> before = Snapshot(h);
  const size_t mismatchesBeforeSave = CountMismatchedEntryCounts(h);
  const std::string saved = ScratchPath(format == KEXIF_FORMAT_JPEG ? "edit-output.jpg" : "edit-output.tif");
  RemoveFile(saved);
  const int32_t result = kExifSaveFile(h, saved.c_str());
  KEXIF_FUZZ_CHECK(result == 0 || result == -1);
  kExifDestroy(h);
  if (result == 0) CheckSavedFile(saved, format, before, mismatchesBeforeSave, state, file.size);
  RemoveFile(saved);
  if (!state.clipPath.empty()) RemoveFile(state.clipPath);
  CheckHeapGrowth(heap, size);
  return 0;
}

}  // namespace kexif::fuzz
