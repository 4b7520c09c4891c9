// The editing family's load and queries on any bytes.
#include <cstdlib>

#include "fuzz/harness.h"
#include "fuzz/harness_support.h"

namespace kexif::fuzz {
namespace {

// Directory numbers asked for: the two usual ones, one a file rarely has,
// and numbers no file has.
constexpr int32_t kQueriedDirectories[] = {0, 1, 2, 7, -1};

void QueryTags(KExifHandle h) {
  for (size_t i = 0; i < kQueriedTagCount; ++i) {
    for (int32_t directory : kQueriedDirectories) {
      TagValue value{-1, -1, nullptr};
      if (kExifGetTag(h, kQueriedTags[i], &value, directory) != 0) {
        KEXIF_FUZZ_CHECK(value.type == -1 && value.count == -1 && value.data == nullptr);
        continue;
      }
      // Only the twelve TIFF types come with a block of bytes.
      if (TypeElementSize(static_cast<uint32_t>(value.type)) != 0) TouchTagValue(value);
      std::free(value.data);
    }
  }
}

// The clip, when there is one, is written from the file's own FPXR payloads.
void QueryAudio(KExifHandle h, size_t fileSize) {
  const int32_t exists = kExifIsAudioExist(h);
  KEXIF_FUZZ_CHECK(exists == 0 || exists == 1);
  const std::string out = ScratchPath("load-clip.wav");
  RemoveFile(out);
  const int32_t result = kExifGetAudioFile(h, out.c_str());
  KEXIF_FUZZ_CHECK(result == 0 || result == -1);
  const long long written = FileSize(out);
  if (result == 0) {
    KEXIF_FUZZ_CHECK(written >= 0 && static_cast<size_t>(written) <= fileSize);
    KEXIF_FUZZ_CHECK(kExifIsAudioExist(h) == 1);
  } else {
    KEXIF_FUZZ_CHECK(written < 0);
  }
  RemoveFile(out);
}

// A thumbnail is a new block of bytes of the file. On failure the record is
// either untouched or emptied to (null, 0), as when the thumbnail's offset or
// length entry is unusable.
void QueryThumbnail(KExifHandle h, size_t fileSize) {
  ThumbnailData thumbnail{nullptr, -1};
  if (kExifGetThumbnailData(h, &thumbnail) != 0) {
    KEXIF_FUZZ_CHECK(thumbnail.data == nullptr && (thumbnail.length == -1 || thumbnail.length == 0));
    return;
  }
  KEXIF_FUZZ_CHECK(thumbnail.length >= 0 && static_cast<size_t>(thumbnail.length) <= fileSize);
  TouchBytes(thumbnail.data, static_cast<size_t>(thumbnail.length));
  std::free(thumbnail.data);
}

}  // namespace

int FuzzLoad(const uint8_t *data, size_t size) {
  const std::string path = WriteScratch("load-input", data, size);
  HeapWatch heap;
  KExifHandle h = kExifLoadFile(path.c_str());
  if (h == nullptr) {
    CheckHeapGrowth(heap, size);
    return 0;
  }
  const int32_t format = kExifGetFileFormat(h);
  KEXIF_FUZZ_CHECK(format == KEXIF_FORMAT_JPEG || format == KEXIF_FORMAT_TIFF);
  const int32_t exif = kExifIsExifExist(h);
  KEXIF_FUZZ_CHECK(exif == 0 || exif == 1);
  const int32_t thumbnail = kExifIsThumbnailExist(h);
  KEXIF_FUZZ_CHECK(thumbnail == 0 || thumbnail == 1);
  QueryTags(h);
  QueryAudio(h, size);
  QueryThumbnail(h, size);
  // A second round meets the tree as the lazy parse and the payload loads of
  // the first left it.
  QueryTags(h);
  QueryAudio(h, size);
  QueryThumbnail(h, size);
  kExifDestroy(h);
  CheckHeapGrowth(heap, size);
  return 0;
}

}  // namespace kexif::fuzz
