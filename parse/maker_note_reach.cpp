#include "parse/maker_note_reach.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "model/exif_constants.h"
#include "stream/byte_order.h"
#include "stream/checked_read.h"

namespace kexif {

namespace {

constexpr int32_t kMaxNoteEntries = 1000;
constexpr int32_t kMaxNoteDirectories = 8;
constexpr int32_t kTypeIfd = 13;
constexpr int32_t kSignatureBytes = 12;

// What the offsets inside a note count from.
enum class Base { kTiffHeader, kNoteStart, kInnerHeader };
// Whose byte order the note's numbers follow.
enum class Order { kFile, kInnerHeader, kLittle };

struct Layout {
  const char *signature;
  int32_t signatureLength;
  int32_t directoryAt;  // from the note's start (or, with kInnerHeader, read from it)
  Base base;
  Order order;
};

// Own TIFF header 10 bytes in (offsets from that header).
constexpr int32_t kNikonHeaderAt = 10;
// Byte-order mark 8 bytes in, directory at 12 (offsets from the note).
constexpr int32_t kOlympusOrderAt = 8;
// Offset of the directory at 8 (little-endian), counted from the note.
constexpr int32_t kFujifilmOffsetAt = 8;

constexpr Layout kLayouts[] = {
    {"Nikon\0\2", 7, kNikonHeaderAt, Base::kInnerHeader, Order::kInnerHeader},
    {"Nikon\0\1\0", 8, 8, Base::kTiffHeader, Order::kFile},
    {"OLYMPUS\0", 8, 12, Base::kNoteStart, Order::kInnerHeader},
    {"OLYMP\0", 6, 8, Base::kTiffHeader, Order::kFile},
    {"Panasonic\0\0\0", 12, 12, Base::kTiffHeader, Order::kFile},
    {"SANYO\0", 6, 8, Base::kTiffHeader, Order::kFile},
    {"SONY DSC \0\0\0", 12, 12, Base::kTiffHeader, Order::kFile},
    {"FUJIFILM", 8, kFujifilmOffsetAt, Base::kNoteStart, Order::kLittle},
    {"QVC\0", 4, 6, Base::kTiffHeader, Order::kFile},
    {"AOC\0", 4, 6, Base::kTiffHeader, Order::kFile},
};

bool ReadAt(ByteStream &stream, int64_t offset, uint8_t *buffer, int32_t n) {
  if (!StreamHolds(stream, offset, n)) return false;
  stream.Seek(kSeekFromStart, static_cast<int32_t>(offset));
  return ReadExact(stream, buffer, n);
}

class NoteWalk {
 public:
  NoteWalk(ByteStream &stream, int64_t base, bool bigEndian) : stream_(stream), base_(base), bigEndian_(bigEndian) {}

  // Walks the directory at an absolute offset whose table must end by
  // tableLimit; false when it fails a check.
  bool Directory(int64_t at, int64_t tableLimit) {
    if (++directories_ > kMaxNoteDirectories) return false;
    uint8_t countField[2];
    if (!ReadAt(stream_, at, countField, 2)) return false;
    const int32_t count = ReadU16(countField, bigEndian_);
    if (count < 1 || count > kMaxNoteEntries) return false;
    const int64_t tableEnd = at + 2 + static_cast<int64_t>(count) * kEntrySize;
    if (tableEnd > tableLimit) return false;
    reach_ = std::max(reach_, tableEnd);
    // The whole table in one read (at most kMaxNoteEntries entries).
    std::vector<uint8_t> table(static_cast<size_t>(count) * kEntrySize);
    if (!ReadAt(stream_, at + 2, table.data(), static_cast<int32_t>(table.size()))) return false;
    for (int32_t i = 0; i < count; ++i) {
      const uint8_t *raw = table.data() + static_cast<size_t>(i) * kEntrySize;
      const int32_t type = ReadU16(raw + 2, bigEndian_);
      const uint32_t elements = ReadU32(raw + 4, bigEndian_);
      const uint32_t field = ReadU32(raw + 8, bigEndian_);
      const int32_t size = type == kTypeIfd ? 4 : ElementSize(type);
      if (size == 0) return false;
      const uint64_t bytes = static_cast<uint64_t>(elements) * static_cast<uint64_t>(size);
      if (bytes > 4) {
        const int64_t value = base_ + field;
        if (!StreamHolds(stream_, value, static_cast<int64_t>(bytes))) return false;
        reach_ = std::max(reach_, value + static_cast<int64_t>(bytes));
      } else if (type == kTypeIfd && elements == 1) {
        // A sub-directory: its table may lie anywhere the stream holds.
        if (!Directory(base_ + field, stream_.Size())) return false;
      }
    }
    return true;
  }

  int64_t reach() const { return reach_; }

 private:
  ByteStream &stream_;
  int64_t base_;
  bool bigEndian_;
  int64_t reach_ = 0;
  int32_t directories_ = 0;
};

}  // namespace

uint32_t MakerNoteReach(ByteStream &stream, uint32_t offset, uint32_t length, bool bigEndian) {
  uint8_t head[kSignatureBytes] = {};
  const int32_t headLength = static_cast<int32_t>(std::min<uint32_t>(length, kSignatureBytes));
  if (!ReadAt(stream, offset, head, headLength)) return 0;
  const int64_t noteEnd = static_cast<int64_t>(offset) + length;
  Layout layout{"", 0, 0, Base::kTiffHeader, Order::kFile};
  for (const Layout &known : kLayouts) {
    if (known.signatureLength <= headLength && std::memcmp(head, known.signature, known.signatureLength) == 0) {
      layout = known;
      break;
    }
  }
  int64_t base = layout.base == Base::kNoteStart ? offset : 0;
  int64_t directory = static_cast<int64_t>(offset) + layout.directoryAt;
  bool order = bigEndian;
  if (layout.order == Order::kLittle) order = false;
  if (layout.order == Order::kInnerHeader) {
    const int64_t markAt = layout.base == Base::kInnerHeader ? directory : static_cast<int64_t>(offset) + kOlympusOrderAt;
    uint8_t mark[8];
    if (!ReadAt(stream, markAt, mark, sizeof mark)) return 0;
    if (mark[0] == 'I' && mark[1] == 'I') {
      order = false;
    } else if (mark[0] == 'M' && mark[1] == 'M') {
      order = true;
    } else {
      return 0;
    }
    if (layout.base == Base::kInnerHeader) {
      base = markAt;
      directory = markAt + ReadU32(mark + 4, order);
    }
  }
  if (layout.order == Order::kLittle && layout.base == Base::kNoteStart) {
    uint8_t field[4];
    if (!ReadAt(stream, static_cast<int64_t>(offset) + kFujifilmOffsetAt, field, 4)) return 0;
    directory = offset + static_cast<int64_t>(ReadLittleEndian32(field));
  }
  NoteWalk walk(stream, base, order);
  if (!walk.Directory(directory, noteEnd)) return 0;
  return static_cast<uint32_t>(std::min<int64_t>(walk.reach(), UINT32_MAX));
}

}  // namespace kexif
