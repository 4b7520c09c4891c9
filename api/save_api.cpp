// kExifSaveFile: the save of the editing family.
#include <exception>

#include "kexif.h"
#include "model/exif_document.h"
#include "save/save_file.h"

extern "C" {

KEXIF_API int32_t KEXIF_CALL kExifSaveFile(KExifHandle h, const char *name) {
  if (h == nullptr || name == nullptr) return -1;
  try {
    auto *document = reinterpret_cast<kexif::ExifDocument *>(h);
    return kexif::SaveDocument(*document, name) == kexif::SaveResult::kSaved ? 0 : -1;
  } catch (...) {
    return -1;
  }
}

}  // extern "C"
