// Copying a range of one stream into another in bounded chunks.
#ifndef KEXIF_SAVE_SOURCE_COPY_H
#define KEXIF_SAVE_SOURCE_COPY_H

#include <cstdint>

#include "stream/byte_stream.h"

namespace kexif {

// Copies length bytes starting at offset of source to out's current
// position. False (after copying a part, perhaps) when source does not hold
// the whole range, a read comes up short or a write is refused; nothing
// that was not read is ever written.
bool CopyStreamRange(ByteStream &source, int64_t offset, int64_t length, ByteStream &out);

// The same, reversing the bytes of every whole element of elementSize (2, 4
// or 8) bytes on the way: big-endian samples become little-endian ones. A
// tail shorter than one element is copied as it is. Another elementSize
// copies as CopyStreamRange does.
bool CopyStreamRangeSwapped(ByteStream &source, int64_t offset, int64_t length, int32_t elementSize,
                            ByteStream &out);

}  // namespace kexif

#endif
