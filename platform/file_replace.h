// The last two steps of a save on Linux: replacing the target by the
// finished temporary file so that the target is at every instant either
// the complete old file or the complete new one, and deleting a file.
#ifndef KEXIF_PLATFORM_FILE_REPLACE_H
#define KEXIF_PLATFORM_FILE_REPLACE_H

namespace kexif {

// Makes target hold the bytes of temporary, atomically. When both lie in
// the same folder, temporary is put on disk and renamed over target; else
// its bytes are copied into a second temporary file beside target, which
// is put on disk and renamed over target (target itself is never written
// into). A symbolic link as target is followed, so the file it names is
// replaced. The target's permission bits are kept. After a same-folder
// replace temporary is gone (it became target); otherwise it is left for
// the caller to delete. False, with target as it was, on any failure.
bool ReplaceFileAtomically(const char *temporary, const char *target);

// True when both names name the same file (or are the same string).
bool NamesSameFile(const char *a, const char *b);

// Removes the file; false when it could not be removed.
bool DeleteNamedFile(const char *name);

}  // namespace kexif

#endif
