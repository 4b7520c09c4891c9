// The lookup of tags of the Exif sub-directory tag set.
#ifndef KEXIF_EDIT_FIND_EXIF_TAG_H
#define KEXIF_EDIT_FIND_EXIF_TAG_H

#include <cstdint>

#include "model/exif_document.h"
#include "model/nodes.h"

namespace kexif {

// The first entry with this tag number found from the document's
// exifPointerTag: the pointer entry, the Exif sub-directory under it, then
// the entries after the pointer in its directory (entries before it are not
// searched). Structural nodes are never answered.
//
// A JPEG document whose Exif segment has no parsed structure under it yet
// (a segment inserted as bytes) first has the segment's payload parsed into
// the tree below the segment. A segment that already has a structure is
// never parsed again, so edits and deletions made in the tree stand. A
// parse that fails leaves the tree and the document fields as they were.
// Returns null when nothing is found. May throw std::bad_alloc.
TagNode *FindExifTag(ExifDocument &document, int32_t id);

// The parse that FindExifTag starts with: a JPEG document's Exif segment
// without exifPointerTag and without a parsed structure under it gets its
// stored payload parsed below it. Nothing changes otherwise, or when the
// parse fails. May throw std::bad_alloc.
void ParseBareExifSegment(ExifDocument &document);

// An entry of the first directory itself (its sub-directories and the
// directories after it are not searched) with this tag number, or null.
TagNode *FindFirstDirectoryEntry(ExifDocument &document, uint32_t tag);

// The entry that get, set and delete address for a member of the Exif
// sub-directory tag set: for the members that files may hold in the first
// directory (IsFirstDirectoryFirstTag) an entry of the first directory,
// else the FindExifTag answer, which may lazily parse the Exif segment.
// Null when there is none. May throw std::bad_alloc.
TagNode *FindMemberEntry(ExifDocument &document, uint32_t tag);

// The first entry with this tag number found from the directory with this
// number, in pre-order: the directory's entries with their Exif and GPS
// sub-directories, then the directories after it. The Interoperability
// directory under a 40965 entry is not searched: its tag numbers (1, 2)
// would otherwise hide the GPS entries of the same numbers that follow it.
// Structural nodes are never answered. Null when the directory or the
// entry is missing.
TagNode *FindDirectoryTag(ExifDocument &document, int32_t directory, int32_t id);

}  // namespace kexif

#endif
