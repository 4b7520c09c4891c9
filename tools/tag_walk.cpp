#include "tools/tag_walk.h"

#include <cstring>

#include "model/exif_constants.h"

namespace kexif::cli {
namespace {

// The tree holds at most three levels of sub-directories (Exif, then
// Interoperability); anything deeper is not walked.
constexpr int kMaxDepth = 4;

std::string SubDirectoryName(uint32_t pointerTag) {
  switch (pointerTag) {
    case kTagExifPointer: return "Exif";
    case kTagGpsPointer: return "GPS";
    case kTagInteropPointer: return "Interop";
    default: return "SubIFD(" + TagDisplayName(pointerTag, TagSpace::kImage) + ")";
  }
}

TagSpace SubDirectorySpace(uint32_t pointerTag) {
  switch (pointerTag) {
    case kTagGpsPointer: return TagSpace::kGps;
    case kTagInteropPointer: return TagSpace::kInterop;
    default: return TagSpace::kImage;
  }
}

// Lists the tag nodes of the chain that starts at first (the children of a
// directory node or of a pointer entry), then recurses into the entries
// that hold sub-directories.
void ListChain(const MetaNode *first, std::string name, TagSpace space, int depth,
               std::vector<ListedDirectory> &out) {
  out.push_back(ListedDirectory{std::move(name), space, {}});
  const size_t index = out.size() - 1;
  std::vector<const TagNode *> pointers;
  for (const MetaNode *node = first; node != nullptr; node = node->next) {
    const auto *tag = dynamic_cast<const TagNode *>(node);
    if (tag == nullptr) continue;
    out[index].entries.push_back(
        ListedEntry{static_cast<uint32_t>(tag->id), tag->type, tag->count, NodeValueBytes(*tag)});
    if (tag->firstChild != nullptr) pointers.push_back(tag);
  }
  if (depth + 1 >= kMaxDepth) return;
  for (const TagNode *pointer : pointers) {
    const auto number = static_cast<uint32_t>(pointer->id);
    ListChain(pointer->firstChild, SubDirectoryName(number), SubDirectorySpace(number), depth + 1, out);
  }
}

}  // namespace

std::vector<uint8_t> NodeValueBytes(const TagNode &node) {
  const int32_t size = ElementSize(node.type);
  if (size == 0) return {};
  // The rule the library's value copy follows: a value of up to four bytes
  // sits in the value word, any other in the data buffer.
  const int32_t wordElements = size == 8 ? 0 : static_cast<int32_t>(sizeof node.value) / size;
  if (node.count >= 0 && node.count <= wordElements) {
    uint8_t word[sizeof node.value];
    std::memcpy(word, &node.value, sizeof word);
    return std::vector<uint8_t>(word, word + static_cast<size_t>(node.count) * static_cast<size_t>(size));
  }
  if (node.data == nullptr || node.dataLength <= 0) return {};
  return std::vector<uint8_t>(node.data, node.data + node.dataLength);
}

std::vector<ListedDirectory> ListDirectories(const ExifDocument &document) {
  const MetaNode *top = nullptr;
  if (document.format == kFormatJpeg) {
    if (document.exifSegment != nullptr) top = document.exifSegment->firstChild;
  } else {
    top = document.root;
  }
  std::vector<ListedDirectory> out;
  for (const MetaNode *node = top; node != nullptr; node = node->next) {
    if (node->id != kIdDirectory || dynamic_cast<const TagNode *>(node) != nullptr) continue;
    ListChain(node->firstChild, "IFD" + std::to_string(node->value), TagSpace::kImage, 0, out);
  }
  return out;
}

}  // namespace kexif::cli
