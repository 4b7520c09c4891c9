// Saving a document: the whole new file is written under a unique
// temporary name beside the target, put on disk, and then replaces the
// target in one step (see ReplacementFile).
#ifndef KEXIF_SAVE_SAVE_FILE_H
#define KEXIF_SAVE_SAVE_FILE_H

#include "model/exif_document.h"

namespace kexif {

enum class SaveResult {
  kSaved,
  kBadName,              // empty, or names something other than a regular file
  kUnsupportedDocument,  // no format decided
  kSoundFileUnreadable,  // the sound file set for the document cannot be opened
  kTemporaryNotCreated,
  kWriteFailed,          // the writer refused or the temporary file is incomplete
  kReplaceFailed,
};

// Writes document to fileName (an 8-bit name of any length the system
// accepts). On kSaved the target holds the new file, the temporary file is
// gone, and the document's stream and
// audioStream are released (null): the document can no longer read its old
// file. On any other result the target is exactly as it was, no temporary
// file is left, and the document keeps its stream, so the host may try
// again.
SaveResult SaveDocument(ExifDocument &document, const char *fileName);

class ReplacementFile;

// The first half of SaveDocument: creates replacement for fileName and
// writes the document's new file into it. kSaved means written, not yet
// on disk nor renamed; on any result the target is as it was and the
// document keeps its stream.
SaveResult WriteReplacement(ExifDocument &document, const char *fileName, ReplacementFile &replacement);

}  // namespace kexif

#endif
