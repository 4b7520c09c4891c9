// The object behind every handle of the editing family: the node tree of a
// loaded file, the insertion cursor, the open source stream and the
// shortcuts and flags that spare the exported functions a search.
#ifndef KEXIF_MODEL_EXIF_DOCUMENT_H
#define KEXIF_MODEL_EXIF_DOCUMENT_H

#include <cstdint>
#include <memory>
#include <string>

#include "model/nodes.h"

namespace kexif {

class ByteStream;
class ExifDocument;

// The part of a loaded file the load left unscanned: for a JPEG file,
// everything after the first SOS header. The metadata lives in front of it;
// the save, the segment and sound operations need it.
class PendingScan {
 public:
  virtual ~PendingScan();
  // Appends the nodes of the unscanned part to the top-level chain. False,
  // with the tree, the shortcuts and the cursor as they were, when the part
  // can no longer be read as it was at load (the file was cut or changed)
  // or does not scan. May throw std::bad_alloc, also leaving all as it was.
  virtual bool Complete(ExifDocument &document) = 0;
};

class ExifDocument {
 public:
  ExifDocument();
  // Destroys the tree; the streams are released by kExifDestroy.
  ~ExifDocument();
  ExifDocument(const ExifDocument &) = delete;
  ExifDocument &operator=(const ExifDocument &) = delete;

  // Cursor operations. A slot is the address of a link field; appending
  // writes the new node into that field, whatever it held.
  void AppendChild(MetaNode *node);
  void AppendSibling(MetaNode *node);
  void SetCursor(MetaNode *node);
  void CursorUp();

  // Searches from root. The directories are those of the Exif segment
  // when it holds a TIFF structure (see DirectorySearchStart). FindSegment
  // searches the whole file: it completes a pending scan first.
  MetaNode *FindSegment(int32_t marker);
  MetaNode *FindDirectory(int32_t number);
  int32_t CountDirectories();

  // Clears every shortcut that names node or a node below it (node's
  // siblings excluded). Call before destroying a detached subtree.
  void ForgetSubtree(MetaNode *node);
  // Unlinks node from the chain it is in (found from root when it has no
  // parent, else from its parent's first child), clears its next link,
  // forgets the shortcuts into it and destroys it with its subtree.
  // Returns false (and destroys nothing) when node is not in that chain.
  bool RemoveNode(MetaNode *node);

  // Brings the rest of the file into the tree when the load left some of it
  // unscanned. True when the tree is whole; false when the rest cannot be
  // scanned, with the document unchanged and the rest still pending (so a
  // later call tries again). Call before anything that looks at segments
  // after the first SOS of a JPEG file. May throw std::bad_alloc.
  bool CompleteScan();

  std::unique_ptr<PendingScan> pendingScan;
  MetaNode *root = nullptr;
  MetaNode *current = nullptr;
  MetaNode **childSlot;
  MetaNode **siblingSlot;
  int32_t byteOrder = 0;
  SegmentNode *exifSegment = nullptr;
  TagNode *exifPointerTag = nullptr;
  TagNode *thumbnailOffsetTag = nullptr;
  SegmentNode *audioSegment = nullptr;
  const void *audioFileName = nullptr;  // points into audioFileNameCopy once set
  std::string audioFileNameCopy;        // the caller's name bytes, kept for the save
  ByteStream *stream = nullptr;
  ByteStream *audioStream = nullptr;
  int32_t format = 0;
  int32_t exifExists = 0;
  int32_t thumbnailLoaded = 0;
  int32_t thumbnailExists = 0;
  int32_t audioSearched = 0;
  int32_t audioExists = 0;
  int32_t exifDirectoryVisited = 0;
  int32_t gpsDirectoryVisited = 0;
  int32_t singleStripLoaded = 0;
  int32_t interopDirectoryVisited = 0;

 private:
  // Where the directory searches begin: the header of exifSegment when it
  // heads a TIFF structure, else root.
  MetaNode *DirectorySearchStart();
};

}  // namespace kexif

#endif
