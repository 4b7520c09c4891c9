#include "payload/segment_edit.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "edit/exif_segment.h"
#include "model/chain_lookup.h"
#include "model/tree_search.h"
#include "parse/tiff_parser.h"
#include "parse/tree_builder.h"
#include "stream/byte_order.h"
#include "stream/checked_read.h"
#include "stream/owned_stream.h"

namespace kexif {
namespace {

constexpr int32_t kLabelBytes = 8;
constexpr int32_t kIdentifierBytes = 4;
constexpr char kExifIdentifier[] = "Exif";
// "Exif" 00 00 and at least one byte of TIFF data.
constexpr int32_t kMinParsablePayload = kExifHeaderSize + 1;

bool LabelMatches(const MetaNode &segment, uint32_t identifier) {
  if (segment.label == nullptr) return false;
  return ReadLittleEndian32(reinterpret_cast<const uint8_t *>(segment.label)) == identifier;
}

void ResetExifState(ExifDocument &document) {
  document.thumbnailLoaded = 0;
  document.thumbnailExists = 0;
  document.exifExists = 0;
  document.exifSegment = nullptr;
  document.exifPointerTag = nullptr;
  document.thumbnailOffsetTag = nullptr;
}

// Removes a top-level segment with its subtree. A removed sound segment
// also forgets that the clip was searched for, so that a later search
// looks at what is left.
void RemoveSegment(ExifDocument &document, MetaNode *segment) {
  const bool heldAudio = document.audioSegment != nullptr;
  document.RemoveNode(segment);
  if (heldAudio && document.audioSegment == nullptr) document.audioSearched = 0;
}

// Parses the TIFF data of block (behind "Exif" 00 00) below the unlinked
// segment. A structure that fails to parse is dropped whole, with the
// document fields as they were before.
void ParseBlock(ExifDocument &document, SegmentNode &segment, uint8_t *block, int32_t length) {
  if (length < kMinParsablePayload) return;
  ByteStream *memory = nullptr;
  if (CreateMemoryStream(&memory, block + kExifHeaderSize, length - kExifHeaderSize) == 0) return;
  const OwnedStream owned(memory);
  TreeBuilder builder(&document);
  const ParseMarks marks = builder.Mark(&segment);
  document.SetCursor(&segment);
  if (ParseTiff(*memory, builder) == 0) builder.Discard(&segment, marks);
}

// Copies the thumbnail the new structure names into its 513 entry when it
// lies wholly inside the block's TIFF data. Nothing is read otherwise.
void TakeInsertedThumbnail(ExifDocument &document, const uint8_t *block, int32_t length) {
  TagNode *offsetTag = document.thumbnailOffsetTag;
  if (document.thumbnailExists == 0 || offsetTag == nullptr || length < kExifHeaderSize) return;
  const TagNode *lengthTag = FindThumbnailLengthTag(document, offsetTag);
  if (lengthTag == nullptr) return;
  const int32_t offset = offsetTag->value;
  const int32_t size = lengthTag->value;
  if (offsetTag->count != 1) return;  // its data holds values, not room for the copy
  if (offset <= 0 || size <= 0 || !RangeFits(offset, size, length - kExifHeaderSize)) return;
  offsetTag->ClearData();
  if (offsetTag->SetData(block + kExifHeaderSize + offset, size) != 0) document.thumbnailLoaded = 1;
}

}  // namespace

SegmentEditResult RemoveMarker(ExifDocument &document, int32_t marker, uint32_t identifier) {
  if (document.format != kFormatJpeg) return SegmentEditResult::kNotJpeg;
  MetaNode *segment = FindTopLevelSegment(document, marker);
  if (segment == nullptr) return SegmentEditResult::kNoSegment;
  if (LabelMatches(*segment, identifier)) RemoveSegment(document, segment);
  if (marker == kMarkerApp1) {
    while ((segment = FindTopLevelSegment(document, kMarkerApp1)) != nullptr) RemoveSegment(document, segment);
    ResetExifState(document);
  }
  return SegmentEditResult::kDone;
}

namespace {

// The top-level APP1 segments in front of the image data that hold Exif
// data: those labelled "Exif", and those a tag edit made, which carry no
// label but a structure that the save writes as an Exif segment. (Segments
// after the image data belong to an appended preview and never answer.)
std::vector<MetaNode *> ExifSegments(const ExifDocument &document) {
  std::vector<MetaNode *> found;
  for (MetaNode *s = document.root; s != nullptr && s->id != kMarkerSos; s = s->next) {
    if (s->id != kMarkerApp1 || AsSegmentNode(s) == nullptr) continue;
    const bool labelled = s->label != nullptr && std::memcmp(s->label, kExifIdentifier, kIdentifierBytes) == 0;
    const bool made = s->label == nullptr && FindHeaderNode(s) != nullptr;
    if (labelled || made) found.push_back(s);
  }
  return found;
}

}  // namespace

SegmentEditResult InsertExifMarker(ExifDocument &document, uint8_t *block, int32_t length) {
  if (document.format != kFormatJpeg) return SegmentEditResult::kNotJpeg;
  // The inserted block replaces the file's Exif data: every reader, this
  // library's after a reload among them, answers from the first Exif
  // segment, so an old one left in place would shadow or contradict it.
  const std::vector<MetaNode *> replaced = ExifSegments(document);
  MetaNode *anchor = ExifSegmentAnchor(document);
  if (anchor == nullptr) return SegmentEditResult::kNoPlace;

  auto segment = std::make_unique<SegmentNode>(kMarkerApp1, length, 0);
  segment->label = static_cast<char *>(std::calloc(kLabelBytes, 1));
  if (segment->label == nullptr) throw std::bad_alloc();
  std::memcpy(segment->label, kExifIdentifier, kIdentifierBytes);

  // The new segment is the document's Exif data from now on: the shortcuts
  // and flags describe it alone, not a segment that stays behind it.
  TreeBuilder builder(&document);
  const ParseMarks before = builder.Mark(segment.get());
  try {
    document.exifPointerTag = nullptr;
    document.thumbnailOffsetTag = nullptr;
    document.exifExists = 0;
    document.thumbnailExists = 0;
    document.thumbnailLoaded = 0;
    ParseBlock(document, *segment, block, length);
    TakeInsertedThumbnail(document, block, length);
  } catch (...) {
    builder.Discard(segment.get(), before);
    document.ForgetSubtree(segment.get());  // the cursor stands on it
    throw;
  }

  for (MetaNode *old : replaced) {
    if (old == anchor) continue;  // never: the anchor is APP0 or SOI
    RemoveSegment(document, old);
  }
  SegmentNode *linked = segment.release();
  InsertAfter(anchor, linked);
  linked->ReplacePayload(block, length);
  document.exifSegment = linked;
  document.SetCursor(linked);
  return SegmentEditResult::kDone;
}

}  // namespace kexif
