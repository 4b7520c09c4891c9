#include "payload/thumbnail_extract.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "model/chain_lookup.h"
#include "model/tree_search.h"
#include "stream/checked_read.h"

namespace kexif {
namespace {

using Buffer = std::unique_ptr<uint8_t[]>;

// length bytes read from stream at position; null when they do not all
// lie in the stream, the stream is missing or the allocation fails. The
// bounds are checked before anything is allocated.
Buffer ReadFromStream(ByteStream *stream, int64_t position, int32_t length) {
  if (stream == nullptr || position > INT32_MAX || !StreamHolds(*stream, position, length)) return nullptr;
  Buffer out(new (std::nothrow) uint8_t[static_cast<size_t>(length)]);
  if (!out || stream->Seek(kSeekFromStart, static_cast<int32_t>(position)) < 0) return nullptr;
  if (!ReadExact(*stream, out.get(), length)) return nullptr;
  return out;
}

// The length bytes at offset of the TIFF data that holds offsetTag; null
// when they do not all lie inside that data or cannot be read.
Buffer ReadThumbnailBytes(ExifDocument &document, TagNode &offsetTag, int32_t offset, int32_t length) {
  if (document.format == kFormatTiff) return ReadFromStream(document.stream, offset, length);
  SegmentNode *segment = AsSegmentNode(TopLevelOwner(&offsetTag));
  if (segment == nullptr || segment->id != kMarkerApp1) return nullptr;
  if (segment->dataLength < kExifHeaderSize) return nullptr;
  if (!RangeFits(offset, length, segment->dataLength - kExifHeaderSize)) return nullptr;
  const int64_t start = int64_t{kExifHeaderSize} + offset;
  if (segment->payloadState != kPayloadInMemory) {
    return ReadFromStream(document.stream, segment->fileOffset + start, length);
  }
  // A segment inserted as bytes has no place in the file: its payload is
  // the only source.
  if (segment->data == nullptr) return nullptr;
  Buffer out(new (std::nothrow) uint8_t[static_cast<size_t>(length)]);
  if (out) std::memcpy(out.get(), segment->data + start, static_cast<size_t>(length));
  return out;
}

// A malloc copy for the host; null when the allocation fails.
uint8_t *HostCopy(const uint8_t *bytes, int32_t length) {
  auto *block = static_cast<uint8_t *>(std::malloc(static_cast<size_t>(length)));
  if (block != nullptr) std::memcpy(block, bytes, static_cast<size_t>(length));
  return block;
}

ThumbnailOutcome Fail(ThumbnailData &record) {
  record.data = nullptr;
  record.length = 0;
  return ThumbnailOutcome::kFailed;
}

}  // namespace

ThumbnailOutcome ExtractThumbnail(ExifDocument &document, ThumbnailData &record) {
  TagNode *offsetTag = document.thumbnailOffsetTag;
  if (document.thumbnailLoaded != 0 && offsetTag != nullptr) {
    // An empty thumbnail (set with length 0) has no bytes to hand out.
    if (offsetTag->data == nullptr || offsetTag->dataLength < 1) return Fail(record);
    uint8_t *block = HostCopy(offsetTag->data, offsetTag->dataLength);
    if (block == nullptr) return Fail(record);
    record.data = block;
    record.length = offsetTag->dataLength;
    return ThumbnailOutcome::kCopied;
  }
  if (document.thumbnailExists == 0) return ThumbnailOutcome::kNoThumbnail;
  // The flag can outlive its entry (the segment holding it was removed).
  if (offsetTag == nullptr) return Fail(record);

  // After a save the document's payloads are rebuilt and its file is gone:
  // the stored offset no longer says where the bytes are.
  if (document.stream == nullptr) return Fail(record);
  const int32_t offset = offsetTag->value;
  if (offset <= 0) return Fail(record);
  const TagNode *lengthTag = FindThumbnailLengthTag(document, offsetTag);
  if (lengthTag == nullptr || lengthTag->value <= 0) return Fail(record);
  const int32_t length = lengthTag->value;

  Buffer bytes = ReadThumbnailBytes(document, *offsetTag, offset, length);
  if (!bytes) return Fail(record);
  uint8_t *block = HostCopy(bytes.get(), length);
  if (block == nullptr) return Fail(record);

  // The copy is kept only where the entry's data is free for it: an offset
  // entry of one element keeps its value in the value word.
  if (offsetTag->count == 1) {
    offsetTag->ClearData();
    offsetTag->data = bytes.release();
    offsetTag->dataLength = length;
    document.thumbnailLoaded = 1;
  }
  record.data = block;
  record.length = length;
  return ThumbnailOutcome::kCopied;
}

}  // namespace kexif
