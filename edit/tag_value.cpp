#include "edit/tag_value.h"

#include <cstring>

#include "stream/checked_read.h"

namespace kexif {

namespace {

// Bytes per element as the value encoding counts them: types outside 1..12
// count one byte per element.
uint32_t EncodedElementSize(int32_t type) {
  int32_t size = ElementSize(type);
  return size == 0 ? 1u : static_cast<uint32_t>(size);
}

bool KnownType(int32_t type) { return ElementSize(type) != 0; }

}  // namespace

int32_t TagValueByteSize(const TagValue &value) {
  int32_t bytes = 0;
  if (value.count < 0 || !ByteSizeFits(static_cast<uint32_t>(value.count), EncodedElementSize(value.type), &bytes)) {
    return 0;
  }
  return bytes;
}

bool TagValueUsable(const TagValue &value, int32_t maxBytes) {
  if (value.count < 0) return false;
  if (value.count > 0 && value.data == nullptr) return false;
  int32_t bytes = 0;
  if (!ByteSizeFits(static_cast<uint32_t>(value.count), EncodedElementSize(value.type), &bytes)) return false;
  return bytes <= maxBytes;
}

int StoreTagValue(TagNode &entry, const TagValue &value) {
  entry.source = SourceSpan{};  // the host's value was read from nowhere
  if (!KnownType(value.type)) {
    entry.ClearData();
    entry.value = 0;
    return 1;
  }
  const int32_t bytes = TagValueByteSize(value);
  if (ValueFitsInWord(value.type, static_cast<uint32_t>(value.count))) {
    uint32_t word = 0;
    if (bytes > 0) std::memcpy(&word, value.data, static_cast<size_t>(bytes));
    entry.ClearData();
    std::memcpy(&entry.value, &word, sizeof word);
    return 1;
  }
  // Make the new buffer before the old one goes, so that a failed
  // allocation leaves the previous value whole.
  BlobNode fresh;
  if (bytes > 0 && fresh.SetData(value.data, bytes) == 0) return 0;
  entry.ClearData();
  entry.value = 0;
  entry.data = fresh.data;
  entry.dataLength = fresh.dataLength;
  fresh.data = nullptr;
  fresh.dataLength = 0;
  return 1;
}

int ReplaceEntryValue(TagNode &entry, const TagValue &value) {
  const int32_t oldType = entry.type;
  const int32_t oldCount = entry.count;
  entry.type = value.type;
  entry.count = value.count;
  if (StoreTagValue(entry, value) == 0) {
    entry.type = oldType;
    entry.count = oldCount;
    return 0;
  }
  return 1;
}

}  // namespace kexif
