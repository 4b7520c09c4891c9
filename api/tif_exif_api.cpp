// Exported: import of a TIFF file's Exif values into a TIFF document.
#include "api/document_handle.h"
#include "edit/tif_exif_import.h"
#include "kexif.h"

extern "C" {

// On 0 the record has been released and must not be used again; on -1 it
// is still the caller's. A null record is a record without entries: 0.
KEXIF_API int32_t KEXIF_CALL kExifSetTIFExifData(KExifHandle h, TifExifData *record) {
  kexif::ExifDocument *document = kexif::ToDocument(h);
  if (document == nullptr || document->format != kexif::kFormatTiff) return -1;
  if (record == nullptr) return 0;
  try {
    if (!kexif::ApplyTifExifData(*document, *record)) return -1;
  } catch (...) {
    return -1;
  }
  kexif::FreeTifExifData(record);
  return 0;
}

}  // extern "C"
