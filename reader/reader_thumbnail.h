// The JPEG thumbnail that the second directory (IFD1) points at with its
// JPEGInterchangeFormat (513) and JPEGInterchangeFormatLength (514) entries.
#ifndef KEXIF_READER_READER_THUMBNAIL_H
#define KEXIF_READER_READER_THUMBNAIL_H

#include <cstdint>

#include "include/kexif.h"
#include "reader/reader_context.h"
#include "stream/byte_stream.h"

namespace kexif {

// The stream stands at a TIFF header and holds the TIFF data from there on
// (a JPEG's Exif payload copy, or a TIFF file from its start); offsets
// count from the header. Returns 1 when the header and the first-directory
// offset were acceptable and the search ran, else 0. wantData 0 only
// establishes thumbnailExists; wantData 1 also copies the bytes.
int LocateThumbnail(ByteStream &stream, ReaderContext &context, int wantData);

// Searches the second directory of the data for 513 and then 514 (514
// counts only after 513). The thumbnail is copied only when its length is
// at least 1 and its bytes lie wholly inside the data; second-directory
// entries that cannot all be read are not examined.
void FindThumbnail(bool bigEndian, ByteStream &stream, ReaderContext &context, int wantData);

// Replaces the context's thumbnail copy with the bytes; 0 when the copy
// cannot be allocated (the context then holds no thumbnail copy).
int StoreThumbnail(ReaderContext &context, std::unique_ptr<uint8_t[]> bytes, uint32_t length);

// 1 when a thumbnail is known to exist; searches a JPEG whose chain has not
// been scanned yet.
int32_t ReaderThumbnailExists(ReaderContext &context);

// True with *result pointing into the context's copy when the thumbnail
// could be read; false with *result untouched otherwise.
bool ReadReaderThumbnail(ReaderContext &context, ThumbnailData *result);

}  // namespace kexif

#endif
