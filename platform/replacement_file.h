// The new file of a save: created under a unique temporary name in the
// target's own folder, written, then renamed over the target, so that the
// target is at every instant either the complete old file or the complete
// new one.
#ifndef KEXIF_PLATFORM_REPLACEMENT_FILE_H
#define KEXIF_PLATFORM_REPLACEMENT_FILE_H

#include <cstdio>
#include <string>

#include "platform/file_open.h"

namespace kexif {

class ReplacementFile {
 public:
  enum class Status { kCreated, kBadTarget, kNotCreated };

  ReplacementFile() = default;
  // Removes the temporary file unless Commit succeeded.
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile &) = delete;
  ReplacementFile &operator=(const ReplacementFile &) = delete;

  // Looks at target (an 8-bit name): a symbolic link is followed, so the
  // file it names is the one replaced; an existing target must be a regular
  // file (kBadTarget otherwise, as for an empty name or one ending in a
  // folder separator). Then creates TARGET.$#$XXXXXX beside it, exclusively
  // (never through a link or onto an existing file), close-on-exec, readable
  // and writable by its owner only. kNotCreated when the folder refuses.
  Status Create(const char *target);

  // A runtime file for writing the new bytes, owned by the caller, who
  // flushes and closes it before Commit. Null on failure.
  std::FILE *OpenForWriting();

  // Gives the written file the existing target's owner and group (where the
  // system permits), its extended attributes (those it permits to set) and
  // its permission bits (a new target gets those of a newly created file),
  // puts it on disk and renames it over the target. False, with the target
  // as it was, on failure. The same as SetAttributes, MakeDurable and
  // Rename(true) in turn.
  bool Commit();

  // The steps of Commit, for saves that share the cost of putting many
  // files on disk. Each is false, with the target as it was, on failure;
  // the next step is only taken after the previous one succeeded.
  //
  // The owner, group, extended attributes and permission bits of Commit.
  bool SetAttributes();
  // Asks the system to start writing the file's bytes to the device now,
  // without waiting; a hint whose failure only leaves the work to
  // MakeDurable.
  void StartWriteback();
  // Waits until the file's bytes and attributes are on disk.
  bool MakeDurable();
  // Renames the durable file over the target. With syncFolder the rename is
  // put on disk too (its failure is passed over: the target is replaced
  // either way); a caller that renames many files into one folder passes
  // false and calls SyncFolder once.
  bool Rename(bool syncFolder);
  // Puts the renames made in the folder on disk; false when that fails.
  bool SyncFolder();

  // The folder the target lies in, as opened.
  const std::string &folder() const { return folder_; }

  // The name the temporary file was created under (for tests and messages).
  const std::string &temporaryName() const { return temporaryPath_; }

 private:
  std::string folder_;
  std::string targetBase_;     // the target's name inside folder_
  std::string temporaryBase_;  // the temporary file's name inside folder_
  std::string temporaryPath_;
  int folderFd_ = -1;
  int fd_ = -1;
  int targetFd_ = -1;  // open on the existing target for its attributes
  bool targetExists_ = false;
  bool durable_ = false;  // MakeDurable succeeded
  bool committed_ = false;
  unsigned targetMode_ = 0;  // permission bits of the existing target
  long long targetUser_ = -1;
  long long targetGroup_ = -1;
};

}  // namespace kexif

#endif
