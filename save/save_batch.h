// Saving many documents at once. Each file is written under a temporary
// name as SaveDocument does, the files are put on disk together, and each
// is renamed over its target once its own bytes are on disk: every target
// is at every instant its complete old or complete new file, while the
// waits for the device overlap instead of following one another.
#ifndef KEXIF_SAVE_SAVE_BATCH_H
#define KEXIF_SAVE_SAVE_BATCH_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "model/exif_document.h"
#include "save/save_file.h"

namespace kexif {

class ReplacementFile;

class SaveBatch {
 public:
  // How many files are put on disk at once by default. The waits are for
  // the device, not the processor: more than the cores is what lets the
  // device and its journal take many files per trip.
  static constexpr size_t kDefaultSyncThreads = 8;

  explicit SaveBatch(size_t syncThreads = kDefaultSyncThreads);
  // Removes the temporary file of every save added and not committed.
  ~SaveBatch();
  SaveBatch(const SaveBatch &) = delete;
  SaveBatch &operator=(const SaveBatch &) = delete;

  // Writes document to fileName's temporary file and asks the system to
  // start putting it on disk. On kSaved the save waits for Commit and the
  // document's stream is released (null), as after SaveDocument: the
  // document can no longer read its old file, and the target is replaced
  // only by Commit. On any other result nothing waits, the target is as it
  // was, no temporary file is left and the document keeps its stream.
  SaveResult Add(ExifDocument &document, const char *fileName);

  // The saves waiting for Commit, and about how many bytes they hold (the
  // sizes of their documents' sources).
  size_t waiting() const { return entries_.size(); }
  uint64_t waitingBytes() const { return waitingBytes_; }

  // Puts every waiting file on disk, on up to syncThreads threads at once;
  // renames each whose bytes are on disk over its target; then puts the
  // renames of each folder on disk once. One result per waiting save, in
  // the order added: kSaved (the target holds the new file), or
  // kReplaceFailed (that target is exactly as it was and its temporary file
  // is gone). A failure leaves the other saves to go on. The batch is
  // empty afterwards.
  std::vector<SaveResult> Commit();

 private:
  size_t syncThreads_;
  std::vector<std::unique_ptr<ReplacementFile>> entries_;
  uint64_t waitingBytes_ = 0;
};

}  // namespace kexif

#endif
