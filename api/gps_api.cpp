// Exported: writing a tag of the GPS directory, which kExifSetTag's tag
// numbers cannot name.
#include "api/document_handle.h"
#include "edit/gps_directory.h"
#include "kexif.h"

extern "C" {

KEXIF_API int32_t KEXIF_CALL kExifSetGpsTag(KExifHandle h, uint32_t tag, const TagValue *value) {
  kexif::ExifDocument *document = kexif::ToDocument(h);
  if (document == nullptr || value == nullptr) return -1;
  return kexif::SetGpsTag(*document, tag, *value) != 0 ? 0 : -1;
}

}  // extern "C"
