// Turns the TIFF structure held in the tree into TIFF bytes: always
// little-endian, the first directory at offset 8, each directory followed
// by its packed value area (out-of-line values in entry order, no padding),
// pending sub-directories (Exif, then GPS, then Interoperability) behind the
// directory being finished, the next main directory where everything
// written so far ends. Offsets count from position 0 of the output.
#ifndef KEXIF_SAVE_DIRECTORY_WRITER_H
#define KEXIF_SAVE_DIRECTORY_WRITER_H

#include <cstdint>
#include <map>
#include <tuple>
#include <utility>
#include <vector>

#include "model/exif_document.h"
#include "stream/byte_stream.h"

namespace kexif {

// Size in bytes of what the writer produces for the document's TIFF
// structure (header, every directory of the chain with its values and
// sub-directories, and the JPEG or one-strip thumbnail carried in the
// tree). 0 when the document has no header node; -1 when the structure
// cannot be expressed (a value or total beyond 32 bits, more than 65535
// entries in one directory).
int32_t MeasureDirectories(ExifDocument &document);

// Size of the sub-directory held by a pointer entry, with the
// sub-directories nested in it; 0 for a null owner or one without a written
// sub-directory; -1 as above.
int32_t MeasureSubDirectory(ExifDocument &document, const MetaNode *owner);

// An entry's value that the writer puts at a fixed offset instead of the
// packed value area, with the bytes written there (the value and whatever
// follows it); the packed layout flows around [offset, offset + length).
struct FixedValue {
  const TagNode *entry = nullptr;
  int32_t offset = 0;
  const uint8_t *bytes = nullptr;
  int32_t length = 0;
};

class DirectoryWriter {
 public:
  // Neither is owned. A null output measures: nothing is written, but
  // positions, extent() and failed() come out as for a real output.
  DirectoryWriter(ExifDocument *document, ByteStream *output);

  // "II" (or "MM" when outputByteOrder says so), 42 and the offset of the
  // first directory: 8, or 0 when the chain is empty, so that no reader
  // looks for a directory that is not there.
  void WriteHeader(bool hasDirectories);
  // From now on the value of fixed.entry is written at fixed.offset; no
  // directory or other value is placed over those bytes. Call before
  // writing; the caller keeps the bytes alive and keeps the range clear of
  // the header and the first directory.
  void FixValue(const FixedValue &fixed) { fixed_ = fixed; }
  // Writes one directory of the main chain: its entry count, its entries,
  // its value area and every sub-directory pending at its end. The stream
  // must stand where the directory begins.
  void WriteDirectory(MetaNode *directory);
  // Writes the 2-byte count of owner's written entries at the current
  // position.
  void WriteEntryCount(const MetaNode *owner);
  // Writes owner's entries, their value area and the pending
  // sub-directories; must directly follow WriteEntryCount(owner).
  void WriteEntries(MetaNode *owner);
  // Patches the link of the directory just written with where next (the
  // next directory of the chain, or null after the last) begins, and moves
  // there.
  void WriteNextLink(const MetaNode *next);
  // Writes the thumbnail carried in the tree behind directory (when
  // directory holds its entry) and points that entry at it. 1 when
  // something was written.
  int WriteThumbnailData(MetaNode *directory);
  // TIFF save: copies the image pieces (or the JPEG thumbnail) of
  // directory from the source stream behind it and rewrites its tables;
  // uncompressed samples of 16, 32 or 64 bits from a big-endian source are
  // turned little-endian. 0 when a piece cannot be read in full from the
  // source, or when samples wider than 8 bits of a big-endian source are
  // compressed (other than as JPEG) or of widths that cannot be turned.
  int WriteImageData(MetaNode *directory);

  // Where the entry of node was written, or 0 when it was not.
  int32_t EntryPosition(const MetaNode *node) const;
  // True once a write came up short or a size could not be expressed.
  bool failed() const { return failed_; }
  // One past the furthest byte written.
  int32_t extent() const { return extent_; }

  int32_t position = 0;     // just after the last write
  int32_t valueOffset = 0;  // where the next value, sub-directory or data goes
  int32_t linkOffset = 0;   // link field of the directory being written
  int32_t sourceByteOrder = kLittleEndian;  // TIFF save: the order image samples are read in
  int32_t outputByteOrder = kLittleEndian;  // the order numbers and values are written in
  ExifDocument *document;
  ByteStream *output;

 private:
  struct PendingPointer {
    MetaNode *entry;
    int32_t entryPosition;
  };

  void Seek(int32_t offset);
  void WriteBytes(const void *bytes, int32_t length);
  void WriteZeros(int32_t length);
  void Write16(uint32_t v);
  void Write32(uint32_t v);
  // Rewrites the type, count and value fields of the entry at position as
  // count LONG values held at (or, for one, in) value.
  void PatchEntry(int32_t entryPosition, uint32_t count, uint32_t value);
  void WriteOneEntry(TagNode &tag);
  // Writes an entry's value field, or its out-of-line value, in
  // outputByteOrder.
  void WriteValueWord(const TagNode &tag);
  void WriteValueBytes(const TagNode &tag, int32_t length);
  // Where the next block of length bytes of the value area goes: at
  // valueOffset, or after the fixed value's bytes when it would overlap
  // them. Moves valueOffset past the block.
  int32_t Place(int64_t length);
  void WriteSubDirectory(const PendingPointer &pointer);
  void WritePendingSubDirectories();
  // Copies length bytes at offset of the source stream to the current
  // position, reversing every element of elementSize bytes when that is 2,
  // 4 or 8; false when the source does not hold them all, or when the bytes
  // copied from the source would pass twice its size.
  bool CopyFromSource(int32_t offset, int32_t length, int32_t elementSize);
  bool WritePieces(MetaNode *directory, MetaNode *list);
  bool WriteTiffThumbnail(MetaNode *directory);
  bool ReserveValueArea(int64_t length);

  FixedValue fixed_;
  std::vector<PendingPointer> pending_;
  std::vector<std::pair<const MetaNode *, int32_t>> entryPositions_;
  // TIFF save: where each source range (offset, length, element size)
  // was copied to, so that pieces naming one range share one copy.
  std::map<std::tuple<int32_t, int32_t, int32_t>, int32_t> copiedRanges_;
  int64_t copiedBytes_ = 0;
  int32_t extent_ = 0;
  bool failed_ = false;
};

}  // namespace kexif

#endif
