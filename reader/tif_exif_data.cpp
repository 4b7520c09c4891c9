#include "reader/tif_exif_data.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "model/exif_constants.h"
#include "reader/entry_value.h"
#include "stream/byte_order.h"
#include "stream/checked_read.h"

namespace kexif {
namespace {

constexpr int32_t kEntryCountSize = 2;

// Byte size of an entry's data block; false when it cannot be represented.
bool DataSize(const RawEntry &entry, uint32_t *size) {
  const int32_t elementSize = ElementSize(entry.type <= static_cast<uint32_t>(kTypeDouble)
                                              ? static_cast<int32_t>(entry.type) : 0);
  if (elementSize == 0) {
    *size = 0;
    return true;
  }
  int32_t bytes = 0;
  if (!ByteSizeFits(entry.count, static_cast<uint32_t>(elementSize), &bytes)) return false;
  // 1-byte types carry a NUL after their bytes.
  if (elementSize == 1) {
    if (bytes == INT32_MAX) return false;
    ++bytes;
  }
  *size = static_cast<uint32_t>(bytes);
  return true;
}

// Decodes one directory entry into a new TifExifEntry. *skip is set when
// its value cannot be read wholly; null with *skip clear means an
// allocation failed.
TifExifEntry *BuildEntry(ByteStream &stream, bool bigEndian, const RawEntry &raw, bool *skip) {
  *skip = false;
  uint32_t size = 0;
  if (!DataSize(raw, &size)) {
    *skip = true;
    return nullptr;
  }
  const int32_t type = static_cast<int32_t>(raw.type);
  const bool known = ElementSize(raw.type <= static_cast<uint32_t>(kTypeDouble) ? type : 0) != 0;
  const int64_t valueSize = known ? static_cast<int64_t>(raw.count) * ElementSize(type) : 0;
  if (known && !ValueFitsInWord(type, raw.count)) {
    const uint32_t offset = ReadU32(raw.field, bigEndian);
    if (!StreamHolds(stream, offset, valueSize)) {
      *skip = true;
      return nullptr;
    }
  }
  TifExifEntry *entry = NewTifExifEntry(size);
  if (entry == nullptr) return nullptr;
  entry->tag = raw.tag;
  entry->type = raw.type;
  entry->count = raw.count;
  if (!known || valueSize == 0) return entry;
  auto *data = static_cast<uint8_t *>(entry->data);
  if (ValueFitsInWord(type, raw.count)) {
    std::memcpy(data, raw.field, static_cast<size_t>(valueSize));
  } else {
    const uint32_t offset = ReadU32(raw.field, bigEndian);
    stream.Seek(kSeekFromStart, static_cast<int32_t>(offset));
    if (stream.Tell() != static_cast<int32_t>(offset) ||
        !ReadExact(stream, data, static_cast<int32_t>(valueSize))) {
      std::free(entry->data);
      std::free(entry);
      *skip = true;
      return nullptr;
    }
  }
  ConvertToNative(data, raw.type, raw.count, bigEndian);
  return entry;
}

}  // namespace

TifExifData *NewTifExifData(int32_t capacity) {
  auto *record = static_cast<TifExifData *>(std::calloc(1, sizeof(TifExifData)));
  if (record == nullptr) return nullptr;
  if (capacity > 0) {
    record->entries = static_cast<TifExifEntry **>(std::calloc(static_cast<size_t>(capacity), sizeof(TifExifEntry *)));
    if (record->entries == nullptr) {
      std::free(record);
      return nullptr;
    }
  }
  return record;
}

TifExifEntry *NewTifExifEntry(uint32_t size) {
  auto *entry = static_cast<TifExifEntry *>(std::calloc(1, sizeof(TifExifEntry)));
  if (entry == nullptr || size == 0) return entry;
  entry->data = std::calloc(1, size);
  if (entry->data == nullptr) {
    std::free(entry);
    return nullptr;
  }
  return entry;
}

int AppendTifExifEntry(TifExifData *record, TifExifEntry *entry) {
  if (record == nullptr || entry == nullptr) return 0;
  record->entries[record->count] = entry;
  ++record->count;
  return 1;
}

void DiscardTifExifData(TifExifData *record) {
  if (record == nullptr) return;
  for (int32_t i = 0; i < record->count; ++i) {
    if (record->entries[i] != nullptr) std::free(record->entries[i]->data);
    std::free(record->entries[i]);
  }
  std::free(record->entries);
  std::free(record);
}

TifExifResult BuildTifExifData(bool bigEndian, ByteStream &stream, TifExifData **out) {
  uint8_t countBytes[kEntryCountSize];
  if (!ReadExact(stream, countBytes, kEntryCountSize)) return TifExifResult::kFailed;
  const int16_t entryCount = static_cast<int16_t>(ReadU16(countBytes, bigEndian));
  if (entryCount < kMinDirectoryEntries) {
    *out = nullptr;
    return TifExifResult::kBuilt;
  }
  const int32_t entryBytes = entryCount * kEntrySize;
  if (!StreamHolds(stream, stream.Tell(), entryBytes)) return TifExifResult::kFailed;
  std::unique_ptr<uint8_t[]> entries(new (std::nothrow) uint8_t[static_cast<size_t>(entryBytes)]);
  if (!entries || !ReadExact(stream, entries.get(), entryBytes)) return TifExifResult::kFailed;
  const int32_t after = stream.Tell();

  TifExifData *record = NewTifExifData(entryCount);
  if (record == nullptr) return TifExifResult::kFailed;
  for (int32_t i = 0; i < entryCount; ++i) {
    const RawEntry raw = DecodeEntry(entries.get() + static_cast<size_t>(i) * kEntrySize, bigEndian);
    bool skip = false;
    TifExifEntry *entry = BuildEntry(stream, bigEndian, raw, &skip);
    if (skip) continue;
    if (entry == nullptr) {
      DiscardTifExifData(record);
      return TifExifResult::kFailed;
    }
    AppendTifExifEntry(record, entry);
  }
  stream.Seek(kSeekFromStart, after);
  if (record->count == 0) {  // every entry was left out
    DiscardTifExifData(record);
    record = nullptr;
  }
  *out = record;
  return TifExifResult::kBuilt;
}

bool CopyExifMarker(ReaderContext &context, ExifMarkerData *marker) {
  if (context.format != static_cast<uint32_t>(kFormatJpeg) || context.exifExists == 0) return false;
  const SegmentLocation &segment = context.exifSegment;
  if (segment.payloadLength < 1 || !StreamHolds(*context.stream, segment.payloadOffset, segment.payloadLength)) {
    return false;
  }
  std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[static_cast<size_t>(segment.payloadLength)]);
  if (!block) return false;
  context.stream->Seek(kSeekFromStart, segment.payloadOffset);
  if (!ReadExact(*context.stream, block.get(), segment.payloadLength)) return false;
  marker->data = block.release();
  marker->length = segment.payloadLength;
  return true;
}

bool ReadTifExifData(ReaderContext &context, TifExifData **record) {
  if (context.format != static_cast<uint32_t>(kFormatTiff) || context.exifExists == 0) return false;
  if (context.exifDirectoryOffset <= 0) return false;
  if (!StreamHolds(*context.stream, context.exifDirectoryOffset, kEntryCountSize)) return false;
  context.stream->Seek(kSeekFromStart, context.exifDirectoryOffset);
  TifExifData *built = nullptr;
  const bool bigEndian = context.byteOrder == static_cast<uint32_t>(kBigEndian);
  if (BuildTifExifData(bigEndian, *context.stream, &built) != TifExifResult::kBuilt) return false;
  *record = built;
  return true;
}

}  // namespace kexif
