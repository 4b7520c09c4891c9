#include "edit/set_tag_jpeg.h"

#include <memory>
#include <new>

#include "edit/entry_placement.h"
#include "edit/exif_subdirectory.h"
#include "edit/exif_segment.h"
#include "edit/find_exif_tag.h"
#include "model/tree_search.h"

namespace kexif {

namespace {

// A new Exif segment holding header and directory 0 with the entry.
void AddSegmentWithEntry(ExifDocument &document, std::unique_ptr<TagNode> entry) {
  auto segment = NewApp1Segment();
  auto header = NewHeaderNode();
  auto directory = NewDirectoryNode(0);
  NewSubdirectory(document, directory.get(), std::move(entry));
  document.SetCursor(segment.get());
  document.AppendChild(header.release());
  document.AppendSibling(directory.release());
  LinkExifSegment(document, std::move(segment));
}

// A new directory with the entry, placed in the Exif segment: directory 0
// right after the header; another number right after directory 0, or, when
// there is no directory 0, after the segment's last directory.
void AddDirectoryWithEntry(ExifDocument &document, SegmentNode *segment, int32_t number,
                           std::unique_ptr<TagNode> entry) {
  auto directory = NewDirectoryNode(number);
  std::unique_ptr<MetaNode> spareHeader = FindHeaderNode(segment) == nullptr ? NewHeaderNode() : nullptr;
  NewSubdirectory(document, directory.get(), std::move(entry));
  MetaNode *header = AdoptHeaderNode(document, segment, std::move(spareHeader));
  MetaNode *anchor = header;
  if (number != 0) {
    MetaNode *first = document.FindDirectory(0);
    if (first == nullptr) first = LastDirectoryIn(segment);
    if (first != nullptr) anchor = first;
  }
  InsertAfter(anchor, directory.release());
}

}  // namespace

void AddEntryJpeg(ExifDocument &document, int32_t directory, std::unique_ptr<TagNode> entry) {
  MetaNode *named = document.FindDirectory(directory);
  SegmentNode *segment = FindExifApp1(document);
  if (named != nullptr) {
    AddEntryToOwner(document, named, std::move(entry));
  } else if (segment == nullptr) {
    AddSegmentWithEntry(document, std::move(entry));
  } else {
    AddDirectoryWithEntry(document, segment, directory, std::move(entry));
  }
}

int SetTagJpeg(ExifDocument &document, uint32_t tag, const TagValue &value, int32_t directory) {
  CursorKeeper cursor(document);
  try {
    if (document.FindDirectory(directory) != nullptr) {
      if (TagNode *found = FindDirectoryTag(document, directory, static_cast<int32_t>(tag))) {
        return ReplaceFoundEntry(document, *found, value);
      }
    }
    std::unique_ptr<TagNode> entry = NewTagEntry(tag, value);
    if (entry == nullptr) return 0;
    AddEntryJpeg(document, directory, std::move(entry));
    return 1;
  } catch (...) {
    cursor.Restore();
    return 0;
  }
}

}  // namespace kexif
