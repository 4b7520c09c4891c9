// Loading a file into a new ExifDocument and releasing one.
#ifndef KEXIF_API_LOAD_DOCUMENT_H
#define KEXIF_API_LOAD_DOCUMENT_H

#include "model/exif_document.h"

namespace kexif {

// Opens the file (8-bit name first, then 16-bit), decides the format from
// its first two bytes (FF D8: JPEG; "II" or "MM": TIFF) and builds the tree
// with the matching parser. The file stays open in the document's stream.
// (A JPEG load may leave the part after the first SOS for later; see below.)
// Returns null, with nothing left open or allocated, when the file does not
// open, shows neither signature or fails to parse. May throw
// std::bad_alloc, also without leaving anything behind.
// How much of a JPEG file the load scans.
enum class JpegScan {
  kHead,   // up to the first SOS header; the rest when an operation needs it
  kWhole,  // the whole file at once
};

// A JPEG file's head is scanned and its Exif segment parsed at load; the
// rest is scanned by ExifDocument::CompleteScan, which the operations that
// depend on it call. With a diagnostic hook installed the whole file is
// scanned at once, so that the hook hears about every segment.
ExifDocument *LoadDocument(const void *name, JpegScan scan = JpegScan::kHead);

// Releases the document's stream, its tree and the document; null is
// ignored.
void DestroyDocument(ExifDocument *document);

}  // namespace kexif

#endif
