#include "reader/entry_value.h"

#include <cstring>
#include <new>

#include "model/exif_constants.h"
#include "stream/byte_order.h"
#include "stream/checked_read.h"

namespace kexif {

RawEntry DecodeEntry(const uint8_t *bytes, bool bigEndian) {
  return RawEntry{ReadU16(bytes, bigEndian), ReadU16(bytes + 2, bigEndian), ReadU32(bytes + 4, bigEndian), bytes + 8};
}

uint32_t FieldNumber(const RawEntry &entry, bool bigEndian) {
  if (entry.type == static_cast<uint32_t>(kTypeShort) || entry.type == static_cast<uint32_t>(kTypeSShort)) {
    return ReadU16(entry.field, bigEndian);
  }
  return ReadU32(entry.field, bigEndian);
}

void ConvertToNative(uint8_t *bytes, uint32_t type, uint32_t count, bool bigEndian) {
  if (!bigEndian || bytes == nullptr) return;
  const int32_t size = ElementSize(static_cast<int32_t>(type));
  for (uint32_t i = 0; i < count; ++i) {
    uint8_t *element = bytes + static_cast<size_t>(i) * static_cast<size_t>(size);
    switch (size) {
      case 2: Swap16(element); break;
      case 4: Swap32(element); break;
      case 8:
        if (type == static_cast<uint32_t>(kTypeDouble)) {
          Swap64(element);
        } else {
          Swap32(element);
          Swap32(element + 4);
        }
        break;
      default: return;  // single bytes have no byte order
    }
  }
}

bool ReadEntryValue(const TiffData &data, const RawEntry &entry, int32_t extraBytes, EntryValue *out) {
  const int32_t type = entry.type <= static_cast<uint32_t>(kTypeDouble) ? static_cast<int32_t>(entry.type) : 0;
  const int32_t elementSize = ElementSize(type);
  int32_t size = 0;
  // Unknown types count one byte an element and are never read from an offset.
  if (!ByteSizeFits(entry.count, elementSize == 0 ? 1 : static_cast<uint32_t>(elementSize), &size)) return false;
  const bool inField = elementSize == 0 ? size <= kValueFieldSize : ValueFitsInWord(type, entry.count);
  if (elementSize == 0 && !inField) return false;
  if (size > INT32_MAX - extraBytes) return false;
  // The value's place is checked before anything is allocated for it.
  const uint32_t offset = inField ? 0 : ReadU32(entry.field, data.bigEndian);
  if (!inField && !RangeFits(offset, size, data.limit)) return false;
  out->size = size;
  out->bytes.reset();
  if (size + extraBytes == 0) return true;
  out->bytes.reset(new (std::nothrow) uint8_t[static_cast<size_t>(size + extraBytes)]());
  if (!out->bytes) return false;
  if (inField) {
    std::memcpy(out->bytes.get(), entry.field, static_cast<size_t>(size));
  } else {
    const int64_t position = data.base + offset;
    if (position > INT32_MAX) return false;
    data.stream->Seek(kSeekFromStart, static_cast<int32_t>(position));
    if (data.stream->Tell() != position || !ReadExact(*data.stream, out->bytes.get(), size)) return false;
  }
  ConvertToNative(out->bytes.get(), static_cast<uint32_t>(type), entry.count, data.bigEndian);
  return true;
}

}  // namespace kexif
