// The FlashPix extension ("FPXR") layout of a sound clip stored in APP2
// segments: a 13-byte stream header, and in the clip's first segment a
// 28-byte audio stream preamble before the RIFF WAVE bytes.
#ifndef KEXIF_PARSE_FPXR_LAYOUT_H
#define KEXIF_PARSE_FPXR_LAYOUT_H

#include <cstdint>

namespace kexif {

inline constexpr int32_t kFpxrHeaderSize = 13;
inline constexpr int32_t kFpxrTypeOffset = 6;
inline constexpr int32_t kFpxrIndexOffset = 7;
inline constexpr int32_t kFpxrStreamOffsetField = 9;
inline constexpr uint8_t kFpxrStreamData = 2;
inline constexpr uint16_t kAudioStreamIndex = 4;
inline constexpr int32_t kAudioPreambleSize = 28;
// "RIFF" stands here in a clip's first segment, its chunk size 4 bytes on.
inline constexpr int32_t kClipDataOffset = kFpxrHeaderSize + kAudioPreambleSize;  // 41
inline constexpr int32_t kRiffSizeOffset = kClipDataOffset + 4;                   // 45
// A clip start must hold the whole RIFF size field.
inline constexpr int32_t kMinClipStartSize = kRiffSizeOffset + 4;  // 49
// Sound files are cut into chunks of at most this many bytes.
inline constexpr int32_t kMaxAudioChunk = 63900;

extern const uint8_t kAudioStreamPreamble[kAudioPreambleSize];

// Fills out with "FPXR" 00, version 0, type 2 (stream data), stream index 4
// and streamOffset (big-endian), the offset of the segment's data within
// the stream.
void WriteFpxrStreamHeader(uint8_t out[kFpxrHeaderSize], uint32_t streamOffset);

// A payload with "FPXR" at 0, type 2 at 6 and "RIFF" at 41, long enough to
// hold the RIFF size at 45..48.
bool IsClipStart(const uint8_t *payload, int32_t length);
// The big-endian stream index at 7; only for payloads of 13 bytes or more.
uint16_t FpxrStreamIndex(const uint8_t *payload);
// The RIFF chunk size at 45 (little-endian); only for clip starts.
uint32_t ClipRiffSize(const uint8_t *payload);
// A payload of at least 13 bytes whose stream index is index.
bool IsClipContinuation(const uint8_t *payload, int32_t length, uint16_t index);

}  // namespace kexif

#endif
