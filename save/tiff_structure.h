// Where the TIFF structure that a save writes hangs in a document's tree.
#ifndef KEXIF_SAVE_TIFF_STRUCTURE_H
#define KEXIF_SAVE_TIFF_STRUCTURE_H

#include <vector>

#include "model/exif_document.h"

namespace kexif {

// The APP1 segment whose Exif structure a JPEG save rebuilds: exifSegment
// when the TIFF structure hangs under it, else the first top-level APP1
// segment whose first child is a header node (one an editor created).
// Null when the document carries no Exif structure; every other APP1
// segment is written as it stands.
SegmentNode *ExifSegmentToRebuild(ExifDocument &document);

// The header node of the structure a save writes: the first child of
// ExifSegmentToRebuild for a JPEG document, the top-level header node for a
// TIFF document. Null when there is none.
MetaNode *TiffHeaderNode(ExifDocument &document);

// The directories a save writes: the directory nodes along the header's
// sibling chain, ordered by directory number (those of one number in chain
// order), leaving out those without any entry to write (a directory of no
// entries does not load again; when none is left the header says there is
// no directory). Walking the chain rather than looking directories up by
// number keeps every directory even when two carry the same number.
std::vector<MetaNode *> DirectoryChain(MetaNode *header);

}  // namespace kexif

#endif
