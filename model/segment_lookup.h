// Lookups along the top-level chain of a document and along a TIFF
// structure's directory chain. Unlike FindSegment and FindDirectory they
// never descend into subtrees, so a tag whose number equals a marker code or
// the directory id cannot answer, and a directory of one APP1 segment is
// never taken for one of another.
#ifndef KEXIF_MODEL_SEGMENT_LOOKUP_H
#define KEXIF_MODEL_SEGMENT_LOOKUP_H

#include <cstdint>

#include "model/exif_document.h"
#include "model/nodes.h"

namespace kexif {

// The first top-level segment node with this marker code; null when none.
SegmentNode *FindTopLevelSegment(ExifDocument &document, int32_t marker);

// The APP1 segment that carries the document's Exif data: exifSegment when
// set, else the first top-level APP1 segment with a TIFF header node under
// it. Other APP1 segments (XMP and the like) are never answered. Null when
// there is none.
SegmentNode *FindExifApp1(ExifDocument &document);

// The top-level node that holds node (node itself when it is top-level).
MetaNode *TopLevelOwner(MetaNode *node);

// The directory node numbered n along the chain that starts at first (the
// header node of a TIFF structure); null when none.
MetaNode *FindDirectoryInChain(MetaNode *first, int32_t n);

// The header node under an APP1 segment; null when none.
MetaNode *FindHeaderUnder(MetaNode *segment);

}  // namespace kexif

#endif
