#include "edit/thumbnail_replace.h"

#include <cstring>
#include <memory>
#include <new>

#include "edit/entry_placement.h"
#include "edit/exif_segment.h"
#include "model/chain_lookup.h"
#include "model/tree_search.h"
#include "save/thumbnail_block.h"

namespace kexif {
namespace {

constexpr uint16_t kCompressionJpeg = 6;
constexpr uint32_t kDefaultResolution = 72;
constexpr uint16_t kResolutionUnitInch = 2;
constexpr uint32_t kSubfileReducedImage = 1;

// A node that is not (yet) part of the tree. Should it be dropped, the
// document first forgets every shortcut into it and the cursor if it stands
// inside.
class Unlinked {
 public:
  Unlinked(ExifDocument &document, MetaNode *node) : document_(document), node_(node) {}
  ~Unlinked() {
    if (node_ == nullptr) return;
    document_.ForgetSubtree(node_);
    delete node_;
  }
  Unlinked(const Unlinked &) = delete;
  Unlinked &operator=(const Unlinked &) = delete;
  MetaNode *get() const { return node_; }
  MetaNode *release() {
    MetaNode *n = node_;
    node_ = nullptr;
    return n;
  }

 private:
  ExifDocument &document_;
  MetaNode *node_;
};

MetaNode *NewStructural(int32_t id, int32_t kind, int32_t value) {
  auto *node = new MetaNode;
  node->id = id;
  node->kind = kind;
  node->value = value;
  return node;
}

// A one-element entry of the given type with its value stored.
TagNode *NewEntry(uint32_t tag, int32_t type, const void *value) {
  const TagValue tagValue{type, 1, const_cast<void *>(value)};
  std::unique_ptr<TagNode> entry = NewTagEntry(tag, tagValue);
  if (!entry) throw std::bad_alloc();
  return entry.release();
}

TagNode *NewLongEntry(uint32_t tag, uint32_t value) { return NewEntry(tag, kTypeLong, &value); }
TagNode *NewShortEntry(uint32_t tag, uint16_t value) { return NewEntry(tag, kTypeShort, &value); }
TagNode *NewRationalEntry(uint32_t tag, uint32_t numerator, uint32_t denominator) {
  const uint32_t halves[2] = {numerator, denominator};
  return NewEntry(tag, kTypeRational, halves);
}

void AppendResolutionEntries(ExifDocument &document) {
  document.AppendSibling(NewRationalEntry(kTagXResolution, kDefaultResolution, 1));
  document.AppendSibling(NewRationalEntry(kTagYResolution, kDefaultResolution, 1));
  document.AppendSibling(NewShortEntry(kTagResolutionUnit, kResolutionUnitInch));
}

// A copy of the thumbnail bytes, made before the tree changes so that an
// allocation failure changes nothing. Null for an empty thumbnail.
std::unique_ptr<uint8_t[]> CopyBytes(const uint8_t *bytes, int32_t length) {
  if (length < 1) return nullptr;
  auto copy = std::make_unique<uint8_t[]>(static_cast<size_t>(length));
  std::memcpy(copy.get(), bytes, static_cast<size_t>(length));
  return copy;
}

// Makes the copy the entry's data (replacing what it held) and records the
// thumbnail as present and held in memory; 514 gets the length.
void AdoptThumbnail(ExifDocument &document, std::unique_ptr<uint8_t[]> copy, int32_t length) {
  TagNode *offsetTag = document.thumbnailOffsetTag;
  // A damaged file may carry the offset entry without a length entry; one
  // is added beside it, or the thumbnail could be neither told apart nor
  // saved. Made before anything changes, so a failed allocation leaves
  // the document as it was.
  TagNode *lengthTag = FindThumbnailLengthTag(document, offsetTag);
  std::unique_ptr<TagNode> newLengthTag;
  if (lengthTag == nullptr && offsetTag->parent != nullptr) {
    newLengthTag.reset(NewLongEntry(kTagJpegInterchangeFormatLength, 0));
  }
  offsetTag->ClearData();
  // The entry is an offset: one LONG, whatever a damaged file made of it,
  // so that its data is free to carry the thumbnail.
  offsetTag->type = kTypeLong;
  offsetTag->count = 1;
  if (copy) {
    offsetTag->data = copy.release();
    offsetTag->dataLength = length;
  }
  document.thumbnailExists = 1;
  document.thumbnailLoaded = 1;
  if (newLengthTag) {
    lengthTag = newLengthTag.release();
    InsertEntrySorted(offsetTag->parent->firstChild, lengthTag);
    RecountEntries(offsetTag->parent);
  }
  if (lengthTag == nullptr) return;
  // The length entry, too, becomes one LONG: of another type or count its
  // first element, not the value word, is what the saved file says.
  lengthTag->ClearData();
  lengthTag->type = kTypeLong;
  lengthTag->count = 1;
  lengthTag->value = length;
}

// The document names a thumbnail whose bytes a save writes. One named
// inside a sub-directory (a damaged file) is left as it stands, and the
// set builds a thumbnail directory as for a document without thumbnail.
bool HasSavedThumbnail(ExifDocument &document) {
  return document.thumbnailExists != 0 && SaveCarriesThumbnailEntry(document, document.thumbnailOffsetTag);
}

// A thumbnail entry at or after node (its subtree and the nodes after it)
// would be the one a reload names, not the new directory's put before it.
bool ThumbnailEntryFrom(MetaNode *node) {
  return node != nullptr && FindTagById(node, static_cast<int32_t>(kTagJpegInterchangeFormat)) != nullptr;
}

// Destroys every node after node in its chain, forgetting shortcuts into
// them.
void RemoveNodesAfter(ExifDocument &document, MetaNode *node) {
  while (node->next != nullptr) document.RemoveNode(node->next);
}

// Destroys a directory's children, forgetting shortcuts into them.
void ClearDirectory(ExifDocument &document, MetaNode *directory) {
  document.ForgetSubtree(directory);
  MetaNode *children = directory->firstChild;
  directory->firstChild = nullptr;
  delete children;
}

// The thumbnail exists in the JPEG document: only its bytes change.
bool ReplaceJpegThumbnail(ExifDocument &document, const uint8_t *bytes, int32_t length) {
  TagNode *offsetTag = document.thumbnailOffsetTag;
  SegmentNode *segment = AsSegmentNode(TopLevelOwner(offsetTag));
  if (segment == nullptr || segment->id != kMarkerApp1) return false;
  if (length < 1) return false;  // storing nothing would lose the thumbnail
  const int64_t held = document.thumbnailLoaded != 0 ? offsetTag->dataLength : 0;
  if (int64_t{length} - held + segment->dataLength > kMaxApp1PayloadWithThumbnail) return false;
  AdoptThumbnail(document, CopyBytes(bytes, length), length);
  return true;
}

// No thumbnail yet, but an Exif segment: a thumbnail directory 1 (and a
// first directory when there is none) is built in it.
bool AddThumbnailToSegment(ExifDocument &document, SegmentNode &segment, const uint8_t *bytes, int32_t length) {
  if (int64_t{length} + segment.dataLength > kMaxApp1PayloadWithThumbnail) return false;
  MetaNode *header = FindHeaderNode(&segment);
  MetaNode *first = FindDirectoryInChain(header, 0);
  if (first == nullptr && header == nullptr) return false;
  const bool keepsLaterNodes = first != nullptr && FindDirectoryInChain(header, 1) == nullptr;
  if (keepsLaterNodes && ThumbnailEntryFrom(first->next)) return false;
  auto copy = CopyBytes(bytes, length);

  Unlinked thumbnailDirectory(document, NewDirectoryNode(1).release());
  FillThumbnailDirectory(document, thumbnailDirectory.get(), false);
  if (first == nullptr) {
    Unlinked newFirst(document, NewDirectoryNode(0).release());
    FillFirstDirectory(document, newFirst.get());
    // Whatever followed the header is replaced by the new directories.
    RemoveNodesAfter(document, header);
    first = newFirst.release();
    InsertAfter(header, first);
  } else if (!keepsLaterNodes) {
    RemoveNodesAfter(document, first);
  }
  InsertAfter(first, thumbnailDirectory.release());
  AdoptThumbnail(document, std::move(copy), length);
  return true;
}

// No Exif segment at all: a new one with a header, a first directory and
// the thumbnail directory, after APP0 (or SOI).
bool AddExifSegment(ExifDocument &document, const uint8_t *bytes, int32_t length) {
  if (length > kMaxThumbnailInNewApp1) return false;
  if (ExifSegmentAnchor(document) == nullptr) return false;
  auto copy = CopyBytes(bytes, length);

  Unlinked segment(document, NewApp1Segment().release());
  document.SetCursor(segment.get());
  document.AppendChild(NewHeaderNode().release());
  MetaNode *first = NewDirectoryNode(0).release();
  document.AppendSibling(first);
  FillFirstDirectory(document, first);
  document.SetCursor(first);
  MetaNode *thumbnailDirectory = NewDirectoryNode(1).release();
  document.AppendSibling(thumbnailDirectory);
  FillThumbnailDirectory(document, thumbnailDirectory, false);

  LinkExifSegment(document, std::unique_ptr<SegmentNode>(static_cast<SegmentNode *>(segment.release())));
  AdoptThumbnail(document, std::move(copy), length);
  return true;
}

}  // namespace

void FillThumbnailDirectory(ExifDocument &document, MetaNode *directory, bool withSubfileEntry) {
  document.SetCursor(directory);
  document.AppendChild(NewStructural(kIdEntryCount, kKindTiffItem, withSubfileEntry ? 7 : 6));
  if (withSubfileEntry) document.AppendSibling(NewLongEntry(kTagNewSubfileType, kSubfileReducedImage));
  document.AppendSibling(NewShortEntry(kTagCompression, kCompressionJpeg));
  AppendResolutionEntries(document);
  TagNode *offsetTag = NewLongEntry(kTagJpegInterchangeFormat, 0);
  document.AppendSibling(offsetTag);
  document.thumbnailOffsetTag = offsetTag;
  document.AppendSibling(NewLongEntry(kTagJpegInterchangeFormatLength, 0));
  document.AppendSibling(NewStructural(kIdDirectoryEnd, kKindDefault, 0));
}

void FillFirstDirectory(ExifDocument &document, MetaNode *directory) {
  document.SetCursor(directory);
  document.AppendChild(NewStructural(kIdEntryCount, kKindTiffItem, 3));
  AppendResolutionEntries(document);
  document.AppendSibling(NewStructural(kIdDirectoryEnd, kKindDefault, 0));
}

bool SetThumbnailTiff(ExifDocument &document, const uint8_t *bytes, int32_t length) {
  if (length < 0) return false;
  // Storing nothing would lose the thumbnail there is.
  if (document.thumbnailExists != 0 && document.thumbnailOffsetTag != nullptr && length < 1) return false;
  if (HasSavedThumbnail(document)) {
    AdoptThumbnail(document, CopyBytes(bytes, length), length);
    return true;
  }
  MetaNode *first = FindDirectoryInChain(document.root, 0);
  if (first == nullptr) return false;

  MetaNode *second = FindDirectoryInChain(document.root, 1);
  const TagNode *subfile =
      second != nullptr ? AsTagNode(FindSiblingById(second->firstChild, static_cast<int32_t>(kTagNewSubfileType)))
                        : nullptr;
  const bool replaceSecond =
      second != nullptr && (subfile == nullptr || subfile->value == static_cast<int32_t>(kSubfileReducedImage));
  if (ThumbnailEntryFrom(replaceSecond ? second->next : first->next)) return false;
  auto copy = CopyBytes(bytes, length);
  if (replaceSecond) {
    ClearDirectory(document, second);
    FillThumbnailDirectory(document, second, true);
  } else {
    Unlinked thumbnailDirectory(document, NewDirectoryNode(1).release());
    FillThumbnailDirectory(document, thumbnailDirectory.get(), true);
    MetaNode *inserted = thumbnailDirectory.release();
    InsertAfter(first, inserted);
    // A full image that was directory 1 keeps its place behind the
    // thumbnail: it and every directory after it move up one number, so
    // that each number names one directory.
    for (MetaNode *d = inserted->next; d != nullptr; d = d->next) {
      if (d->id == kIdDirectory) ++d->value;
    }
  }
  AdoptThumbnail(document, std::move(copy), length);
  return true;
}

bool SetThumbnailJpeg(ExifDocument &document, const uint8_t *bytes, int32_t length) {
  if (length < 0) return false;
  if (HasSavedThumbnail(document)) return ReplaceJpegThumbnail(document, bytes, length);
  // Storing nothing would lose the thumbnail there is.
  if (document.thumbnailExists != 0 && document.thumbnailOffsetTag != nullptr && length < 1) return false;
  SegmentNode *segment = FindExifApp1(document);
  if (segment != nullptr) return AddThumbnailToSegment(document, *segment, bytes, length);
  return AddExifSegment(document, bytes, length);
}

}  // namespace kexif
