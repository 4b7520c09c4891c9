// Running the parsers over bytes held in memory.
#ifndef KEXIF_TESTS_UNIT_PARSE_PARSE_TEST_UTIL_H
#define KEXIF_TESTS_UNIT_PARSE_PARSE_TEST_UTIL_H

#include <cstring>
#include <vector>

#include "model/exif_document.h"
#include "model/tree_search.h"
#include "parse/tree_builder.h"
#include "stream/memory_stream.h"
#include "tests/support/hand_tree.h"
#include "tests/support/tiff_builder.h"

namespace kexif::test {

// Runs parse(stream, builder) over a copy of bytes; returns its result.
template <typename Parse>
int RunOver(Bytes bytes, ExifDocument &document, Parse parse) {
  if (bytes.empty()) bytes.push_back(0);
  MemoryStream stream(bytes.data(), static_cast<int32_t>(bytes.size()));
  TreeBuilder builder(&document);
  return parse(stream, builder);
}

inline TagNode *Tag(ExifDocument &document, int32_t id) { return FindTagById(document.root, id); }

}  // namespace kexif::test

#endif
