// The reader's TIFF directory walks: the chain scan that fills the cache of
// five first-directory tags and notes the Exif pointer, GPS pointer and
// thumbnail, and the search of one directory for one tag.
#ifndef KEXIF_READER_DIRECTORY_WALK_H
#define KEXIF_READER_DIRECTORY_WALK_H

#include <cstdint>

#include "reader/reader_context.h"
#include "stream/byte_stream.h"

namespace kexif {

// Most directories one chain scan walks; a longer chain is cut there.
inline constexpr int32_t kMaxChainDirectories = 256;

// The stream stands at a TIFF header; offsets count from it and the TIFF
// data is what the stream holds from there. Walks the first directory and
// every directory chained behind it, each offset at most once. Returns 1
// when the chain ended with a 0 link, 0 on a bad header, an offset outside
// the data or already walked, a directory that ends the chain early, or
// the cap. What was recorded up to then stays recorded.
int ScanDirectoryChain(ByteStream &stream, ReaderContext &context);

// Walks the directory the stream stands at. wantedTag 0: a chain-scan walk;
// otherwise a search for that tag, which ends at it. addBase 1: the stream
// is the whole JPEG file and offsets count from the Exif segment's TIFF
// header; addBase 0: offsets are stream positions. Returns the next
// directory's offset for a chain-scan walk (0 for none; 0 also for a
// directory that is empty, cannot be read wholly, or holds an entry of type
// 0, which ends the walk there; -1 when the link cannot be reached), and 0
// for a search.
int32_t WalkDirectory(bool bigEndian, ByteStream &stream, ReaderContext &context, uint32_t wantedTag, int addBase);

// True for the tags whose values the chain scan reads: 34665, 34853, 306,
// 271, 274, 272, 270, 513.
bool IsRecordedTag(uint32_t tag);

// Puts a value into the slot of its tag (306, 271, 272, 270, 274) or into
// lastFoundTag for any other tag, replacing what the slot held; the slot
// takes over bytes (null when the value has none). Returns 0 only when the
// slot cannot be allocated; the slot is then empty and the tag reads as not
// found.
int StoreCachedTag(ReaderContext &context, uint32_t tag, uint32_t type, std::unique_ptr<uint8_t[]> bytes,
                   uint32_t count);

// Fills type, count and data from the slot of the tag; 1 when the slot
// holds that tag, else 0 and nothing written.
int FetchCachedTag(const ReaderContext &context, uint32_t tag, int32_t *type, int32_t *count, void **data);

}  // namespace kexif

#endif
