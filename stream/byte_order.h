// Byte-order helpers. The host is little-endian; big-endian fields are read
// as bytes and swapped in place.
#ifndef KEXIF_STREAM_BYTE_ORDER_H
#define KEXIF_STREAM_BYTE_ORDER_H

#include <cstdint>
#include <cstring>

namespace kexif {

inline void Swap16(uint8_t *p) {
  uint8_t t = p[0];
  p[0] = p[1];
  p[1] = t;
}

inline void Swap32(uint8_t *p) {
  uint8_t t = p[0];
  p[0] = p[3];
  p[3] = t;
  t = p[1];
  p[1] = p[2];
  p[2] = t;
}

// Reverses all 8 bytes of a DOUBLE element.
inline void Swap64(uint8_t *p) {
  for (int i = 0; i < 4; ++i) {
    uint8_t t = p[i];
    p[i] = p[7 - i];
    p[7 - i] = t;
  }
}

// Reverses the bytes of every whole unit (2, 4 or 8 bytes) of a value in
// place; other units and a trailing partial unit are left alone.
inline void SwapEach(uint8_t *bytes, int32_t byteSize, int32_t unit) {
  if (unit != 2 && unit != 4 && unit != 8) return;
  for (int32_t i = 0; unit <= byteSize - i; i += unit) {
    if (unit == 2) Swap16(bytes + i);
    else if (unit == 4) Swap32(bytes + i);
    else Swap64(bytes + i);
  }
}

inline uint16_t ReadBigEndian16(const uint8_t *p) {
  return static_cast<uint16_t>(p[0] * 256u + p[1]);
}

inline uint32_t ReadBigEndian32(const uint8_t *p) {
  return ((static_cast<uint32_t>(p[0]) * 256u + p[1]) * 256u + p[2]) * 256u + p[3];
}

inline uint16_t ReadLittleEndian16(const uint8_t *p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t ReadLittleEndian32(const uint8_t *p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Reads a 16/32-bit number stored in the given byte order.
inline uint16_t ReadU16(const uint8_t *p, bool bigEndian) {
  return bigEndian ? ReadBigEndian16(p) : ReadLittleEndian16(p);
}
inline uint32_t ReadU32(const uint8_t *p, bool bigEndian) {
  return bigEndian ? ReadBigEndian32(p) : ReadLittleEndian32(p);
}

inline void WriteLittleEndian16(uint8_t *p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void WriteLittleEndian32(uint8_t *p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}
inline void WriteBigEndian16(uint8_t *p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}
inline void WriteBigEndian32(uint8_t *p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

}  // namespace kexif

#endif
