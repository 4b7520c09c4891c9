#include "edit/find_exif_tag.h"

#include <vector>

#include "model/tree_search.h"
#include "parse/tiff_parser.h"
#include "parse/tree_builder.h"
#include "stream/owned_stream.h"

namespace kexif {
namespace {

// Payload bytes needed before there is anything to parse: "Exif" 00 00 and
// at least one byte of TIFF data.
constexpr int32_t kMinExifPayload = kExifHeaderSize + 1;

// Parses the stored payload of the Exif segment below it. Nothing changes
// when the payload cannot be had or does not parse.
void ParseStoredExif(ExifDocument &document, SegmentNode &segment) {
  if (segment.LoadPayload(document.stream) == 0) return;
  if (segment.data == nullptr || segment.dataLength < kMinExifPayload) return;
  ByteStream *memory = nullptr;
  if (CreateMemoryStream(&memory, segment.data + kExifHeaderSize, segment.dataLength - kExifHeaderSize) == 0) {
    return;
  }
  const OwnedStream owned(memory);
  TreeBuilder builder(&document);
  const ParseMarks marks = builder.Mark(&segment);
  document.SetCursor(&segment);
  bool parsed = false;
  try {
    parsed = ParseTiff(*memory, builder) != 0;
  } catch (...) {
    builder.Discard(&segment, marks);
    throw;
  }
  if (!parsed) builder.Discard(&segment, marks);
}

// FindTagById order, without descending below 40965 entries.
TagNode *FindTagOutsideInterop(MetaNode *start, int32_t id) {
  std::vector<MetaNode *> pending;  // siblings still to be visited
  MetaNode *node = start;
  while (node != nullptr || !pending.empty()) {
    if (node == nullptr) {
      node = pending.back();
      pending.pop_back();
    }
    TagNode *tag = node->kind == kKindTiffItem ? AsTagNode(node) : nullptr;
    if (tag != nullptr && tag->id == id) return tag;
    if (node->next != nullptr) pending.push_back(node->next);
    const bool interopPointer = tag != nullptr && tag->id == static_cast<int32_t>(kTagInteropPointer);
    node = interopPointer ? nullptr : node->firstChild;
  }
  return nullptr;
}

}  // namespace

TagNode *FindDirectoryTag(ExifDocument &document, int32_t directory, int32_t id) {
  MetaNode *start = document.FindDirectory(directory);
  if (start == nullptr) return nullptr;
  return FindTagOutsideInterop(start, id);
}

TagNode *FindExifTag(ExifDocument &document, int32_t id) {
  if (document.exifPointerTag == nullptr && document.exifSegment != nullptr &&
      document.exifSegment->firstChild == nullptr) {
    ParseStoredExif(document, *document.exifSegment);
  }
  if (document.exifPointerTag == nullptr) return nullptr;
  return FindTagById(document.exifPointerTag, id);
}

}  // namespace kexif
