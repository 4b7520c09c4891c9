#include "stream/checked_read.h"

namespace kexif {

bool ReadExact(ByteStream &stream, void *buffer, int32_t n) {
  if (n < 0) return false;
  if (n == 0) return true;
  return stream.Read(buffer, n) == n;
}

}  // namespace kexif
