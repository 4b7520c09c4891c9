// Named numbers of the TIFF/Exif and JPEG formats and of the node tree.
#ifndef KEXIF_MODEL_EXIF_CONSTANTS_H
#define KEXIF_MODEL_EXIF_CONSTANTS_H

#include <cstdint>

namespace kexif {

// File formats.
inline constexpr int32_t kFormatUnknown = 0;
inline constexpr int32_t kFormatJpeg = 1;
inline constexpr int32_t kFormatTiff = 2;

// Byte orders as the header node and documents keep them.
inline constexpr int32_t kLittleEndian = 0;  // "II"
inline constexpr int32_t kBigEndian = 1;     // "MM"

// TIFF field types.
inline constexpr int32_t kTypeByte = 1;
inline constexpr int32_t kTypeAscii = 2;
inline constexpr int32_t kTypeShort = 3;
inline constexpr int32_t kTypeLong = 4;
inline constexpr int32_t kTypeRational = 5;
inline constexpr int32_t kTypeSByte = 6;
inline constexpr int32_t kTypeUndefined = 7;
inline constexpr int32_t kTypeSShort = 8;
inline constexpr int32_t kTypeSLong = 9;
inline constexpr int32_t kTypeSRational = 10;
inline constexpr int32_t kTypeFloat = 11;
inline constexpr int32_t kTypeDouble = 12;

// Element size of a field type: 1, 2, 4 or 8 bytes; 0 for a type outside
// 1..12.
inline constexpr int32_t ElementSize(int32_t type) {
  switch (type) {
    case kTypeByte: case kTypeAscii: case kTypeSByte: case kTypeUndefined: return 1;
    case kTypeShort: case kTypeSShort: return 2;
    case kTypeLong: case kTypeSLong: case kTypeFloat: return 4;
    case kTypeRational: case kTypeSRational: case kTypeDouble: return 8;
    default: return 0;
  }
}

// Width of the numbers whose bytes turn around between byte orders: 2 for
// SHORT and SSHORT, 4 for LONG, SLONG, FLOAT and each half of a RATIONAL or
// SRATIONAL, 8 for DOUBLE, 1 (nothing turns) for the other types.
inline constexpr int32_t SwapUnit(int32_t type) {
  switch (type) {
    case kTypeShort: case kTypeSShort: return 2;
    case kTypeLong: case kTypeSLong: case kTypeFloat: case kTypeRational: case kTypeSRational: return 4;
    case kTypeDouble: return 8;
    default: return 1;
  }
}

// True when a value of this type and count fits in the 4-byte value field:
// 1-byte types up to 4 elements, 2-byte types up to 2, 4-byte types exactly
// 0 or 1 as the reading rules say; 8-byte types never. Types outside 1..12
// count as in line. (The directory writer has its own rule for count 0.)
inline constexpr bool ValueFitsInWord(int32_t type, uint32_t count) {
  switch (ElementSize(type)) {
    case 1: return count <= 4;
    case 2: return count <= 2;
    case 4: return count <= 1;
    case 8: return false;
    default: return true;
  }
}

// Tags.
inline constexpr uint32_t kTagNewSubfileType = 254;
inline constexpr uint32_t kTagBitsPerSample = 258;
inline constexpr uint32_t kTagCompression = 259;
inline constexpr uint32_t kTagImageDescription = 270;
inline constexpr uint32_t kTagMake = 271;
inline constexpr uint32_t kTagModel = 272;
inline constexpr uint32_t kTagStripOffsets = 273;
inline constexpr uint32_t kTagOrientation = 274;
inline constexpr uint32_t kTagStripByteCounts = 279;
inline constexpr uint32_t kTagXResolution = 282;
inline constexpr uint32_t kTagYResolution = 283;
inline constexpr uint32_t kTagResolutionUnit = 296;
inline constexpr uint32_t kTagSampleFormat = 339;
inline constexpr uint32_t kTagSoftware = 305;
inline constexpr uint32_t kTagDateTime = 306;
inline constexpr uint32_t kTagTileOffsets = 324;
inline constexpr uint32_t kTagTileByteCounts = 325;
inline constexpr uint32_t kTagJpegInterchangeFormat = 513;
inline constexpr uint32_t kTagJpegInterchangeFormatLength = 514;
inline constexpr uint32_t kTagIptc = 33723;
inline constexpr uint32_t kTagExposureTime = 33434;
inline constexpr uint32_t kTagExifPointer = 34665;
inline constexpr uint32_t kTagPhotoshop = 34377;
inline constexpr uint32_t kTagGpsPointer = 34853;
inline constexpr uint32_t kTagMakerNote = 37500;
inline constexpr uint32_t kTagInteropPointer = 40965;

// Structural node ids of the tree (they share the number space of tags).
inline constexpr int32_t kIdHeader = 1;
inline constexpr int32_t kIdDirectory = 2;
inline constexpr int32_t kIdEntryCount = 3;
inline constexpr int32_t kIdDirectoryEnd = 60;
inline constexpr int32_t kIdImagePieceList = 70;
inline constexpr int32_t kIdImagePiece = 80;
inline constexpr int32_t kIdRawRun = 0xA1;

// Node kinds.
inline constexpr int32_t kKindTiffItem = 1;
inline constexpr int32_t kKindSegment = 2;
inline constexpr int32_t kKindDefault = 3;

// JPEG markers.
inline constexpr int32_t kMarkerSoi = 0xD8;
inline constexpr int32_t kMarkerEoi = 0xD9;
inline constexpr int32_t kMarkerSos = 0xDA;
inline constexpr int32_t kMarkerSof0 = 0xC0;
inline constexpr int32_t kMarkerDht = 0xC4;
inline constexpr int32_t kMarkerDqt = 0xDB;
inline constexpr int32_t kMarkerDri = 0xDD;
inline constexpr int32_t kMarkerApp0 = 0xE0;
inline constexpr int32_t kMarkerApp1 = 0xE1;
inline constexpr int32_t kMarkerApp2 = 0xE2;
inline constexpr int32_t kMarkerApp15 = 0xEF;

// Segment payload states.
inline constexpr int32_t kPayloadNone = 0;
inline constexpr int32_t kPayloadOnDisk = 1;
inline constexpr int32_t kPayloadInMemory = 2;

// Largest payload a JPEG segment's 16-bit length field can describe.
inline constexpr int32_t kMaxSegmentPayload = 65533;

// Entry counts a directory may have.
inline constexpr int32_t kMinDirectoryEntries = 1;
inline constexpr int32_t kMaxDirectoryEntries = 100;

// Size of one TIFF directory entry in bytes.
inline constexpr int32_t kEntrySize = 12;

// "Exif" 00 00 in front of the TIFF data of an APP1 Exif payload.
inline constexpr int32_t kExifHeaderSize = 6;

}  // namespace kexif

#endif
