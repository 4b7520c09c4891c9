// The thumbnail bytes a JPEG save carries behind a directory of the Exif
// structure: the JPEG thumbnail held in the JPEGInterchangeFormat entry's
// data, or a one-strip uncompressed thumbnail held in its StripByteCounts
// entry's data. Measure and writer ask the same question here.
#ifndef KEXIF_SAVE_THUMBNAIL_BLOCK_H
#define KEXIF_SAVE_THUMBNAIL_BLOCK_H

#include <cstdint>

#include "model/exif_document.h"

namespace kexif {

struct ThumbnailBlock {
  const TagNode *offsetEntry = nullptr;  // entry that receives the new offset
  const uint8_t *data = nullptr;
  int32_t length = 0;
};

// True when directory holds the entry of a carried thumbnail; fills block.
bool FindThumbnailBlock(ExifDocument &document, const MetaNode *directory, ThumbnailBlock *block);

// True when a save writes the thumbnail bytes held in entry (a
// JPEGInterchangeFormat entry): the entry is a child of one of the
// directories the save writes, and in a TIFF document the first such entry
// of its directory. An entry inside a sub-directory, where a damaged file
// may put one, keeps only its value word through a save.
bool SaveCarriesThumbnailEntry(ExifDocument &document, const TagNode *entry);

// The direct child of owner with this tag id, or null.
TagNode *DirectChildTag(const MetaNode *owner, int32_t id);

}  // namespace kexif

#endif
