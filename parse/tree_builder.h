// Turns what the parsers read into nodes of a document's tree: each event
// makes its node, links it with the document's cursor and keeps the
// document's shortcut fields and flags.
#ifndef KEXIF_PARSE_TREE_BUILDER_H
#define KEXIF_PARSE_TREE_BUILDER_H

#include <cstdint>
#include <memory>

#include "model/exif_document.h"
#include "model/nodes.h"

namespace kexif {

// One directory entry as read: each field converted to native order by its
// own width; valueField holds the in-line value in the tree's layout, or the
// offset of the value bytes when they lie out of line.
struct TiffEntry {
  uint16_t tag = 0;
  uint16_t type = 0;
  uint32_t count = 0;
  uint32_t valueField = 0;
};

// Bytes of an entry's value: count x element size. Only valid once the
// caller has checked it with ByteSizeFits.
int32_t EntryByteSize(const TiffEntry &entry);

// The document fields a TIFF parse may change besides the tree, so that a
// parse whose result is thrown away can be undone without a trace.
struct ParseMarks {
  int32_t byteOrder;
  TagNode *exifPointerTag;
  TagNode *thumbnailOffsetTag;
  int32_t exifExists;
  int32_t thumbnailLoaded;
  int32_t thumbnailExists;
  int32_t exifDirectoryVisited;
  int32_t gpsDirectoryVisited;
  int32_t interopDirectoryVisited;
  int32_t ownerHasChildren;
};

class TreeBuilder {
 public:
  explicit TreeBuilder(ExifDocument *doc) : document(doc) {}

  // Node allocation failures throw std::bad_alloc; the exported functions
  // catch it.
  void OnTiffHeader(int32_t byteOrder);  // kLittleEndian or kBigEndian
  void OnDirectoryStart(int32_t n);      // n counts from 1
  void OnEntryCount(int32_t count);
  // Returns the tag node made (the cursor stands on it).
  TagNode *OnEntry(const TiffEntry &entry);
  // Gives the tag node under the cursor a new[] block of EntryByteSize(entry)
  // bytes as its value, without a copy.
  void OnEntryData(const TiffEntry &entry, std::unique_ptr<uint8_t[]> bytes);
  void OnDirectoryEnd(int32_t nextOffset);
  void OnTiffEnd();
  // identifier: 4 bytes or null. Returns the segment node made.
  SegmentNode *OnSegment(int32_t marker, int32_t length, int32_t offset, const uint8_t *identifier);

  // Records the fields that a parse below owner may change.
  ParseMarks Mark(const MetaNode *owner) const;
  // Undoes a parse below owner: destroys owner's children, restores the
  // marked fields and puts the cursor on owner.
  void Discard(MetaNode *owner, const ParseMarks &marks);

  ExifDocument *document;
};

}  // namespace kexif

#endif
