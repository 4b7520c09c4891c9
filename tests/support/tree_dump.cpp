#include "tests/support/tree_dump.h"

#include <map>
#include <string>

namespace kexif::test {
namespace {

using Lines = std::map<const MetaNode *, int>;

std::string Name(const Lines &lines, const MetaNode *node) {
  if (node == nullptr) return "null";
  auto it = lines.find(node);
  return it == lines.end() ? "outside-tree" : "#" + std::to_string(it->second);
}

void DumpNode(const MetaNode *node, int depth, std::string *out, Lines *lines) {
  for (; node != nullptr; node = node->next) {
    const int line = static_cast<int>(lines->size());
    (*lines)[node] = line;
    const auto field = [out](const char *name, long v) { *out += std::string(" ") + name + "=" + std::to_string(v); };
    *out += std::string(static_cast<size_t>(depth) * 2, ' ') + "#" + std::to_string(line);
    field("id", node->id);
    field("kind", node->kind);
    field("value", node->value);
    field("has", node->hasChildren);
    *out += " parent=" + (node->parent == nullptr ? "-" : Name(*lines, node->parent));
    if (node->label != nullptr) *out += " label=" + std::string(node->label, 4);
    if (const auto *blob = dynamic_cast<const BlobNode *>(node)) {
      field("state", blob->payloadState);
      field("offset", blob->fileOffset);
      field("length", blob->dataLength);
      if (blob->data != nullptr) {
        static const char kHex[] = "0123456789ABCDEF";
        *out += " data=";
        for (int32_t i = 0; i < blob->dataLength; ++i) *out += {kHex[blob->data[i] >> 4], kHex[blob->data[i] & 15]};
      }
    }
    if (const auto *tag = dynamic_cast<const TagNode *>(node)) {
      field("type", tag->type);
      field("count", tag->count);
    }
    *out += "\n";
    DumpNode(node->firstChild, depth + 1, out, lines);
  }
}

}  // namespace

std::string DumpTree(const ExifDocument &d) {
  std::string out;
  Lines lines;
  DumpNode(d.root, 0, &out, &lines);
  out += "byteOrder=" + std::to_string(d.byteOrder) + " format=" + std::to_string(d.format) +
         " exifExists=" + std::to_string(d.exifExists) + " thumbnailExists=" + std::to_string(d.thumbnailExists) +
         " thumbnailLoaded=" + std::to_string(d.thumbnailLoaded) + "\n";
  out += "exifSegment=" + Name(lines, d.exifSegment) + " exifPointerTag=" + Name(lines, d.exifPointerTag) +
         " thumbnailOffsetTag=" + Name(lines, d.thumbnailOffsetTag) + " current=" + Name(lines, d.current) + "\n";
  return out;
}

}  // namespace kexif::test
