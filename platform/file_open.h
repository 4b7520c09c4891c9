// Opening a file by a name that may be an 8-bit or a 16-bit (UTF-16) string
// passed through the same pointer, and telling whether two open files are
// one and the same.
//
// Every file is opened close-on-exec. Reading opens only regular files and
// never waits: the name is opened without blocking (a FIFO or a device
// answers at once) and anything that is not a regular file is closed again.
#ifndef KEXIF_PLATFORM_FILE_OPEN_H
#define KEXIF_PLATFORM_FILE_OPEN_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace kexif {

enum class FileOpenMode { kRead, kWrite };

// Longest 16-bit name read, in code units; a longer one is refused.
inline constexpr size_t kMaxWideNameUnits = 4096;

// Which file an open file is: its device (volume) and its index there.
struct FileIdentity {
  uint64_t device = 0;
  uint64_t index = 0;
  bool known = false;
  bool operator==(const FileIdentity &other) const {
    return known && other.known && device == other.device && index == other.index;
  }
};

// The identity of the file behind an open runtime file; unknown (never
// equal to anything) when the system cannot tell.
FileIdentity IdentityOf(std::FILE *file);
FileIdentity IdentityOfDescriptor(int descriptor);

// True when the bytes show a 16-bit name: the first byte is not zero and the
// second is (the first character lies in U+0001..U+00FF, as in every
// absolute or ./ path and every drive letter). Only then is the 16-bit
// reading tried, because any other 16-bit reading would run past the
// terminator of an 8-bit string. Reads at most the bytes up to and
// including the 8-bit terminator.
bool ShowsWideName(const void *name);

// Tries the name as an 8-bit string first, then, when the bytes show a
// 16-bit name, as a UTF-16 string (stopping at the first zero unit and at
// kMaxWideNameUnits; refused when ill-formed). For writing the 16-bit
// reading is not tried when the 8-bit one failed for a missing folder, and
// it is tried first when the 8-bit reading is one character and the 16-bit
// one a longer well-formed name (a one-letter output is never the file a
// 16-bit caller meant).
// Reading: only a regular file opens, and its size goes to *size when size
// is not null. Writing: the file is created when missing; an existing file
// is truncated only after its identity was found in none of `keep`, else
// nothing is written and null is returned. Null when nothing opened.
std::FILE *OpenNamedFile(const void *name, FileOpenMode mode, int64_t *size = nullptr,
                         std::span<const FileIdentity> keep = {});
// The same, giving the open descriptor (closed with CloseDescriptor) instead
// of a runtime file; -1 when nothing opened. Readers that keep their own
// buffer and position read through it without the runtime's file.
int OpenNamedDescriptor(const void *name, FileOpenMode mode, int64_t *size = nullptr,
                        std::span<const FileIdentity> keep = {});

// How many bytes of name to copy so that the copy, followed by the three
// zero bytes a caller appends, keeps both readings that OpenNamedFile
// makes of it.
size_t NameCopyLength(const void *name);

// The UTF-8 form of a NUL-terminated UTF-16 name under the rules above;
// false for an ill-formed, empty or overlong name.
bool WideNameToUtf8(const char16_t *name, std::string *out);

}  // namespace kexif

#endif
