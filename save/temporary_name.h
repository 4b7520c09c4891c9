// The name of the file a save writes before it replaces the target.
#ifndef KEXIF_SAVE_TEMPORARY_NAME_H
#define KEXIF_SAVE_TEMPORARY_NAME_H

#include <cstddef>

namespace kexif {

// Size of the name buffers of a save, NUL included.
inline constexpr size_t kMaxSaveNameBuffer = 260;

// The target name with what follows its last '.' (at index 1 or higher)
// replaced by "$#$"; with no such '.', the first character followed by
// "$#$": a.jpg -> a.$#$, a.b.jpg -> a.b.$#$, D:\my.dir\photo -> D:\my.$#$,
// photo -> p$#$. out holds kMaxSaveNameBuffer bytes. Returns 0 and leaves
// out empty when name is null or empty, or when name or the result does not
// fit the buffer.
int MakeTemporaryName(char *out, const char *name);

}  // namespace kexif

#endif
