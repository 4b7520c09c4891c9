// One pass over a JPEG file's marker segments, up to the first SOS, that
// notes where the APP1 "Exif" segment and the APP2 "FPXR" segments lie.
#ifndef KEXIF_READER_JPEG_SCAN_H
#define KEXIF_READER_JPEG_SCAN_H

#include "reader/reader_context.h"
#include "stream/byte_stream.h"

namespace kexif {

// The stream stands at the file's first byte. Payloads are passed over with
// Seek, never read; only the length field and 4 identifier bytes of each
// APPn segment are. Stops at the first SOS, at the end of the file, or at a
// length field below 2 (which could not move the scan forward). Records:
// exifSegment and exifExists for the last APP1 "Exif" segment, and the
// first kMaxFpxrSegments APP2 "FPXR" segments. A segment whose payload is
// shorter than its 4-byte identifier is never recorded.
void ScanJpegSegments(ByteStream &stream, ReaderContext &context);

}  // namespace kexif

#endif
