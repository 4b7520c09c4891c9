#include "save/entry_layout.h"

#include <algorithm>

#include "stream/checked_read.h"

namespace kexif {

bool IsPointerTagId(int32_t id) {
  return id == static_cast<int32_t>(kTagExifPointer) || id == static_cast<int32_t>(kTagGpsPointer) ||
         id == static_cast<int32_t>(kTagInteropPointer);
}

bool HasWrittenSubDirectory(const MetaNode *node) {
  if (node == nullptr || !IsPointerTagId(node->id) || node->firstChild == nullptr) return false;
  return WrittenEntryCount(node) > 0;
}

bool IsWrittenEntry(const MetaNode *node) {
  if (AsTagNode(node) == nullptr) return false;
  if (IsPointerTagId(node->id)) return HasWrittenSubDirectory(node);
  return true;
}

int32_t WrittenEntryCount(const MetaNode *owner) {
  int32_t n = 0;
  for (const MetaNode *x = owner != nullptr ? owner->firstChild : nullptr; x != nullptr; x = x->next) {
    if (IsWrittenEntry(x)) ++n;
  }
  return n;
}

int32_t DirectoryTableSize(const MetaNode *owner) {
  return kEntryCountSize + kEntrySize * std::min(WrittenEntryCount(owner), kMaxWrittenEntries) + kLinkSize;
}

bool FitsInline(const TagNode &tag) {
  const uint32_t count = static_cast<uint32_t>(tag.count);
  switch (ElementSize(tag.type)) {
    case 1: return count < 5;
    case 2: return count < 3;
    case 4: return count == 1;
    case 8: return false;
    default: return true;
  }
}

bool OutOfLineSize(const TagNode &tag, int32_t *size) {
  *size = 0;
  if (HasWrittenSubDirectory(&tag) || FitsInline(tag)) return true;
  return ByteSizeFits(static_cast<uint32_t>(tag.count), static_cast<uint32_t>(ElementSize(tag.type)), size);
}

int32_t WrittenType(const TagNode &tag) {
  if (HasWrittenSubDirectory(&tag) && tag.type != kTypeIfd) return kTypeLong;
  return tag.type;
}

uint32_t WrittenCount(const TagNode &tag) {
  if (HasWrittenSubDirectory(&tag)) return 1;
  return static_cast<uint32_t>(tag.count);
}

}  // namespace kexif
