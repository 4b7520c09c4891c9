#include "save/tiff_structure.h"

#include <algorithm>

#include "save/entry_layout.h"

namespace kexif {

namespace {

bool HoldsTiffStructure(const MetaNode *segment) {
  return segment != nullptr && segment->id == kMarkerApp1 && segment->firstChild != nullptr &&
         segment->firstChild->id == kIdHeader;
}

}  // namespace

SegmentNode *ExifSegmentToRebuild(ExifDocument &document) {
  if (document.format != kFormatJpeg) return nullptr;
  if (HoldsTiffStructure(document.exifSegment)) {
    // The shortcut must still name a node of the top-level chain.
    for (MetaNode *s = document.root; s != nullptr; s = s->next) {
      if (s == document.exifSegment) return document.exifSegment;
    }
  }
  for (MetaNode *s = document.root; s != nullptr; s = s->next) {
    if (HoldsTiffStructure(s)) return AsSegmentNode(s);
  }
  return nullptr;
}

MetaNode *TiffHeaderNode(ExifDocument &document) {
  if (document.format == kFormatJpeg) {
    SegmentNode *segment = ExifSegmentToRebuild(document);
    return segment != nullptr ? segment->firstChild : nullptr;
  }
  for (MetaNode *n = document.root; n != nullptr; n = n->next) {
    if (n->id == kIdHeader) return n;
  }
  return nullptr;
}

std::vector<MetaNode *> DirectoryChain(MetaNode *header) {
  std::vector<MetaNode *> chain;
  for (MetaNode *n = header != nullptr ? header->next : nullptr; n != nullptr; n = n->next) {
    if (n->id == kIdDirectory && WrittenEntryCount(n) > 0) chain.push_back(n);
  }
  // A directory an editor adds may sit before one of a lower number (a new
  // IFD2 right after IFD0); readers take the thumbnail from the second
  // directory of the file, so the file order follows the numbers.
  std::stable_sort(chain.begin(), chain.end(),
                   [](const MetaNode *a, const MetaNode *b) { return a->value < b->value; });
  return chain;
}

}  // namespace kexif
