// The Exif data of a file in bulk, for carrying it into another file: the
// raw Exif segment payload of a JPEG, and the Exif sub-directory of a TIFF
// file as a TifExifData record.
#ifndef KEXIF_READER_TIF_EXIF_DATA_H
#define KEXIF_READER_TIF_EXIF_DATA_H

#include <cstdint>

#include "include/kexif.h"
#include "reader/reader_context.h"
#include "stream/byte_stream.h"

namespace kexif {

// A record with count 0 and a zeroed array of capacity entry pointers (both
// malloc blocks); null when either cannot be allocated.
TifExifData *NewTifExifData(int32_t capacity);

// A zeroed malloc entry; with size > 0 also a zeroed malloc data block of
// that size. Null (nothing left allocated) when an allocation fails.
TifExifEntry *NewTifExifEntry(uint32_t size);

// Puts the entry at index count and adds 1 to count; 0 when either is null.
// The caller never appends more entries than the capacity it asked for.
int AppendTifExifEntry(TifExifData *record, TifExifEntry *entry);

// Releases a record, its array, its entries and their data (all free()).
void DiscardTifExifData(TifExifData *record);

enum class TifExifResult { kBuilt, kFailed };

// Reads the directory the stream stands at into a new record: one entry per
// directory entry, in order, with its value in native order (1-byte types
// get one NUL byte more; types outside 1..12 no data). Value offsets are
// stream positions. An entry count below 1 gives kBuilt with *out null.
// Entries whose value does not lie wholly inside the stream (or whose size
// overflows) are left out of the record. kFailed, with nothing allocated
// and *out untouched, when the entries cannot all be read or an allocation
// fails.
TifExifResult BuildTifExifData(bool bigEndian, ByteStream &stream, TifExifData **out);

// A new[] copy of the JPEG's Exif segment payload ("Exif" 00 00 and the
// TIFF data); false, with *marker untouched, when the file is not a JPEG,
// has no Exif segment, or the payload cannot be read wholly.
bool CopyExifMarker(ReaderContext &context, ExifMarkerData *marker);

// The Exif sub-directory of a TIFF file; false when the file is not TIFF,
// the chain scan saw no Exif or GPS pointer, there is no Exif sub-directory
// offset, or BuildTifExifData failed.
bool ReadTifExifData(ReaderContext &context, TifExifData **record);

}  // namespace kexif

#endif
