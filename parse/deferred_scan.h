// The rest of a JPEG file after its first SOS header, scanned only when an
// operation needs it: the entropy-coded data, the segments between and
// after the scans, the bytes after the last EOI.
#ifndef KEXIF_PARSE_DEFERRED_SCAN_H
#define KEXIF_PARSE_DEFERRED_SCAN_H

#include <cstdint>
#include <memory>

#include "model/exif_document.h"

namespace kexif {

// The pending scan of a document whose head ScanJpegHead read from its
// stream: sos the SOS node it recorded last (the cursor stands on it),
// resumeAt as ScanJpegHead gave it, fileSize the size of the file at load.
// The completion reads no byte past fileSize and fails when the file no
// longer holds that SOS marker or ends before fileSize.
std::unique_ptr<PendingScan> DeferJpegRest(const SegmentNode *sos, int64_t resumeAt, int64_t fileSize);

}  // namespace kexif

#endif
