#include <memory>

#include "edit/entry_placement.h"
#include "edit/exif_segment.h"
#include "edit/exif_subdirectory.h"
#include "edit/find_exif_tag.h"
#include "edit/set_tag_jpeg.h"
#include "edit/tag_set.h"
#include "model/tree_search.h"

namespace kexif {

namespace {

// A directory whose own entries include the thumbnail offset (513) is a
// thumbnail directory, whatever its number says.
bool HoldsThumbnailEntry(MetaNode *directory) {
  for (MetaNode *child = directory->firstChild; child != nullptr; child = child->next) {
    if (child->id == static_cast<int32_t>(kTagJpegInterchangeFormat) && AsTagNode(child) != nullptr) return true;
  }
  return false;
}

void AdoptExifPointer(ExifDocument &document, TagNode *pointer) {
  document.exifPointerTag = pointer;
  document.exifExists = 1;
}

// A new Exif segment: header, directory 0 with the pointer entry, and the
// Exif sub-directory with the entry.
void AddSegmentWithExifDirectory(ExifDocument &document, std::unique_ptr<TagNode> entry) {
  auto segment = NewApp1Segment();
  auto header = NewHeaderNode();
  TagNode *pointer = nullptr;
  std::unique_ptr<MetaNode> directory = NewDirectoryZeroWithExifPointer(document, std::move(entry), &pointer);
  document.SetCursor(segment.get());
  document.AppendChild(header.release());
  document.AppendSibling(directory.release());
  LinkExifSegment(document, std::move(segment));
  AdoptExifPointer(document, pointer);
}

// A new directory 0 holding only the pointer entry, right after the
// segment's header and so ahead of every other directory. A lone
// thumbnail directory numbered 0 becomes directory 1 first.
void AddDirectoryZero(ExifDocument &document, SegmentNode *segment, std::unique_ptr<TagNode> entry,
                      MetaNode *thumbnailDirectory) {
  std::unique_ptr<MetaNode> spareHeader = FindHeaderNode(segment) == nullptr ? NewHeaderNode() : nullptr;
  TagNode *pointer = nullptr;
  std::unique_ptr<MetaNode> directory = NewDirectoryZeroWithExifPointer(document, std::move(entry), &pointer);
  if (thumbnailDirectory != nullptr) thumbnailDirectory->value = 1;
  MetaNode *header = AdoptHeaderNode(document, segment, std::move(spareHeader));
  InsertAfter(header, directory.release());
  AdoptExifPointer(document, pointer);
}

}  // namespace

int SetExifTagJpeg(ExifDocument &document, uint32_t tag, const TagValue &value) {
  CursorKeeper cursor(document);
  try {
    if (TagNode *found = FindMemberEntry(document, tag)) {
      return ReplaceFoundEntry(document, *found, value);
    }
    std::unique_ptr<TagNode> entry = NewTagEntry(tag, value);
    if (entry == nullptr) return 0;
    if (IsMadeInFirstDirectory(tag)) {
      AddEntryJpeg(document, 0, std::move(entry));
      return 1;
    }
    if (document.exifPointerTag != nullptr) {
      AddEntryToOwner(document, document.exifPointerTag, std::move(entry));
      return 1;
    }
    SegmentNode *segment = FindExifApp1(document);
    if (segment == nullptr) {
      AddSegmentWithExifDirectory(document, std::move(entry));
      return 1;
    }
    MetaNode *first = document.FindDirectory(0);
    // Renumbering is only done when no directory 1 exists, so that two
    // directories never share a number.
    const bool thumbnailOnly =
        first != nullptr && HoldsThumbnailEntry(first) && document.FindDirectory(1) == nullptr;
    if (first != nullptr && !thumbnailOnly) {
      AddExifPointer(document, first, std::move(entry));
      return 1;
    }
    AddDirectoryZero(document, segment, std::move(entry), thumbnailOnly ? first : nullptr);
    return 1;
  } catch (...) {
    cursor.Restore();
    return 0;
  }
}

}  // namespace kexif
