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
// Number of APP1 "Exif" segments of a document.
int CountExifSegments(KExifHandle handle);

}  // namespace kexif::fuzz

#endif
