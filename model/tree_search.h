// Searches and links over the node tree. Searches compare only ids and
// return the first match or null.
#ifndef KEXIF_MODEL_TREE_SEARCH_H
#define KEXIF_MODEL_TREE_SEARCH_H

#include <cstdint>

#include "model/nodes.h"


namespace kexif {

class ExifDocument;

// Depth-first, pre-order: start, its first child with everything after it,
// then start's next siblings. Never climbs above start. Iterative.
MetaNode *FindById(MetaNode *start, int32_t id);

// The first tag node with this id in FindById order; structural nodes
// (header, directory, entry-count, directory-end, image pieces) and segment
// nodes are passed over, so tag numbers 1, 2, 3 and 60 are never answered
// by a structural node.
TagNode *FindTagById(MetaNode *start, int32_t id);

// The first structural node (header, directory, entry count, directory end,
// image pieces) with this id in FindById order: segment nodes, whose ids
// are JPEG marker codes (a file may hold a segment of marker 0x02), and tag
// entries are passed over but descended into.
MetaNode *FindStructuralById(MetaNode *start, int32_t id);

// FindTagById without descending below tag nodes whose id is prunedId
// (their own id is still compared).
TagNode *FindTagByIdPruned(MetaNode *start, int32_t id, int32_t prunedId);

// node, node.next, node.next.next, ... until one has the id; no descent.
MetaNode *FindSiblingById(MetaNode *node, int32_t id);

// Links b directly after a: if a.next is not null, b.next = a.next;
// a.next = b; b.parent = a.parent.
void InsertAfter(MetaNode *a, MetaNode *b);

// The 514 entry that goes with the 513 entry offsetTag: the first one at or
// after offsetTag, else the first one of the same TIFF structure (the whole
// tree for a TIFF document, the segment's structure for a JPEG document).
// Null when there is none.
TagNode *FindThumbnailLengthTag(ExifDocument &document, TagNode *offsetTag);

// True when target is node or lies below node (node's siblings excluded).
bool SubtreeContains(MetaNode *node, const MetaNode *target);

// Number of tag nodes (entries) among the children of a directory node or
// of a pointer entry that holds a sub-directory.
int32_t CountEntries(MetaNode *owner);

}  // namespace kexif

#endif
