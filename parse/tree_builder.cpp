#include "parse/tree_builder.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "parse/diagnostics.h"
#include "stream/checked_read.h"

namespace kexif {
namespace {

constexpr int32_t kLabelBytes = 8;
constexpr int32_t kIdentifierBytes = 4;
constexpr char kExifIdentifier[] = "Exif";

MetaNode *NewStructuralNode(int32_t id, int32_t kind, int32_t value) {
  auto *node = new MetaNode;
  node->id = id;
  node->kind = kind;
  node->value = value;
  return node;
}

// Copies the fields that ParseMarks and ExifDocument share, either way.
template <typename To, typename From>
void CopyParseFields(To &to, const From &from) {
  to.byteOrder = from.byteOrder;
  to.exifPointerTag = from.exifPointerTag;
  to.thumbnailOffsetTag = from.thumbnailOffsetTag;
  to.exifExists = from.exifExists;
  to.thumbnailLoaded = from.thumbnailLoaded;
  to.thumbnailExists = from.thumbnailExists;
  to.exifDirectoryVisited = from.exifDirectoryVisited;
  to.gpsDirectoryVisited = from.gpsDirectoryVisited;
  to.interopDirectoryVisited = from.interopDirectoryVisited;
}

}  // namespace

int32_t EntryByteSize(const TiffEntry &entry) {
  int32_t size = 0;
  if (!ByteSizeFits(entry.count, static_cast<uint32_t>(ElementSize(entry.type)), &size)) return 0;
  return size;
}

void TreeBuilder::OnTiffHeader(int32_t byteOrder) {
  document->AppendChild(NewStructuralNode(kIdHeader, kKindTiffItem, byteOrder));
  document->byteOrder = byteOrder;
}

void TreeBuilder::OnDirectoryStart(int32_t n) {
  Diagnose("IFD:%d \n", n);
  MetaNode *directory = NewStructuralNode(kIdDirectory, kKindDefault, n - 1);
  directory->hasChildren = 1;
  document->AppendSibling(directory);
}

void TreeBuilder::OnEntryCount(int32_t count) {
  Diagnose("EntryCount=%d\n", count);
  document->AppendChild(NewStructuralNode(kIdEntryCount, kKindTiffItem, count));
}

TagNode *TreeBuilder::OnEntry(const TiffEntry &entry) {
  auto *node = new TagNode;
  node->id = entry.tag;
  node->type = entry.type;
  node->count = static_cast<int32_t>(entry.count);
  node->value = static_cast<int32_t>(entry.valueField);
  document->AppendSibling(node);
  if (entry.tag == kTagExifPointer) {
    document->exifPointerTag = node;
    document->exifExists = 1;
  } else if (entry.tag == kTagJpegInterchangeFormat) {
    document->thumbnailOffsetTag = node;
    document->thumbnailExists = 1;
    document->thumbnailLoaded = 0;
  }
  return node;
}

void TreeBuilder::OnEntryData(const TiffEntry &entry, std::unique_ptr<uint8_t[]> bytes) {
  TagNode *node = AsTagNode(document->current);
  const int32_t length = EntryByteSize(entry);
  if (node == nullptr || length < 1) return;
  delete[] node->data;
  node->data = bytes.release();
  node->dataLength = length;
}

void TreeBuilder::OnDirectoryEnd(int32_t nextOffset) {
  Diagnose("NextIFDOFfset:%d\n", nextOffset);
  MetaNode *end = NewStructuralNode(kIdDirectoryEnd, kKindDefault, nextOffset);
  document->AppendSibling(end);
  if (end->parent != nullptr) {
    document->SetCursor(end->parent);
  } else {
    document->CursorUp();
  }
}

void TreeBuilder::OnTiffEnd() { document->CursorUp(); }

SegmentNode *TreeBuilder::OnSegment(int32_t marker, int32_t length, int32_t offset,
                                    const uint8_t *identifier) {
  auto *node = new SegmentNode(marker, length, offset);
  if (identifier != nullptr) {
    node->label = static_cast<char *>(std::calloc(kLabelBytes, 1));
    if (node->label == nullptr) {
      delete node;
      throw std::bad_alloc();
    }
    std::memcpy(node->label, identifier, kIdentifierBytes);
  }
  document->AppendSibling(node);
  if (marker == kMarkerApp1 && identifier != nullptr &&
      std::memcmp(identifier, kExifIdentifier, kIdentifierBytes) == 0) {
    document->exifSegment = node;
  }
  return node;
}

ParseMarks TreeBuilder::Mark(const MetaNode *owner) const {
  ParseMarks marks{};
  CopyParseFields(marks, *document);
  marks.ownerHasChildren = owner->hasChildren;
  return marks;
}

void TreeBuilder::Discard(MetaNode *owner, const ParseMarks &marks) {
  MetaNode *children = owner->firstChild;
  owner->firstChild = nullptr;
  owner->hasChildren = marks.ownerHasChildren;
  CopyParseFields(*document, marks);
  document->SetCursor(owner);
  delete children;
}

}  // namespace kexif
