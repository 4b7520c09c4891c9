#include "edit/delete_tag.h"
#include "edit/find_exif_tag.h"

namespace kexif {

int DeleteExifTag(ExifDocument &document, uint32_t tag) {
  TagNode *entry = FindMemberEntry(document, tag);
  if (entry == nullptr) return 0;
  return RemoveEntryAndPrune(document, entry) ? 1 : 0;
}

}  // namespace kexif
