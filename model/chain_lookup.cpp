#include "model/chain_lookup.h"

namespace kexif {

MetaNode *TopLevelOwner(MetaNode *node) {
  if (node == nullptr) return nullptr;
  while (node->parent != nullptr) node = node->parent;
  return node;
}

MetaNode *FindDirectoryInChain(MetaNode *first, int32_t n) {
  for (MetaNode *d = first; d != nullptr; d = d->next) {
    if (d->id == kIdDirectory && d->value == n && AsTagNode(d) == nullptr) return d;
  }
  return nullptr;
}

}  // namespace kexif
