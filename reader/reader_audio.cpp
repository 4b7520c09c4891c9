#include "reader/reader_audio.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "platform/file_io.h"
#include "platform/file_open.h"
#include "stream/file_stream.h"
#include "stream/byte_order.h"
#include "stream/checked_read.h"

namespace kexif {
namespace {

constexpr int32_t kStreamIndexOffset = kFpxrIndexOffset;
constexpr int32_t kRiffTagOffset = kClipDataOffset;
// RIFF size counts the file less its "RIFF" tag and size field.
constexpr int64_t kRiffHeaderSize = 8;

// Reads the first `length` payload bytes of a recorded segment.
bool ReadPayload(ReaderContext &context, const SegmentLocation &segment, uint8_t *buffer, int32_t length) {
  if (!StreamHolds(*context.stream, segment.payloadOffset, length)) return false;
  context.stream->Seek(kSeekFromStart, segment.payloadOffset);
  return ReadExact(*context.stream, buffer, length);
}

bool WriteAll(std::FILE *file, const uint8_t *bytes, int32_t length) {
  return WriteRetrying(file, bytes, static_cast<size_t>(length)) == static_cast<size_t>(length);
}

}  // namespace

int32_t ReaderAudioExists(ReaderContext &context) {
  for (int32_t i = 0; i < context.fpxrCount && context.audioExists == 0; ++i) {
    const SegmentLocation &segment = context.fpxrSegments[i];
    if (segment.payloadLength < 1) break;
    // Only the bytes that decide are read.
    uint8_t head[kClipStartMinPayload];
    if (segment.payloadLength < kClipStartMinPayload) continue;
    if (!ReadPayload(context, segment, head, kClipStartMinPayload)) continue;
    if (IsClipStart(head, kClipStartMinPayload)) context.audioExists = 1;
  }
  return context.audioExists != 0 ? 1 : 0;
}

bool WriteReaderAudio(ReaderContext &context, const void *name) {
  // The clip's segments are gathered first, reading only their heads, and
  // the file is made only once they cover the RIFF length: a clip whose
  // later parts are missing leaves no short file behind.
  struct Piece {
    const SegmentLocation *segment;
    int32_t skip;  // header bytes before the clip's own bytes
  };
  std::vector<Piece> pieces;
  int64_t remaining = 0;
  uint16_t clipIndex = 0xFFFF;
  for (int32_t i = 0; i < context.fpxrCount && (pieces.empty() || remaining > 0); ++i) {
    const SegmentLocation &segment = context.fpxrSegments[i];
    const int32_t length = segment.payloadLength;
    if (length < 1) break;
    // A payload that cannot be read wholly is neither a start nor a part.
    uint8_t head[kClipStartMinPayload];
    const int32_t headLength = std::min(length, kClipStartMinPayload);
    if (!StreamHolds(*context.stream, segment.payloadOffset, length) ||
        !ReadPayload(context, segment, head, headLength)) {
      continue;
    }
    if (IsClipStart(head, headLength)) {
      if (!pieces.empty()) continue;  // a second start while gathering: passed over
      remaining = static_cast<int64_t>(ReadLittleEndian32(head + kRiffSizeOffset)) + kRiffHeaderSize;
      remaining -= length - kRiffTagOffset;
      clipIndex = ReadBigEndian16(head + kStreamIndexOffset);
      pieces.push_back({&segment, kRiffTagOffset});
      context.audioExists = 1;
    } else if (!pieces.empty() && length >= kFpxrStreamHeaderSize &&
               ReadBigEndian16(head + kStreamIndexOffset) == clipIndex) {
      remaining -= length - kFpxrStreamHeaderSize;
      pieces.push_back({&segment, kFpxrStreamHeaderSize});
    }
  }
  if (pieces.empty() || remaining > 0) return false;

  const FileIdentity keep[] = {IdentityOfStream(context.stream)};
  std::FILE *out = OpenNamedFile(name, FileOpenMode::kWrite, nullptr, keep);
  if (out == nullptr) return false;
  bool writeFailed = false;
  for (const Piece &piece : pieces) {
    const int32_t length = piece.segment->payloadLength;
    std::unique_ptr<uint8_t[]> payload(new (std::nothrow) uint8_t[static_cast<size_t>(length)]);
    if (!payload || !ReadPayload(context, *piece.segment, payload.get(), length) ||
        !WriteAll(out, payload.get() + piece.skip, length - piece.skip)) {
      writeFailed = true;
      break;
    }
  }
  if (!CloseFile(out)) writeFailed = true;
  return !writeFailed;
}

}  // namespace kexif
