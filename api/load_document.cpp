#include "api/load_document.h"

#include <cstdint>
#include <memory>

#include "parse/deferred_scan.h"
#include "parse/diagnostics.h"
#include "parse/jpeg_scanner.h"
#include "parse/tiff_parser.h"
#include "parse/tree_builder.h"
#include "stream/checked_read.h"
#include "stream/file_stream.h"

namespace kexif {
namespace {

constexpr int32_t kSignatureBytes = 4;

// A JPEG may carry several Exif segments. Queries, edits and the save all
// work on the directories of the one exifSegment names when it holds a TIFF
// structure; an Exif pointer or thumbnail entry met in an earlier segment
// would send edits to a segment the save copies unchanged, so it is let go
// (exifSegment's own entries, if any, were met last and are kept).
// The tree was just built with its parent links, so following them up from
// a node answers "is it below the segment" without walking the segment.
bool BelowSegment(const SegmentNode *segment, const MetaNode *node) {
  if (node == nullptr) return false;
  for (const MetaNode *up = node->parent; up != nullptr; up = up->parent) {
    if (up == segment) return true;
  }
  return false;
}

void KeepShortcutsInExifSegment(ExifDocument &document) {
  const SegmentNode *segment = document.exifSegment;
  if (segment == nullptr || segment->firstChild == nullptr || segment->firstChild->id != kIdHeader) return;
  if (!BelowSegment(segment, document.exifPointerTag)) document.exifPointerTag = nullptr;
  if (document.thumbnailOffsetTag != nullptr && !BelowSegment(segment, document.thumbnailOffsetTag)) {
    document.thumbnailOffsetTag = nullptr;
    document.thumbnailExists = 0;
    document.thumbnailLoaded = 0;
  }
}

// Scans up to the first SOS header and leaves the rest pending. The
// cursor stands on the SOS node when the scan stopped there.
int ScanHeadAndDefer(ByteStream &stream, TreeBuilder &builder, ExifDocument &document) {
  int64_t resumeAt = -1;
  if (ScanJpegHead(stream, builder, &resumeAt) == 0) return 0;
  if (resumeAt < 0) return 1;  // the head was the whole file
  const auto *sos = AsSegmentNode(document.current);
  if (sos == nullptr || sos->id != kMarkerSos) {
    int64_t reached = 0;  // not expected; the rest is scanned now rather than lost
    return ScanJpegRest(stream, builder, resumeAt, INT64_MAX, &reached);
  }
  document.pendingScan = DeferJpegRest(sos, resumeAt, stream.Size());
  return 1;
}

struct DocumentReleaser {
  void operator()(ExifDocument *document) const { DestroyDocument(document); }
};

}  // namespace

ExifDocument *LoadDocument(const void *name, JpegScan scan) {
  std::unique_ptr<ExifDocument, DocumentReleaser> document(new ExifDocument);
  ByteStream *stream = nullptr;
  if (CreateFileStream(&stream, name, kOpenRead) == 0) return nullptr;
  document->stream = stream;

  uint8_t signature[kSignatureBytes] = {0, 0, 0, 0};
  stream->Seek(kSeekFromStart, 0);
  const int32_t got = stream->Read(signature, kSignatureBytes);
  stream->Seek(kSeekFromStart, 0);
  if (got < 2) return nullptr;

  TreeBuilder builder(document.get());
  int parsed = 0;
  if (signature[0] == 0xFF && signature[1] == kMarkerSoi) {
    document->format = kFormatJpeg;
    parsed = scan == JpegScan::kWhole || DiagnosticsEnabled() ? ScanJpeg(*stream, builder)
                                                               : ScanHeadAndDefer(*stream, builder, *document);
    if (parsed != 0) KeepShortcutsInExifSegment(*document);
  } else if ((signature[0] == 'I' && signature[1] == 'I') || (signature[0] == 'M' && signature[1] == 'M')) {
    document->format = kFormatTiff;
    parsed = ParseTiff(*stream, builder);
  }
  // A read error looks like the end of the file to the parsers.
  if (parsed == 0 || TakeStreamReadError(stream)) return nullptr;
  return document.release();
}

void DestroyDocument(ExifDocument *document) {
  if (document == nullptr) return;
  ReleaseStream(document->stream);
  document->stream = nullptr;
  ReleaseStream(document->audioStream);
  document->audioStream = nullptr;
  delete document;
}

}  // namespace kexif
