// Looks inside an editing-family document: the consistency the public
// interface cannot show.
#ifndef KEXIF_FUZZ_TREE_CHECK_H
#define KEXIF_FUZZ_TREE_CHECK_H

#include <cstddef>

#include "include/kexif.h"

namespace kexif::fuzz {

// Number of directories (and sub-directories under pointer entries) whose
// entry-count node does not hold the number of their entries.
size_t CountMismatchedEntryCounts(KExifHandle handle);

// Number of directories in the document's chain.
int CountDirectories(KExifHandle handle);
// True when the directories a save writes carry the numbers 0, 1, 2 ... in
// the chain's order in memory. A file numbers its directories by position,
// so a document whose chain starts with directory 1 (directory 0 emptied
// while directory 1 stayed, or a tag set into directory 1 of a structure
// without directories) reads back with its directories renumbered, and one
// with a directory made ahead of a lower-numbered one (a new directory 2
// right after directory 0) reads back in the order of the numbers.
bool DirectoriesNumberedByPosition(KExifHandle handle);
// Number of APP1 "Exif" segments of a document.
int CountExifSegments(KExifHandle handle);

}  // namespace kexif::fuzz

#endif
