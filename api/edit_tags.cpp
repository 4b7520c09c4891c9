// kExifSetTag and kExifDelTag: argument checks, the choice of worker by file
// format and tag set membership, and the mapping of internal results to
// 0 / -1.
#include <climits>

#include "api/document_handle.h"
#include "edit/delete_tag.h"
#include "edit/set_tag_jpeg.h"
#include "edit/set_tag_tiff.h"
#include "edit/tag_set.h"
#include "edit/tag_value.h"
#include "kexif.h"
#include "model/exif_constants.h"
#include "model/exif_document.h"

namespace {

using kexif::ExifDocument;

// The largest value a document can take: a JPEG document's Exif data must
// fit in one segment.
int32_t ValueByteLimit(const ExifDocument &document) {
  return document.format == kexif::kFormatJpeg ? kexif::kMaxSegmentPayload : INT32_MAX;
}

}  // namespace

extern "C" {

KEXIF_API int32_t KEXIF_CALL kExifSetTag(KExifHandle h, uint32_t tag, const TagValue *value, int32_t directory) {
  if (h == nullptr || value == nullptr) return -1;
  // A type outside the TIFF field types would be stored as an empty value
  // that a later load cannot read.
  if (value->type < kexif::kTypeByte || value->type > kexif::kTypeDouble) return -1;
  ExifDocument &document = *kexif::ToDocument(h);
  if (document.format != kexif::kFormatJpeg && document.format != kexif::kFormatTiff) return -1;
  try {
    const bool member = kexif::IsExifDirectoryTag(tag) != 0;
    if (!member && directory < 0) return -1;
    if (!kexif::TagValueUsable(*value, ValueByteLimit(document))) return -1;
    int done = 0;
    if (document.format == kexif::kFormatJpeg) {
      done = member ? kexif::SetExifTagJpeg(document, tag, *value) : kexif::SetTagJpeg(document, tag, *value, directory);
    } else {
      done = member ? kexif::SetExifTagTiff(document, tag, *value) : kexif::SetTagTiff(document, tag, *value, directory);
    }
    return done != 0 ? 0 : -1;
  } catch (...) {
    return -1;
  }
}

KEXIF_API int32_t KEXIF_CALL kExifDelTag(KExifHandle h, uint32_t tag, int32_t directory) {
  if (h == nullptr) return -1;
  ExifDocument &document = *kexif::ToDocument(h);
  try {
    const int removed = kexif::IsExifDirectoryTag(tag) != 0 ? kexif::DeleteExifTag(document, tag)
                                                           : kexif::DeleteTag(document, tag, directory);
    return removed != 0 ? 0 : -1;
  } catch (...) {
    return -1;
  }
}

}  // extern "C"
