// Document trees assembled by hand for tests of the editing code, in the
// shape the parsers give them: JPEG segments at the top level with the TIFF
// structure below the Exif APP1 segment, or a TIFF header and directories
// at the top level without a parent. Entries are SHORT values equal to
// their tag numbers.
#ifndef KEXIF_TESTS_SUPPORT_HAND_TREE_H
#define KEXIF_TESTS_SUPPORT_HAND_TREE_H

#include <cstdint>
#include <vector>

#include "model/exif_document.h"

namespace kexif::test {

// Appends top-level segment nodes (SOI has no payload, the others one on
// disk of 10 bytes) and marks the document as JPEG.
void AppendSegments(ExifDocument &document, const std::vector<int32_t> &markers);
// A top-level APP1 segment with a little-endian header node below it, made
// the document's exifSegment.
SegmentNode *AppendExifSegment(ExifDocument &document);
// A TIFF document's header node as root; marks the document as TIFF.
void StartTiff(ExifDocument &document);
// A directory with an entry-count node, the given entries in the given
// order and a directory-end node, appended after the last child of segment
// (or, with a null segment, at the end of the top-level chain).
MetaNode *AppendDirectory(ExifDocument &document, MetaNode *segment, int32_t number,
                          const std::vector<int32_t> &tags);
// Gives the directory's entry `pointerTag` a sub-directory holding tags; for
// 34665 the document's exifPointerTag and exifExists are set, for 513
// entries in the sub-directory nothing special happens.
TagNode *GiveSubdirectory(ExifDocument &document, MetaNode *directory, int32_t pointerTag,
                          const std::vector<int32_t> &tags);
// Marks the directory's 513 entry as the thumbnail entry.
void MarkThumbnailEntry(ExifDocument &document, MetaNode *directory);

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
