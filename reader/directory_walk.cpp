#include "reader/directory_walk.h"

#include <algorithm>
#include <array>
#include <new>

#include "model/exif_constants.h"
#include "reader/entry_value.h"
#include "stream/byte_order.h"
#include "stream/checked_read.h"

namespace kexif {
namespace {

constexpr int32_t kEntryCountSize = 2;
constexpr int32_t kLinkSize = 4;

// The slot and the presence flag of each cached tag; null for other tags.
CachedTag **SlotOf(ReaderContext &context, uint32_t tag, uint32_t **flag) {
  switch (tag) {
    case kTagDateTime: *flag = &context.hasDateTime; return &context.dateTimeTag;
    case kTagMake: *flag = &context.hasMake; return &context.makeTag;
    case kTagModel: *flag = &context.hasModel; return &context.modelTag;
    case kTagImageDescription: *flag = &context.hasImageDescription; return &context.imageDescriptionTag;
    case kTagOrientation: *flag = &context.hasOrientation; return &context.orientationTag;
    default: *flag = nullptr; return nullptr;
  }
}

bool IsCachedTag(uint32_t tag) {
  return tag == kTagDateTime || tag == kTagMake || tag == kTagModel || tag == kTagImageDescription ||
         tag == kTagOrientation;
}

// The TIFF data the walked stream belongs to.
TiffData DataOf(ByteStream &stream, const ReaderContext &context, bool bigEndian, int addBase) {
  if (addBase != 0) {
    return TiffData{&stream, static_cast<int64_t>(context.exifSegment.payloadOffset) + kExifHeaderSize,
                    static_cast<int64_t>(context.exifSegment.payloadLength) - kExifHeaderSize, bigEndian};
  }
  return TiffData{&stream, 0, stream.Size(), bigEndian};
}

// Offsets already walked by one chain scan, at most kMaxChainDirectories.
class OffsetTrail {
 public:
  // False when the offset was walked before or the trail is full.
  bool Enter(uint32_t offset) {
    if (count_ == offsets_.size()) return false;
    if (std::find(offsets_.begin(), offsets_.begin() + static_cast<std::ptrdiff_t>(count_), offset) !=
        offsets_.begin() + static_cast<std::ptrdiff_t>(count_)) {
      return false;
    }
    offsets_[count_++] = offset;
    return true;
  }

 private:
  std::array<uint32_t, kMaxChainDirectories> offsets_{};
  size_t count_ = 0;
};

}  // namespace

bool IsRecordedTag(uint32_t tag) {
  return tag == kTagExifPointer || tag == kTagGpsPointer || tag == kTagJpegInterchangeFormat || IsCachedTag(tag);
}

int StoreCachedTag(ReaderContext &context, uint32_t tag, uint32_t type, std::unique_ptr<uint8_t[]> bytes,
                   uint32_t count) {
  uint32_t *flag = nullptr;
  CachedTag **slot = SlotOf(context, tag, &flag);
  if (slot == nullptr) slot = &context.lastFoundTag;
  delete *slot;
  *slot = new (std::nothrow) CachedTag;
  if (*slot == nullptr) {
    if (flag != nullptr) *flag = 0;  // a flag without its slot would read freed memory
    return 0;
  }
  (*slot)->tag = tag;
  (*slot)->type = type;
  (*slot)->count = count;
  (*slot)->data = bytes.release();
  if (flag != nullptr) *flag = 1;
  return 1;
}

int FetchCachedTag(const ReaderContext &context, uint32_t tag, int32_t *type, int32_t *count, void **data) {
  uint32_t *flag = nullptr;
  CachedTag *const *slot = SlotOf(const_cast<ReaderContext &>(context), tag, &flag);
  const CachedTag *found = slot != nullptr ? *slot : context.lastFoundTag;
  if (found == nullptr || found->tag != tag) return 0;
  *type = static_cast<int32_t>(found->type);
  *count = static_cast<int32_t>(found->count);
  *data = found->data;
  return 1;
}

int32_t WalkDirectory(bool bigEndian, ByteStream &stream, ReaderContext &context, uint32_t wantedTag, int addBase) {
  const TiffData data = DataOf(stream, context, bigEndian, addBase);
  const int64_t directory = stream.Tell() - data.base;
  uint8_t countBytes[kEntryCountSize];
  if (!RangeFits(directory, kEntryCountSize, data.limit) || !ReadExact(stream, countBytes, kEntryCountSize)) return 0;
  const int16_t entryCount = static_cast<int16_t>(ReadU16(countBytes, bigEndian));
  if (entryCount < kMinDirectoryEntries) return 0;
  const int32_t entryBytes = entryCount * kEntrySize;
  const int64_t entriesAt = directory + kEntryCountSize;
  if (!RangeFits(entriesAt, entryBytes, data.limit)) return 0;
  std::unique_ptr<uint8_t[]> entries(new (std::nothrow) uint8_t[static_cast<size_t>(entryBytes)]);
  if (!entries || !ReadExact(stream, entries.get(), entryBytes)) return 0;
  const int32_t linkPosition = stream.Tell();

  for (int32_t i = 0; i < entryCount; ++i) {
    const RawEntry entry = DecodeEntry(entries.get() + static_cast<size_t>(i) * kEntrySize, bigEndian);
    if (entry.type == 0) return 0;  // ends the walk and the chain
    if (IsCachedTag(entry.tag)) {
      // Read from its offset whichever walk meets it; an entry whose value
      // cannot be read wholly leaves the earlier value in place.
      EntryValue value;
      if (ReadEntryValue(data, entry, 0, &value)) {
        context.tagsScanned = 1;
        StoreCachedTag(context, entry.tag, entry.type, std::move(value.bytes), entry.count);
      }
    } else if (entry.tag == kTagJpegInterchangeFormat) {
      context.tagsScanned = 1;
      context.thumbnailExists = 1;
    } else if (entry.tag == kTagExifPointer || entry.tag == kTagGpsPointer) {
      if (entry.count > 0) {
        context.tagsScanned = 1;
        context.exifExists = 1;
        if (entry.tag == kTagExifPointer) context.exifDirectoryOffset = static_cast<int32_t>(FieldNumber(entry, bigEndian));
      }
    } else if (wantedTag > 0 && entry.tag == wantedTag) {
      EntryValue value;
      if (ReadEntryValue(data, entry, 0, &value)) {
        context.tagsScanned = 1;
        StoreCachedTag(context, entry.tag, entry.type, std::move(value.bytes), entry.count);
      } else if (context.lastFoundTag != nullptr && context.lastFoundTag->tag == wantedTag) {
        delete context.lastFoundTag;
        context.lastFoundTag = nullptr;
      }
      return 0;
    }
  }
  if (wantedTag > 0) return 0;

  uint8_t link[kLinkSize];
  if (stream.Seek(kSeekFromStart, linkPosition) < 0 || stream.Tell() != linkPosition) return -1;
  if (!RangeFits(entriesAt + entryBytes, kLinkSize, data.limit) || !ReadExact(stream, link, kLinkSize)) return 0;
  return static_cast<int32_t>(ReadU32(link, bigEndian));
}

int ScanDirectoryChain(ByteStream &stream, ReaderContext &context) {
  bool big = false;
  uint32_t offset = 0;
  if (!ReadTiffHeader(stream, context, &big, &offset)) return 0;
  // The stream is the TIFF data: a JPEG's Exif payload copy or a TIFF file.
  const int64_t size = stream.Size();
  if (offset <= static_cast<uint32_t>(INT32_MAX) && RangeFits(offset, kEntryCountSize, size)) {
    context.firstDirectoryOffset = static_cast<int32_t>(offset);
  }
  OffsetTrail trail;
  while (offset != 0) {
    if (offset > static_cast<uint32_t>(INT32_MAX) || !RangeFits(offset, kEntryCountSize, size)) return 0;
    if (!trail.Enter(offset)) return 0;
    stream.Seek(kSeekFromStart, static_cast<int32_t>(offset));
    if (stream.Tell() != static_cast<int32_t>(offset)) return 0;
    const int32_t next = WalkDirectory(big, stream, context, 0, 0);
    if (next < 0) return 0;
    offset = static_cast<uint32_t>(next);
  }
  return 1;
}

}  // namespace kexif
