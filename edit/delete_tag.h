// Removing one entry from a document and pruning what the removal left
// empty: a sub-directory without entries goes with its pointer entry, an
// empty directory goes when other directories remain, and when the last
// directory of a JPEG document's Exif segment is empty the whole segment
// goes. A TIFF document keeps its last directory, empty.
//
// Shortcuts never outlive their nodes: removing the Exif pointer entry
// clears exifPointerTag (exifExists keeps its value); removing the
// thumbnail entry clears thumbnailOffsetTag, thumbnailExists and
// thumbnailLoaded; removing the Exif segment clears exifSegment and leaves
// exifExists and thumbnailExists set only while the entries they report
// are still in the tree.
#ifndef KEXIF_EDIT_DELETE_TAG_H
#define KEXIF_EDIT_DELETE_TAG_H

#include <cstdint>

#include "model/exif_document.h"
#include "model/nodes.h"

namespace kexif {

// A tag outside the Exif sub-directory tag set: the entry that a tag query
// with this directory number answers (FindDirectoryTag). 1 when an entry was removed, 0 when the
// directory or the entry does not exist (nothing changes).
int DeleteTag(ExifDocument &document, uint32_t tag, int32_t directory);

// A tag of the Exif sub-directory tag set: the entry that a tag query
// answers (FindMemberEntry). 1 when an entry was removed, 0 when there is
// none.
int DeleteExifTag(ExifDocument &document, uint32_t tag);

// Unlinks and destroys entry, lowers the count of the directory that held
// it and prunes as described above. The entry must be a tag entry of the
// document's tree; false (nothing changed) when it is not linked.
bool RemoveEntryAndPrune(ExifDocument &document, TagNode *entry);

}  // namespace kexif

#endif
