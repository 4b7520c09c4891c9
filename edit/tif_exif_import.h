// Applying a whole set of Exif values, as kRExifGetTIFExifData hands them
// out, to a TIFF document in one call, and releasing such a record.
#ifndef KEXIF_EDIT_TIF_EXIF_IMPORT_H
#define KEXIF_EDIT_TIF_EXIF_IMPORT_H

#include "kexif.h"
#include "model/exif_document.h"

namespace kexif {

// Releases the record, its array, its entries and their value bytes (all
// free()). A null record is ignored; a null array releases only the record;
// null slots are passed over.
void FreeTifExifData(TifExifData *record);

// Applies the record's entries in array order, as kExifSetTag applies a tag
// of the Exif sub-directory tag set to a TIFF document: an entry found by
// the Exif sub-directory search is replaced, else it joins the Exif
// sub-directory, made with its 34665 pointer in directory 0 when missing. A
// later entry with the same tag replaces the earlier one. Passed over: null
// slots (and every entry when the array is null or the count is not
// positive), tags outside the tag set, the Interoperability pointer (40965,
// whose offset means nothing in this file), and entries whose count is
// negative as a signed number, whose byte size overflows, or whose value
// bytes are null while the count is positive (they are never read).
// Returns false when memory ran out part-way; the entries applied until
// then stay. The record is not released here.
bool ApplyTifExifData(ExifDocument &document, const TifExifData &record);

}  // namespace kexif

#endif
