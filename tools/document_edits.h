// Edits the library's exported functions do not offer in the form the tool
// needs, made on the document tree with the library's own tree operations:
// removing one chosen segment, and removing the thumbnail directory.
#ifndef KEXIF_TOOLS_DOCUMENT_EDITS_H
#define KEXIF_TOOLS_DOCUMENT_EDITS_H

#include "kexif.h"
#include "model/nodes.h"

namespace kexif::cli {

// Removes one top-level segment. Removing an APP1 Exif segment leaves the
// document without Exif data, as kExifRemoveMarker does for APP1.
void RemoveSegment(KExifHandle handle, SegmentNode *segment);

// True when segment is an APP1 segment labelled "Exif".
bool IsExifSegment(const SegmentNode &segment);

// Removes every entry of the second directory (IFD1) of a JPEG document's
// Exif data, and with the last entry the directory: the thumbnail goes with
// its description. False when there is no second directory.
bool RemoveThumbnailDirectory(KExifHandle handle);

}  // namespace kexif::cli

#endif
