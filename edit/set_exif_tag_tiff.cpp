#include <memory>

#include "edit/entry_placement.h"
#include "edit/exif_subdirectory.h"
#include "edit/find_exif_tag.h"
#include "edit/set_tag_tiff.h"
#include "edit/tag_set.h"

namespace kexif {

int SetExifTagTiff(ExifDocument &document, uint32_t tag, const TagValue &value) {
  CursorKeeper cursor(document);
  try {
    if (TagNode *found = FindMemberEntry(document, tag)) {
      return ReplaceFoundEntry(document, *found, value);
    }
    MetaNode *first = document.FindDirectory(0);
    const bool inFirst = IsMadeInFirstDirectory(tag);
    // Without directory 0 there is nowhere to put Orientation or to hang a
    // new Exif sub-directory; the value is refused rather than dropped
    // behind a success.
    if (first == nullptr && (inFirst || document.exifPointerTag == nullptr)) return 0;
    std::unique_ptr<TagNode> entry = NewTagEntry(tag, value);
    if (entry == nullptr) return 0;
    if (inFirst) {
      AddEntryToOwner(document, first, std::move(entry));
    } else if (document.exifPointerTag != nullptr) {
      AddEntryToOwner(document, document.exifPointerTag, std::move(entry));
    } else {
      AddExifPointer(document, first, std::move(entry));
    }
    return 1;
  } catch (...) {
    cursor.Restore();
    return 0;
  }
}

}  // namespace kexif
