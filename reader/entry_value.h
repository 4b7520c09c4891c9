// Reading one TIFF directory entry's value from a stream into native order,
// with every size and offset checked against the data that holds it.
#ifndef KEXIF_READER_ENTRY_VALUE_H
#define KEXIF_READER_ENTRY_VALUE_H

#include <cstdint>
#include <memory>

#include "stream/byte_stream.h"

namespace kexif {

// The TIFF data an entry belongs to: offsets in entries count from `base`
// (the stream position of the TIFF header) and values must lie wholly
// inside the `limit` bytes that follow it.
struct TiffData {
  ByteStream *stream;
  int64_t base;
  int64_t limit;
  bool bigEndian;
};

// One 12-byte directory entry, decoded in the data's byte order.
struct RawEntry {
  uint32_t tag;
  uint32_t type;
  uint32_t count;
  const uint8_t *field;  // the 4 value bytes in file order
};

inline constexpr int32_t kValueFieldSize = 4;

RawEntry DecodeEntry(const uint8_t *bytes, bool bigEndian);

// The value field read as one number: the first element for SHORT and
// SSHORT, the 32-bit field otherwise.
uint32_t FieldNumber(const RawEntry &entry, bool bigEndian);

// Turns count elements of a type, stored in file order, into native order in
// place: 2- and 4-byte elements are swapped, RATIONAL/SRATIONAL halves are
// swapped one by one, DOUBLE is reversed whole; single bytes stay as they are.
void ConvertToNative(uint8_t *bytes, uint32_t type, uint32_t count, bool bigEndian);

// A value read out of its entry.
struct EntryValue {
  std::unique_ptr<uint8_t[]> bytes;  // null when size is 0
  int32_t size = 0;                  // count x element size
};

// Reads an entry's value into native order. A value of 4 bytes or fewer is
// taken from the value field (types outside 1..12 count 1 byte an element
// here and are taken only from the field); a longer one from its offset,
// and only when count x element size does not overflow and the bytes lie
// wholly inside the data. extraBytes (0 or 1) adds that many zero bytes
// after the value. False when the value cannot be read wholly or its buffer
// cannot be allocated; the stream position is then unspecified.
bool ReadEntryValue(const TiffData &data, const RawEntry &entry, int32_t extraBytes, EntryValue *out);

}  // namespace kexif

#endif
