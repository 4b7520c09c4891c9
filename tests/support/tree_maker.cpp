#include "tests/support/tree_maker.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "stream/byte_stream.h"
#include "tests/support/temp_files.h"

namespace kexif::test {
namespace {

uint16_t Le16(const Bytes &b, size_t at) {
  if (at + 2 > b.size()) throw std::out_of_range("Le16");
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

}  // namespace

TagNode *MakeTag(int32_t id, int32_t type, int32_t count, const Bytes &value) {
  auto *t = new TagNode;
  t->id = id;
  t->type = type;
  t->count = count;
  if (value.size() <= 4 && ValueFitsInWord(type, static_cast<uint32_t>(count)) &&
      !(ElementSize(type) == 4 && count == 0)) {
    uint8_t word[4] = {};
    if (!value.empty()) std::memcpy(word, value.data(), value.size());
    std::memcpy(&t->value, word, 4);
  } else if (!value.empty()) {
    t->SetData(value.data(), static_cast<int32_t>(value.size()));
  }
  return t;
}

TagNode *AsciiTag(int32_t id, const std::string &text) {
  Bytes b(text.begin(), text.end());
  b.push_back(0);
  return MakeTag(id, kTypeAscii, static_cast<int32_t>(b.size()), b);
}

namespace {
template <typename T>
TagNode *NativeTag(int32_t id, int32_t type, const std::vector<T> &values, size_t count) {
  Bytes b(values.size() * sizeof(T));
  if (!b.empty()) std::memcpy(b.data(), values.data(), b.size());
  return MakeTag(id, type, static_cast<int32_t>(count), b);
}
}  // namespace

TagNode *ShortTag(int32_t id, std::vector<uint16_t> values) { return NativeTag(id, kTypeShort, values, values.size()); }
TagNode *LongTag(int32_t id, std::vector<uint32_t> values) { return NativeTag(id, kTypeLong, values, values.size()); }

TagNode *RationalTag(int32_t id, std::vector<std::pair<uint32_t, uint32_t>> values) {
  std::vector<uint32_t> flat;
  for (auto [n, d] : values) flat.insert(flat.end(), {n, d});
  return NativeTag(id, kTypeRational, flat, values.size());
}

void FillOwner(ExifDocument &doc, MetaNode *owner, const std::vector<MetaNode *> &entries) {
  doc.SetCursor(owner);
  auto *count = new MetaNode;
  count->id = kIdEntryCount;
  count->kind = kKindTiffItem;
  count->value = static_cast<int32_t>(entries.size());
  doc.AppendChild(count);
  for (MetaNode *e : entries) doc.AppendSibling(e);
  auto *end = new MetaNode;
  end->id = kIdDirectoryEnd;
  doc.AppendSibling(end);
}

MetaNode *AppendDirectory(ExifDocument &doc, MetaNode *after, int32_t number, const std::vector<MetaNode *> &entries) {
  doc.SetCursor(after);
  auto *d = new MetaNode;
  d->id = kIdDirectory;
  d->hasChildren = 1;
  d->value = number;
  doc.AppendSibling(d);
  FillOwner(doc, d, entries);
  return d;
}

MetaNode *StartTiffDocument(ExifDocument &doc) {
  doc.format = kFormatTiff;
  auto *h = new MetaNode;
  h->id = kIdHeader;
  h->kind = kKindTiffItem;
  doc.AppendSibling(h);
  return h;
}

SegmentNode *AppendSegment(ExifDocument &doc, MetaNode *after, int32_t marker, const Bytes &payload) {
  auto *s = new SegmentNode(marker, static_cast<int32_t>(payload.size()), 0);
  if (!payload.empty()) {
    auto *copy = new uint8_t[payload.size()];
    std::memcpy(copy, payload.data(), payload.size());
    s->ReplacePayload(copy, static_cast<int32_t>(payload.size()));
  }
  doc.SetCursor(after);
  MetaNode *rest = after->next;
  after->next = nullptr;
  doc.AppendSibling(s);
  s->next = rest;
  return s;
}

std::vector<SegmentSpan> ScanSegments(const Bytes &jpeg) {
  std::vector<SegmentSpan> spans;
  size_t i = 0;
  while (i + 1 < jpeg.size()) {
    if (jpeg[i] != 0xFF) break;
    const int32_t marker = jpeg[i + 1];
    if (marker == kMarkerSoi || marker == kMarkerEoi) {
      spans.push_back({marker, 0, 0});
      i += 2;
      if (marker == kMarkerEoi) break;
      continue;
    }
    if (i + 4 > jpeg.size()) break;
    const int32_t length = (jpeg[i + 2] << 8 | jpeg[i + 3]) - 2;
    spans.push_back({marker, static_cast<int32_t>(i + 4), length});
    i += 4 + static_cast<size_t>(length);
    if (marker == kMarkerSos) {
      size_t end = jpeg.size() >= 2 ? jpeg.size() - 2 : 0;
      while (end > i && !(jpeg[end] == 0xFF && jpeg[end + 1] == kMarkerEoi)) --end;
      spans.push_back({kIdRawRun, static_cast<int32_t>(i), static_cast<int32_t>(end - i), true});
      i = end;
    }
  }
  return spans;
}

bool OpenJpegSegments(ExifDocument &doc, const std::string &path) {
  if (CreateFileStream(&doc.stream, path.c_str(), kOpenRead) == 0) return false;
  doc.format = kFormatJpeg;
  const Bytes bytes = ReadFileBytes(path);
  for (const SegmentSpan &span : ScanSegments(bytes)) {
    auto *s = new SegmentNode(span.marker, span.length, span.offset);
    s->rawRun = span.rawRun;
    if (span.marker >= kMarkerApp0 && span.marker <= kMarkerApp15 && span.length >= 4) {
      s->label = static_cast<char *>(std::calloc(8, 1));
      std::memcpy(s->label, bytes.data() + span.offset, 4);
    }
    doc.AppendSibling(s);
  }
  return true;
}

uint32_t Le32(const Bytes &b, size_t at) {
  if (at + 4 > b.size()) throw std::out_of_range("Le32");
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

const ReadEntry *ReadDirectory::Find(uint16_t tag) const {
  for (const ReadEntry &e : entries) {
    if (e.tag == tag) return &e;
  }
  return nullptr;
}

ReadDirectory ReadTiffDirectory(const Bytes &tiff, uint32_t offset) {
  ReadDirectory d;
  const uint16_t n = Le16(tiff, offset);
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t at = offset + 2 + 12 * i;
    d.entries.push_back({Le16(tiff, at), Le16(tiff, at + 2), Le32(tiff, at + 4), Le32(tiff, at + 8), at});
  }
  d.next = Le32(tiff, offset + 2 + 12 * n);
  return d;
}

std::vector<Bytes> StripBytes(const Bytes &tiff, uint32_t directory) {
  const ReadDirectory d = ReadTiffDirectory(tiff, directory);
  const ReadEntry *offsets = d.Find(273);
  const ReadEntry *counts = d.Find(279);
  std::vector<Bytes> strips;
  for (uint32_t k = 0; offsets != nullptr && counts != nullptr && k < offsets->count; ++k) {
    const uint32_t at = offsets->count == 1 ? offsets->field : Le32(tiff, offsets->field + 4 * k);
    const uint32_t n = counts->count == 1 ? counts->field : Le32(tiff, counts->field + 4 * k);
    if (at > tiff.size() || n > tiff.size() - at) throw std::out_of_range("StripBytes");
    strips.emplace_back(tiff.begin() + at, tiff.begin() + at + n);
  }
  return strips;
}

}  // namespace kexif::test
