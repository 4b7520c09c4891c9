#include "save/directory_writer.h"

#include <algorithm>
#include <cstring>

#include "save/entry_layout.h"
#include "save/thumbnail_block.h"
#include "save/tiff_structure.h"
#include "stream/byte_order.h"

namespace kexif {

namespace {

constexpr uint8_t kTiffHeader[8] = {0x49, 0x49, 0x2A, 0x00, 0x08, 0x00, 0x00, 0x00};
constexpr size_t kTiffHeaderWithoutOffset = 4;
constexpr int64_t kMeasureFailed = -1;
constexpr uint32_t kPendingOrder[3] = {kTagExifPointer, kTagGpsPointer, kTagInteropPointer};

// Bytes of owner's directory as written: count, entries, link, value area
// and the nested sub-directories; kMeasureFailed when not expressible.
int64_t MeasureOwner(const MetaNode *owner) {
  const int32_t entries = WrittenEntryCount(owner);
  if (entries > kMaxWrittenEntries) return kMeasureFailed;
  int64_t total = kEntryCountSize + kLinkSize;
  for (const MetaNode *x = owner->firstChild; x != nullptr; x = x->next) {
    if (!IsWrittenEntry(x)) continue;
    int32_t valueSize = 0;
    if (!OutOfLineSize(*AsTagNode(const_cast<MetaNode *>(x)), &valueSize)) return kMeasureFailed;
    total += kEntrySize + valueSize;
    if (HasWrittenSubDirectory(x)) {
      const int64_t sub = MeasureOwner(x);
      if (sub < 0) return kMeasureFailed;
      total += sub;
    }
    if (total > INT32_MAX) return kMeasureFailed;
  }
  return total;
}

}  // namespace

int32_t MeasureDirectories(ExifDocument &document) {
  MetaNode *header = TiffHeaderNode(document);
  if (header == nullptr) return 0;
  int64_t total = sizeof(kTiffHeader);
  for (MetaNode *d : DirectoryChain(header)) {
    const int64_t size = MeasureOwner(d);
    if (size < 0) return -1;
    total += size;
    ThumbnailBlock block;
    if (FindThumbnailBlock(document, d, &block)) total += block.length;
    if (total > INT32_MAX) return -1;
  }
  return static_cast<int32_t>(total);
}

int32_t MeasureSubDirectory(ExifDocument &, const MetaNode *owner) {
  if (!HasWrittenSubDirectory(owner)) return 0;
  const int64_t size = MeasureOwner(owner);
  return size < 0 || size > INT32_MAX ? -1 : static_cast<int32_t>(size);
}

DirectoryWriter::DirectoryWriter(ExifDocument *doc, ByteStream *out) : document(doc), output(out) {}

void DirectoryWriter::Seek(int32_t offset) {
  output->Seek(kSeekFromStart, offset);
  position = offset;
}

void DirectoryWriter::WriteBytes(const void *bytes, int32_t length) {
  if (length <= 0) return;
  if (output->Write(bytes, length) != length) failed_ = true;
  position = output->Tell();
  extent_ = std::max(extent_, position);
}

void DirectoryWriter::WriteZeros(int32_t length) {
  static const uint8_t kZeros[4096] = {};
  while (length > 0) {
    const int32_t n = std::min<int32_t>(length, sizeof(kZeros));
    WriteBytes(kZeros, n);
    length -= n;
  }
}

void DirectoryWriter::Write16(uint32_t v) {
  uint8_t b[2];
  WriteLittleEndian16(b, static_cast<uint16_t>(v));
  WriteBytes(b, 2);
}

void DirectoryWriter::Write32(uint32_t v) {
  uint8_t b[4];
  WriteLittleEndian32(b, v);
  WriteBytes(b, 4);
}

void DirectoryWriter::WriteHeader(bool hasDirectories) {
  Seek(0);
  WriteBytes(kTiffHeader, kTiffHeaderWithoutOffset);
  Write32(hasDirectories ? sizeof(kTiffHeader) : 0);
}

void DirectoryWriter::WriteDirectory(MetaNode *directory) {
  WriteEntryCount(directory);
  WriteEntries(directory);
}

void DirectoryWriter::WriteEntryCount(const MetaNode *owner) {
  const int32_t n = WrittenEntryCount(owner);
  if (n > kMaxWrittenEntries) failed_ = true;
  Write16(static_cast<uint32_t>(n));
}

int32_t DirectoryWriter::EntryPosition(const MetaNode *node) const {
  for (const auto &[entry, at] : entryPositions_) {
    if (entry == node) return at;
  }
  return 0;
}

void DirectoryWriter::WriteOneEntry(TagNode &tag) {
  entryPositions_.emplace_back(&tag, position);
  if (HasWrittenSubDirectory(&tag)) pending_.push_back({&tag, position});
  Write16(static_cast<uint32_t>(tag.id));
  Write16(static_cast<uint32_t>(WrittenType(tag)));
  Write32(WrittenCount(tag));
  int32_t size = 0;
  if (!OutOfLineSize(tag, &size)) {
    failed_ = true;
    return;
  }
  if (HasWrittenSubDirectory(&tag) || FitsInline(tag)) {
    // The value word already holds the bytes in file order; a pointer's
    // word is patched once its sub-directory has a place.
    Write32(static_cast<uint32_t>(tag.value));
    return;
  }
  if (static_cast<int64_t>(valueOffset) + size > INT32_MAX) {
    failed_ = true;
    return;
  }
  Write32(static_cast<uint32_t>(valueOffset));
  const int32_t back = position;
  Seek(valueOffset);
  // Never more than the buffer holds; a count beyond it is padded with
  // zeros so that the value area keeps the size the entry declares.
  const int32_t held = tag.data != nullptr ? std::clamp(tag.dataLength, 0, size) : 0;
  WriteBytes(tag.data, held);
  WriteZeros(size - held);
  valueOffset += size;
  Seek(back);
}

void DirectoryWriter::WriteEntries(MetaNode *owner) {
  if (owner == nullptr) return;
  const int32_t n = WrittenEntryCount(owner);
  linkOffset = position + kEntrySize * std::min(n, kMaxWrittenEntries);
  valueOffset = linkOffset + kLinkSize;
  for (MetaNode *x = owner->firstChild; x != nullptr; x = x->next) {
    if (IsWrittenEntry(x)) WriteOneEntry(*AsTagNode(x));
  }
  const int32_t q = position;
  WritePendingSubDirectories();
  Seek(q);
}

void DirectoryWriter::WritePendingSubDirectories() {
  for (uint32_t id : kPendingOrder) {
    for (;;) {
      auto it = std::find_if(pending_.begin(), pending_.end(),
                             [id](const PendingPointer &p) { return p.entry->id == static_cast<int32_t>(id); });
      if (it == pending_.end()) break;
      const PendingPointer pointer = *it;
      pending_.erase(it);
      WriteSubDirectory(pointer);
    }
  }
}

void DirectoryWriter::WriteSubDirectory(const PendingPointer &pointer) {
  const int32_t keptLink = linkOffset;
  Seek(pointer.entryPosition + 8);
  Write32(static_cast<uint32_t>(valueOffset));
  Seek(valueOffset);
  WriteEntryCount(pointer.entry);
  WriteEntries(pointer.entry);
  WriteNextLink(true);
  linkOffset = keptLink;
}

void DirectoryWriter::WriteNextLink(bool last) {
  const int32_t next = last ? 0 : valueOffset;
  Seek(linkOffset);
  Write32(static_cast<uint32_t>(next));
  Seek(next);
}

void DirectoryWriter::PatchEntry(int32_t entryPosition, uint32_t count, uint32_t value) {
  Seek(entryPosition + 2);
  Write16(kTypeLong);
  Write32(count);
  Write32(value);
}

int DirectoryWriter::WriteThumbnailData(MetaNode *directory) {
  ThumbnailBlock block;
  if (!FindThumbnailBlock(*document, directory, &block)) return 0;
  const int32_t at = EntryPosition(block.offsetEntry);
  if (at == 0) return 0;
  PatchEntry(at, 1, static_cast<uint32_t>(valueOffset));
  Seek(valueOffset);
  WriteBytes(block.data, block.length);
  valueOffset += block.length;
  return 1;
}

}  // namespace kexif
