// Making the Exif sub-directory with its pointer entry when a document has
// none. Everything is allocated before anything is linked, so an
// allocation failure (std::bad_alloc) leaves the tree as it was.
#ifndef KEXIF_EDIT_EXIF_SUBDIRECTORY_H
#define KEXIF_EDIT_EXIF_SUBDIRECTORY_H

#include <memory>

#include "model/exif_document.h"
#include "model/nodes.h"

namespace kexif {

// Links a new pointer entry leading to a sub-directory that holds entry into
// directory (count bumped, ascending order), makes it the document's
// exifPointerTag and sets exifExists.
void AddExifPointer(ExifDocument &document, MetaNode *directory, std::unique_ptr<TagNode> entry);

// A new, unlinked directory 0 that holds only a pointer entry leading to a
// sub-directory with entry. The pointer becomes the document's
// exifPointerTag (and exifExists is set) once the directory is linked; the
// caller links it.
std::unique_ptr<MetaNode> NewDirectoryZeroWithExifPointer(ExifDocument &document, std::unique_ptr<TagNode> entry,
                                                          TagNode **pointer);

// Saves the document cursor and puts it back on request: a worker that
// fails half-way must not leave the cursor on nodes it released.
class CursorKeeper {
 public:
  explicit CursorKeeper(ExifDocument &document)
      : document_(document),
        current_(document.current),
        childSlot_(document.childSlot),
        siblingSlot_(document.siblingSlot) {}
  void Restore() {
    document_.current = current_;
    document_.childSlot = childSlot_;
    document_.siblingSlot = siblingSlot_;
  }

 private:
  ExifDocument &document_;
  MetaNode *current_;
  MetaNode **childSlot_;
  MetaNode **siblingSlot_;
};

}  // namespace kexif

#endif
