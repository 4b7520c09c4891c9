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

}  // namespace kexif

#endif
