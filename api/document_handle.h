// The handle of the editing family is the ExifDocument pointer itself.
#ifndef KEXIF_API_DOCUMENT_HANDLE_H
#define KEXIF_API_DOCUMENT_HANDLE_H

#include "kexif.h"
#include "model/exif_document.h"

namespace kexif {

inline ExifDocument *ToDocument(KExifHandle handle) { return reinterpret_cast<ExifDocument *>(handle); }
inline KExifHandle ToHandle(ExifDocument *document) { return reinterpret_cast<KExifHandle>(document); }

}  // namespace kexif

#endif
