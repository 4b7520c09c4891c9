// Opening a file by a name that may be an 8-bit or a 16-bit (UTF-16) string
// passed through the same pointer: fopen first, then on Windows the
// runtime's _wfopen, elsewhere fopen on the name's UTF-8 form.
#ifndef KEXIF_PLATFORM_FILE_OPEN_H
#define KEXIF_PLATFORM_FILE_OPEN_H

#include <cstdio>
#include <string>

namespace kexif {

enum class FileOpenMode { kRead, kWrite };

// Longest 16-bit name read, in code units; a longer one is refused.
inline constexpr size_t kMaxWideNameUnits = 4096;

// Tries the name as an 8-bit string first ("rb"/"wb"), then as a UTF-16
// string. The 16-bit reading stops at the first zero unit and at
// kMaxWideNameUnits, and is refused when ill-formed (an unpaired surrogate).
// It is not tried when the bytes are plainly an 8-bit name (two or more
// bytes of well-formed UTF-8 text without control characters): reading them
// as 16-bit units would run past the string's end, and for writing would
// create a file under a garbled name. Returns null when nothing opened.
std::FILE *OpenNamedFile(const void *name, FileOpenMode mode);

// The UTF-8 form of a NUL-terminated UTF-16 name under the rules above;
// false for an ill-formed, empty or overlong name.
bool WideNameToUtf8(const char16_t *name, std::string *out);

// True when the bytes up to the first NUL are plainly an 8-bit name (see
// OpenNamedFile).
bool LooksLikeNarrowName(const char *name);

}  // namespace kexif

#endif
