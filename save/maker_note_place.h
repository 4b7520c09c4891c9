// Where a JPEG save puts the camera's maker note. Many maker notes address
// their own values by offsets counted from the Exif TIFF header, or keep
// data just past their counted length, so they only work at the offset the
// camera gave them. A maker note read from the file (TagNode::source) whose
// bytes are unchanged is therefore written back at that offset, with the
// unused bytes that followed it, and the packed layout flows around it; the
// Exif block then keeps the source's byte order, which a maker note of a
// big-endian file usually follows. A maker note the host set, or one whose
// place cannot be kept, moves with the packed layout as any other value.
#ifndef KEXIF_SAVE_MAKER_NOTE_PLACE_H
#define KEXIF_SAVE_MAKER_NOTE_PLACE_H

#include <cstdint>
#include <vector>

#include "model/exif_document.h"
#include "save/directory_writer.h"

namespace kexif {

struct MakerNotePlace {
  FixedValue fixed;                   // fixed.entry null: nothing kept
  int32_t byteOrder = kLittleEndian;  // the order the Exif block is written in
};

// Plans the maker note of the structure whose directories are chain, read
// from segment's payload (loaded here). Returns an empty plan when there is
// no maker note read from this payload, its bytes changed or no longer
// stand at their source offset, or its place overlaps the header and the
// first directory. fixed.bytes points into the segment's payload.
MakerNotePlace PlanMakerNote(ExifDocument &document, SegmentNode &segment, const std::vector<MetaNode *> &chain);

}  // namespace kexif

#endif
