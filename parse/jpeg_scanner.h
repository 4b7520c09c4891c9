// Reads a JPEG file once, front to back, and records every marker segment
// as a SegmentNode in file order without reading its payload; bytes outside
// any segment (the entropy-coded data above all) become raw-run nodes
// (id 0xA1). The TIFF data of an APP1 "Exif" segment is parsed in place
// through a StreamWindow and hangs under the segment node.
#ifndef KEXIF_PARSE_JPEG_SCANNER_H
#define KEXIF_PARSE_JPEG_SCANNER_H

#include "parse/tree_builder.h"
#include "stream/byte_stream.h"

namespace kexif {

// Returns 1 on success and 0 when the TIFF data of an APP1 "Exif" segment
// fails to parse or a segment's length field is below 2 (such a segment
// could not be written back as it stands). The nodes made before a failure
// stay in the document. A length field cut off by the end of the data
// counts as bytes outside any segment.
int ScanJpeg(ByteStream &stream, TreeBuilder &builder);

}  // namespace kexif

#endif
