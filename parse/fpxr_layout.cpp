#include "parse/fpxr_layout.h"

#include <cstring>

#include "stream/byte_order.h"

namespace kexif {

const uint8_t kAudioStreamPreamble[kAudioPreambleSize] = {
    0xFE, 0xFF,                                      // byte-order mark
    0x00, 0x00,                                      // format 0
    0x00, 0x04, 0x02, 0x00,                          // system identifier
    0x01, 0x01, 0x00, 0x10, 0xC0, 0x6F, 0xD0, 0x11,  // class identifier
    0xBD, 0x01, 0x00, 0x60, 0x97, 0x19, 0xA1, 0x80,
    0x01, 0x00, 0x00, 0x00,                          // count 1
};

void WriteFpxrStreamHeader(uint8_t out[kFpxrHeaderSize], uint32_t streamOffset) {
  const uint8_t fixed[kFpxrStreamOffsetField] = {'F', 'P', 'X', 'R', 0, 0, kFpxrStreamData, 0, kAudioStreamIndex};
  std::memcpy(out, fixed, sizeof(fixed));
  WriteBigEndian32(out + kFpxrStreamOffsetField, streamOffset);
}

bool IsClipStart(const uint8_t *payload, int32_t length) {
  return payload != nullptr && length >= kMinClipStartSize && std::memcmp(payload, "FPXR", 4) == 0 &&
         payload[kFpxrTypeOffset] == kFpxrStreamData && std::memcmp(payload + kClipDataOffset, "RIFF", 4) == 0;
}

uint16_t FpxrStreamIndex(const uint8_t *payload) { return ReadBigEndian16(payload + kFpxrIndexOffset); }

uint32_t ClipRiffSize(const uint8_t *payload) { return ReadLittleEndian32(payload + kRiffSizeOffset); }

bool IsClipContinuation(const uint8_t *payload, int32_t length, uint16_t index) {
  return payload != nullptr && length >= kFpxrHeaderSize && FpxrStreamIndex(payload) == index;
}

}  // namespace kexif
