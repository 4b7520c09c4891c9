// Writing a TIFF document as a new TIFF file: the directory writer lays out
// the directories, and every directory's strips or tiles (and a JPEG
// thumbnail it points at) are copied from the source file behind it with
// their tables rewritten.
#ifndef KEXIF_SAVE_TIFF_SAVE_H
#define KEXIF_SAVE_TIFF_SAVE_H

#include "model/exif_document.h"
#include "save/directory_writer.h"

namespace kexif {

// Gives every directory with strip tables (else tile tables) an image-piece
// list node (id 70, its last child) with one piece node (id 80: fileOffset,
// dataLength) per strip or tile in table order; a list left by an earlier
// save is replaced. Tables are read by their field type (SHORT or LONG).
// 0 when a table has another type or fewer elements than its count says.
int PrepareImagePieces(ExifDocument &document);

// Writes header, directories, values, sub-directories and image data to
// the writer's output; the tables of strips, tiles and thumbnails are
// rewritten as LONG values pointing at the copies; pieces that name the
// same source range share one copy. Uncompressed samples of
// 16, 32 or 64 bits from a big-endian source are written little-endian to
// match the new header. 0 when a piece cannot be read in full from the
// source (nothing unread is written), an offset would not fit 32 bits, or
// a big-endian source's samples wider than 8 bits cannot be turned around
// (compressed other than as JPEG, mixed or unusual widths), or the image
// bytes copied would pass twice the source's size.
int WriteTiff(DirectoryWriter &writer);

}  // namespace kexif

#endif
