#include "model/tree_search.h"

#include <vector>

#include "model/chain_lookup.h"
#include "model/exif_constants.h"
#include "model/exif_document.h"

namespace kexif {

namespace {

// Calls visit(node) in FindById order until it returns true; the children
// of a node are visited only when descend(node) is true.
template <typename Visit, typename Descend>
MetaNode *WalkPreOrder(MetaNode *start, Visit visit, Descend descend) {
  std::vector<MetaNode *> pending;  // siblings still to be visited
  MetaNode *node = start;
  while (node != nullptr || !pending.empty()) {
    if (node == nullptr) {
      node = pending.back();
      pending.pop_back();
    }
    if (visit(node)) return node;
    if (node->next != nullptr) pending.push_back(node->next);
    node = descend(node) ? node->firstChild : nullptr;
  }
  return nullptr;
}

template <typename Visit>
MetaNode *WalkPreOrder(MetaNode *start, Visit visit) {
  return WalkPreOrder(start, visit, [](MetaNode *) { return true; });
}

bool IsTagNode(MetaNode *n) { return n->kind == kKindTiffItem && AsTagNode(n) != nullptr; }

}  // namespace

MetaNode *FindById(MetaNode *start, int32_t id) {
  // Fast path: most searches end within the first few nodes.
  return WalkPreOrder(start, [id](MetaNode *n) { return n->id == id; });
}

TagNode *FindTagById(MetaNode *start, int32_t id) {
  MetaNode *found = WalkPreOrder(start, [id](MetaNode *n) { return n->id == id && IsTagNode(n); });
  return static_cast<TagNode *>(found);
}

MetaNode *FindStructuralById(MetaNode *start, int32_t id) {
  return WalkPreOrder(start, [id](MetaNode *n) { return n->id == id && n->kind != kKindSegment && !IsTagNode(n); });
}

TagNode *FindTagByIdPruned(MetaNode *start, int32_t id, int32_t prunedId) {
  MetaNode *found = WalkPreOrder(
      start, [id](MetaNode *n) { return n->id == id && IsTagNode(n); },
      [prunedId](MetaNode *n) { return n->id != prunedId || !IsTagNode(n); });
  return static_cast<TagNode *>(found);
}

MetaNode *FindSiblingById(MetaNode *node, int32_t id) {
  while (node != nullptr && node->id != id) node = node->next;
  return node;
}

void InsertAfter(MetaNode *a, MetaNode *b) {
  if (a->next != nullptr) b->next = a->next;
  a->next = b;
  b->parent = a->parent;
}

bool SubtreeContains(MetaNode *node, const MetaNode *target) {
  if (node == nullptr || target == nullptr) return false;
  if (node == target) return true;
  if (node->firstChild == nullptr) return false;
  return WalkPreOrder(node->firstChild, [target](MetaNode *n) { return n == target; }) != nullptr;
}

int32_t CountEntries(MetaNode *owner) {
  int32_t n = 0;
  if (owner == nullptr) return 0;
  for (MetaNode *c = owner->firstChild; c != nullptr; c = c->next) {
    // Only the entry-count node at the head is passed over: an entry with
    // tag 3 (a GPS tag, for one) further down is an entry like any other.
    const bool countNode = c == owner->firstChild && c->id == kIdEntryCount;
    if (!countNode && c->kind == kKindTiffItem && AsTagNode(c) != nullptr) ++n;
  }
  return n;
}

TagNode *FindThumbnailLengthTag(ExifDocument &document, TagNode *offsetTag) {
  if (offsetTag == nullptr) return nullptr;
  TagNode *found = FindTagById(offsetTag, static_cast<int32_t>(kTagJpegInterchangeFormatLength));
  if (found != nullptr) return found;
  MetaNode *structure = document.root;
  if (document.format == kFormatJpeg) {
    MetaNode *owner = TopLevelOwner(offsetTag);
    structure = owner != nullptr ? owner->firstChild : nullptr;
  }
  return FindTagById(structure, static_cast<int32_t>(kTagJpegInterchangeFormatLength));
}

}  // namespace kexif
