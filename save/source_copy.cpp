#include "save/source_copy.h"

#include <algorithm>
#include <memory>
#include <new>

#include "stream/checked_read.h"

namespace kexif {

namespace {

constexpr int32_t kCopyChunk = 256 * 1024;

}  // namespace

bool CopyStreamRange(ByteStream &source, int64_t offset, int64_t length, ByteStream &out) {
  if (length == 0) return true;
  if (!StreamHolds(source, offset, length) || offset > INT32_MAX) return false;
  if (source.Seek(kSeekFromStart, static_cast<int32_t>(offset)) < 0) return false;
  const int32_t bufferSize = static_cast<int32_t>(std::min<int64_t>(length, kCopyChunk));
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[static_cast<size_t>(bufferSize)]);
  if (!buffer) return false;
  while (length > 0) {
    const int32_t n = static_cast<int32_t>(std::min<int64_t>(length, bufferSize));
    if (!ReadExact(source, buffer.get(), n)) return false;
    if (out.Write(buffer.get(), n) != n) return false;
    length -= n;
  }
  return true;
}

}  // namespace kexif
