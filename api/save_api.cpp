// kExifSaveFile: the save of the editing family.
#include <exception>

#include "kexif.h"
#include "api/document_handle.h"
#include "save/save_file.h"

extern "C" {

KEXIF_API int32_t KEXIF_CALL kExifSaveFile(KExifHandle h, const char *name) {
  if (h == nullptr || name == nullptr) return -1;
  try {
    auto *document = kexif::ToDocument(h);
    return kexif::SaveDocument(*document, name) == kexif::SaveResult::kSaved ? 0 : -1;
  } catch (...) {
    return -1;
  }
}

}  // extern "C"
