#include "parse/tiff_parser.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include "model/exif_constants.h"
#include "parse/diagnostics.h"
#include "parse/iptc_records.h"
#include "parse/maker_note_reach.h"
#include "parse/parse_limits.h"
#include "parse/photoshop_resources.h"
#include "stream/byte_order.h"
#include "stream/checked_read.h"
#include "stream/owned_stream.h"

namespace kexif {
namespace {

constexpr int32_t kHeaderMarkSize = 4;  // "II"/"MM" and the magic number
constexpr int32_t kOffsetSize = 4;
constexpr int32_t kCountFieldSize = 2;
constexpr int32_t kFailed = -1;
// Maker notes of one parse whose place is recorded (a structure has one;
// hostile data may repeat the entry in every directory of a long chain).
constexpr size_t kMaxNotesPerParse = 4;
// Room for the ranges of a typical structure (directories, values,
// thumbnail) before the list has to grow.
constexpr size_t kUsedRangesReserved = 64;

// Splits a 12-byte entry. An in-line value is put into the tree's layout:
// 1-byte elements keep the file's byte order, 2-byte elements are
// converted each in its half, anything else as one 32-bit number.
TiffEntry DecodeEntry(const uint8_t *raw, bool bigEndian, bool *outOfLine) {
  TiffEntry entry;
  entry.tag = ReadU16(raw, bigEndian);
  entry.type = ReadU16(raw + 2, bigEndian);
  entry.count = ReadU32(raw + 4, bigEndian);
  const uint8_t *field = raw + 8;
  const int32_t elementSize = ElementSize(entry.type);
  *outOfLine = elementSize != 0 && !ValueFitsInWord(entry.type, entry.count);
  if (*outOfLine) {
    entry.valueField = ReadU32(field, bigEndian);
  } else if (elementSize == 1) {
    entry.valueField = ReadLittleEndian32(field);
  } else if (elementSize == 2) {
    entry.valueField = static_cast<uint32_t>(ReadU16(field, bigEndian)) |
                       (static_cast<uint32_t>(ReadU16(field + 2, bigEndian)) << 16);
  } else {
    entry.valueField = ReadU32(field, bigEndian);
  }
  return entry;
}

// The parse's reads by offset. A range the stream already holds in memory
// (the file's read buffer, the block of a memory stream) is copied from
// there, which spares the few dozen small reads of a structure a call
// through the stream each; any other range is read through the stream.
class TiffInput {
 public:
  explicit TiffInput(ByteStream &stream)
      : stream_(stream), size_(std::max<int64_t>(stream.Size(), 0)), held_(stream.Held()) {}

  // What the stream can hold: offsets and lengths read from the data are
  // checked against it.
  int64_t Size() const { return size_; }
  bool Holds(int64_t offset, int64_t length) const { return RangeFits(offset, length, size_); }

  // True only when all n bytes at offset arrived.
  bool ReadAt(int64_t offset, void *out, int32_t n) {
    const int64_t inHeld = offset - held_.position;
    if (inHeld >= 0 && inHeld <= held_.length && n <= held_.length - inHeld) {
      std::memcpy(out, held_.data + inHeld, static_cast<size_t>(n));
      return true;
    }
    if (offset < 0 || offset > INT32_MAX) return false;  // beyond what a seek can reach
    stream_.Seek(kSeekFromStart, static_cast<int32_t>(offset));
    const bool arrived = ReadExact(stream_, out, n);
    held_ = stream_.Held();  // a read may have refilled the stream's buffer
    return arrived;
  }

  // The stream itself, for walks that read it directly; what it held may
  // change then, so it is asked again at the next read that needs it.
  ByteStream &Direct() {
    held_ = {};
    return stream_;
  }

 private:
  ByteStream &stream_;
  int64_t size_;
  HeldBytes held_;
};

// The offsets of the directories read along the main chain. Most chains
// have one or two, so the first few are kept without an allocation.
class ChainOffsets {
 public:
  bool Contains(uint32_t offset) const {
    const auto held = std::span(first_.data(), std::min(count_, first_.size()));
    return std::find(held.begin(), held.end(), offset) != held.end() ||
           std::find(more_.begin(), more_.end(), offset) != more_.end();
  }
  void Add(uint32_t offset) {
    if (count_ < first_.size()) {
      first_[count_] = offset;
    } else {
      more_.push_back(offset);
    }
    ++count_;
  }

 private:
  std::array<uint32_t, 8> first_{};
  size_t count_ = 0;
  std::vector<uint32_t> more_;
};

// A run of bytes [begin, end) of the structure that a directory table, a
// value or the thumbnail occupies.
struct UsedRange {
  uint32_t begin;
  uint32_t end;
};

class DirectoryParser {
 public:
  DirectoryParser(bool bigEndian, TiffInput &input, TreeBuilder &builder)
      : bigEndian_(bigEndian), input_(input), builder_(builder) {
    valueBytesLeft_ = std::min(kMaxValueBytesPerParse, kValueBytesAllowance + kValueBytesPerStreamByte * input.Size());
    used_.reserve(kUsedRangesReserved);
  }

  // Parses the directory at offset; kFailed when it cannot be there.
  int32_t ParseAt(uint32_t offset) {
    if (!input_.Holds(offset, kCountFieldSize)) return kFailed;
    uint8_t countField[kCountFieldSize];
    if (!input_.ReadAt(offset, countField, kCountFieldSize)) return kFailed;
    const auto count = static_cast<int16_t>(ReadU16(countField, bigEndian_));
    if (count < kMinDirectoryEntries || count > kMaxDirectoryEntries) return kFailed;
    builder_.OnEntryCount(count);

    uint8_t entries[kMaxDirectoryEntries * kEntrySize];
    const int64_t firstEntry = int64_t{offset} + kCountFieldSize;
    if (!input_.ReadAt(firstEntry, entries, count * kEntrySize)) return kFailed;
    const int64_t afterEntries = firstEntry + count * kEntrySize;
    NoteUsed(offset, kCountFieldSize + count * kEntrySize + kOffsetSize);

    DirectoryImage image;
    for (int32_t i = 0; i < count; ++i) {
      if (!ParseEntry(entries + i * kEntrySize, &image)) return kFailed;
    }
    image.NoteUsed(*this);

    uint8_t nextField[kOffsetSize];
    if (!input_.ReadAt(afterEntries, nextField, kOffsetSize)) return kFailed;
    const auto next = static_cast<int32_t>(ReadU32(nextField, bigEndian_));
    builder_.OnDirectoryEnd(next);
    return next;
  }

  // Gives every maker note read by this parser the count of bytes after
  // it that no directory, value or thumbnail of the structure uses, up to
  // the next one or the end of the stream. How far the note's own
  // directory reaches is left to the save that keeps the note in place,
  // which holds the structure's bytes in memory then; a load that is never
  // saved does not walk the note.
  void MeasureNoteTails() {
    const int64_t size = input_.Size();
    for (TagNode *note : std::span(notes_.data(), noteCount_)) {
      SourceSpan &span = note->source;
      const uint64_t end = static_cast<uint64_t>(span.offset) + span.length;
      uint64_t tailEnd = std::min<uint64_t>(static_cast<uint64_t>(size), end + kMaxMakerNoteTail);
      for (const UsedRange &r : used_) {
        if (r.end <= end) continue;
        tailEnd = std::min<uint64_t>(tailEnd, std::max<uint64_t>(r.begin, end));
      }
      span.tail = tailEnd > end ? static_cast<uint32_t>(tailEnd - end) : 0;
    }
  }

 private:
  // The thumbnail (JPEG or single strip) a directory points at, so that its
  // bytes count as used.
  struct DirectoryImage {
    uint32_t jpegOffset = 0, jpegLength = 0, stripOffset = 0, stripLength = 0;
    bool jpeg = false, jpegLengthSeen = false, strip = false, stripLengthSeen = false;
    void See(const TiffEntry &entry, bool outOfLine) {
      if (outOfLine) return;
      const uint32_t v = entry.type == kTypeShort ? (entry.valueField & 0xFFFF) : entry.valueField;
      switch (entry.tag) {
        case kTagJpegInterchangeFormat: jpeg = true; jpegOffset = v; break;
        case kTagJpegInterchangeFormatLength: jpegLengthSeen = true; jpegLength = v; break;
        case kTagStripOffsets: strip = true; stripOffset = v; break;
        case kTagStripByteCounts: stripLengthSeen = true; stripLength = v; break;
        default: break;
      }
    }
    void NoteUsed(DirectoryParser &parser) const {
      if (jpeg && jpegLengthSeen) parser.NoteUsed(jpegOffset, jpegLength);
      if (strip && stripLengthSeen) parser.NoteUsed(stripOffset, stripLength);
    }
  };

  void NoteUsed(uint32_t offset, int64_t length) {
    if (length <= 0) return;
    const uint64_t end = std::min<uint64_t>(static_cast<uint64_t>(offset) + static_cast<uint64_t>(length), UINT32_MAX);
    used_.push_back({offset, static_cast<uint32_t>(end)});
  }

  bool ParseEntry(const uint8_t *raw, DirectoryImage *image) {
    bool outOfLine = false;
    const TiffEntry entry = DecodeEntry(raw, bigEndian_, &outOfLine);
    if (entry.type == 0) return false;
    image->See(entry, outOfLine);

    std::unique_ptr<uint8_t[]> value;
    if (outOfLine && !ReadValue(entry, &value)) return false;
    TagNode *node = builder_.OnEntry(entry);
    const bool hasValue = value != nullptr;
    if (hasValue) builder_.OnEntryData(entry, std::move(value));
    if (hasValue && entry.tag == kTagMakerNote && noteCount_ < kMaxNotesPerParse) {
      node->source = {true, entry.valueField, static_cast<uint32_t>(EntryByteSize(entry)), 0,
                      bigEndian_ ? kBigEndian : kLittleEndian};
      notes_[noteCount_++] = node;
    } else if (outOfLine) {
      NoteUsed(entry.valueField, EntryByteSize(entry));
    }

    switch (entry.tag) {
      case kTagExifPointer:
        if (builder_.document->exifDirectoryVisited != 0) {
          // A second Exif pointer in one structure is not followed; the
          // document goes on naming the one the sub-directory hangs under.
          if (followedExifPointer_ != nullptr) builder_.document->exifPointerTag = followedExifPointer_;
          return true;
        }
        followedExifPointer_ = node;
        return FollowSubdirectory(entry, &builder_.document->exifDirectoryVisited);
      case kTagGpsPointer:
        return FollowSubdirectory(entry, &builder_.document->gpsDirectoryVisited);
      case kTagInteropPointer:
        FollowInteroperability(entry, node);
        return true;
      case kTagIptc:
        WalkIptc(entry);
        return true;
      case kTagPhotoshop:
        WalkPhotoshop(entry);
        return true;
      default:
        return true;
    }
  }

  // Reads an out-of-line value in native order; false when its byte size
  // overflows, lies outside the stream, exceeds the parse's allowance or
  // does not arrive in full. A zero-byte value yields no buffer.
  bool ReadValue(const TiffEntry &entry, std::unique_ptr<uint8_t[]> *out) {
    int32_t byteSize = 0;
    if (!ByteSizeFits(entry.count, static_cast<uint32_t>(ElementSize(entry.type)), &byteSize)) return false;
    if (byteSize == 0) return true;
    if (!input_.Holds(entry.valueField, byteSize)) return false;
    if (byteSize > valueBytesLeft_) return false;
    valueBytesLeft_ -= byteSize;
    auto buffer = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(byteSize));
    if (!input_.ReadAt(entry.valueField, buffer.get(), byteSize)) return false;
    if (bigEndian_) SwapEach(buffer.get(), byteSize, SwapUnit(entry.type));
    *out = std::move(buffer);
    return true;
  }

  // The Exif and GPS sub-directories: only the first of each kind met in
  // one parse is followed; its own next offset is not.
  bool FollowSubdirectory(const TiffEntry &entry, int32_t *visited) {
    if (*visited != 0) return true;
    *visited = 1;
    return ParseAt(entry.valueField) >= 0;
  }

  // The Interoperability directory hangs under its pointer entry like the
  // GPS directory, but a damaged one is dropped rather than failing the
  // whole parse: such directories are often broken in real files, and the
  // rest of the data is sound.
  void FollowInteroperability(const TiffEntry &entry, TagNode *pointer) {
    ExifDocument &doc = *builder_.document;
    if (doc.interopDirectoryVisited != 0) return;
    doc.interopDirectoryVisited = 1;
    const ParseMarks marks = builder_.Mark(pointer);
    const size_t notesBefore = noteCount_;
    if (ParseAt(entry.valueField) < 0) {
      noteCount_ = notesBefore;  // their nodes go with the directory
      builder_.Discard(pointer, marks);
    }
  }

  // The walks of IPTC records and Photoshop resources yield nothing but
  // diagnostic lines, so they run only when someone listens.
  void WalkIptc(const TiffEntry &entry) {
    if (!DiagnosticsEnabled() || !input_.Holds(entry.valueField, 0)) return;
    ByteStream &stream = input_.Direct();
    stream.Seek(kSeekFromStart, static_cast<int32_t>(entry.valueField));
    ParseIptc(stream);
  }

  void WalkPhotoshop(const TiffEntry &entry) {
    if (!DiagnosticsEnabled() || !input_.Holds(entry.valueField, 0)) return;
    const int64_t held = input_.Size() - entry.valueField;
    const auto length = static_cast<int32_t>(std::min<int64_t>(entry.count, held));
    if (length <= 0) return;
    ByteStream &stream = input_.Direct();
    stream.Seek(kSeekFromStart, static_cast<int32_t>(entry.valueField));
    ByteStream *window = nullptr;
    if (CreateStreamWindow(&window, &stream, length) == 0) return;
    const OwnedStream owned(window);
    ParsePhotoshopResources(*window);
  }

  bool bigEndian_;
  TiffInput &input_;
  TreeBuilder &builder_;
  int64_t valueBytesLeft_;
  TagNode *followedExifPointer_ = nullptr;
  std::vector<UsedRange> used_;
  std::array<TagNode *, kMaxNotesPerParse> notes_{};
  size_t noteCount_ = 0;
};

}  // namespace

int ParseTiff(ByteStream &stream, TreeBuilder &builder) {
  uint8_t mark[kHeaderMarkSize];
  if (!ReadExact(stream, mark, kHeaderMarkSize)) return 0;
  bool bigEndian;
  if (mark[0] == 'I' && mark[1] == 'I') {
    bigEndian = false;
  } else if (mark[0] == 'M' && mark[1] == 'M') {
    bigEndian = true;
  } else {
    return 0;
  }
  builder.OnTiffHeader(bigEndian ? kBigEndian : kLittleEndian);
  uint8_t offsetField[kOffsetSize];
  if (!ReadExact(stream, offsetField, kOffsetSize)) return 0;
  uint32_t offset = ReadU32(offsetField, bigEndian);

  ExifDocument &doc = *builder.document;
  doc.exifDirectoryVisited = 0;
  doc.gpsDirectoryVisited = 0;
  doc.interopDirectoryVisited = 0;

  TiffInput input(stream);
  DirectoryParser parser(bigEndian, input, builder);
  ChainOffsets visited;
  for (int32_t n = 1; offset != 0; ++n) {
    visited.Add(offset);
    builder.OnDirectoryStart(n);
    const int32_t next = parser.ParseAt(offset);
    if (next < 0) return 0;
    const auto nextOffset = static_cast<uint32_t>(next);
    // A chain that comes back to a directory already read, or runs on
    // without end, stops here as if it ended.
    if (n >= kMaxDirectoriesInChain ||
        visited.Contains(nextOffset)) {
      break;
    }
    offset = nextOffset;
  }
  parser.MeasureNoteTails();
  builder.OnTiffEnd();
  return 1;
}

}  // namespace kexif
