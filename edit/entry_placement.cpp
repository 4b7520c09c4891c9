#include "edit/entry_placement.h"

#include "edit/tag_value.h"
#include "model/tree_search.h"

namespace kexif {


void BumpEntryCount(MetaNode *owner) {
  if (owner != nullptr && owner->firstChild != nullptr && owner->firstChild->id == kIdEntryCount) {
    owner->firstChild->value += 1;
  }
}

void RecountEntries(MetaNode *owner) {
  if (owner != nullptr && owner->firstChild != nullptr && owner->firstChild->id == kIdEntryCount) {
    owner->firstChild->value = CountEntries(owner);
  }
}

std::unique_ptr<TagNode> NewTagEntry(uint32_t tag, const TagValue &value) {
  auto entry = std::make_unique<TagNode>();
  entry->id = static_cast<int32_t>(tag);
  entry->kind = kKindTiffItem;
  entry->hasChildren = 0;
  entry->type = value.type;
  entry->count = value.count;
  if (StoreTagValue(*entry, value) == 0) return nullptr;
  return entry;
}

void InsertEntrySorted(MetaNode *firstChild, MetaNode *entry) {
  // The entry-count node leads the chain whatever its id says, so that
  // entries 1, 2 and 3 also keep ascending order behind it; the directory
  // end closes it, and an entry of tag 60 is no directory end.
  auto precedes = [firstChild, entry](const MetaNode *p) {
    return (p == firstChild && p->id == kIdEntryCount) || p->id < entry->id;
  };
  auto isEnd = [](const MetaNode *p) { return p->id == kIdDirectoryEnd && AsTagNode(p) == nullptr; };
  MetaNode *p = firstChild;
  while (!isEnd(p) && precedes(p)) {
    MetaNode *q = p->next;
    if (q == nullptr || q->id >= entry->id || isEnd(q)) break;
    p = q;
  }
  InsertAfter(p, entry);
}

void NewSubdirectory(ExifDocument &document, MetaNode *owner, std::unique_ptr<TagNode> entry) {
  std::unique_ptr<MetaNode> count = NewEntryCountNode();
  std::unique_ptr<MetaNode> end = NewDirectoryEndNode();
  // Nothing below allocates: the three nodes are linked as one step.
  document.SetCursor(owner);
  document.AppendChild(count.release());
  document.AppendSibling(entry.release());
  document.AppendSibling(end.release());
}

void AddEntryToOwner(ExifDocument &document, MetaNode *owner, std::unique_ptr<TagNode> entry) {
  if (owner->firstChild == nullptr) {
    NewSubdirectory(document, owner, std::move(entry));
    return;
  }
  BumpEntryCount(owner);
  InsertEntrySorted(owner->firstChild, entry.release());
  // A count read from a file may disagree with the entries the parser kept;
  // the writer uses the count, so it is made to match.
  RecountEntries(owner);
}

int ReplaceFoundEntry(ExifDocument &document, TagNode &entry, const TagValue &value) {
  if (ReplaceEntryValue(entry, value) == 0) return 0;
  if (&entry == document.thumbnailOffsetTag) document.thumbnailLoaded = 0;
  return 1;
}

std::unique_ptr<MetaNode> NewHeaderNode() {
  auto node = std::make_unique<MetaNode>();
  node->kind = kKindTiffItem;
  node->id = kIdHeader;
  node->value = kLittleEndian;
  return node;
}

std::unique_ptr<MetaNode> NewDirectoryNode(int32_t number) {
  auto node = std::make_unique<MetaNode>();
  node->hasChildren = 1;
  node->id = kIdDirectory;
  node->value = number;
  return node;
}

std::unique_ptr<MetaNode> NewEntryCountNode() {
  auto node = std::make_unique<MetaNode>();
  node->kind = kKindTiffItem;
  node->id = kIdEntryCount;
  node->value = 1;
  return node;
}

std::unique_ptr<MetaNode> NewDirectoryEndNode() {
  auto node = std::make_unique<MetaNode>();
  node->id = kIdDirectoryEnd;
  node->value = 0;
  return node;
}

std::unique_ptr<TagNode> NewExifPointerEntry() {
  auto node = std::make_unique<TagNode>();
  node->kind = kKindTiffItem;
  node->id = static_cast<int32_t>(kTagExifPointer);
  node->type = kTypeLong;
  node->count = 1;
  node->value = 0;
  return node;
}

}  // namespace kexif
