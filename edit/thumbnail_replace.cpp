#include "edit/thumbnail_replace.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "model/segment_lookup.h"
#include "model/tree_search.h"
#include "payload/thumbnail_extract.h"

namespace kexif {
namespace {

constexpr int32_t kCompressionJpeg = 6;
constexpr uint32_t kDefaultResolution = 72;
constexpr int32_t kResolutionUnitInch = 2;
constexpr int32_t kSubfileReducedImage = 1;
constexpr int32_t kLabelBytes = 8;
constexpr char kExifIdentifier[] = "Exif";

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

// A one-element entry whose value sits in the value word.
TagNode *NewWordEntry(uint32_t tag, int32_t type, int32_t value) {
  auto *node = new TagNode;
  node->id = static_cast<int32_t>(tag);
  node->type = type;
  node->count = 1;
  node->value = value;
  return node;
}

// A RATIONAL of one element: numerator and denominator as two native 32-bit
// numbers in the entry's data.
TagNode *NewRationalEntry(uint32_t tag, uint32_t numerator, uint32_t denominator) {
  std::unique_ptr<TagNode> node(NewWordEntry(tag, kTypeRational, 0));
  const uint32_t halves[2] = {numerator, denominator};
  if (node->SetData(halves, sizeof halves) == 0) throw std::bad_alloc();
  return node.release();
}

void AppendResolutionEntries(ExifDocument &document) {
  document.AppendSibling(NewRationalEntry(kTagXResolution, kDefaultResolution, 1));
  document.AppendSibling(NewRationalEntry(kTagYResolution, kDefaultResolution, 1));
  document.AppendSibling(NewWordEntry(kTagResolutionUnit, kTypeShort, kResolutionUnitInch));
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
  offsetTag->ClearData();
  if (copy) {
    offsetTag->data = copy.release();
    offsetTag->dataLength = length;
  }
  document.thumbnailExists = 1;
  document.thumbnailLoaded = 1;
  TagNode *lengthTag = FindThumbnailLengthTag(document, offsetTag);
  if (lengthTag != nullptr) lengthTag->value = length;
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

// A new APP1 segment labelled "Exif" with an empty payload held in memory
// (it has no bytes in the file).
SegmentNode *NewExifSegment() {
  auto segment = std::make_unique<SegmentNode>(kMarkerApp1, 0, 0);
  segment->payloadState = kPayloadInMemory;
  segment->label = static_cast<char *>(std::calloc(kLabelBytes, 1));
  if (segment->label == nullptr) throw std::bad_alloc();
  std::memcpy(segment->label, kExifIdentifier, 4);
  return segment.release();
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
  MetaNode *header = FindHeaderUnder(&segment);
  MetaNode *first = FindDirectoryInChain(header, 0);
  if (first == nullptr && header == nullptr) return false;
  auto copy = CopyBytes(bytes, length);

  Unlinked thumbnailDirectory(document, NewDirectoryNode(1));
  FillThumbnailDirectory(document, thumbnailDirectory.get(), false);
  if (first == nullptr) {
    Unlinked newFirst(document, NewDirectoryNode(0));
    FillFirstDirectory(document, newFirst.get());
    // Whatever followed the header is replaced by the new directories.
    RemoveNodesAfter(document, header);
    first = newFirst.release();
    InsertAfter(header, first);
  } else if (FindDirectoryInChain(header, 1) != nullptr) {
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
  MetaNode *anchor = FindTopLevelSegment(document, kMarkerApp0);
  if (anchor == nullptr) anchor = FindTopLevelSegment(document, kMarkerSoi);
  if (anchor == nullptr) return false;
  auto copy = CopyBytes(bytes, length);

  Unlinked segment(document, NewExifSegment());
  document.SetCursor(segment.get());
  document.AppendChild(NewStructural(kIdHeader, kKindTiffItem, kLittleEndian));
  MetaNode *first = NewDirectoryNode(0);
  document.AppendSibling(first);
  FillFirstDirectory(document, first);
  document.SetCursor(first);
  MetaNode *thumbnailDirectory = NewDirectoryNode(1);
  document.AppendSibling(thumbnailDirectory);
  FillThumbnailDirectory(document, thumbnailDirectory, false);

  auto *linked = static_cast<SegmentNode *>(segment.release());
  InsertAfter(anchor, linked);
  document.exifSegment = linked;
  AdoptThumbnail(document, std::move(copy), length);
  return true;
}

}  // namespace

MetaNode *NewDirectoryNode(int32_t n) {
  MetaNode *directory = NewStructural(kIdDirectory, kKindDefault, n);
  directory->hasChildren = 1;
  return directory;
}

void FillThumbnailDirectory(ExifDocument &document, MetaNode *directory, bool withSubfileEntry) {
  document.SetCursor(directory);
  document.AppendChild(NewStructural(kIdEntryCount, kKindTiffItem, withSubfileEntry ? 7 : 6));
  if (withSubfileEntry) document.AppendSibling(NewWordEntry(kTagNewSubfileType, kTypeLong, kSubfileReducedImage));
  document.AppendSibling(NewWordEntry(kTagCompression, kTypeShort, kCompressionJpeg));
  AppendResolutionEntries(document);
  TagNode *offsetTag = NewWordEntry(kTagJpegInterchangeFormat, kTypeLong, 0);
  document.AppendSibling(offsetTag);
  document.thumbnailOffsetTag = offsetTag;
  document.AppendSibling(NewWordEntry(kTagJpegInterchangeFormatLength, kTypeLong, 0));
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
  if (document.thumbnailExists != 0 && document.thumbnailOffsetTag != nullptr) {
    if (length < 1) return false;  // storing nothing would lose the thumbnail
    AdoptThumbnail(document, CopyBytes(bytes, length), length);
    return true;
  }
  MetaNode *first = FindDirectoryInChain(document.root, 0);
  if (first == nullptr) return false;
  auto copy = CopyBytes(bytes, length);

  MetaNode *second = FindDirectoryInChain(document.root, 1);
  const TagNode *subfile =
      second != nullptr ? AsTagNode(FindSiblingById(second->firstChild, static_cast<int32_t>(kTagNewSubfileType)))
                        : nullptr;
  if (second != nullptr && (subfile == nullptr || subfile->value == kSubfileReducedImage)) {
    ClearDirectory(document, second);
    FillThumbnailDirectory(document, second, true);
  } else {
    Unlinked thumbnailDirectory(document, NewDirectoryNode(1));
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
  if (document.thumbnailExists != 0 && document.thumbnailOffsetTag != nullptr) {
    return ReplaceJpegThumbnail(document, bytes, length);
  }
  SegmentNode *segment = FindExifApp1(document);
  if (segment != nullptr) return AddThumbnailToSegment(document, *segment, bytes, length);
  return AddExifSegment(document, bytes, length);
}

}  // namespace kexif
