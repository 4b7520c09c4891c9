#include "tests/support/hand_tree.h"

#include "model/tree_search.h"

namespace kexif::test {

std::vector<int32_t> ChildIds(const MetaNode *owner) {
  std::vector<int32_t> ids;
  for (const MetaNode *c = owner->firstChild; c != nullptr; c = c->next) ids.push_back(c->id);
  return ids;
}

std::vector<int32_t> EntryIds(const MetaNode *owner) {
  std::vector<int32_t> ids;
  if (owner == nullptr) return ids;
  for (MetaNode *child = owner->firstChild; child != nullptr; child = child->next) {
    if (dynamic_cast<TagNode *>(child) != nullptr) ids.push_back(child->id);
  }
  return ids;
}

int32_t CountNodeValue(const MetaNode *owner) {
  if (owner == nullptr || owner->firstChild == nullptr || owner->firstChild->id != kIdEntryCount) return -1;
  return owner->firstChild->value;
}

std::vector<int32_t> TopLevelIds(const ExifDocument &document) {
  std::vector<int32_t> ids;
  for (MetaNode *node = document.root; node != nullptr; node = node->next) ids.push_back(node->id);
  return ids;
}

std::vector<int32_t> DirectoryNumbers(const MetaNode *first) {
  std::vector<int32_t> numbers;
  for (const MetaNode *node = first; node != nullptr; node = node->next) {
    if (node->id == kIdDirectory && dynamic_cast<const TagNode *>(node) == nullptr) numbers.push_back(node->value);
  }
  return numbers;
}

}  // namespace kexif::test
