// Changing the segment list of a JPEG document directly: removing segments
// by marker code and identifier, and inserting a complete Exif APP1 segment
// supplied as bytes. The changes reach a file when the document is saved.
#ifndef KEXIF_PAYLOAD_SEGMENT_EDIT_H
#define KEXIF_PAYLOAD_SEGMENT_EDIT_H

#include <cstdint>

#include "model/exif_document.h"

namespace kexif {

enum class SegmentEditResult {
  kDone,
  kNotJpeg,      // the document is not a JPEG document
  kNoSegment,    // no top-level segment has the marker
  kNoPlace,      // neither APP0 nor SOI to insert after
};

// The first top-level segment with the marker is removed when the first
// four bytes of its label, read as a little-endian number, equal identifier
// (a segment without label never matches). For APP1 (0xE1) every APP1
// segment goes, whatever the identifier, and the document's Exif state is
// reset (no Exif data, no thumbnail). Every shortcut into a removed segment
// is cleared with its flag. kDone also when nothing matched.
SegmentEditResult RemoveMarker(ExifDocument &document, int32_t marker, uint32_t identifier);

// Inserts a new APP1 segment labelled "Exif" whose payload is block (length
// bytes, allocated with new[]), after the first APP0 segment or else after
// SOI, and makes it the document's Exif segment. It replaces the Exif data
// already there: every APP1 segment labelled "Exif" is removed (other APP1
// segments, such as XMP, stay). The TIFF data behind the first 6 bytes is parsed into the
// tree below it; the document's Exif shortcuts and flags then describe the
// new segment alone. A block shorter than 7 bytes adds nothing below the
// segment; a TIFF structure that fails to parse is dropped whole. A
// thumbnail lying wholly inside the block is copied into its 513 entry and
// held in memory; one that does not is never read from anywhere else.
//
// On kDone the segment owns block (released with delete[]). On any other
// result, and when std::bad_alloc is thrown, nothing changed and block
// still belongs to the caller.
SegmentEditResult InsertExifMarker(ExifDocument &document, uint8_t *block, int32_t length);

}  // namespace kexif

#endif
