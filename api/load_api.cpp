// Exported: load, format and presence queries, destroy.
#include "api/document_handle.h"
#include "api/load_document.h"
#include "kexif.h"

using kexif::ToDocument;

extern "C" {

KEXIF_API KExifHandle KEXIF_CALL kExifLoadFile(const void *name) {
  try {
    return kexif::ToHandle(kexif::LoadDocument(name));
  } catch (...) {
    return nullptr;
  }
}

KEXIF_API int32_t KEXIF_CALL kExifGetFileFormat(KExifHandle h) {
  const kexif::ExifDocument *document = ToDocument(h);
  return document != nullptr ? document->format : kexif::kFormatUnknown;
}

KEXIF_API int32_t KEXIF_CALL kExifIsExifExist(KExifHandle h) {
  const kexif::ExifDocument *document = ToDocument(h);
  return document != nullptr && document->exifExists != 0 ? 1 : 0;
}

KEXIF_API int32_t KEXIF_CALL kExifIsThumbnailExist(KExifHandle h) {
  const kexif::ExifDocument *document = ToDocument(h);
  return document != nullptr && document->thumbnailExists != 0 ? 1 : 0;
}

KEXIF_API void KEXIF_CALL kExifDestroy(KExifHandle h) { kexif::DestroyDocument(ToDocument(h)); }

}  // extern "C"
