#include "reader/reader_thumbnail.h"

#include <new>

#include "model/exif_constants.h"
#include "reader/entry_value.h"
#include "stream/byte_order.h"
#include "stream/checked_read.h"

namespace kexif {
namespace {

constexpr int32_t kEntryCountSize = 2;
constexpr int32_t kLinkSize = 4;

// Reads the entry count of the directory the stream stands at; 0 when it
// cannot be read or is below 1. The entries must lie inside the data.
int32_t ReadEntryCount(ByteStream &stream, bool bigEndian, int64_t size) {
  uint8_t bytes[kEntryCountSize];
  if (!ReadExact(stream, bytes, kEntryCountSize)) return 0;
  const int16_t count = static_cast<int16_t>(ReadU16(bytes, bigEndian));
  if (count < kMinDirectoryEntries) return 0;
  if (!RangeFits(stream.Tell(), static_cast<int64_t>(count) * kEntrySize, size)) return 0;
  return count;
}

// Runs LocateThumbnail over the JPEG's Exif TIFF data copy.
int LocateInExifPayload(ReaderContext &context, int wantData) {
  return WalkExifTiffData(context, [&](ByteStream &memory) { return LocateThumbnail(memory, context, wantData); });
}

}  // namespace

int StoreThumbnail(ReaderContext &context, std::unique_ptr<uint8_t[]> bytes, uint32_t length) {
  delete context.thumbnail;
  context.thumbnail = new (std::nothrow) ThumbnailCopy;
  if (context.thumbnail == nullptr) return 0;
  context.thumbnail->data = bytes.release();
  context.thumbnail->length = length;
  return 1;
}

void FindThumbnail(bool bigEndian, ByteStream &stream, ReaderContext &context, int wantData) {
  const int64_t size = stream.Size();
  // The first directory's entries are passed over unread.
  const int32_t firstCount = ReadEntryCount(stream, bigEndian, size);
  if (firstCount == 0) return;
  const int32_t linkPosition = stream.Tell() + firstCount * kEntrySize;
  stream.Seek(kSeekFromStart, linkPosition);
  uint8_t link[kLinkSize];
  if (stream.Tell() != linkPosition || !ReadExact(stream, link, kLinkSize)) return;
  const uint32_t second = ReadU32(link, bigEndian);
  if (second == 0 || !RangeFits(second, kEntryCountSize, size)) return;
  stream.Seek(kSeekFromStart, static_cast<int32_t>(second));
  const int32_t secondCount = ReadEntryCount(stream, bigEndian, size);
  if (secondCount == 0) return;
  const int32_t entryBytes = secondCount * kEntrySize;
  std::unique_ptr<uint8_t[]> entries(new (std::nothrow) uint8_t[static_cast<size_t>(entryBytes)]);
  if (!entries || !ReadExact(stream, entries.get(), entryBytes)) return;

  int32_t thumbnailOffset = 0;
  for (int32_t i = 0; i < secondCount; ++i) {
    const RawEntry entry = DecodeEntry(entries.get() + static_cast<size_t>(i) * kEntrySize, bigEndian);
    if (entry.tag == kTagJpegInterchangeFormat) {
      thumbnailOffset = static_cast<int32_t>(FieldNumber(entry, bigEndian));
      context.thumbnailExists = 1;
      if (wantData == 0) return;
    } else if (entry.tag == kTagJpegInterchangeFormatLength && thumbnailOffset > 0) {
      const uint32_t length = FieldNumber(entry, bigEndian);
      // An empty thumbnail, or one that runs past the data, is refused.
      if (length == 0 || length > static_cast<uint32_t>(INT32_MAX) || !RangeFits(thumbnailOffset, length, size)) return;
      std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[length]);
      if (!bytes) return;
      stream.Seek(kSeekFromStart, thumbnailOffset);
      if (stream.Tell() != thumbnailOffset || !ReadExact(stream, bytes.get(), static_cast<int32_t>(length))) return;
      if (StoreThumbnail(context, std::move(bytes), length) == 0) return;
      context.thumbnailExists = 1;
      context.thumbnailLoaded = 1;
      return;
    }
  }
}

int LocateThumbnail(ByteStream &stream, ReaderContext &context, int wantData) {
  bool big = false;
  uint32_t first = 0;
  if (!ReadTiffHeader(stream, context, &big, &first)) return 0;
  if (!RangeFits(first, kEntryCountSize, stream.Size())) return 0;
  stream.Seek(kSeekFromStart, static_cast<int32_t>(first));
  FindThumbnail(big, stream, context, wantData);
  return 1;
}

int32_t ReaderThumbnailExists(ReaderContext &context) {
  if (context.tagsScanned == 0 && context.format == static_cast<uint32_t>(kFormatJpeg)) {
    LocateInExifPayload(context, 0);
  }
  return context.thumbnailExists != 0 ? 1 : 0;
}

bool ReadReaderThumbnail(ReaderContext &context, ThumbnailData *result) {
  if (context.tagsScanned != 0) {
    if (context.thumbnailExists == 0) return false;
    if (context.thumbnailLoaded != 0 && context.thumbnail != nullptr) {
      result->data = context.thumbnail->data;
      result->length = static_cast<int32_t>(context.thumbnail->length);
      return true;
    }
  }
  if (context.format == static_cast<uint32_t>(kFormatJpeg)) {
    if (LocateInExifPayload(context, 1) == 0) return false;
  } else {
    // A TIFF file is its own TIFF data: offsets count from its first byte.
    context.stream->Seek(kSeekFromStart, 0);
    if (LocateThumbnail(*context.stream, context, 1) == 0) return false;
  }
  if (context.thumbnailExists == 0 || context.thumbnailLoaded == 0 || context.thumbnail == nullptr) return false;
  result->data = context.thumbnail->data;
  result->length = static_cast<int32_t>(context.thumbnail->length);
  return true;
}

}  // namespace kexif
