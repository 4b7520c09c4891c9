// One tag's value from the file behind a reader context: the five cached
// first-directory tags from memory, the members of the Exif sub-directory
// tag set by a search of the Exif sub-directory.
#ifndef KEXIF_READER_TAG_LOOKUP_H
#define KEXIF_READER_TAG_LOOKUP_H

#include <cstdint>

#include "include/kexif.h"
#include "reader/reader_context.h"

namespace kexif {

// True with *value filled (data points into the context's copy, null when
// the value has no bytes) when the tag was found; false with *value
// untouched otherwise. For a JPEG whose chain has not been scanned yet, the
// Exif segment's TIFF data is read and scanned first.
bool LookUpReaderTag(ReaderContext &context, uint32_t tag, TagValue *value);

}  // namespace kexif

#endif
