#include "tests/support/hand_tree.h"

#include "model/tree_search.h"

namespace kexif::test {

namespace {

void AppendToChain(MetaNode **first, MetaNode *node, MetaNode *parent) {
  while (*first != nullptr) first = &(*first)->next;
  *first = node;
  node->parent = parent;
  if (parent != nullptr) parent->hasChildren = 1;
}

TagNode *ShortEntry(int32_t tag) {
  auto *entry = new TagNode;
  entry->id = tag;
  entry->type = kTypeShort;
  entry->count = 1;
  entry->value = tag & 0xFFFF;
  return entry;
}

void FillDirectory(MetaNode *owner, const std::vector<int32_t> &tags) {
  auto *count = new MetaNode;
  count->kind = kKindTiffItem;
  count->id = kIdEntryCount;
  count->value = static_cast<int32_t>(tags.size());
  AppendToChain(&owner->firstChild, count, owner);
  for (int32_t tag : tags) AppendToChain(&owner->firstChild, ShortEntry(tag), owner);
  auto *end = new MetaNode;
  end->id = kIdDirectoryEnd;
  AppendToChain(&owner->firstChild, end, owner);
}

}  // namespace

void AppendSegments(ExifDocument &document, const std::vector<int32_t> &markers) {
  document.format = kFormatJpeg;
  for (int32_t marker : markers) {
    auto *segment = new SegmentNode(marker, marker == kMarkerSoi ? 0 : 10, 0);
    AppendToChain(&document.root, segment, nullptr);
  }
}

SegmentNode *AppendExifSegment(ExifDocument &document) {
  auto *segment = new SegmentNode(kMarkerApp1, 10, 0);
  AppendToChain(&document.root, segment, nullptr);
  auto *header = new MetaNode;
  header->kind = kKindTiffItem;
  header->id = kIdHeader;
  AppendToChain(&segment->firstChild, header, segment);
  document.exifSegment = segment;
  return segment;
}

void StartTiff(ExifDocument &document) {
  document.format = kFormatTiff;
  auto *header = new MetaNode;
  header->kind = kKindTiffItem;
  header->id = kIdHeader;
  AppendToChain(&document.root, header, nullptr);
}

MetaNode *AppendDirectory(ExifDocument &document, MetaNode *segment, int32_t number,
                          const std::vector<int32_t> &tags) {
  auto *directory = new MetaNode;
  directory->id = kIdDirectory;
  directory->hasChildren = 1;
  directory->value = number;
  AppendToChain(segment != nullptr ? &segment->firstChild : &document.root, directory, segment);
  FillDirectory(directory, tags);
  return directory;
}

TagNode *GiveSubdirectory(ExifDocument &document, MetaNode *directory, int32_t pointerTag,
                          const std::vector<int32_t> &tags) {
  MetaNode *node = FindSiblingById(directory->firstChild, pointerTag);
  auto *pointer = AsTagNode(node);
  if (pointer == nullptr) return nullptr;
  pointer->type = kTypeLong;
  FillDirectory(pointer, tags);
  if (pointerTag == static_cast<int32_t>(kTagExifPointer)) {
    document.exifPointerTag = pointer;
    document.exifExists = 1;
  }
  return pointer;
}

void MarkThumbnailEntry(ExifDocument &document, MetaNode *directory) {
  document.thumbnailOffsetTag = AsTagNode(FindSiblingById(directory->firstChild, kTagJpegInterchangeFormat));
  document.thumbnailExists = document.thumbnailOffsetTag != nullptr ? 1 : 0;
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
