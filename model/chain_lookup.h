// Lookups along a chain of nodes without descending into subtrees, so a
// tag whose number equals the directory id never answers, and a directory
// of one APP1 segment is never taken for one of another.
#ifndef KEXIF_MODEL_CHAIN_LOOKUP_H
#define KEXIF_MODEL_CHAIN_LOOKUP_H

#include <cstdint>

#include "model/nodes.h"

namespace kexif {

// The top-level node that holds node (node itself when it is top-level);
// null for null.
MetaNode *TopLevelOwner(MetaNode *node);

// The directory node numbered n along the chain that starts at first (the
// header node of a TIFF structure); null when none.
MetaNode *FindDirectoryInChain(MetaNode *first, int32_t n);

}  // namespace kexif

#endif
