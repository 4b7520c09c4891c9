// Exported: what concerns the library as a whole (its version, releasing
// the malloc blocks of the editing family with the library's own runtime).
#include <cstdlib>

#include "kexif.h"

// The build passes the project's version; the header's macros must say the
// same, or hosts would compare against a version the library is not.
#if defined(KEXIF_PROJECT_VERSION_MAJOR)
static_assert(KEXIF_VERSION_MAJOR == KEXIF_PROJECT_VERSION_MAJOR && KEXIF_VERSION_MINOR == KEXIF_PROJECT_VERSION_MINOR &&
                  KEXIF_VERSION_PATCH == KEXIF_PROJECT_VERSION_PATCH,
              "include/kexif.h and the project version differ");
#endif

extern "C" {

KEXIF_API int32_t KEXIF_CALL kExifGetVersion(void) { return KEXIF_VERSION; }

KEXIF_API void KEXIF_CALL kExifFree(void *block) { std::free(block); }

}  // extern "C"
