// Copying a tag node's value out to the host.
#ifndef KEXIF_API_VALUE_COPY_H
#define KEXIF_API_VALUE_COPY_H

#include "model/nodes.h"

namespace kexif {

// Copies the value bytes of node into a new malloc block stored in *out:
// from the value word when the value sits there (1-byte types up to 4
// elements, 2-byte types up to 2, 4-byte types up to 1), else the
// dataLength bytes of data (an empty value gives a block of length 0).
// A type outside 1..12 has no value bytes: *out is left as it was.
// Returns false, with *out unchanged, when the allocation fails.
bool CopyValueOut(const TagNode &node, void **out);

}  // namespace kexif

#endif
