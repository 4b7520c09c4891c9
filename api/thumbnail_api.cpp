// Exported: thumbnail extraction and replacement.
#include "api/document_handle.h"
#include "edit/thumbnail_replace.h"
#include "kexif.h"
#include "payload/thumbnail_extract.h"

extern "C" {

KEXIF_API int32_t KEXIF_CALL kExifGetThumbnailData(KExifHandle h, ThumbnailData *thumbnail) {
  kexif::ExifDocument *document = kexif::ToDocument(h);
  if (document == nullptr || thumbnail == nullptr) return -1;
  try {
    return kexif::ExtractThumbnail(*document, *thumbnail) == kexif::ThumbnailOutcome::kCopied ? 0 : -1;
  } catch (...) {
    return -1;
  }
}

KEXIF_API int32_t KEXIF_CALL kExifSetThumbnailData(KExifHandle h, const ThumbnailData *thumbnail) {
  kexif::ExifDocument *document = kexif::ToDocument(h);
  if (document == nullptr || thumbnail == nullptr) return -1;
  if (thumbnail->length < 0 || (thumbnail->length > 0 && thumbnail->data == nullptr)) return -1;
  try {
    bool stored = false;
    if (document->format == kexif::kFormatTiff) {
      stored = kexif::SetThumbnailTiff(*document, thumbnail->data, thumbnail->length);
    } else if (document->format == kexif::kFormatJpeg) {
      stored = kexif::SetThumbnailJpeg(*document, thumbnail->data, thumbnail->length);
    }
    return stored ? 0 : -1;
  } catch (...) {
    return -1;
  }
}

}  // extern "C"
