// The sound-clip functions of the editing family. The clip's segments may
// lie anywhere in the file, so each completes a pending scan first; when
// that fails they answer as for a document without a clip and change
// nothing.
#include "kexif.h"
#include "api/document_handle.h"
#include "payload/audio_clip.h"

extern "C" {

KEXIF_API int32_t KEXIF_CALL kExifIsAudioExist(KExifHandle h) {
  if (h == nullptr) return 0;
  try {
    kexif::ExifDocument &document = *kexif::ToDocument(h);
    return document.CompleteScan() ? kexif::IsAudioExist(document) : 0;
  } catch (...) {
    return 0;
  }
}

KEXIF_API int32_t KEXIF_CALL kExifGetAudioFile(KExifHandle h, const void *name) {
  if (h == nullptr || name == nullptr) return -1;
  try {
    kexif::ExifDocument &document = *kexif::ToDocument(h);
    if (!document.CompleteScan()) return -1;
    return kexif::GetAudioFile(document, name) == 1 ? 0 : -1;
  } catch (...) {
    return -1;
  }
}

KEXIF_API int32_t KEXIF_CALL kExifRemoveAudio(KExifHandle h) {
  if (h == nullptr) return 1;
  try {
    kexif::ExifDocument &document = *kexif::ToDocument(h);
    if (document.CompleteScan()) kexif::RemoveAudio(document);
  } catch (...) {
  }
  return 1;
}

KEXIF_API int32_t KEXIF_CALL kExifSetAudioFile(KExifHandle h, const void *name) {
  if (h == nullptr || name == nullptr) return -1;
  try {
    kexif::ExifDocument &document = *kexif::ToDocument(h);
    if (!document.CompleteScan()) return -1;
    return kexif::SetAudioFile(document, name) == 1 ? 0 : -1;
  } catch (...) {
    return -1;
  }
}

}  // extern "C"
