#include "edit/tif_exif_import.h"

#include <climits>
#include <cstdlib>

#include "edit/set_tag_tiff.h"
#include "edit/tag_set.h"
#include "edit/tag_value.h"

namespace kexif {

void FreeTifExifData(TifExifData *record) {
  if (record == nullptr) return;
  if (record->entries != nullptr) {
    for (int32_t i = 0; i < record->count; ++i) {
      TifExifEntry *entry = record->entries[i];
      if (entry == nullptr) continue;
      std::free(entry->data);
      std::free(entry);
    }
    std::free(record->entries);
  }
  std::free(record);
}

bool ApplyTifExifData(ExifDocument &document, const TifExifData &record) {
  if (record.entries == nullptr) return true;
  for (int32_t i = 0; i < record.count; ++i) {
    const TifExifEntry *entry = record.entries[i];
    if (entry == nullptr || IsExifDirectoryTag(entry->tag) == 0 || entry->tag == kTagInteropPointer) continue;
    if (entry->count > static_cast<uint32_t>(INT32_MAX) || entry->type > static_cast<uint32_t>(INT32_MAX)) continue;
    const TagValue value{static_cast<int32_t>(entry->type), static_cast<int32_t>(entry->count), entry->data};
    if (!TagValueUsable(value, INT32_MAX)) continue;
    if (SetExifTagTiff(document, entry->tag, value) == 0) return false;
  }
  return true;
}

}  // namespace kexif
