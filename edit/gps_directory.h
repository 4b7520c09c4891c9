// Writing tags of the GPS directory. Its tag numbers (0..31) are shared with
// other directories, so a bare tag number cannot name it; these functions
// address it explicitly and make it when a document has none.
#ifndef KEXIF_EDIT_GPS_DIRECTORY_H
#define KEXIF_EDIT_GPS_DIRECTORY_H

#include <cstdint>

#include "kexif.h"
#include "model/exif_document.h"
#include "model/nodes.h"

namespace kexif {

// The GPSVersionID a new GPS directory is given: 2.3.0.0.
inline constexpr uint8_t kGpsVersion[4] = {2, 3, 0, 0};

// The GPS pointer entry (34853) of directory 0, or null.
TagNode *FindGpsPointer(ExifDocument &document);

// The entry of the GPS directory with this tag number, or null.
TagNode *FindGpsEntry(ExifDocument &document, uint32_t tag);

// Writes one GPS tag. The GPS directory's entry with this number is
// replaced, else a new entry joins the directory in ascending order. A
// document without GPS directory gets one under a new pointer entry 34853
// in directory 0 (in a JPEG document directory 0, and the Exif segment,
// are made when missing). A GPS directory without GPSVersionID is given
// 2.3.0.0. The value's bytes are copied.
//
// Returns 1 when the value was written; 0, with the tree as it was, when
// the tag is above 65535, the value is unusable (type outside 1..12,
// negative count, missing bytes, more than a JPEG segment can hold), a
// TIFF document has no directory 0, or memory runs out. Never throws.
int SetGpsTag(ExifDocument &document, uint32_t tag, const TagValue &value);

}  // namespace kexif

#endif
