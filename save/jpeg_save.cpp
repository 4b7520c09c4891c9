#include "save/jpeg_save.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "model/tree_search.h"
#include "parse/diagnostics.h"
#include "parse/fpxr_layout.h"
#include "save/directory_writer.h"
#include "save/entry_layout.h"
#include "save/maker_note_place.h"
#include "save/source_copy.h"
#include "save/thumbnail_block.h"
#include "save/tiff_structure.h"
#include "stream/byte_order.h"

namespace kexif {

namespace {

constexpr uint8_t kExifIdentifier[kExifHeaderSize] = {'E', 'x', 'i', 'f', 0, 0};

// The value of a single SHORT or LONG held in a value word.
uint32_t SingleValue(const TagNode &tag) {
  const uint32_t word = static_cast<uint32_t>(tag.value);
  return tag.type == kTypeShort ? (word & 0xFFFF) : word;
}

// length bytes of the segment's TIFF data from offset on, as a new buffer;
// bytes beyond the data are zeros.
std::unique_ptr<uint8_t[]> CopyTiffBytes(const SegmentNode &segment, uint32_t offset, int32_t length) {
  std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[static_cast<size_t>(length)]());
  if (!bytes) return bytes;
  const int64_t tiffLength = static_cast<int64_t>(segment.dataLength) - kExifHeaderSize;
  if (segment.data != nullptr && tiffLength > 0 && offset < tiffLength) {
    const int64_t available = std::min<int64_t>(length, tiffLength - offset);
    std::memcpy(bytes.get(), segment.data + kExifHeaderSize + offset, static_cast<size_t>(available));
  }
  return bytes;
}

// Puts the JPEG thumbnail's bytes into the JPEGInterchangeFormat entry's
// data unless they are there already.
bool LoadJpegThumbnail(ExifDocument &document, SegmentNode &segment, MetaNode *header) {
  TagNode *t = document.thumbnailOffsetTag;
  if (document.thumbnailExists == 0 || t == nullptr || t->data != nullptr) return true;
  TagNode *lengthTag = FindTagById(t, kTagJpegInterchangeFormatLength);
  if (lengthTag == nullptr) lengthTag = FindTagById(header, kTagJpegInterchangeFormatLength);
  const uint32_t length = lengthTag != nullptr ? SingleValue(*lengthTag) : 0;
  if (length == 0) return true;
  if (length > static_cast<uint32_t>(kMaxSegmentPayload)) return false;
  if (segment.LoadPayload(document.stream) == 0) return false;
  auto bytes = CopyTiffBytes(segment, SingleValue(*t), static_cast<int32_t>(length));
  return bytes && t->SetData(bytes.get(), static_cast<int32_t>(length)) == 1;
}

bool WriteAll(ByteStream &out, const void *bytes, int32_t length) {
  return length <= 0 || out.Write(bytes, length) == length;
}

bool WriteMarker(ByteStream &out, int32_t marker) {
  const uint8_t b[2] = {0xFF, static_cast<uint8_t>(marker)};
  return WriteAll(out, b, 2);
}

bool WriteSegmentHeader(ByteStream &out, int32_t marker, int32_t payloadLength) {
  if (payloadLength < 0 || payloadLength > kMaxSegmentPayload) return false;
  uint8_t b[4] = {0xFF, static_cast<uint8_t>(marker), 0, 0};
  WriteBigEndian16(b + 2, static_cast<uint16_t>(payloadLength + 2));
  return WriteAll(out, b, 4);
}

// The segment's payload: from memory when it is there, else copied from
// the source file in chunks without keeping it.
bool WritePayload(ExifDocument &document, SegmentNode &segment, ByteStream &out) {
  if (segment.payloadState == kPayloadNone || segment.dataLength == 0) return segment.dataLength >= 0;
  if (segment.dataLength < 0) return false;
  if (segment.payloadState == kPayloadInMemory) {
    return segment.data != nullptr && WriteAll(out, segment.data, segment.dataLength);
  }
  return document.stream != nullptr &&
         CopyStreamRange(*document.stream, segment.fileOffset, segment.dataLength, out);
}

bool WriteAddedAudio(ExifDocument &document, SegmentNode &segment, ByteStream &out, bool *first) {
  if (document.audioStream == nullptr || segment.dataLength < 1) return false;
  const int32_t extra = *first ? kClipDataOffset : kFpxrHeaderSize;
  if (segment.dataLength > kMaxSegmentPayload - extra) return false;
  if (!WriteSegmentHeader(out, kMarkerApp2, segment.dataLength + extra)) return false;
  // The stream begins with the preamble, so every later chunk's data lies
  // that much further into it than into the sound file.
  uint8_t header[kFpxrHeaderSize];
  WriteFpxrStreamHeader(header, *first ? 0u : static_cast<uint32_t>(segment.fileOffset) + kAudioPreambleSize);
  if (!WriteAll(out, header, kFpxrHeaderSize)) return false;
  if (*first && !WriteAll(out, kAudioStreamPreamble, kAudioPreambleSize)) return false;
  *first = false;
  return CopyStreamRange(*document.audioStream, segment.fileOffset, segment.dataLength, out);
}

// Header, then each directory of chain with its values, sub-directories and
// thumbnail, linked in chain order.
void WriteStructure(DirectoryWriter &writer, const std::vector<MetaNode *> &chain, const MakerNotePlace &place) {
  writer.outputByteOrder = place.byteOrder;
  if (place.fixed.entry != nullptr) writer.FixValue(place.fixed);
  writer.WriteHeader(!chain.empty());
  for (size_t i = 0; i < chain.size(); ++i) {
    writer.WriteDirectory(chain[i]);
    writer.WriteThumbnailData(chain[i]);
    writer.WriteNextLink(i + 1 < chain.size() ? chain[i + 1] : nullptr);
  }
}

}  // namespace

int LoadSingleStripThumbnail(ExifDocument &document) {
  SegmentNode *segment = ExifSegmentToRebuild(document);
  if (segment == nullptr) return 0;
  for (MetaNode *d : DirectoryChain(segment->firstChild)) {
    TagNode *offsets = DirectChildTag(d, kTagStripOffsets);
    TagNode *counts = DirectChildTag(d, kTagStripByteCounts);
    if (offsets == nullptr || counts == nullptr || offsets->count > 1 || !FitsInline(*counts)) continue;
    if (counts->data != nullptr) {
      document.singleStripLoaded = 1;
      return 1;
    }
    const uint32_t length = SingleValue(*counts);
    if (length == 0) return 1;
    if (length > static_cast<uint32_t>(kMaxSegmentPayload)) return 0;
    if (segment->LoadPayload(document.stream) == 0) return 0;
    auto bytes = CopyTiffBytes(*segment, SingleValue(*offsets), static_cast<int32_t>(length));
    if (!bytes || counts->SetData(bytes.get(), static_cast<int32_t>(length)) == 0) return 0;
    document.singleStripLoaded = 1;
    return 1;
  }
  return 1;
}

int RebuildExifSegment(ExifDocument &document) {
  SegmentNode *segment = ExifSegmentToRebuild(document);
  if (segment == nullptr) return 0;
  document.byteOrder = kLittleEndian;
  MetaNode *header = segment->firstChild;
  if (document.thumbnailExists != 0) {
    if (!LoadJpegThumbnail(document, *segment, header)) return 0;
  } else if (LoadSingleStripThumbnail(document) == 0) {
    return 0;
  }
  const std::vector<MetaNode *> chain = DirectoryChain(header);
  MakerNotePlace place = PlanMakerNote(document, *segment, chain);
  int32_t size = MeasureDirectories(document);
  if (place.fixed.entry != nullptr) {
    // The packed layout around a note kept in place has gaps that only a
    // run of the writer itself can measure.
    DirectoryWriter measure(&document, nullptr);
    WriteStructure(measure, chain, place);
    if (measure.failed() || measure.extent() > kMaxSegmentPayload - kExifHeaderSize) {
      Diagnose("MakerNote moves with the packed layout: the Exif data would not fit its segment\n");
      place = MakerNotePlace{};
    } else {
      size = measure.extent();
    }
  }
  if (size < 1 || size > kMaxSegmentPayload - kExifHeaderSize) return 0;
  const int32_t total = size + kExifHeaderSize;
  std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[static_cast<size_t>(total)]());
  if (!block) return 0;
  std::memcpy(block.get(), kExifIdentifier, kExifHeaderSize);
  ByteStream *memory = nullptr;
  if (CreateMemoryStream(&memory, block.get() + kExifHeaderSize, size) == 0) return 0;
  DirectoryWriter writer(&document, memory);
  WriteStructure(writer, chain, place);
  ReleaseStream(memory);
  // The measure and the writer share their size rules; a difference would
  // leave a structure that does not say what it holds, so it is refused.
  if (writer.failed() || writer.extent() != size) return 0;
  segment->ReplacePayload(block.release(), total);
  return 1;
}

int WriteJpeg(const SaveContext &context) {
  ExifDocument &document = *context.document;
  ByteStream &out = *context.output;
  // The image data and every segment after it are copied: all must be known.
  if (!document.CompleteScan()) return 0;
  if (ExifSegmentToRebuild(document) != nullptr && RebuildExifSegment(document) == 0) return 0;
  bool first = true;
  for (MetaNode *node = document.root; node != nullptr; node = node->next) {
    SegmentNode *segment = AsSegmentNode(node);
    if (segment == nullptr) return 0;
    bool ok;
    if (segment->id == kMarkerSoi || segment->id == kMarkerEoi) {
      ok = WriteMarker(out, segment->id);
    } else if (segment->rawRun) {
      ok = WritePayload(document, *segment, out);
    } else if (segment->id == kMarkerApp2 && segment->addedAudio) {
      ok = WriteAddedAudio(document, *segment, out, &first);
    } else {
      ok = WriteSegmentHeader(out, segment->id, segment->dataLength) && WritePayload(document, *segment, out);
    }
    if (!ok) return 0;
  }
  return 1;
}

}  // namespace kexif
