#include "model/segment_lookup.h"

#include "model/tree_search.h"

namespace kexif {

SegmentNode *FindTopLevelSegment(ExifDocument &document, int32_t marker) {
  for (MetaNode *n = document.root; n != nullptr; n = n->next) {
    if (n->id == marker && n->kind == kKindSegment) return AsSegmentNode(n);
  }
  return nullptr;
}

MetaNode *FindHeaderUnder(MetaNode *segment) {
  if (segment == nullptr) return nullptr;
  return FindSiblingById(segment->firstChild, kIdHeader);
}

SegmentNode *FindExifApp1(ExifDocument &document) {
  if (document.exifSegment != nullptr) return document.exifSegment;
  for (MetaNode *n = document.root; n != nullptr; n = n->next) {
    if (n->id == kMarkerApp1 && n->kind == kKindSegment && FindHeaderUnder(n) != nullptr) return AsSegmentNode(n);
  }
  return nullptr;
}

MetaNode *TopLevelOwner(MetaNode *node) {
  if (node == nullptr) return nullptr;
  while (node->parent != nullptr) node = node->parent;
  return node;
}

MetaNode *FindDirectoryInChain(MetaNode *first, int32_t n) {
  for (MetaNode *d = first; d != nullptr; d = d->next) {
    if (d->id == kIdDirectory && d->value == n) return d;
  }
  return nullptr;
}

}  // namespace kexif
