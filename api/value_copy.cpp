#include "api/value_copy.h"

#include <cstdlib>
#include <cstring>

namespace kexif {

bool CopyValueOut(const TagNode &node, void **out) {
  const int32_t elementSize = ElementSize(node.type);
  if (elementSize == 0) return true;
  const int32_t wordElements = elementSize == 8 ? 0 : 4 / elementSize;
  const void *source;
  size_t length;
  if (node.count >= 0 && node.count <= wordElements) {
    source = &node.value;
    length = static_cast<size_t>(node.count) * static_cast<size_t>(elementSize);
  } else {
    source = node.data;
    length = node.data != nullptr && node.dataLength > 0 ? static_cast<size_t>(node.dataLength) : 0;
  }
  // A zero-length value still gets a block of its own, so that the host
  // can free what it receives.
  void *block = std::malloc(length > 0 ? length : 1);
  if (block == nullptr) return false;
  if (length > 0) std::memcpy(block, source, length);
  *out = block;
  return true;
}

}  // namespace kexif
