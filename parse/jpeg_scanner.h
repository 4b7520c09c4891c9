// Reads a JPEG file once, front to back, and records every marker segment
// as a SegmentNode in file order without reading its payload; bytes outside
// any segment (the entropy-coded data above all) become raw-run nodes
// (id 0xA1). The TIFF data of an APP1 "Exif" segment before the first SOS
// is parsed in place through a StreamWindow and hangs under the segment
// node; that segment becomes the document's exifSegment (the last such).
#ifndef KEXIF_PARSE_JPEG_SCANNER_H
#define KEXIF_PARSE_JPEG_SCANNER_H

#include "parse/tree_builder.h"
#include "stream/byte_stream.h"

namespace kexif {

// Returns 1 on success and 0 when the TIFF data of an APP1 "Exif" segment
// fails to parse or a segment in front of the first SOS has a length field
// below 2 (such a segment could not be written back as it stands; after the
// first SOS its four bytes count as run bytes). The nodes made before a failure
// stay in the document. A length field cut off by the end of the data
// counts as bytes outside any segment.
int ScanJpeg(ByteStream &stream, TreeBuilder &builder);

// ScanJpeg up to and including the first SOS header: the segments a photo's
// metadata lives in. *resumeAt is where the rest of the data begins (the
// byte after that header), or -1 when the scan met the end of the data
// first and the tree is whole.
int ScanJpegHead(ByteStream &stream, TreeBuilder &builder, int64_t *resumeAt);

// Scans from resumeAt (a value ScanJpegHead gave; -1 does nothing) up to
// end, where the data is taken to end, appending after the document's
// cursor, so that the head and the rest make the tree ScanJpeg makes of the
// first end bytes. *reached is where the scan stopped: end or beyond when
// the data lasted that far, less when it ended early. Results as ScanJpeg's.
int ScanJpegRest(ByteStream &stream, TreeBuilder &builder, int64_t resumeAt, int64_t end, int64_t *reached);

}  // namespace kexif

#endif
