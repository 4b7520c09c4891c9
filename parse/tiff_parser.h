// Reads a TIFF structure (a TIFF file, or the TIFF data of a JPEG's Exif
// segment) through any ByteStream and reports it to a TreeBuilder. Offsets
// in the data count from the stream's position 0.
#ifndef KEXIF_PARSE_TIFF_PARSER_H
#define KEXIF_PARSE_TIFF_PARSER_H

#include <cstdint>

#include "parse/tree_builder.h"
#include "stream/byte_stream.h"

namespace kexif {

// The stream must stand at the TIFF header. Returns 1 on success, 0 on
// failure: a byte-order mark other than "II"/"MM", a header cut short, or a
// failed directory of the main chain or of the Exif or GPS sub-directory.
// The nodes added before a failure stay in the tree; the cursor is then
// wherever the failure happened. A chain that loops back or grows past
// kMaxDirectoriesInChain ends there (success). A failure inside the
// Interoperability directory does not fail the parse: that directory is
// dropped and its pointer entry stays childless.
int ParseTiff(ByteStream &stream, TreeBuilder &builder);

}  // namespace kexif

#endif
