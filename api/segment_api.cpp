// Exported: marker removal and Exif segment insertion.
#include "api/document_handle.h"
#include "kexif.h"
#include "payload/segment_edit.h"

extern "C" {

KEXIF_API int32_t KEXIF_CALL kExifRemoveMarker(KExifHandle h, int32_t marker, uint32_t identifier) {
  kexif::ExifDocument *document = kexif::ToDocument(h);
  if (document == nullptr) return -1;
  try {
    // The marker may appear only after the image data.
    if (!document->CompleteScan()) return -1;
    return kexif::RemoveMarker(*document, marker, identifier) == kexif::SegmentEditResult::kDone ? 0 : -1;
  } catch (...) {
    return -1;
  }
}

// On 0 the document has taken the block over (it releases it with
// delete[]); on -1 the block is still the caller's.
KEXIF_API int32_t KEXIF_CALL kExifInsertExifMarker(KExifHandle h, ExifMarkerData *marker) {
  kexif::ExifDocument *document = kexif::ToDocument(h);
  if (document == nullptr || marker == nullptr || marker->data == nullptr || marker->length < 0) return -1;
  try {
    return kexif::InsertExifMarker(*document, marker->data, marker->length) == kexif::SegmentEditResult::kDone ? 0
                                                                                                                : -1;
  } catch (...) {
    return -1;
  }
}

}  // extern "C"
