#include "edit/delete_tag.h"

#include "edit/entry_placement.h"
#include "edit/find_exif_tag.h"
#include "model/tree_search.h"

namespace kexif {

namespace {

bool IsDirectoryNode(const MetaNode *node) {
  return node->id == kIdDirectory && node->kind != kKindSegment && AsTagNode(node) == nullptr;
}

// A directory with no entries left: it goes when another directory remains;
// the last one takes its Exif segment with it in a JPEG document and stays
// in a TIFF document.
void PruneEmptyDirectory(ExifDocument &document, MetaNode *directory) {
  if (document.CountDirectories() >= 2) {
    document.RemoveNode(directory);
    return;
  }
  if (document.format != kFormatJpeg) return;
  SegmentNode *segment = directory->parent != nullptr ? AsSegmentNode(directory->parent) : nullptr;
  if (segment == nullptr || segment->id != kMarkerApp1) return;
  if (!document.RemoveNode(segment)) return;
  // The Exif state goes with the segment, as far as no other Exif segment
  // still holds the entries the flags report.
  if (document.exifPointerTag == nullptr) document.exifExists = 0;
  if (document.thumbnailOffsetTag == nullptr) document.thumbnailExists = 0;
}

}  // namespace

bool RemoveEntryAndPrune(ExifDocument &document, TagNode *entry) {
  const bool hadThumbnail = document.thumbnailOffsetTag != nullptr;
  MetaNode *owner = entry->parent;
  if (!document.RemoveNode(entry)) return false;
  while (owner != nullptr) {
    RecountEntries(owner);
    if (CountEntries(owner) != 0) break;
    if (AsTagNode(owner) != nullptr) {
      // A pointer entry whose sub-directory is now empty: both go, and the
      // directory that held the pointer is looked at next.
      MetaNode *holder = owner->parent;
      if (!document.RemoveNode(owner)) break;
      owner = holder;
      continue;
    }
    if (IsDirectoryNode(owner)) PruneEmptyDirectory(document, owner);
    break;
  }
  if (hadThumbnail && document.thumbnailOffsetTag == nullptr) {
    document.thumbnailExists = 0;
    document.thumbnailLoaded = 0;
  }
  return true;
}

int DeleteTag(ExifDocument &document, uint32_t tag, int32_t directory) {
  TagNode *entry = FindDirectoryTag(document, directory, static_cast<int32_t>(tag));
  if (entry == nullptr) return 0;
  return RemoveEntryAndPrune(document, entry) ? 1 : 0;
}

}  // namespace kexif
