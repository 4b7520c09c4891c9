#include "fuzz/tree_check.h"

#include <cstring>
#include <vector>

#include "api/document_handle.h"
#include "model/tree_search.h"
#include "save/entry_layout.h"
#include "save/tiff_structure.h"

namespace kexif::fuzz {

size_t CountMismatchedEntryCounts(KExifHandle handle) {
  size_t mismatched = 0;
  std::vector<MetaNode *> pending;
  if (ToDocument(handle)->root != nullptr) pending.push_back(ToDocument(handle)->root);
  while (!pending.empty()) {
    MetaNode *node = pending.back();
    pending.pop_back();
    if (node->next != nullptr) pending.push_back(node->next);
    MetaNode *first = node->firstChild;
    if (first == nullptr) continue;
    pending.push_back(first);
    // An owner of entries starts with its entry-count node, which is no entry.
    if (first->id == kIdEntryCount && AsTagNode(first) == nullptr && first->value != CountEntries(node)) {
      ++mismatched;
    }
  }
  return mismatched;
}

int CountDirectories(KExifHandle handle) { return ToDocument(handle)->CountDirectories(); }

bool DirectoriesNumberedByPosition(KExifHandle handle) {
  // The order in memory, which the queries follow, not the save's order
  // by number: a directory added ahead of a lower-numbered one answers
  // first until the save puts it in its place.
  MetaNode *header = TiffHeaderNode(*ToDocument(handle));
  int32_t position = 0;
  for (MetaNode *n = header != nullptr ? header->next : nullptr; n != nullptr; n = n->next) {
    if (n->id != kIdDirectory || WrittenEntryCount(n) == 0) continue;
    if (n->value != position++) return false;
  }
  return true;
}

int CountExifSegments(KExifHandle handle) {
  int n = 0;
  for (MetaNode *node = ToDocument(handle)->root; node != nullptr; node = node->next) {
    if (node->id == kMarkerApp1 && node->label != nullptr && std::strncmp(node->label, "Exif", 4) == 0) ++n;
  }
  return n;
}

}  // namespace kexif::fuzz
