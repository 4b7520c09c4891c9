// Exported: the tag query.
#include "api/document_handle.h"
#include "api/value_copy.h"
#include "edit/find_exif_tag.h"
#include "edit/tag_set.h"
#include "kexif.h"

namespace kexif {
namespace {

// The entry asked for, or null. Tags of the Exif sub-directory tag set are
// looked up as FindMemberEntry says; the others from the numbered
// directory on. Only real entries answer, never a structural node.
TagNode *FindQueriedTag(ExifDocument &document, uint32_t tag, int32_t directory) {
  const auto id = static_cast<int32_t>(tag);
  if (IsExifDirectoryTag(tag) != 0) return FindMemberEntry(document, tag);
  return FindDirectoryTag(document, directory, id);
}

}  // namespace
}  // namespace kexif

extern "C" {

KEXIF_API int32_t KEXIF_CALL kExifGetTag(KExifHandle h, uint32_t tag, TagValue *value, int32_t directory) {
  kexif::ExifDocument *document = kexif::ToDocument(h);
  if (document == nullptr || value == nullptr) return -1;
  try {
    const kexif::TagNode *node = kexif::FindQueriedTag(*document, tag, directory);
    if (node == nullptr) return -1;
    void *data = value->data;
    if (!kexif::CopyValueOut(*node, &data)) return -1;
    value->type = node->type;
    value->count = node->count;
    value->data = data;
    return 0;
  } catch (...) {
    return -1;
  }
}

}  // extern "C"
