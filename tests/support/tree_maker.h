// Builds document trees by hand with the document's cursor operations, for
// tests of code that works on a tree without a parser: header, directories
// with entry-count, tag and directory-end nodes, sub-directories under
// pointer entries, and JPEG segment chains.
#ifndef KEXIF_TESTS_SUPPORT_TREE_MAKER_H
#define KEXIF_TESTS_SUPPORT_TREE_MAKER_H

#include <cstdint>
#include <string>
#include <vector>

#include "model/exif_document.h"
#include "tests/support/tiff_builder.h"

namespace kexif::test {

// A tag node with value bytes in native order: in the value word when they
// fit in 4 bytes, else in the node's data.
TagNode *MakeTag(int32_t id, int32_t type, int32_t count, const Bytes &value);
TagNode *AsciiTag(int32_t id, const std::string &text);  // NUL added
TagNode *ShortTag(int32_t id, std::vector<uint16_t> values);
TagNode *LongTag(int32_t id, std::vector<uint32_t> values);
TagNode *RationalTag(int32_t id, std::vector<std::pair<uint32_t, uint32_t>> values);

// Gives owner (a directory node or a pointer entry) the children
// entry-count (value = number of entries) -> entries -> directory-end.
void FillOwner(ExifDocument &doc, MetaNode *owner, const std::vector<MetaNode *> &entries);

// A directory linked directly after `after` (the header or the previous
// directory), filled with FillOwner.
MetaNode *AppendDirectory(ExifDocument &doc, MetaNode *after, int32_t number, const std::vector<MetaNode *> &entries);

// A TIFF document: returns its header node.
MetaNode *StartTiffDocument(ExifDocument &doc);
// A segment with the payload in memory, linked directly after `after`.
SegmentNode *AppendSegment(ExifDocument &doc, MetaNode *after, int32_t marker, const Bytes &payload);

// A JPEG document over the file at path without any parser: one segment
// node per marker segment (payloads left on disk), the bytes between the
// SOS header and EOI as one raw-run node, the stream open on the file.
// The Exif structure is not parsed. Returns false when the file cannot be
// opened.
bool OpenJpegSegments(ExifDocument &doc, const std::string &path);

// The segments of JPEG bytes as (marker, payload offset, payload length),
// raw run (0xA1) included, in file order.
struct SegmentSpan {
  int32_t marker;
  int32_t offset;
  int32_t length;
  bool rawRun = false;
};
std::vector<SegmentSpan> ScanSegments(const Bytes &jpeg);

// One directory entry of written TIFF bytes (little-endian).
struct ReadEntry {
  uint16_t tag;
  uint16_t type;
  uint32_t count;
  uint32_t field;
  uint32_t at;  // position of the entry
};
struct ReadDirectory {
  std::vector<ReadEntry> entries;
  uint32_t next = 0;
  const ReadEntry *Find(uint16_t tag) const;
};
// Reads the directory at offset of little-endian TIFF bytes.
ReadDirectory ReadTiffDirectory(const Bytes &tiff, uint32_t offset);
uint32_t Le32(const Bytes &b, size_t at);
// The bytes of each strip (273/279) of the directory at offset, in table
// order; none when the directory has no strip tables.
std::vector<Bytes> StripBytes(const Bytes &tiff, uint32_t directory);

}  // namespace kexif::test

#endif
