// The read-only family on any bytes: open, ask every question, end.
#include <new>

#include "fuzz/harness.h"
#include "fuzz/harness_support.h"

namespace kexif::fuzz {
namespace {

void QueryTags(KRExifHandle ctx) {
  for (size_t i = 0; i < kQueriedTagCount; ++i) {
    TagValue value{-1, -1, nullptr};
    if (kRExifGetTag(ctx, kQueriedTags[i], &value) != 0) {
      // A miss leaves the record as it was.
      KEXIF_FUZZ_CHECK(value.type == -1 && value.count == -1 && value.data == nullptr);
      continue;
    }
    // The reader keeps values of any type it met; bytes are only promised
    // for the twelve TIFF types.
    if (TypeElementSize(static_cast<uint32_t>(value.type)) != 0) TouchTagValue(value);
  }
}

void QueryThumbnail(KRExifHandle ctx, size_t fileSize) {
  const int32_t exists = kRExifIsThumbnailExist(ctx);
  KEXIF_FUZZ_CHECK(exists == 0 || exists == 1);
  for (int round = 0; round < 2; ++round) {
    ThumbnailData thumbnail{nullptr, -1};
    if (kRExifGetThumbnailData(ctx, &thumbnail) != 0) {
      KEXIF_FUZZ_CHECK(thumbnail.data == nullptr && thumbnail.length == -1);
      continue;
    }
    KEXIF_FUZZ_CHECK(thumbnail.length >= 0);
    KEXIF_FUZZ_CHECK(static_cast<size_t>(thumbnail.length) <= fileSize);
    KEXIF_FUZZ_CHECK(thumbnail.length == 0 || thumbnail.data != nullptr);
    TouchBytes(thumbnail.data, static_cast<size_t>(thumbnail.length));
  }
}

void QueryAudio(KRExifHandle ctx, size_t fileSize) {
  const int32_t before = kRExifIsAudioExist(ctx);
  KEXIF_FUZZ_CHECK(before == 0 || before == 1);
  const std::string out = ScratchPath("reader-clip.wav");
  RemoveFile(out);
  const int32_t result = kRExifGetAudioFile(ctx, out.c_str());
  const long long written = FileSize(out);
  if (result == 0) {
    // Every byte of the clip comes from an FPXR payload of the file.
    KEXIF_FUZZ_CHECK(written >= 0 && static_cast<size_t>(written) <= fileSize);
    KEXIF_FUZZ_CHECK(kRExifIsAudioExist(ctx) == 1);
  } else {
    KEXIF_FUZZ_CHECK(result == -1);
  }
  RemoveFile(out);
}

void QueryExifMarker(KRExifHandle ctx, size_t fileSize) {
  ExifMarkerData marker{nullptr, -1};
  if (kRExifGetExifMarker(ctx, &marker) != 0) {
    KEXIF_FUZZ_CHECK(marker.data == nullptr && marker.length == -1);
    return;
  }
  KEXIF_FUZZ_CHECK(marker.length >= 0 && static_cast<size_t>(marker.length) <= fileSize);
  TouchBytes(marker.data, static_cast<size_t>(marker.length));
  delete[] marker.data;
}

void QueryTifExifData(KRExifHandle ctx) {
  TifExifData *record = nullptr;
  if (kRExifGetTIFExifData(ctx, &record) != 0) {
    KEXIF_FUZZ_CHECK(record == nullptr);
    return;
  }
  TouchTifExifData(record);
  FreeTifExifData(record);
}

}  // namespace

int FuzzReader(const uint8_t *data, size_t size) {
  const std::string path = WriteScratch("reader-input", data, size);
  HeapWatch heap;
  KRExifHandle ctx = kRExifBeginRead(path.c_str());
  if (ctx == nullptr) return 0;
  const int32_t format = kRExifGetFileFormat(ctx);
  KEXIF_FUZZ_CHECK(format == KEXIF_FORMAT_JPEG || format == KEXIF_FORMAT_TIFF);
  const int32_t exif = kRExifIsExifExist(ctx);
  KEXIF_FUZZ_CHECK(exif == 0 || exif == 1);
  QueryTags(ctx);
  QueryThumbnail(ctx, size);
  QueryAudio(ctx, size);
  QueryExifMarker(ctx, size);
  QueryTifExifData(ctx);
  // Asked again after the other queries moved the stream and the caches.
  QueryTags(ctx);
  kRExifEndRead(ctx);
  CheckHeapGrowth(heap, size);
  return 0;
}

}  // namespace kexif::fuzz
