#include "save/tiff_save.h"

#include <algorithm>
#include <vector>

#include "model/tree_search.h"
#include "save/source_copy.h"
#include "save/thumbnail_block.h"
#include "save/tiff_structure.h"
#include "stream/byte_order.h"

namespace kexif {

namespace {

constexpr uint32_t kCompressionNone = 1;
constexpr uint32_t kCompressionOldJpeg = 6;
constexpr uint32_t kCompressionJpeg = 7;
constexpr uint32_t kSampleFormatFloat = 3;
constexpr uint32_t kBitsPerByte = 8;
constexpr int32_t kCopyAsIs = 1;
constexpr int32_t kCannotCarry = 0;
constexpr int64_t kMaxCopiedPerSourceByte = 2;

// The j-th element of a SHORT or LONG table, from the value word when the
// table sits in line, else from the entry's data.
bool TableElement(const TagNode &tag, uint32_t j, uint32_t *out) {
  const int32_t size = ElementSize(tag.type);
  if ((size != 2 && size != 4) || j >= static_cast<uint32_t>(tag.count)) return false;
  const uint8_t *bytes;
  uint8_t word[4];
  int64_t held;
  if (static_cast<uint32_t>(tag.count) * static_cast<uint64_t>(size) <= 4) {
    WriteLittleEndian32(word, static_cast<uint32_t>(tag.value));
    bytes = word;
    held = 4;
  } else {
    bytes = tag.data;
    held = tag.data != nullptr ? tag.dataLength : 0;
  }
  const int64_t at = static_cast<int64_t>(j) * size;
  if (at + size > held) return false;
  *out = size == 2 ? ReadLittleEndian16(bytes + at) : ReadLittleEndian32(bytes + at);
  return true;
}

struct Tables {
  TagNode *offsets = nullptr;
  TagNode *counts = nullptr;
};

// Strip tables when the directory has both, else tile tables when it has
// both, else none.
Tables ImageTables(const MetaNode *directory) {
  Tables t{DirectChildTag(directory, kTagStripOffsets), DirectChildTag(directory, kTagStripByteCounts)};
  if (t.offsets != nullptr && t.counts != nullptr) return t;
  t = {DirectChildTag(directory, kTagTileOffsets), DirectChildTag(directory, kTagTileByteCounts)};
  if (t.offsets != nullptr && t.counts != nullptr) return t;
  return {};
}

MetaNode *PieceList(const MetaNode *directory) {
  for (MetaNode *x = directory->firstChild; x != nullptr; x = x->next) {
    if (x->id == kIdImagePieceList && AsTagNode(x) == nullptr) return x;
  }
  return nullptr;
}

// How the image pieces of directory are copied from a source written in
// sourceByteOrder into the little-endian output: kCopyAsIs, or the size (2,
// 4 or 8) of the samples whose bytes are reversed on the way, or
// kCannotCarry when samples wider than a byte cannot be turned around:
// compressed by a scheme that keeps the source's byte order, of mixed or
// unusual widths, or floats of unknown width. JPEG streams carry their own
// byte order, so they go as they are.
int32_t PieceElementSize(const MetaNode *directory, int32_t sourceByteOrder) {
  if (sourceByteOrder != kBigEndian) return kCopyAsIs;
  bool wide = false;
  uint32_t width = 0;  // of the first sample
  bool mixed = false;  // another sample is of another width
  if (const TagNode *bits = DirectChildTag(directory, kTagBitsPerSample)) {
    for (uint32_t j = 0; j < static_cast<uint32_t>(bits->count); ++j) {
      uint32_t b = 0;
      if (!TableElement(*bits, j, &b)) break;
      wide = wide || b > kBitsPerByte;
      if (j == 0) width = b;
      if (b != width) mixed = true;
    }
  }
  if (const TagNode *format = DirectChildTag(directory, kTagSampleFormat)) {
    for (uint32_t j = 0; j < static_cast<uint32_t>(format->count); ++j) {
      uint32_t f = 0;
      if (!TableElement(*format, j, &f)) break;
      if (f == kSampleFormatFloat) wide = true;
    }
  }
  if (!wide) return kCopyAsIs;
  uint32_t compression = kCompressionNone;
  if (const TagNode *c = DirectChildTag(directory, kTagCompression)) {
    if (!TableElement(*c, 0, &compression)) return kCannotCarry;
  }
  if (compression == kCompressionOldJpeg || compression == kCompressionJpeg) return kCopyAsIs;
  if (compression != kCompressionNone) return kCannotCarry;
  if (!mixed && (width == 16 || width == 32 || width == 64)) return static_cast<int32_t>(width / kBitsPerByte);
  return kCannotCarry;
}

void AppendLastChild(MetaNode *parent, MetaNode *node) {
  MetaNode **link = &parent->firstChild;
  while (*link != nullptr) link = &(*link)->next;
  *link = node;
  node->parent = parent;
  parent->hasChildren = 1;
}

}  // namespace

int PrepareImagePieces(ExifDocument &document) {
  for (MetaNode *d : DirectoryChain(TiffHeaderNode(document))) {
    if (MetaNode *old = PieceList(d)) document.RemoveNode(old);
    const Tables tables = ImageTables(d);
    if (tables.offsets == nullptr) continue;
    auto *list = new MetaNode;
    list->id = kIdImagePieceList;
    list->kind = kKindDefault;
    list->hasChildren = 1;
    AppendLastChild(d, list);
    const uint32_t k = static_cast<uint32_t>(tables.offsets->count);
    MetaNode **link = &list->firstChild;
    for (uint32_t j = 0; j < k; ++j) {
      uint32_t offset = 0;
      uint32_t length = 0;
      if (!TableElement(*tables.offsets, j, &offset) || !TableElement(*tables.counts, j, &length) ||
          offset > INT32_MAX || length > INT32_MAX) {
        return 0;
      }
      auto *piece = new TagNode;
      piece->id = kIdImagePiece;
      piece->kind = kKindDefault;
      piece->fileOffset = static_cast<int32_t>(offset);
      piece->dataLength = static_cast<int32_t>(length);
      piece->parent = list;
      *link = piece;
      link = &piece->next;
    }
  }
  return 1;
}

bool DirectoryWriter::CopyFromSource(int32_t offset, int32_t length, int32_t elementSize) {
  if (length == 0) return true;
  // Image data of distinct ranges fits in the source; a little more room
  // covers a thumbnail that lies inside a strip.
  copiedBytes_ += length;
  if (document->stream == nullptr || copiedBytes_ > kMaxCopiedPerSourceByte * document->stream->Size() ||
      !CopyStreamRangeSwapped(*document->stream, offset, length, elementSize, *output)) {
    failed_ = true;
    return false;
  }
  position = output->Tell();
  extent_ = std::max(extent_, position);
  return true;
}

bool DirectoryWriter::ReserveValueArea(int64_t length) {
  if (length < 0 || valueOffset + length > INT32_MAX) {
    failed_ = true;
    return false;
  }
  return true;
}

// A JPEG thumbnail named by the directory's JPEGInterchangeFormat entry:
// the bytes an editor put into the entry, else the bytes in the source file.
bool DirectoryWriter::WriteTiffThumbnail(MetaNode *directory) {
  TagNode *t = DirectChildTag(directory, kTagJpegInterchangeFormat);
  if (t == nullptr || t->type != kTypeLong || t->count != 1) return true;
  const int32_t at = EntryPosition(t);
  if (at == 0) return false;
  if (t->data != nullptr) {
    if (!ReserveValueArea(t->dataLength)) return false;
    PatchEntry(at, 1, static_cast<uint32_t>(valueOffset));
    Seek(valueOffset);
    WriteBytes(t->data, t->dataLength);
    valueOffset += t->dataLength;
    return !failed_;
  }
  TagNode *lengthTag = DirectChildTag(directory, kTagJpegInterchangeFormatLength);
  uint32_t length = 0;
  if (lengthTag == nullptr || !TableElement(*lengthTag, 0, &length) || length > INT32_MAX) return true;
  if (!ReserveValueArea(length)) return false;
  const int32_t source = t->value;
  PatchEntry(at, 1, static_cast<uint32_t>(valueOffset));
  Seek(valueOffset);
  if (!CopyFromSource(source, static_cast<int32_t>(length), kCopyAsIs)) return false;
  valueOffset += static_cast<int32_t>(length);
  return true;
}

bool DirectoryWriter::WritePieces(MetaNode *directory, MetaNode *list) {
  const Tables tables = ImageTables(directory);
  std::vector<TagNode *> pieces;
  for (MetaNode *p = list->firstChild; p != nullptr; p = p->next) {
    if (TagNode *piece = AsTagNode(p)) pieces.push_back(piece);
  }
  if (pieces.empty()) return true;
  const int32_t elementSize = PieceElementSize(directory, sourceByteOrder);
  if (elementSize == kCannotCarry) {
    failed_ = true;
    return false;
  }
  const int32_t offsetsAt = EntryPosition(tables.offsets);
  const int32_t countsAt = EntryPosition(tables.counts);
  if (tables.offsets == nullptr || offsetsAt == 0 || countsAt == 0) return false;
  // Where each piece goes: the copy made for an earlier piece of the same
  // source range, else a new copy behind the tables.
  const int64_t k = static_cast<int64_t>(pieces.size());
  const int64_t tableBytes = k == 1 ? 0 : 8 * k;
  std::vector<int32_t> placed(pieces.size());
  std::vector<TagNode *> fresh;
  int64_t end = valueOffset + tableBytes;
  for (size_t j = 0; j < pieces.size(); ++j) {
    const auto key = std::make_tuple(pieces[j]->fileOffset, pieces[j]->dataLength, elementSize);
    const auto known = copiedRanges_.find(key);
    if (known != copiedRanges_.end()) {
      placed[j] = known->second;
      continue;
    }
    if (end > INT32_MAX) break;  // refused just below
    placed[j] = static_cast<int32_t>(end);
    copiedRanges_.emplace(key, placed[j]);
    fresh.push_back(pieces[j]);
    end += pieces[j]->dataLength;
  }
  if (!ReserveValueArea(end - valueOffset)) return false;
  if (k == 1) {
    PatchEntry(offsetsAt, 1, static_cast<uint32_t>(placed[0]));
    PatchEntry(countsAt, 1, static_cast<uint32_t>(pieces[0]->dataLength));
  } else {
    std::vector<uint8_t> countTable(static_cast<size_t>(4 * k));
    std::vector<uint8_t> offsetTable(static_cast<size_t>(4 * k));
    for (size_t j = 0; j < pieces.size(); ++j) {
      WriteLittleEndian32(countTable.data() + 4 * j, static_cast<uint32_t>(pieces[j]->dataLength));
      WriteLittleEndian32(offsetTable.data() + 4 * j, static_cast<uint32_t>(placed[j]));
    }
    const int32_t p = valueOffset;
    const int32_t q = p + static_cast<int32_t>(4 * k);
    PatchEntry(countsAt, static_cast<uint32_t>(k), static_cast<uint32_t>(p));
    PatchEntry(offsetsAt, static_cast<uint32_t>(k), static_cast<uint32_t>(q));
    Seek(p);
    WriteBytes(countTable.data(), static_cast<int32_t>(countTable.size()));
    WriteBytes(offsetTable.data(), static_cast<int32_t>(offsetTable.size()));
  }
  Seek(static_cast<int32_t>(valueOffset + tableBytes));
  for (TagNode *piece : fresh) {
    if (!CopyFromSource(piece->fileOffset, piece->dataLength, elementSize)) return false;
  }
  valueOffset = static_cast<int32_t>(end);
  return !failed_;
}

int DirectoryWriter::WriteImageData(MetaNode *directory) {
  if (directory == nullptr) return 1;
  if (!WriteTiffThumbnail(directory)) return 0;
  MetaNode *list = PieceList(directory);
  if (list != nullptr && !WritePieces(directory, list)) return 0;
  return failed_ ? 0 : 1;
}

int WriteTiff(DirectoryWriter &writer) {
  MetaNode *header = TiffHeaderNode(*writer.document);
  // The header node keeps the order the source was read in; the document's
  // byteOrder already says what is written.
  writer.sourceByteOrder = header != nullptr ? header->value : kLittleEndian;
  const std::vector<MetaNode *> chain = DirectoryChain(header);
  writer.WriteHeader(!chain.empty());
  for (size_t i = 0; i < chain.size(); ++i) {
    writer.WriteDirectory(chain[i]);
    if (writer.WriteImageData(chain[i]) == 0) return 0;
    writer.WriteNextLink(i + 1 < chain.size() ? chain[i + 1] : nullptr);
  }
  return writer.failed() ? 0 : 1;
}

}  // namespace kexif
