#include "save/source_copy.h"

#include <algorithm>
#include <memory>
#include <new>

#include "stream/checked_read.h"

namespace kexif {

namespace {

// A multiple of every element size, so no element straddles two chunks.
constexpr int32_t kCopyChunk = 256 * 1024;

void ReverseElements(uint8_t *bytes, int32_t length, int32_t elementSize) {
  for (int32_t at = 0; elementSize <= length - at; at += elementSize) {
    std::reverse(bytes + at, bytes + at + elementSize);
  }
}

}  // namespace

bool CopyStreamRange(ByteStream &source, int64_t offset, int64_t length, ByteStream &out) {
  return CopyStreamRangeSwapped(source, offset, length, 1, out);
}

bool CopyStreamRangeSwapped(ByteStream &source, int64_t offset, int64_t length, int32_t elementSize,
                            ByteStream &out) {
  const bool swap = elementSize == 2 || elementSize == 4 || elementSize == 8;
  if (length == 0) return true;
  if (!StreamHolds(source, offset, length) || offset > INT32_MAX) return false;
  if (source.Seek(kSeekFromStart, static_cast<int32_t>(offset)) < 0) return false;
  const int32_t bufferSize = static_cast<int32_t>(std::min<int64_t>(length, kCopyChunk));
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[static_cast<size_t>(bufferSize)]);
  if (!buffer) return false;
  while (length > 0) {
    const int32_t n = static_cast<int32_t>(std::min<int64_t>(length, bufferSize));
    if (!ReadExact(source, buffer.get(), n)) return false;
    if (swap) ReverseElements(buffer.get(), n, elementSize);
    if (out.Write(buffer.get(), n) != n) return false;
    length -= n;
  }
  return true;
}

}  // namespace kexif
