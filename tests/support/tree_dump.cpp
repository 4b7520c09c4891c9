#include "tests/support/tree_dump.h"

#include <cstdio>
#include <map>
#include <string>

namespace kexif::test {
namespace {

void DumpNode(const MetaNode *node, int depth, std::string *out, std::map<const MetaNode *, int> *lines) {
  for (; node != nullptr; node = node->next) {
    const int line = static_cast<int>(lines->size());
    (*lines)[node] = line;
    char text[160];
    std::snprintf(text, sizeof text, "%*s#%d id=%d kind=%d value=%d has=%d parent=%s", depth * 2, "", line, node->id,
                  node->kind, node->value, node->hasChildren,
                  node->parent == nullptr ? "-" : std::to_string(lines->count(node->parent) ? lines->at(node->parent) : -9).c_str());
    *out += text;
    if (node->label != nullptr) *out += " label=" + std::string(node->label, 4);
    if (const auto *blob = dynamic_cast<const BlobNode *>(node)) {
      std::snprintf(text, sizeof text, " state=%d offset=%d length=%d", blob->payloadState, blob->fileOffset,
                    blob->dataLength);
      *out += text;
      if (blob->data != nullptr) {
        *out += " data=";
        for (int32_t i = 0; i < blob->dataLength; ++i) {
          std::snprintf(text, sizeof text, "%02X", blob->data[i]);
          *out += text;
        }
      }
    }
    if (const auto *tag = dynamic_cast<const TagNode *>(node)) {
      std::snprintf(text, sizeof text, " type=%d count=%d", tag->type, tag->count);
      *out += text;
    }
    *out += "\n";
    DumpNode(node->firstChild, depth + 1, out, lines);
  }
}

std::string Name(const std::map<const MetaNode *, int> &lines, const MetaNode *node) {
  if (node == nullptr) return "null";
  auto it = lines.find(node);
  return it == lines.end() ? "outside-tree" : "#" + std::to_string(it->second);
}

}  // namespace

std::string DumpTree(const ExifDocument &d) {
  std::string out;
  std::map<const MetaNode *, int> lines;
  DumpNode(d.root, 0, &out, &lines);
  char text[200];
  std::snprintf(text, sizeof text,
                "byteOrder=%d format=%d exifExists=%d thumbnailExists=%d thumbnailLoaded=%d\n", d.byteOrder,
                d.format, d.exifExists, d.thumbnailExists, d.thumbnailLoaded);
  out += text;
  out += "exifSegment=" + Name(lines, d.exifSegment) + " exifPointerTag=" + Name(lines, d.exifPointerTag) +
         " thumbnailOffsetTag=" + Name(lines, d.thumbnailOffsetTag) + " current=" + Name(lines, d.current) + "\n";
  return out;
}

}  // namespace kexif::test
