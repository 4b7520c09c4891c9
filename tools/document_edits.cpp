#include "tools/document_edits.h"

#include <cstring>
#include <vector>

#include "api/document_handle.h"
#include "edit/delete_tag.h"
#include "model/exif_constants.h"

namespace kexif::cli {

bool IsExifSegment(const SegmentNode &segment) {
  return segment.id == kMarkerApp1 && !segment.rawRun && segment.label != nullptr &&
         std::memcmp(segment.label, "Exif", 4) == 0;
}

void RemoveSegment(KExifHandle handle, SegmentNode *segment) {
  ExifDocument *document = ToDocument(handle);
  if (document == nullptr || segment == nullptr) return;
  const bool exif = IsExifSegment(*segment) || segment == document->exifSegment;
  if (!document->RemoveNode(segment) || !exif) return;
  document->exifSegment = nullptr;
  document->exifPointerTag = nullptr;
  document->thumbnailOffsetTag = nullptr;
  document->exifExists = 0;
  document->thumbnailExists = 0;
  document->thumbnailLoaded = 0;
}

bool RemoveThumbnailDirectory(KExifHandle handle) {
  ExifDocument *document = ToDocument(handle);
  if (document == nullptr || document->format != kFormatJpeg) return false;
  MetaNode *directory = document->FindDirectory(1);
  if (directory == nullptr) return false;
  std::vector<TagNode *> entries;
  for (MetaNode *node = directory->firstChild; node != nullptr; node = node->next) {
    if (TagNode *entry = AsTagNode(node)) entries.push_back(entry);
  }
  if (entries.empty()) return document->RemoveNode(directory);
  // The last removal prunes the emptied directory.
  for (TagNode *entry : entries) RemoveEntryAndPrune(*document, entry);
  return true;
}

}  // namespace kexif::cli
