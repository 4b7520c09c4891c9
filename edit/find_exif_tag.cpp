#include "edit/find_exif_tag.h"

#include "edit/tag_set.h"
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

}  // namespace

TagNode *FindDirectoryTag(ExifDocument &document, int32_t directory, int32_t id) {
  MetaNode *start = document.FindDirectory(directory);
  if (start == nullptr) return nullptr;
  return FindTagByIdPruned(start, id, static_cast<int32_t>(kTagInteropPointer));
}

void ParseBareExifSegment(ExifDocument &document) {
  if (document.exifPointerTag == nullptr && document.exifSegment != nullptr &&
      document.exifSegment->firstChild == nullptr) {
    ParseStoredExif(document, *document.exifSegment);
  }
}

TagNode *FindExifTag(ExifDocument &document, int32_t id) {
  ParseBareExifSegment(document);
  if (document.exifPointerTag == nullptr) return nullptr;
  return FindTagById(document.exifPointerTag, id);
}

TagNode *FindFirstDirectoryEntry(ExifDocument &document, uint32_t tag) {
  MetaNode *directory = document.FindDirectory(0);
  if (directory == nullptr) return nullptr;
  for (MetaNode *child = directory->firstChild; child != nullptr; child = child->next) {
    TagNode *entry = AsTagNode(child);
    if (entry != nullptr && entry->id == static_cast<int32_t>(tag)) return entry;
  }
  return nullptr;
}

TagNode *FindMemberEntry(ExifDocument &document, uint32_t tag) {
  // The Exif search runs first: in a JPEG document it may parse the
  // segment, which makes the first directory.
  TagNode *inExif = FindExifTag(document, static_cast<int32_t>(tag));
  if (!IsFirstDirectoryFirstTag(tag)) return inExif;
  TagNode *inFirst = FindFirstDirectoryEntry(document, tag);
  return inFirst != nullptr ? inFirst : inExif;
}

}  // namespace kexif
