#include "model/tree_search.h"

#include <vector>

namespace kexif {

namespace {

// Calls visit(node) in FindById order until it returns true.
template <typename Visit>
MetaNode *WalkPreOrder(MetaNode *start, Visit visit) {
  std::vector<MetaNode *> pending;  // siblings still to be visited
  MetaNode *node = start;
  while (node != nullptr || !pending.empty()) {
    if (node == nullptr) {
      node = pending.back();
      pending.pop_back();
    }
    if (visit(node)) return node;
    if (node->next != nullptr) pending.push_back(node->next);
    node = node->firstChild;
  }
  return nullptr;
}

}  // namespace

MetaNode *FindById(MetaNode *start, int32_t id) {
  // Fast path: most searches end within the first few nodes.
  return WalkPreOrder(start, [id](MetaNode *n) { return n->id == id; });
}

TagNode *FindTagById(MetaNode *start, int32_t id) {
  MetaNode *found = WalkPreOrder(start, [id](MetaNode *n) {
    return n->id == id && n->kind == kKindTiffItem && AsTagNode(n) != nullptr;
  });
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
    if (c->kind == kKindTiffItem && c->id != kIdEntryCount && AsTagNode(c) != nullptr) ++n;
  }
  return n;
}

}  // namespace kexif
