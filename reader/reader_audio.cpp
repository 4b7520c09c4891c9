#include "reader/reader_audio.h"

#include <cstdio>
#include <cstring>
#include <new>

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
  std::FILE *out = nullptr;
  bool writeFailed = false;
  int64_t remaining = 0;
  uint16_t clipIndex = 0xFFFF;
  for (int32_t i = 0; i < context.fpxrCount; ++i) {
    const SegmentLocation &segment = context.fpxrSegments[i];
    const int32_t length = segment.payloadLength;
    if (length < 1) break;
    std::unique_ptr<uint8_t[]> payload(new (std::nothrow) uint8_t[static_cast<size_t>(length)]);
    if (!payload) break;
    // A payload that cannot be read wholly is neither a start nor a part.
    if (!ReadPayload(context, segment, payload.get(), length)) continue;
    const uint8_t *p = payload.get();
    if (IsClipStart(p, length)) {
      if (out != nullptr) continue;  // a second start while writing: passed over
      const FileIdentity keep[] = {IdentityOfStream(context.stream)};
      out = OpenNamedFile(name, FileOpenMode::kWrite, nullptr, keep);
      if (out == nullptr) return false;
      remaining = static_cast<int64_t>(ReadLittleEndian32(p + kRiffSizeOffset)) + kRiffHeaderSize;
      if (!WriteAll(out, p + kRiffTagOffset, length - kRiffTagOffset)) writeFailed = true;
      clipIndex = ReadBigEndian16(p + kStreamIndexOffset);
      remaining -= length - kRiffTagOffset;
      context.audioExists = 1;
      if (remaining <= 0) break;
    } else if (out != nullptr && remaining > 0 && length >= kFpxrStreamHeaderSize &&
               ReadBigEndian16(p + kStreamIndexOffset) == clipIndex) {
      if (!WriteAll(out, p + kFpxrStreamHeaderSize, length - kFpxrStreamHeaderSize)) writeFailed = true;
      remaining -= length - kFpxrStreamHeaderSize;
      if (remaining <= 0) break;
    }
  }
  if (out == nullptr) return false;
  if (std::fclose(out) != 0) writeFailed = true;
  return !writeFailed;
}

}  // namespace kexif
