// Views of a document's tree for tests of the editing code: the entries
// and counts of a directory, the top-level chain and the directory numbers.
#ifndef KEXIF_TESTS_SUPPORT_HAND_TREE_H
#define KEXIF_TESTS_SUPPORT_HAND_TREE_H

#include <cstdint>
#include <vector>

#include "model/exif_document.h"

namespace kexif::test {

// Ids of all of owner's children (entry count and directory end included),
// in chain order.
std::vector<int32_t> ChildIds(const MetaNode *owner);
// Ids of the tag entries among owner's children, in chain order.
std::vector<int32_t> EntryIds(const MetaNode *owner);
// The value of owner's first child when it is an entry-count node, else -1.
int32_t CountNodeValue(const MetaNode *owner);
// Ids of the top-level nodes in order.
std::vector<int32_t> TopLevelIds(const ExifDocument &document);
// The values (numbers) of the directory nodes among node's chain.
std::vector<int32_t> DirectoryNumbers(const MetaNode *first);

}  // namespace kexif::test

#endif
