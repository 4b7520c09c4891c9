#include "save/thumbnail_block.h"

#include "save/entry_layout.h"
#include "save/tiff_structure.h"

namespace kexif {

TagNode *DirectChildTag(const MetaNode *owner, int32_t id) {
  for (MetaNode *x = owner != nullptr ? owner->firstChild : nullptr; x != nullptr; x = x->next) {
    if (x->id == id) {
      if (TagNode *tag = AsTagNode(x)) return tag;
    }
  }
  return nullptr;
}

bool SaveCarriesThumbnailEntry(ExifDocument &document, const TagNode *entry) {
  if (entry == nullptr) return false;
  for (const MetaNode *directory : DirectoryChain(TiffHeaderNode(document))) {
    if (entry->parent != directory) continue;
    // The TIFF writer takes the directory's first thumbnail entry.
    return document.format != kFormatTiff || DirectChildTag(directory, kTagJpegInterchangeFormat) == entry;
  }
  return false;
}

bool FindThumbnailBlock(ExifDocument &document, const MetaNode *directory, ThumbnailBlock *block) {
  *block = ThumbnailBlock{};
  if (directory == nullptr) return false;
  const TagNode *t = document.thumbnailOffsetTag;
  if (t != nullptr && t->type == kTypeLong && t->count == 1) {
    for (const MetaNode *x = directory->firstChild; x != nullptr; x = x->next) {
      if (x == t) {
        block->offsetEntry = t;
        block->data = t->data;
        block->length = t->data != nullptr ? t->dataLength : 0;
        return true;
      }
    }
  }
  if (document.singleStripLoaded != 0) {
    const TagNode *offsets = DirectChildTag(directory, kTagStripOffsets);
    const TagNode *counts = DirectChildTag(directory, kTagStripByteCounts);
    if (offsets != nullptr && counts != nullptr && offsets->count <= 1 && counts->data != nullptr &&
        counts->dataLength > 0 && FitsInline(*counts)) {
      block->offsetEntry = offsets;
      block->data = counts->data;
      block->length = counts->dataLength;
      return true;
    }
  }
  return false;
}

}  // namespace kexif
