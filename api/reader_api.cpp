// The exported functions of the read-only family: null checks, a catch-all,
// and the mapping of internal results to 0/-1, flags and handles.
#include "edit/tif_exif_import.h"
#include "include/kexif.h"
#include "reader/reader_audio.h"
#include "reader/reader_context.h"
#include "reader/reader_thumbnail.h"
#include "reader/tag_lookup.h"
#include "reader/tif_exif_data.h"

namespace {

constexpr int32_t kOk = 0;
constexpr int32_t kFail = -1;

kexif::ReaderContext *ContextOf(KRExifHandle handle) { return reinterpret_cast<kexif::ReaderContext *>(handle); }

int32_t Result(bool ok) { return ok ? kOk : kFail; }

}  // namespace

extern "C" {

KEXIF_API KRExifHandle KEXIF_CALL kRExifBeginRead(const void *name) {
  if (name == nullptr) return nullptr;
  try {
    return reinterpret_cast<KRExifHandle>(kexif::BeginReaderContext(name));
  } catch (...) {
    return nullptr;
  }
}

KEXIF_API void KEXIF_CALL kRExifEndRead(KRExifHandle ctx) { delete ContextOf(ctx); }

KEXIF_API int32_t KEXIF_CALL kRExifGetFileFormat(KRExifHandle ctx) {
  if (ctx == nullptr) return 0;
  return static_cast<int32_t>(ContextOf(ctx)->format);
}

KEXIF_API int32_t KEXIF_CALL kRExifIsExifExist(KRExifHandle ctx) {
  if (ctx == nullptr) return 0;
  return ContextOf(ctx)->exifExists != 0 ? 1 : 0;
}

KEXIF_API int32_t KEXIF_CALL kRExifGetTag(KRExifHandle ctx, uint32_t tag, TagValue *value) {
  if (ctx == nullptr || value == nullptr) return kFail;
  try {
    return Result(kexif::LookUpReaderTag(*ContextOf(ctx), tag, value));
  } catch (...) {
    return kFail;
  }
}

KEXIF_API int32_t KEXIF_CALL kRExifIsThumbnailExist(KRExifHandle ctx) {
  if (ctx == nullptr) return 0;
  try {
    return kexif::ReaderThumbnailExists(*ContextOf(ctx));
  } catch (...) {
    return ContextOf(ctx)->thumbnailExists != 0 ? 1 : 0;
  }
}

KEXIF_API int32_t KEXIF_CALL kRExifGetThumbnailData(KRExifHandle ctx, ThumbnailData *thumbnail) {
  if (ctx == nullptr || thumbnail == nullptr) return kFail;
  try {
    return Result(kexif::ReadReaderThumbnail(*ContextOf(ctx), thumbnail));
  } catch (...) {
    return kFail;
  }
}

KEXIF_API int32_t KEXIF_CALL kRExifIsAudioExist(KRExifHandle ctx) {
  if (ctx == nullptr) return 0;
  try {
    return kexif::ReaderAudioExists(*ContextOf(ctx));
  } catch (...) {
    return ContextOf(ctx)->audioExists != 0 ? 1 : 0;
  }
}

KEXIF_API int32_t KEXIF_CALL kRExifGetAudioFile(KRExifHandle ctx, const void *name) {
  if (ctx == nullptr || name == nullptr) return kFail;
  try {
    return Result(kexif::WriteReaderAudio(*ContextOf(ctx), name));
  } catch (...) {
    return kFail;
  }
}

KEXIF_API int32_t KEXIF_CALL kRExifGetExifMarker(KRExifHandle ctx, ExifMarkerData *marker) {
  if (ctx == nullptr || marker == nullptr) return kFail;
  try {
    return Result(kexif::CopyExifMarker(*ContextOf(ctx), marker));
  } catch (...) {
    return kFail;
  }
}

// The block was made with new[] (the form kExifInsertExifMarker takes over),
// which a C host cannot release itself.
KEXIF_API void KEXIF_CALL kRExifFreeExifMarker(ExifMarkerData *marker) {
  if (marker == nullptr) return;
  delete[] marker->data;
  marker->data = nullptr;
  marker->length = 0;
}

KEXIF_API void KEXIF_CALL kRExifFreeTIFExifData(TifExifData *record) { kexif::FreeTifExifData(record); }

KEXIF_API int32_t KEXIF_CALL kRExifGetTIFExifData(KRExifHandle ctx, TifExifData **record) {
  if (ctx == nullptr || record == nullptr) return kFail;
  try {
    return Result(kexif::ReadTifExifData(*ContextOf(ctx), record));
  } catch (...) {
    return kFail;
  }
}

}  // extern "C"
