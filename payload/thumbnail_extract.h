// Handing the document's JPEG thumbnail to the host: the bytes the
// JPEGInterchangeFormat (513) entry points at, JPEGInterchangeFormatLength
// (514) bytes long. The first extraction keeps a copy in the 513 entry's
// data; later ones, the thumbnail replacement and the save use that copy.
#ifndef KEXIF_PAYLOAD_THUMBNAIL_EXTRACT_H
#define KEXIF_PAYLOAD_THUMBNAIL_EXTRACT_H

#include "kexif.h"
#include "model/exif_document.h"
#include "model/nodes.h"

namespace kexif {

enum class ThumbnailOutcome {
  kCopied,       // the record holds a new malloc block and its length
  kNoThumbnail,  // the document has no thumbnail; the record is untouched
  kFailed,       // the record is set to (null, 0)
};

// Copies the thumbnail into a new malloc block for the host. Bytes come from
// the 513 entry's data once loaded; otherwise from the data the entry
// belongs to: the Exif segment's payload (in memory, or in the file inside
// the segment's bounds) for a JPEG document, the file for a TIFF document.
// An offset or length that is not positive, bytes that do not lie wholly
// inside that data, a short read, a document without stream (after a save,
// whose rebuilt payload no longer matches the stored offset) or an
// allocation failure give kFailed, and nothing is cached then.
ThumbnailOutcome ExtractThumbnail(ExifDocument &document, ThumbnailData &record);

}  // namespace kexif

#endif
