// Making entries and directory nodes and linking new entries into a
// directory in ascending tag order while keeping its entry count right.
// Node makers throw std::bad_alloc when memory runs out; what they return is
// owned by the caller until it is linked into the tree.
#ifndef KEXIF_EDIT_ENTRY_PLACEMENT_H
#define KEXIF_EDIT_ENTRY_PLACEMENT_H

#include <cstdint>
#include <memory>

#include "kexif.h"
#include "model/exif_document.h"
#include "model/nodes.h"

namespace kexif {

// Adds 1 to the value of owner's first child when that child is an
// entry-count node; otherwise nothing changes.
void BumpEntryCount(MetaNode *owner);

// Sets the value of owner's entry-count node (its first child, when it is
// one) to the number of entries among owner's children.
void RecountEntries(MetaNode *owner);


// A new unlinked entry with the value stored in it; null when the buffer for
// an out-of-line value cannot be had.
std::unique_ptr<TagNode> NewTagEntry(uint32_t tag, const TagValue &value);

// Links entry into the chain that starts at firstChild (normally an
// entry-count node), after the last entry with a smaller id and never after
// the directory-end node; an entry-count node at the head of the chain is
// always passed, whatever the new id. The entry count is not touched.
void InsertEntrySorted(MetaNode *firstChild, MetaNode *entry);

// Gives owner (a new directory node or a pointer entry without children) its
// children through the document cursor: entry-count (1), entry,
// directory-end. On an allocation failure nothing is linked and entry is
// released.
void NewSubdirectory(ExifDocument &document, MetaNode *owner, std::unique_ptr<TagNode> entry);

// Links entry into the directory or sub-directory that owner leads: entry
// placed in ascending order and the count set to the number of entries, or,
// when owner has no children yet, a new entry-count and directory-end
// around it.
void AddEntryToOwner(ExifDocument &document, MetaNode *owner, std::unique_ptr<TagNode> entry);

// Replaces the value of an entry found by a search. The thumbnail entry's
// data then no longer holds the thumbnail, so thumbnailLoaded is cleared.
// 0 (entry unchanged) when the new value's buffer cannot be had.
int ReplaceFoundEntry(ExifDocument &document, TagNode &entry, const TagValue &value);

// Structural nodes of a new TIFF structure.
std::unique_ptr<MetaNode> NewHeaderNode();  // little-endian ("II")
std::unique_ptr<MetaNode> NewDirectoryNode(int32_t number);
std::unique_ptr<MetaNode> NewEntryCountNode();  // value 1
std::unique_ptr<MetaNode> NewDirectoryEndNode();
// The Exif sub-directory pointer entry (34665, LONG, count 1, value 0; the
// offset is computed when the document is written).
std::unique_ptr<TagNode> NewExifPointerEntry();

}  // namespace kexif

#endif
