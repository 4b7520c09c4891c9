#include "save/maker_note_place.h"

#include <algorithm>
#include <cstring>

#include "model/tree_search.h"
#include "parse/diagnostics.h"
#include "parse/maker_note_reach.h"
#include "save/entry_layout.h"
#include "stream/memory_stream.h"

namespace kexif {

namespace {

constexpr int32_t kTiffHeaderSize = 8;

// The first maker note entry of the structure that a parse placed.
TagNode *SourceMakerNote(const std::vector<MetaNode *> &chain) {
  for (MetaNode *directory : chain) {
    for (MetaNode *x = directory->firstChild; x != nullptr; x = x->next) {
      // The note lives in the Exif sub-directory, below IFD0's pointer.
      TagNode *found = x->id == static_cast<int32_t>(kTagMakerNote) ? AsTagNode(x)
                                                                       : FindTagById(x->firstChild, kTagMakerNote);
      if (found != nullptr && found->source.known) return found;
    }
  }
  return nullptr;
}

MakerNotePlace Refuse(const char *why) {
  Diagnose("MakerNote moves with the packed layout: %s\n", why);
  return {};
}

}  // namespace

MakerNotePlace PlanMakerNote(ExifDocument &document, SegmentNode &segment, const std::vector<MetaNode *> &chain) {
  TagNode *note = chain.empty() ? nullptr : SourceMakerNote(chain);
  if (note == nullptr) return {};
  const SourceSpan &span = note->source;
  if (ElementSize(note->type) != 1 || !IsWrittenEntry(note) || note->data == nullptr ||
      note->dataLength != static_cast<int32_t>(span.length) || static_cast<uint32_t>(note->count) != span.length) {
    return Refuse("its value is no longer the one read");
  }
  if (segment.LoadPayload(document.stream) == 0 || segment.data == nullptr) return Refuse("the source is unreadable");
  const int64_t tiffLength = static_cast<int64_t>(segment.dataLength) - kExifHeaderSize;
  if (tiffLength <= 0 || span.offset > tiffLength || span.length > tiffLength - span.offset) {
    return Refuse("its source offset lies outside the Exif data");
  }
  // Values the note's own directory addresses past its end belong to it
  // even where the structure reused the bytes (a note written with offsets
  // that were never right still reads the same bytes). What lies beyond
  // the Exif data is not the note's.
  uint8_t *tiff = segment.data + kExifHeaderSize;
  MemoryStream structure(tiff, static_cast<int32_t>(tiffLength));
  const uint64_t end = static_cast<uint64_t>(span.offset) + span.length;
  const uint64_t reach = MakerNoteReach(structure, span.offset, span.length, span.byteOrder == kBigEndian);
  const uint64_t tailEnd = std::max(end + span.tail, std::min(reach, end + kMaxMakerNoteTail));
  const int64_t kept = std::min<int64_t>(static_cast<int64_t>(tailEnd - span.offset), tiffLength - span.offset);
  const uint8_t *at = tiff + span.offset;
  if (std::memcmp(at, note->data, span.length) != 0) return Refuse("its bytes changed");
  if (span.offset < static_cast<uint32_t>(kTiffHeaderSize + DirectoryTableSize(chain.front()))) {
    return Refuse("its place overlaps the first directory");
  }
  MakerNotePlace place;
  place.fixed = {note, static_cast<int32_t>(span.offset), at, static_cast<int32_t>(kept)};
  place.byteOrder = span.byteOrder;
  return place;
}

}  // namespace kexif
