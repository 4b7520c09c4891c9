// A text picture of a document's tree and shortcut fields, for tests that
// compare whole trees: one line per node in pre-order, indented by depth,
// with every field; then the document fields, shortcuts named by the line
// number of their node.
#ifndef KEXIF_TESTS_SUPPORT_TREE_DUMP_H
#define KEXIF_TESTS_SUPPORT_TREE_DUMP_H

#include <string>

#include "model/exif_document.h"

namespace kexif::test {

std::string DumpTree(const ExifDocument &document);

}  // namespace kexif::test

#endif
