#include "edit/exif_segment.h"

#include "model/tree_search.h"

namespace kexif {

SegmentNode *FindTopLevelSegment(ExifDocument &document, int32_t marker) {
  for (MetaNode *node = document.root; node != nullptr; node = node->next) {
    if (node->id == marker && node->kind == kKindSegment) {
      if (SegmentNode *segment = AsSegmentNode(node)) return segment;
    }
  }
  return nullptr;
}

SegmentNode *ExifSegmentAnchor(ExifDocument &document) {
  for (MetaNode *node = document.root; node != nullptr && node->id != kMarkerSos; node = node->next) {
    if (node->id == kMarkerApp0 && node->kind == kKindSegment) {
      if (SegmentNode *segment = AsSegmentNode(node)) return segment;
    }
  }
  return FindTopLevelSegment(document, kMarkerSoi);
}

MetaNode *FindHeaderNode(MetaNode *segment) {
  if (segment == nullptr) return nullptr;
  for (MetaNode *child = segment->firstChild; child != nullptr; child = child->next) {
    if (child->id == kIdHeader && AsTagNode(child) == nullptr) return child;
  }
  return nullptr;
}

SegmentNode *FindExifApp1(ExifDocument &document) {
  if (document.exifSegment != nullptr) return document.exifSegment;
  for (MetaNode *node = document.root; node != nullptr; node = node->next) {
    if (node->id != kMarkerApp1 || node->kind != kKindSegment) continue;
    SegmentNode *segment = AsSegmentNode(node);
    if (segment != nullptr && FindHeaderNode(segment) != nullptr) return segment;
  }
  return nullptr;
}

MetaNode *AdoptHeaderNode(ExifDocument &document, SegmentNode *segment, std::unique_ptr<MetaNode> spare) {
  if (MetaNode *header = FindHeaderNode(segment)) return header;
  MetaNode *header = spare.release();
  header->next = segment->firstChild;
  header->parent = segment;
  segment->firstChild = header;
  segment->hasChildren = 1;
  document.byteOrder = kLittleEndian;
  return header;
}

MetaNode *LastDirectoryIn(MetaNode *segment) {
  MetaNode *last = nullptr;
  for (MetaNode *child = segment->firstChild; child != nullptr; child = child->next) {
    if (child->id == kIdDirectory && AsTagNode(child) == nullptr) last = child;
  }
  return last;
}

std::unique_ptr<SegmentNode> NewApp1Segment() { return std::make_unique<SegmentNode>(kMarkerApp1, 0, 0); }

void LinkExifSegment(ExifDocument &document, std::unique_ptr<SegmentNode> segment) {
  MetaNode *anchor = ExifSegmentAnchor(document);
  SegmentNode *linked = segment.release();
  if (anchor != nullptr) {
    InsertAfter(anchor, linked);
  } else {
    // A document without SOI (never made by the loader): the segment leads.
    linked->next = document.root;
    linked->parent = nullptr;
    document.root = linked;
  }
  document.exifSegment = linked;
  document.byteOrder = kLittleEndian;
}

}  // namespace kexif
