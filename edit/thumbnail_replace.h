// Putting a new JPEG thumbnail into a document. The bytes become the data
// of the thumbnail directory's JPEGInterchangeFormat (513) entry, whose
// value stays 0 until the save places them; JPEGInterchangeFormatLength
// (514) gets their length. Missing structure is built: the thumbnail
// directory, and in a JPEG without Exif data the whole APP1 segment.
#ifndef KEXIF_EDIT_THUMBNAIL_REPLACE_H
#define KEXIF_EDIT_THUMBNAIL_REPLACE_H

#include <cstdint>

#include "model/exif_document.h"
#include "model/nodes.h"

namespace kexif {

// Largest Exif APP1 payload, thumbnail included, that a thumbnail may
// produce; and largest thumbnail that needs a new APP1 segment.
inline constexpr int64_t kMaxApp1PayloadWithThumbnail = 63900;
inline constexpr int64_t kMaxThumbnailInNewApp1 = 63500;

// Gives an empty directory node the thumbnail directory's entries: [254=1],
// 259=6, 282=283=72/1, 296=2, 513=0, 514=0, between an entry-count node (7
// or 6) and a directory-end node. The 513 entry becomes the document's
// thumbnailOffsetTag. Uses the cursor. Throws std::bad_alloc; the nodes made
// so far then already belong to the directory.
void FillThumbnailDirectory(ExifDocument &document, MetaNode *directory, bool withSubfileEntry);

// Gives an empty directory node the three entries of a minimal first
// directory: 282=283=72/1, 296=2. Uses the cursor. Throws std::bad_alloc.
void FillFirstDirectory(ExifDocument &document, MetaNode *directory);

// TIFF document. A thumbnail already there gets the new bytes when its
// entry is one a save writes (SaveCarriesThumbnailEntry). Otherwise (none,
// or one a damaged file names inside a sub-directory, which stays as it is)
// directory 1 becomes the thumbnail directory when it is missing or a
// reduced-resolution image (NewSubfileType 1 or none); a full-image
// directory 1 stays and a new thumbnail directory is put in front of it,
// every directory after it moving up one number. Afterwards the thumbnail
// exists and is held in memory, its length entry one LONG. Returns false,
// with nothing changed, for a negative length, for an empty thumbnail where
// one exists already (it would be lost), for a document without directory
// 0, and when a thumbnail entry would stay behind the new directory (a
// reload would name that one). May throw std::bad_alloc.
bool SetThumbnailTiff(ExifDocument &document, const uint8_t *bytes, int32_t length);

// JPEG document. Works on the Exif APP1 segment only (never on an XMP
// APP1); a thumbnail entry inside a sub-directory is passed over as in a
// TIFF document. Returns false, with nothing changed, when the APP1
// payload would grow past kMaxApp1PayloadWithThumbnail (a thumbnail
// already held counts as leaving), when a thumbnail needing a new APP1
// segment exceeds kMaxThumbnailInNewApp1, for an empty or negative length
// where a thumbnail exists already, when there is neither APP0 nor SOI to
// put a new segment after, when an Exif segment without directory 0 has no
// header node, or when a thumbnail entry would stay behind the new
// thumbnail directory. May throw std::bad_alloc.
bool SetThumbnailJpeg(ExifDocument &document, const uint8_t *bytes, int32_t length);

}  // namespace kexif

#endif
