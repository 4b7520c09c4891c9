#include "save/directory_writer.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "save/entry_layout.h"
#include "save/thumbnail_block.h"
#include "save/tiff_structure.h"
#include "stream/byte_order.h"

namespace kexif {

namespace {

constexpr int32_t kTiffHeaderSize = 8;
constexpr uint32_t kTiffMagic = 42;
constexpr int32_t kValueFieldOffset = 8;  // in a 12-byte entry
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
  int64_t total = kTiffHeaderSize;
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
  if (output != nullptr) output->Seek(kSeekFromStart, offset);
  position = offset;
}

void DirectoryWriter::WriteBytes(const void *bytes, int32_t length) {
  if (length <= 0) return;
  if (output == nullptr) {
    if (length > INT32_MAX - position) {
      failed_ = true;
      return;
    }
    position += length;
  } else {
    if (output->Write(bytes, length) != length) failed_ = true;
    position = output->Tell();
  }
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
  if (outputByteOrder == kBigEndian) {
    WriteBigEndian16(b, static_cast<uint16_t>(v));
  } else {
    WriteLittleEndian16(b, static_cast<uint16_t>(v));
  }
  WriteBytes(b, 2);
}

void DirectoryWriter::Write32(uint32_t v) {
  uint8_t b[4];
  if (outputByteOrder == kBigEndian) {
    WriteBigEndian32(b, v);
  } else {
    WriteLittleEndian32(b, v);
  }
  WriteBytes(b, 4);
}

void DirectoryWriter::WriteHeader(bool hasDirectories) {
  Seek(0);
  WriteBytes(outputByteOrder == kBigEndian ? "MM" : "II", 2);
  Write16(kTiffMagic);
  Write32(hasDirectories ? kTiffHeaderSize : 0);
}

int32_t DirectoryWriter::Place(int64_t length) {
  int64_t at = valueOffset;
  const int64_t fixedEnd = static_cast<int64_t>(fixed_.offset) + fixed_.length;
  if (fixed_.entry != nullptr && at < fixedEnd && at + length > fixed_.offset) at = fixedEnd;
  if (length < 0 || at + length > INT32_MAX) {
    failed_ = true;
    return valueOffset;
  }
  valueOffset = static_cast<int32_t>(at + length);
  return static_cast<int32_t>(at);
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
  if (HasWrittenSubDirectory(&tag)) {
    // Patched once its sub-directory has a place.
    Write32(static_cast<uint32_t>(tag.value));
    return;
  }
  if (FitsInline(tag)) {
    WriteValueWord(tag);
    return;
  }
  const bool fixed = &tag == fixed_.entry;
  const int32_t at = fixed ? fixed_.offset : Place(size);
  if (failed_) return;
  Write32(static_cast<uint32_t>(at));
  const int32_t back = position;
  Seek(at);
  if (fixed) {
    WriteBytes(fixed_.bytes, fixed_.length);
  } else {
    WriteValueBytes(tag, size);
  }
  Seek(back);
}

void DirectoryWriter::WriteValueWord(const TagNode &tag) {
  const auto word = static_cast<uint32_t>(tag.value);
  switch (ElementSize(tag.type)) {
    case 1: {
      // Single bytes stand in the word in file order, whatever the order.
      uint8_t b[4];
      WriteLittleEndian32(b, word);
      WriteBytes(b, 4);
      return;
    }
    case 2:
      Write16(word & 0xFFFF);
      Write16(word >> 16);
      return;
    default:
      Write32(word);
      return;
  }
}

void DirectoryWriter::WriteValueBytes(const TagNode &tag, int32_t length) {
  // Never more than the buffer holds; a count beyond it is padded with
  // zeros so that the value area keeps the size the entry declares.
  const int32_t held = tag.data != nullptr ? std::clamp(tag.dataLength, 0, length) : 0;
  const int32_t unit = SwapUnit(tag.type);
  if (outputByteOrder == kBigEndian && unit > 1 && held > 0) {
    std::vector<uint8_t> turned(tag.data, tag.data + held);
    SwapEach(turned.data(), held, unit);
    WriteBytes(turned.data(), held);
  } else {
    WriteBytes(tag.data, held);
  }
  WriteZeros(length - held);
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
  const int32_t at = Place(DirectoryTableSize(pointer.entry));
  Seek(pointer.entryPosition + kValueFieldOffset);
  Write32(static_cast<uint32_t>(at));
  Seek(at);
  WriteEntryCount(pointer.entry);
  WriteEntries(pointer.entry);
  WriteNextLink(nullptr);
  linkOffset = keptLink;
}

void DirectoryWriter::WriteNextLink(const MetaNode *next) {
  const int32_t at = next != nullptr ? Place(DirectoryTableSize(next)) : 0;
  Seek(linkOffset);
  Write32(static_cast<uint32_t>(at));
  Seek(at);
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
  const int32_t placed = Place(block.length);
  PatchEntry(at, 1, static_cast<uint32_t>(placed));
  Seek(placed);
  WriteBytes(block.data, block.length);
  return 1;
}

}  // namespace kexif
