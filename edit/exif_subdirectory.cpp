#include "edit/exif_subdirectory.h"

#include "edit/entry_placement.h"

namespace kexif {

void AddExifPointer(ExifDocument &document, MetaNode *directory, std::unique_ptr<TagNode> entry) {
  std::unique_ptr<TagNode> pointer = NewExifPointerEntry();
  NewSubdirectory(document, pointer.get(), std::move(entry));
  TagNode *linked = pointer.get();
  AddEntryToOwner(document, directory, std::move(pointer));
  document.exifPointerTag = linked;
  document.exifExists = 1;
}

std::unique_ptr<MetaNode> NewDirectoryZeroWithExifPointer(ExifDocument &document, std::unique_ptr<TagNode> entry,
                                                          TagNode **pointer) {
  auto directory = NewDirectoryNode(0);
  auto count = NewEntryCountNode();
  auto end = NewDirectoryEndNode();
  std::unique_ptr<TagNode> exifPointer = NewExifPointerEntry();
  NewSubdirectory(document, exifPointer.get(), std::move(entry));
  *pointer = exifPointer.get();
  document.SetCursor(directory.get());
  document.AppendChild(count.release());
  document.AppendSibling(exifPointer.release());
  document.AppendSibling(end.release());
  return directory;
}

}  // namespace kexif
