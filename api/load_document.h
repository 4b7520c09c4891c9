// Loading a file into a new ExifDocument and releasing one.
#ifndef KEXIF_API_LOAD_DOCUMENT_H
#define KEXIF_API_LOAD_DOCUMENT_H

#include "model/exif_document.h"

namespace kexif {

// Opens the file (8-bit name first, then 16-bit), decides the format from
// its first two bytes (FF D8: JPEG; "II" or "MM": TIFF) and builds the tree
// with the matching parser. The file stays open in the document's stream.
// Returns null, with nothing left open or allocated, when the file does not
// open, shows neither signature or fails to parse. May throw
// std::bad_alloc, also without leaving anything behind.
ExifDocument *LoadDocument(const void *name);

// Releases the document's stream, its tree and the document; null is
// ignored.
void DestroyDocument(ExifDocument *document);

}  // namespace kexif

#endif
