#include "reader/jpeg_scan.h"

#include <cstring>

#include "model/exif_constants.h"
#include "stream/byte_order.h"
#include "stream/checked_read.h"

namespace kexif {
namespace {

constexpr uint8_t kMarkerPrefix = 0xFF;
constexpr int32_t kMarkerStuffing = 0x00;
constexpr int32_t kLengthFieldSize = 2;
constexpr int32_t kIdentifierSize = 4;

// Fills one segment record: identifier with its NUL, length and offset.
void Record(SegmentLocation *location, const uint8_t *identifier, int32_t payloadLength, int32_t payloadOffset) {
  std::memset(location->identifier, 0, sizeof location->identifier);
  std::memcpy(location->identifier, identifier, kIdentifierSize);
  location->payloadLength = payloadLength;
  location->payloadOffset = payloadOffset;
}

}  // namespace

void ScanJpegSegments(ByteStream &stream, ReaderContext &context) {
  for (;;) {
    // The marker prefix and the marker code in one read. A byte other than
    // 0xFF is passed over: step back so that the second byte is examined
    // as the next candidate prefix.
    uint8_t marker[2];
    const int32_t got = stream.Read(marker, 2);
    if (got < 2) return;
    if (marker[0] != kMarkerPrefix) {
      stream.Seek(kSeekFromCurrent, -1);
      continue;
    }
    const int32_t code = marker[1];
    if (code == kMarkerStuffing || code == kMarkerSoi || code == kMarkerEoi) {
      // No length field. An EOI before the end does not end the scan; the
      // end of the file does, at the next read.
      continue;
    }
    if (code >= kMarkerApp0 && code <= kMarkerApp15) {
      const int32_t lengthPosition = stream.Tell();
      uint8_t header[kLengthFieldSize + kIdentifierSize];
      const int32_t headerBytes = stream.Read(header, sizeof header);
      if (headerBytes < kLengthFieldSize) return;
      const int32_t length = ReadBigEndian16(header);
      if (length < kLengthFieldSize) return;
      const int32_t payloadLength = length - kLengthFieldSize;
      // The identifier counts only when it lies inside this payload.
      if (headerBytes == static_cast<int32_t>(sizeof header) && payloadLength >= kIdentifierSize) {
        const uint8_t *identifier = header + kLengthFieldSize;
        const int32_t payloadOffset = lengthPosition + kLengthFieldSize;
        if (code == kMarkerApp1 && std::memcmp(identifier, "Exif", kIdentifierSize) == 0) {
          Record(&context.exifSegment, identifier, payloadLength, payloadOffset);
          context.exifExists = 1;
        } else if (code == kMarkerApp2 && std::memcmp(identifier, "FPXR", kIdentifierSize) == 0 &&
                   context.fpxrCount < kMaxFpxrSegments) {
          Record(&context.fpxrSegments[context.fpxrCount], identifier, payloadLength, payloadOffset);
          ++context.fpxrCount;
        }
      }
      if (stream.Seek(kSeekFromStart, lengthPosition + length) != 0) return;
      continue;
    }
    // Every other marker (SOF0, DHT, DQT, SOS, and the rest, 0xFF included)
    // has a length field; its payload is passed over.
    uint8_t lengthBytes[kLengthFieldSize];
    if (!ReadExact(stream, lengthBytes, kLengthFieldSize)) return;
    const int32_t length = ReadBigEndian16(lengthBytes);
    if (length < kLengthFieldSize) return;
    if (code == kMarkerSos) return;  // the entropy-coded data is never entered
    if (stream.Seek(kSeekFromCurrent, length - kLengthFieldSize) != 0) return;
  }
}

}  // namespace kexif
