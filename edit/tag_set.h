// The fixed set of tag numbers that are addressed in the Exif sub-directory
// rather than by directory number, and where their entries are looked up
// and made.
#ifndef KEXIF_EDIT_TAG_SET_H
#define KEXIF_EDIT_TAG_SET_H

#include <cstdint>

namespace kexif {

// 1 when the whole 32-bit tag number is a member, else 0. The members are
// the tags of the Exif 2.2 Exif sub-directory, Orientation (274), and the
// Exif sub-directory tags that Exif 2.3 to 3.0 added. A member's directory
// number is never looked at.
int IsExifDirectoryTag(uint32_t tag);

// Members that files may hold in the first directory: Orientation, which
// belongs there, and the tags newer than Exif 2.2, which older writers put
// there. Their lookup takes an entry of the first directory before one of
// the Exif sub-directory. Every other member is looked up from the Exif
// pointer entry only.
bool IsFirstDirectoryFirstTag(uint32_t tag);

// Members whose new entries go into the first directory (Orientation);
// the others go into the Exif sub-directory.
bool IsMadeInFirstDirectory(uint32_t tag);

}  // namespace kexif

#endif
