// Writing a JPEG document back as a complete JPEG file: the Exif APP1
// segment rebuilt from the tree, every other segment and the entropy-coded
// data copied as they stand, sound chunks added by kExifSetAudioFile
// wrapped in FPXR APP2 segments.
#ifndef KEXIF_SAVE_JPEG_SAVE_H
#define KEXIF_SAVE_JPEG_SAVE_H

#include "model/exif_document.h"
#include "stream/byte_stream.h"

namespace kexif {

struct SaveContext {
  ExifDocument *document;  // not owned
  ByteStream *output;      // not owned
};

// Writes the whole file to context.output, completing a pending scan
// first. 1 on success; 0 when the scan cannot complete, the Exif
// segment cannot be rebuilt, a payload cannot be read in full (the source
// or sound stream is missing or shorter than recorded) or a segment payload
// is longer than 65533 bytes; the output is then incomplete and the caller
// discards it.
int WriteJpeg(const SaveContext &context);

// Replaces the payload of ExifSegmentToRebuild with "Exif" 00 00 and the
// tree's TIFF structure as the directory writer lays it out, thumbnail
// included. 0 (segment unchanged) when there is no such segment, the
// thumbnail cannot be carried, or the result would not fit a segment.
int RebuildExifSegment(ExifDocument &document);

// Reads a one-strip thumbnail (the first directory whose StripOffsets and
// StripByteCounts are single values) out of the Exif segment into the data
// of its StripByteCounts entry and sets singleStripLoaded. Bytes beyond the
// segment's end become zeros. 1 also when there is no such strip; 0 when
// the segment cannot be read or the strip is longer than a segment holds.
int LoadSingleStripThumbnail(ExifDocument &document);

}  // namespace kexif

#endif
