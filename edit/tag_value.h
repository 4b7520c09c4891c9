// Storing a caller's TagValue in a TagNode: in the 4-byte value word when
// the whole value fits there, else in the node's own data buffer.
#ifndef KEXIF_EDIT_TAG_VALUE_H
#define KEXIF_EDIT_TAG_VALUE_H

#include <cstdint>

#include "kexif.h"
#include "model/nodes.h"

namespace kexif {

// count x element size as a signed 32-bit number (element size 1 for a type
// outside 1..12). The caller has checked the value with TagValueUsable, so
// the product neither overflows nor is negative.
int32_t TagValueByteSize(const TagValue &value);

// True when the value can be stored without reading outside the caller's
// bytes: count >= 0, data present when count > 0, and count x element size
// not above maxBytes (computed without overflow).
bool TagValueUsable(const TagValue &value, int32_t maxBytes);

// Writes the value into the entry, whose type and count the caller has set
// from the same TagValue. A type outside 1..12 leaves a zero value word and
// no data. Returns 0, and leaves the entry's value as it was, when the
// buffer for an out-of-line value cannot be had; else 1.
int StoreTagValue(TagNode &entry, const TagValue &value);

// Sets type and count from the value, then stores it. On failure (0) the
// entry keeps its previous type, count and value.
int ReplaceEntryValue(TagNode &entry, const TagValue &value);

}  // namespace kexif

#endif
