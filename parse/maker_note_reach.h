// How far past its counted length a camera's maker note reaches. Several
// makers' notes are a TIFF directory whose values lie outside the bytes the
// MakerNote entry counts (sub-directories, previews, values written after
// the note), and a save that keeps the note must keep those bytes with it.
#ifndef KEXIF_PARSE_MAKER_NOTE_REACH_H
#define KEXIF_PARSE_MAKER_NOTE_REACH_H

#include <cstdint>

#include "stream/byte_stream.h"

namespace kexif {

// Bytes after a maker note that may be kept with it: as much as a JPEG
// segment can carry.
inline constexpr uint64_t kMaxMakerNoteTail = 65536;

// The note's value lies at offset (from the TIFF header at stream position
// 0), length bytes; bigEndian is the structure's byte order. Recognises the
// note's directory by its maker signature (Nikon, Olympus, Panasonic,
// Sanyo, Sony, Fujifilm, Casio, Pentax) or as a directory at the note's
// first byte, and checks it: an entry count of 1..kMaxNoteEntries inside
// the note, field types 1..13, every value wholly inside the stream. Returns
// the offset just past the furthest value byte that the directory or its
// IFD-typed sub-directories address, or 0 when the note is not recognised
// or fails a check. Reads at most a bounded number of directories.
uint32_t MakerNoteReach(ByteStream &stream, uint32_t offset, uint32_t length, bool bigEndian);

}  // namespace kexif

#endif
