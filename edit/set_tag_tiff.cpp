#include "edit/set_tag_tiff.h"

#include <memory>

#include "edit/entry_placement.h"
#include "edit/exif_subdirectory.h"
#include "model/tree_search.h"

namespace kexif {

int SetTagTiff(ExifDocument &document, uint32_t tag, const TagValue &value, int32_t directory) {
  CursorKeeper cursor(document);
  try {
    MetaNode *named = document.FindDirectory(directory);
    if (named == nullptr) return 1;
    if (TagNode *found = FindTagByIdPruned(document.root, static_cast<int32_t>(tag), static_cast<int32_t>(kTagInteropPointer))) {
      return ReplaceFoundEntry(document, *found, value);
    }
    std::unique_ptr<TagNode> entry = NewTagEntry(tag, value);
    if (entry == nullptr) return 0;
    AddEntryToOwner(document, named, std::move(entry));
    return 1;
  } catch (...) {
    cursor.Restore();
    return 0;
  }
}

}  // namespace kexif
