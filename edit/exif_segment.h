// Finding and making the APP1 segment that holds a JPEG document's Exif
// data. Other APP1 segments (XMP and the like) are never taken for it.
#ifndef KEXIF_EDIT_EXIF_SEGMENT_H
#define KEXIF_EDIT_EXIF_SEGMENT_H

#include <cstdint>
#include <memory>

#include "model/exif_document.h"
#include "model/nodes.h"

namespace kexif {

// The first top-level segment with this marker, or null. Only the segment
// chain is looked at, so a tag entry whose number equals the marker is
// never returned.
SegmentNode *FindTopLevelSegment(ExifDocument &document, int32_t marker);

// The segment a new Exif segment follows: the first APP0 in front of the
// first SOS, else SOI; null when there is neither. Segments after the image
// data are never taken: readers look for Exif data in front of it.
SegmentNode *ExifSegmentAnchor(ExifDocument &document);

// The document's Exif segment: exifSegment when set, else the first APP1
// segment that has a TIFF header node below it; null when there is none.
SegmentNode *FindExifApp1(ExifDocument &document);

// The TIFF header node among the segment's children, or null.
MetaNode *FindHeaderNode(MetaNode *segment);

// The segment's header node. When it has none, spare (a new header node)
// becomes the segment's first child, the document's byte order becomes
// little-endian, and spare is returned. Does not allocate.
MetaNode *AdoptHeaderNode(ExifDocument &document, SegmentNode *segment, std::unique_ptr<MetaNode> spare);

// The last directory node among the segment's children, or null.
MetaNode *LastDirectoryIn(MetaNode *segment);

// A new APP1 segment without payload (its bytes are made when the document
// is saved).
std::unique_ptr<SegmentNode> NewApp1Segment();

// Links a new Exif segment after ExifSegmentAnchor (ahead of any other
// APP1 segment), makes it the document's exifSegment and sets the byte order
// to little-endian. Does not allocate.
void LinkExifSegment(ExifDocument &document, std::unique_ptr<SegmentNode> segment);

}  // namespace kexif

#endif
