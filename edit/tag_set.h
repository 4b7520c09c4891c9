// The fixed set of tag numbers that are addressed in the Exif sub-directory
// rather than by directory number.
#ifndef KEXIF_EDIT_TAG_SET_H
#define KEXIF_EDIT_TAG_SET_H

#include <cstdint>

namespace kexif {

// 1 when the whole 32-bit tag number is one of the 58 members, else 0.
int IsExifDirectoryTag(uint32_t tag);

}  // namespace kexif

#endif
