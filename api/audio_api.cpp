// The sound-clip functions of the editing family.
#include "kexif.h"
#include "api/document_handle.h"
#include "payload/audio_clip.h"

extern "C" {

KEXIF_API int32_t KEXIF_CALL kExifIsAudioExist(KExifHandle h) {
  if (h == nullptr) return 0;
  try {
    return kexif::IsAudioExist(*kexif::ToDocument(h));
  } catch (...) {
    return 0;
  }
}

KEXIF_API int32_t KEXIF_CALL kExifGetAudioFile(KExifHandle h, const void *name) {
  if (h == nullptr || name == nullptr) return -1;
  try {
    return kexif::GetAudioFile(*kexif::ToDocument(h), name) == 1 ? 0 : -1;
  } catch (...) {
    return -1;
  }
}

KEXIF_API int32_t KEXIF_CALL kExifRemoveAudio(KExifHandle h) {
  if (h == nullptr) return 1;
  try {
    kexif::RemoveAudio(*kexif::ToDocument(h));
  } catch (...) {
  }
  return 1;
}

KEXIF_API int32_t KEXIF_CALL kExifSetAudioFile(KExifHandle h, const void *name) {
  if (h == nullptr || name == nullptr) return -1;
  try {
    return kexif::SetAudioFile(*kexif::ToDocument(h), name) == 1 ? 0 : -1;
  } catch (...) {
    return -1;
  }
}

}  // extern "C"
