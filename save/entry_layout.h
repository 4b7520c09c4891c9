// The byte-size rules of written TIFF directories, shared by the measuring
// pass and the directory writer so that what is measured is what is written.
#ifndef KEXIF_SAVE_ENTRY_LAYOUT_H
#define KEXIF_SAVE_ENTRY_LAYOUT_H

#include <cstdint>

#include "model/nodes.h"

namespace kexif {

// Bytes of a written entry count and of a written next-directory link.
inline constexpr int32_t kEntryCountSize = 2;
inline constexpr int32_t kLinkSize = 4;
// Largest entry count the 16-bit count field can carry.
inline constexpr int32_t kMaxWrittenEntries = 0xFFFF;
// Field type a pointer entry may keep (IFD); any other becomes LONG.
inline constexpr int32_t kTypeIfd = 13;

// True for 34665, 34853 and 40965, whose entries own a sub-directory.
bool IsPointerTagId(int32_t id);

// True when the writer writes node as a directory entry: a tag node that is
// not an image piece and, for a pointer entry, one that holds a
// sub-directory with at least one written entry. A childless pointer entry
// is left out, so no written pointer ever names bytes that are not a
// directory.
bool IsWrittenEntry(const MetaNode *node);

// True when node is a pointer entry that is written with its sub-directory.
bool HasWrittenSubDirectory(const MetaNode *node);

// Number of written entries among owner's children (a directory node or a
// pointer entry).
int32_t WrittenEntryCount(const MetaNode *owner);

// Bytes of owner's directory table as written: entry count, entries and
// the next-directory link.
int32_t DirectoryTableSize(const MetaNode *owner);

// True when the entry's value sits in its 4-byte value field: 1-byte types
// up to 4 elements, 2-byte types up to 2, 4-byte types exactly 1, 8-byte
// types never, types outside 1..12 always.
bool FitsInline(const TagNode &tag);

// Bytes the entry's value takes in the value area: 0 when it is in line or
// a written pointer, else count x element size. False when that size does
// not fit a positive 32-bit number.
bool OutOfLineSize(const TagNode &tag, int32_t *size);

// The field type and count written for an entry (pointer entries with a
// sub-directory are written as one LONG, or one IFD when typed so).
int32_t WrittenType(const TagNode &tag);
uint32_t WrittenCount(const TagNode &tag);

}  // namespace kexif

#endif
