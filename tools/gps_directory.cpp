#include "tools/gps_directory.h"

#include "api/document_handle.h"
#include "edit/gps_directory.h"
#include "model/exif_constants.h"

namespace kexif::cli {

bool SetGpsTag(KExifHandle handle, uint32_t tag, const TagValue &value, std::string &reason) {
  ExifDocument *document = ToDocument(handle);
  if (document != nullptr && kexif::SetGpsTag(*document, tag, value) != 0) return true;
  reason = "the library refused the value";
  return false;
}

bool RemoveGpsDirectory(KExifHandle handle) {
  ExifDocument *document = ToDocument(handle);
  return document != nullptr && FindGpsPointer(*document) != nullptr && kExifDelTag(handle, kTagGpsPointer, 0) == 0;
}

}  // namespace kexif::cli
