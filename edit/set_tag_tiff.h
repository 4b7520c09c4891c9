// Writing one tag value into a TIFF document. Unlike the JPEG workers these
// make no directory: a value for a missing directory changes nothing.
//
// Both return 1 when the value was written or nothing was to be done, 0
// when memory ran out (the tree is then as it was).
#ifndef KEXIF_EDIT_SET_TAG_TIFF_H
#define KEXIF_EDIT_SET_TAG_TIFF_H

#include <cstdint>

#include "kexif.h"
#include "model/exif_document.h"

namespace kexif {

// A tag outside the Exif sub-directory tag set. The first entry with the
// tag anywhere in the document (the Interoperability directory aside, which
// tag queries do not search either) is replaced; else a new entry joins the named
// directory in ascending order.
int SetTagTiff(ExifDocument &document, uint32_t tag, const TagValue &value, int32_t directory);

// A tag of the Exif sub-directory tag set: the entry that a tag query
// answers (FindMemberEntry) is replaced; else Orientation joins directory
// 0 and any other member the Exif sub-directory, made with its pointer
// entry in directory 0 when missing. A document without directory 0 (and,
// for a member other than Orientation, without Exif sub-directory) cannot
// take the value: 0, and it is left as it was.
int SetExifTagTiff(ExifDocument &document, uint32_t tag, const TagValue &value);

}  // namespace kexif

#endif
