// The checked read layer shared by the parsers and the reader: reads that
// succeed only when every byte arrived, and bounds checks written as
// subtractions so that they cannot overflow.
#ifndef KEXIF_STREAM_CHECKED_READ_H
#define KEXIF_STREAM_CHECKED_READ_H

#include <cstdint>

#include "stream/byte_stream.h"

namespace kexif {

// True only when all n bytes arrived. A short read leaves the stream
// wherever the read stopped; the caller must not use the buffer then.
bool ReadExact(ByteStream &stream, void *buffer, int32_t n);

// True when the range [offset, offset + length) lies inside [0, size).
inline bool RangeFits(int64_t offset, int64_t length, int64_t size) {
  return offset >= 0 && length >= 0 && offset <= size && length <= size - offset;
}

// count x elementSize in bytes when it fits in a positive 32-bit number;
// false when it would overflow (divide before multiplying).
inline bool ByteSizeFits(uint32_t count, uint32_t elementSize, int32_t *out) {
  if (elementSize != 0 && count > static_cast<uint32_t>(INT32_MAX) / elementSize) return false;
  *out = static_cast<int32_t>(count * elementSize);
  return true;
}

// True when length bytes can be read from offset of the stream.
inline bool StreamHolds(ByteStream &stream, int64_t offset, int64_t length) {
  return RangeFits(offset, length, stream.Size());
}

}  // namespace kexif

#endif
