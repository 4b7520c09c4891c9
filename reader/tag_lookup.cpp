#include "reader/tag_lookup.h"

#include "edit/tag_set.h"
#include "model/exif_constants.h"
#include "reader/directory_walk.h"
#include "stream/checked_read.h"

namespace kexif {
namespace {

constexpr int32_t kEntryCountSize = 2;

// Reads the JPEG's Exif TIFF data into memory and runs the chain scan on it.
void ScanJpegExifChain(ReaderContext &context) {
  WalkExifTiffData(context, [&](ByteStream &memory) { return ScanDirectoryChain(memory, context); });
}

bool HasFlag(const ReaderContext &context, uint32_t tag) {
  switch (tag) {
    case kTagDateTime: return context.hasDateTime != 0;
    case kTagMake: return context.hasMake != 0;
    case kTagModel: return context.hasModel != 0;
    case kTagImageDescription: return context.hasImageDescription != 0;
    case kTagOrientation: return context.hasOrientation != 0;
    default: return false;
  }
}

bool Fetch(const ReaderContext &context, uint32_t tag, TagValue *value) {
  int32_t type = 0;
  int32_t count = 0;
  void *data = nullptr;
  if (FetchCachedTag(context, tag, &type, &count, &data) == 0) return false;
  value->type = type;
  value->count = count;
  value->data = data;
  return true;
}

// Positions the file at the directory (an offset in the TIFF data) and
// searches it for the tag.
void SearchDirectory(ReaderContext &context, int32_t directory, uint32_t tag) {
  ByteStream &stream = *context.stream;
  const bool bigEndian = context.byteOrder == static_cast<uint32_t>(kBigEndian);
  if (context.format == static_cast<uint32_t>(kFormatTiff)) {
    if (!StreamHolds(stream, directory, kEntryCountSize)) return;
    stream.Seek(kSeekFromStart, directory);
    WalkDirectory(bigEndian, stream, context, tag, 0);
    return;
  }
  const SegmentLocation &segment = context.exifSegment;
  if (segment.payloadOffset <= 0 || !RangeFits(directory, kEntryCountSize, segment.payloadLength - kExifHeaderSize)) {
    return;
  }
  stream.Seek(kSeekFromStart, segment.payloadOffset + kExifHeaderSize + directory);
  WalkDirectory(bigEndian, stream, context, tag, 1);
}

}  // namespace

bool LookUpReaderTag(ReaderContext &context, uint32_t tag, TagValue *value) {
  if (context.tagsScanned == 0) {
    // A TIFF file was scanned when the context was made; if that recorded
    // nothing, there is nothing to find.
    if (context.format != static_cast<uint32_t>(kFormatJpeg)) return false;
    if (context.exifSegment.payloadLength <= kExifHeaderSize) return false;
    ScanJpegExifChain(context);
  }
  if (HasFlag(context, tag)) return Fetch(context, tag, value);
  if (IsExifDirectoryTag(tag) == 0) return false;
  // Tags that older writers left in the first directory are taken from
  // there first, as the editing family does.
  if (IsFirstDirectoryFirstTag(tag) && tag != kTagOrientation && context.firstDirectoryOffset > 0) {
    SearchDirectory(context, context.firstDirectoryOffset, tag);
    if (Fetch(context, tag, value)) return true;
  }
  if (context.exifDirectoryOffset <= 0) return false;
  SearchDirectory(context, context.exifDirectoryOffset, tag);
  return Fetch(context, tag, value);
}

}  // namespace kexif
