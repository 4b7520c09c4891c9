// Lists every entry of every directory of a loaded document: IFD0, IFD1, ...
// at the top of the TIFF structure and the sub-directories (Exif, GPS,
// Interoperability) that hang under their pointer entries.
#ifndef KEXIF_TOOLS_TAG_WALK_H
#define KEXIF_TOOLS_TAG_WALK_H

#include <cstdint>
#include <string>
#include <vector>

#include "model/exif_document.h"
#include "model/nodes.h"
#include "tools/tag_names.h"

namespace kexif::cli {

struct ListedEntry {
  uint32_t tag = 0;
  int32_t type = 0;
  int32_t count = 0;
  std::vector<uint8_t> bytes;  // the value bytes the node holds, native order
};

struct ListedDirectory {
  std::string name;  // "IFD0", "Exif", "GPS", "Interop", "SubIFD(0x014A)"
  TagSpace space;    // where the entries' names come from
  std::vector<ListedEntry> entries;
};

// The value bytes a tag node holds: the value word when the value sits
// there, else its data buffer; nothing for a type outside 1..12.
std::vector<uint8_t> NodeValueBytes(const TagNode &node);

// The directories of the document in reading order: each directory is
// followed by the sub-directories of its entries. A JPEG document lists the
// TIFF structure of its Exif segment, a TIFF document its top level.
std::vector<ListedDirectory> ListDirectories(const ExifDocument &document);

}  // namespace kexif::cli

#endif
