#include "edit/gps_directory.h"

#include <climits>
#include <memory>

#include "edit/entry_placement.h"
#include "edit/exif_subdirectory.h"
#include "edit/find_exif_tag.h"
#include "edit/set_tag_jpeg.h"
#include "edit/tag_value.h"

namespace kexif {
namespace {

constexpr uint32_t kTagGpsVersionId = 0;
constexpr uint32_t kMaxTagNumber = 0xFFFF;

// An entry among owner's own children (no descent), or null. Entry-count
// and directory-end nodes are not tag nodes, so tags 3 and 60 are safe.
TagNode *OwnEntry(MetaNode *owner, uint32_t tag) {
  if (owner == nullptr) return nullptr;
  for (MetaNode *child = owner->firstChild; child != nullptr; child = child->next) {
    TagNode *entry = AsTagNode(child);
    if (entry != nullptr && entry->id == static_cast<int32_t>(tag)) return entry;
  }
  return nullptr;
}

bool GpsValueUsable(const ExifDocument &document, uint32_t tag, const TagValue &value) {
  if (tag > kMaxTagNumber || value.type < kTypeByte || value.type > kTypeDouble) return false;
  return TagValueUsable(value, document.format == kFormatJpeg ? kMaxSegmentPayload : INT32_MAX);
}

std::unique_ptr<TagNode> NewGpsPointerEntry() {
  std::unique_ptr<TagNode> pointer = NewExifPointerEntry();
  pointer->id = static_cast<int32_t>(kTagGpsPointer);
  return pointer;
}

// The GPSVersionID entry a directory without one is given; null when the
// tag written is GPSVersionID itself or the directory has one.
std::unique_ptr<TagNode> MissingVersionEntry(MetaNode *pointer, uint32_t tag) {
  if (tag == kTagGpsVersionId || OwnEntry(pointer, kTagGpsVersionId) != nullptr) return nullptr;
  const TagValue version{kTypeByte, sizeof(kGpsVersion), const_cast<uint8_t *>(kGpsVersion)};
  return NewTagEntry(kTagGpsVersionId, version);
}

// Everything is allocated before the first link, so a failure leaves the
// tree as it was.
bool WriteGpsTag(ExifDocument &document, uint32_t tag, const TagValue &value) {
  TagNode *pointer = FindGpsPointer(document);
  if (TagNode *found = OwnEntry(pointer, tag)) {
    std::unique_ptr<TagNode> version = MissingVersionEntry(pointer, tag);
    if (ReplaceFoundEntry(document, *found, value) == 0) return false;
    if (version != nullptr) AddEntryToOwner(document, pointer, std::move(version));
    return true;
  }
  std::unique_ptr<TagNode> entry = NewTagEntry(tag, value);
  if (entry == nullptr) return false;
  std::unique_ptr<TagNode> version = MissingVersionEntry(pointer, tag);
  if (pointer != nullptr) {
    // A pointer without children gets its entry-count and end nodes first;
    // that may allocate, the second link does not.
    AddEntryToOwner(document, pointer, std::move(entry));
    if (version != nullptr) AddEntryToOwner(document, pointer, std::move(version));
    return true;
  }
  MetaNode *first = document.FindDirectory(0);
  if (document.format != kFormatJpeg && first == nullptr) return false;
  std::unique_ptr<TagNode> newPointer = NewGpsPointerEntry();
  NewSubdirectory(document, newPointer.get(), std::move(entry));
  if (version != nullptr) AddEntryToOwner(document, newPointer.get(), std::move(version));
  if (document.format == kFormatJpeg) {
    AddEntryJpeg(document, 0, std::move(newPointer));
  } else {
    AddEntryToOwner(document, first, std::move(newPointer));
  }
  return true;
}

}  // namespace

TagNode *FindGpsPointer(ExifDocument &document) { return FindFirstDirectoryEntry(document, kTagGpsPointer); }

TagNode *FindGpsEntry(ExifDocument &document, uint32_t tag) { return OwnEntry(FindGpsPointer(document), tag); }

int SetGpsTag(ExifDocument &document, uint32_t tag, const TagValue &value) {
  if (document.format != kFormatJpeg && document.format != kFormatTiff) return 0;
  if (!GpsValueUsable(document, tag, value)) return 0;
  CursorKeeper cursor(document);
  try {
    // A JPEG's Exif segment that was inserted as bytes becomes a tree
    // first, so that its directories are kept and extended.
    ParseBareExifSegment(document);
    return WriteGpsTag(document, tag, value) ? 1 : 0;
  } catch (...) {
    cursor.Restore();
    return 0;
  }
}

}  // namespace kexif
