// The saves of a run over many files, gathered and committed together with
// the library's batch save so that their waits for the disk overlap. Each
// worker of a run holds one; a batch is committed once it holds
// kMaxFiles saves or about kMaxBytes, which bounds the bytes written and
// not yet on disk.
#ifndef KEXIF_TOOLS_BATCHED_SAVES_H
#define KEXIF_TOOLS_BATCHED_SAVES_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "kexif.h"
#include "save/save_batch.h"

namespace kexif::cli {

class Session;

class BatchedSaves {
 public:
  static constexpr size_t kMaxFiles = 64;
  static constexpr uint64_t kMaxBytes = uint64_t{64} << 20;

  // Writes the edited document's new file for target; a failure is
  // reported to session at once (false). True when the save waits for
  // Commit, which reports its outcome to the same session.
  bool Add(KExifHandle handle, const std::string &file, const std::string &target, Session &session);
  size_t waiting() const { return waiting_.size(); }
  // Whether the batch should be committed before more files are added.
  bool Full() const { return batch_.waiting() >= kMaxFiles || batch_.waitingBytes() >= kMaxBytes; }
  // Puts every waiting save on disk and in place; reports each failure to
  // the session its save was added with.
  void Commit();

 private:
  struct Waiting {
    std::string file;
    std::string target;
    Session *session;
  };
  SaveBatch batch_;
  std::vector<Waiting> waiting_;
};

}  // namespace kexif::cli

#endif
