// The read-only family's per-file state: the open file, where a JPEG's Exif
// and FlashPix segments lie, what the directory walks have seen, and the few
// values (five first-directory tags, the last other tag found, the
// thumbnail) that queries keep for the host.
#ifndef KEXIF_READER_READER_CONTEXT_H
#define KEXIF_READER_READER_CONTEXT_H

#include <cstdint>
#include <memory>

#include "stream/byte_stream.h"

namespace kexif {

// Where one APPn segment lies in the file.
struct SegmentLocation {
  char identifier[12];    // the first 4 payload bytes and a NUL
  int32_t payloadLength;  // length field - 2: payload bytes, identifier included
  int32_t payloadOffset;  // file offset of the first payload byte
};

// One tag value kept by a context; data holds count x element size bytes in
// native order (null when there are none) and is owned.
struct CachedTag {
  uint32_t tag = 0;
  uint32_t type = 0;
  uint32_t count = 0;
  uint8_t *data = nullptr;

  CachedTag() = default;
  ~CachedTag() { delete[] data; }
  CachedTag(const CachedTag &) = delete;
  CachedTag &operator=(const CachedTag &) = delete;
};

// The thumbnail bytes as read; data is owned.
struct ThumbnailCopy {
  uint8_t *data = nullptr;
  uint32_t length = 0;

  ThumbnailCopy() = default;
  ~ThumbnailCopy() { delete[] data; }
  ThumbnailCopy(const ThumbnailCopy &) = delete;
  ThumbnailCopy &operator=(const ThumbnailCopy &) = delete;
};

// APP2 "FPXR" segments recorded per file; later ones are not recorded.
inline constexpr int32_t kMaxFpxrSegments = 3000;

// Owns its stream, the six cache slots and the thumbnail copy; the
// destructor releases them. Flags only ever go from 0 to 1.
struct ReaderContext {
  uint32_t byteOrder = 0;  // of the TIFF data last parsed: 0 "II", 1 "MM"
  ByteStream *stream = nullptr;
  uint32_t format = 0;  // kFormatJpeg or kFormatTiff
  SegmentLocation exifSegment{};
  int32_t fpxrCount = 0;
  SegmentLocation fpxrSegments[kMaxFpxrSegments];  // entries < fpxrCount are valid
  uint32_t tagsScanned = 0;
  uint32_t hasDateTime = 0;
  uint32_t hasMake = 0;
  uint32_t hasModel = 0;
  uint32_t hasImageDescription = 0;
  uint32_t hasOrientation = 0;
  uint32_t exifExists = 0;
  uint32_t audioExists = 0;
  uint32_t thumbnailExists = 0;
  uint32_t thumbnailLoaded = 0;
  int32_t exifDirectoryOffset = -1;  // from the TIFF header; -1 = not seen
  int32_t firstDirectoryOffset = -1;  // of the chain scan's first directory; -1 = not seen
  CachedTag *dateTimeTag = nullptr;
  CachedTag *makeTag = nullptr;
  CachedTag *modelTag = nullptr;
  CachedTag *orientationTag = nullptr;
  CachedTag *imageDescriptionTag = nullptr;
  CachedTag *lastFoundTag = nullptr;
  ThumbnailCopy *thumbnail = nullptr;

  ReaderContext() = default;
  ~ReaderContext();
  ReaderContext(const ReaderContext &) = delete;
  ReaderContext &operator=(const ReaderContext &) = delete;
};

// Opens the file (8-bit name, then 16-bit), tells JPEG (FF D8) from TIFF
// ("II"/"MM") by its first two bytes and runs the JPEG segment scan or the
// TIFF directory-chain scan. Returns null, with nothing left open, when the
// file cannot be opened, has fewer than 2 bytes, or is neither format; a
// damaged file still gives a context whose queries report absence.
ReaderContext *BeginReaderContext(const void *name);

// The TIFF data of a JPEG's Exif segment (the payload after "Exif" 00 00),
// read from the file into a new buffer. False when there is no Exif
// segment, its payload is 6 bytes or fewer, or it cannot be read wholly.
bool ReadExifTiffData(ReaderContext &context, std::unique_ptr<uint8_t[]> *out, int32_t *size);

// Runs walk(stream) over a MemoryStream on the JPEG's Exif TIFF data copy
// and returns its result; 0 when the data cannot be read.
template <typename Walk>
int WalkExifTiffData(ReaderContext &context, Walk walk) {
  std::unique_ptr<uint8_t[]> tiff;
  int32_t size = 0;
  if (!ReadExifTiffData(context, &tiff, &size)) return 0;
  ByteStream *memory = nullptr;
  if (CreateMemoryStream(&memory, tiff.get(), size) == 0) return 0;
  const int result = walk(*memory);
  ReleaseStream(memory);
  return result;
}

// Reads the 8-byte TIFF header the stream stands at: "II" or "MM" (the
// magic number is not examined) and the first directory's offset. Sets the
// context's byteOrder. False when the header cannot be read or is neither.
bool ReadTiffHeader(ByteStream &stream, ReaderContext &context, bool *bigEndian, uint32_t *firstOffset);

}  // namespace kexif

#endif
