// Writing one tag value into a JPEG document's Exif data, building the Exif
// APP1 segment, directories and the Exif sub-directory when they are
// missing. Other APP1 segments (XMP...) are never changed.
//
// Both workers catch every exception. They return 1 when the value was
// written or nothing needed doing (for instance an existing entry was
// replaced), 0 when memory ran out; after 0 the tree is as it was, except
// that nodes already linked stay consistent (counts equal entries).
#ifndef KEXIF_EDIT_SET_TAG_JPEG_H
#define KEXIF_EDIT_SET_TAG_JPEG_H

#include <cstdint>
#include <memory>

#include "kexif.h"
#include "model/exif_document.h"
#include "model/nodes.h"

namespace kexif {

// A tag outside the Exif sub-directory tag set, addressed by directory
// number (>= 0). The existing entry that a tag query with this directory
// number answers (FindDirectoryTag) is replaced;
// else the entry is added to the directory, which is made when missing (in
// a new Exif segment the entry always lands in directory 0).
int SetTagJpeg(ExifDocument &document, uint32_t tag, const TagValue &value, int32_t directory);

// Links a new entry into the directory with this number (>= 0), making the
// directory, and the Exif segment with directory 0 when the document has
// none (the entry then lands in directory 0). May throw std::bad_alloc
// before anything is linked.
void AddEntryJpeg(ExifDocument &document, int32_t directory, std::unique_ptr<TagNode> entry);

// A tag of the Exif sub-directory tag set. The existing entry that a tag
// query answers (FindMemberEntry) is replaced; else Orientation joins
// directory 0 (made when missing) and any other member joins the Exif
// sub-directory, which is made (with its pointer entry, and directory 0 or
// the whole Exif segment when missing) when the document has none. A lone
// directory 0 that holds the thumbnail entry (513) becomes directory 1
// behind a new directory 0 when no directory 1 exists.
int SetExifTagJpeg(ExifDocument &document, uint32_t tag, const TagValue &value);

}  // namespace kexif

#endif
