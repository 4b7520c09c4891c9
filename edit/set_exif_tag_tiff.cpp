#include <memory>

#include "edit/entry_placement.h"
#include "edit/exif_subdirectory.h"
#include "edit/find_exif_tag.h"
#include "edit/set_tag_tiff.h"

namespace kexif {

int SetExifTagTiff(ExifDocument &document, uint32_t tag, const TagValue &value) {
  CursorKeeper cursor(document);
  try {
    if (TagNode *found = FindExifTag(document, static_cast<int32_t>(tag))) {
      return ReplaceFoundEntry(document, *found, value);
    }
    // Without directory 0 there is nowhere to hang a new Exif sub-directory;
    // the value is refused rather than dropped behind a success.
    if (document.exifPointerTag == nullptr && document.FindDirectory(0) == nullptr) return 0;
    std::unique_ptr<TagNode> entry = NewTagEntry(tag, value);
    if (entry == nullptr) return 0;
    if (document.exifPointerTag != nullptr) {
      AddEntryToOwner(document, document.exifPointerTag, std::move(entry));
    } else {
      AddExifPointer(document, document.FindDirectory(0), std::move(entry));
    }
    return 1;
  } catch (...) {
    cursor.Restore();
    return 0;
  }
}

}  // namespace kexif
