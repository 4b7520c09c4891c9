#include "reader/reader_context.h"

#include <new>

#include "model/exif_constants.h"
#include "reader/directory_walk.h"
#include "reader/jpeg_scan.h"
#include "stream/byte_order.h"
#include "stream/checked_read.h"
#include "stream/file_stream.h"

namespace kexif {
namespace {

// Bytes read at the start of a file to tell its format.
constexpr int32_t kSignatureSize = 4;
constexpr int32_t kTiffHeaderSize = 8;

}  // namespace

ReaderContext::~ReaderContext() {
  ReleaseStream(stream);
  delete dateTimeTag;
  delete makeTag;
  delete modelTag;
  delete orientationTag;
  delete imageDescriptionTag;
  delete lastFoundTag;
  delete thumbnail;
}

ReaderContext *BeginReaderContext(const void *name) {
  std::unique_ptr<ReaderContext> context(new (std::nothrow) ReaderContext);
  if (!context) return nullptr;
  ByteStream *stream = nullptr;
  if (CreateFileStream(&stream, name, kOpenRead) == 0) return nullptr;
  context->stream = stream;  // owned from here on

  uint8_t signature[kSignatureSize] = {};
  stream->Seek(kSeekFromStart, 0);
  const int32_t got = stream->Read(signature, kSignatureSize);
  stream->Seek(kSeekFromStart, 0);
  // Only bytes that were read decide; bytes 2 and 3 are not examined.
  if (got < 2) return nullptr;
  if (signature[0] == 0xFF && signature[1] == kMarkerSoi) {
    context->format = kFormatJpeg;
    ScanJpegSegments(*stream, *context);
  } else if ((signature[0] == 'I' && signature[1] == 'I') || (signature[0] == 'M' && signature[1] == 'M')) {
    context->format = kFormatTiff;
    ScanDirectoryChain(*stream, *context);
  } else {
    return nullptr;
  }
  // A read error looks like the end of the file to the scans.
  if (TakeStreamReadError(stream)) return nullptr;
  return context.release();
}

bool ReadExifTiffData(ReaderContext &context, std::unique_ptr<uint8_t[]> *out, int32_t *size) {
  const SegmentLocation &segment = context.exifSegment;
  if (context.format != static_cast<uint32_t>(kFormatJpeg) || segment.payloadLength <= kExifHeaderSize ||
      segment.payloadOffset <= 0) {
    return false;
  }
  const int32_t length = segment.payloadLength - kExifHeaderSize;
  const int64_t start = static_cast<int64_t>(segment.payloadOffset) + kExifHeaderSize;
  if (!StreamHolds(*context.stream, start, length)) return false;
  std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[static_cast<size_t>(length)]);
  if (!bytes) return false;
  context.stream->Seek(kSeekFromStart, static_cast<int32_t>(start));
  if (!ReadExact(*context.stream, bytes.get(), length)) return false;
  *out = std::move(bytes);
  *size = length;
  return true;
}

bool ReadTiffHeader(ByteStream &stream, ReaderContext &context, bool *bigEndian, uint32_t *firstOffset) {
  uint8_t header[kTiffHeaderSize];
  if (!ReadExact(stream, header, kTiffHeaderSize)) return false;
  const bool little = header[0] == 'I' && header[1] == 'I';
  const bool big = header[0] == 'M' && header[1] == 'M';
  if (!little && !big) return false;
  context.byteOrder = big ? kBigEndian : kLittleEndian;
  *bigEndian = big;
  *firstOffset = ReadU32(header + 4, big);
  return true;
}

}  // namespace kexif
