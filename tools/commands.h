// What the subcommands of the tool share: parsed options, the output
// streams, error reporting and loading a document.
#ifndef KEXIF_TOOLS_COMMANDS_H
#define KEXIF_TOOLS_COMMANDS_H

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "kexif.h"
#include "tools/tag_names.h"

namespace kexif::cli {

struct Options {
  std::vector<std::string> args;  // positional arguments after the subcommand
  std::vector<std::string> tags;  // -t TAG[=VALUE], in order
  bool json = false;              // --json
  bool all = false;               // --all
  bool remove = false;            // --remove
  bool raw = false;               // -n, --raw
  bool gps = false;               // --gps
  bool progress = false;          // standard error is a terminal
  int32_t jobs = 0;               // -j N; 0: one per core
  std::optional<std::string> output;    // -o OUT
  std::optional<std::string> setValue;  // --set X
  std::optional<std::string> type;      // --type T
  std::optional<std::string> shift;     // --shift D
  std::optional<int32_t> directory;     // --dir N
};

class BatchedSaves;

class Session {
 public:
  Session(std::ostream &out, std::ostream &err) : out(out), err(err) {}

  // Writes "file: reason" to err and remembers that a file failed.
  void Fail(const std::string &file, const std::string &reason);
  // kExitOk, or kExitFileFailed once Fail or MarkFailed has been called.
  int Status() const;
  void MarkFailed() { failed_ = true; }
  // Writes "kexif: message" to err for a command line that cannot be
  // carried out whatever the files hold; returns kExitUsage.
  int Usage(const std::string &message);

  std::ostream &out;
  std::ostream &err;
  // Where SaveEdited leaves its saves to be committed with others; null:
  // each save is made at once.
  BatchedSaves *saves = nullptr;

 private:
  bool failed_ = false;
};

// Why name cannot be read (missing, not a regular file, the system's
// reason); empty when it is a regular file that opens. Never waits on a
// FIFO.
std::string UnreadableReason(const std::string &name);

// The file the library opens for a file argument: a copy of standard input
// (made at the first call, safe from any thread) for "-", else name.
std::string InputPath(const std::string &name);

// Calls work once per file, on up to options.jobs threads at once (one per
// core by default). What each call writes to the session it is given
// reaches session in argument order, as does its failure. The saves made
// with SaveEdited are committed in batches per thread (see BatchedSaves);
// a file's output is passed on once its save is committed. On a terminal
// a run over many files shows a progress line on session.err.
using FileWork = std::function<void(size_t index, const std::string &file, Session &session)>;
void ForEachFile(const std::vector<std::string> &files, const Options &options, Session &session,
                 const FileWork &work);

// Loads file, lets edit change the document and saves it with the
// library's safe save over file (or to options.output) when edit returns
// true. edit reports its own failures to the session.
void EditAndSave(const std::string &file, const Options &options, Session &session,
                 const std::function<bool(KExifHandle)> &edit);

// A usage error (returned as kExitUsage) when -o is given with several
// files or a file to change is standard input; 0 otherwise.
int CheckEditTargets(const std::vector<std::string> &files, const Options &options, Session &session);

// Why the library could not open name: the system's reason when the file
// cannot be read, else that it is no JPEG or TIFF file it can parse.
std::string OpenFailure(const std::string &name);

// The TAG argument of get, set and rm; reports to the session and returns
// nothing when the text names no tag or a tag of the Interoperability
// directory, which the library's lookups do not reach.
std::optional<TagRef> ResolveTag(const std::string &file, const std::string &text, Session &session);

// A loaded document that is destroyed with the object.
class LoadedDocument {
 public:
  explicit LoadedDocument(const std::string &name) : handle_(kExifLoadFile(InputPath(name).c_str())) {}
  ~LoadedDocument() { kExifDestroy(handle_); }
  LoadedDocument(const LoadedDocument &) = delete;
  LoadedDocument &operator=(const LoadedDocument &) = delete;
  KExifHandle get() const { return handle_; }

 private:
  KExifHandle handle_;
};

// A read-only context that is ended with the object.
class ReadContext {
 public:
  explicit ReadContext(const std::string &name) : handle_(kRExifBeginRead(InputPath(name).c_str())) {}
  ~ReadContext() { kRExifEndRead(handle_); }
  ReadContext(const ReadContext &) = delete;
  ReadContext &operator=(const ReadContext &) = delete;
  KRExifHandle get() const { return handle_; }

 private:
  KRExifHandle handle_;
};

// True when the document or context h opened file; else reports why to the
// session.
template <typename Handle>
bool Opened(const Handle &h, const std::string &file, Session &session) {
  if (h.get() != nullptr) return true;
  session.Fail(file, OpenFailure(file));
  return false;
}

// Writes bytes to path ("-" is standard output); false with a reason when
// the file cannot be written completely, or when path names the same file
// as source (which is then left as it was).
bool WriteFileBytes(const std::string &path, const std::string &source, const unsigned char *bytes, size_t length,
                    std::ostream &out, std::string &reason);

// path with its extension (from the last '.' after the last '/') replaced
// by suffix.
std::string SiblingName(const std::string &path, const std::string &suffix);

// Saves the edited document with the library's safe save over file, or to
// options.output; reports a failure to the session with the system's
// reason when one can be found. Under ForEachFile the save joins the
// worker's batch: true then means that it waits, and its failure is
// reported when the batch is committed.
bool SaveEdited(KExifHandle handle, const std::string &file, const Options &options, Session &session);

// Reports that the save of file to target failed, with the system's reason
// for failing to write there when one can be found.
void ReportSaveFailure(const std::string &file, const std::string &target, Session &session);

// The value of a tag as the library returns it, with the block it owns.
struct FetchedValue {
  int32_t type = 0;
  int32_t count = 0;
  std::vector<uint8_t> bytes;
};
std::optional<FetchedValue> FetchTag(KExifHandle handle, uint32_t tag, int32_t directory);

// The extracting halves of the thumbnail and audio commands.
int ExtractThumbnail(const Options &options, Session &session);
int ExtractAudio(const Options &options, Session &session);

// The subcommands. Each returns the exit status.
int CommandInfo(const Options &options, Session &session);
int CommandTags(const Options &options, Session &session);
int CommandGet(const Options &options, Session &session);
int CommandSegments(const Options &options, Session &session);
int CommandAudio(const Options &options, Session &session);
int CommandThumbnail(const Options &options, Session &session);
int CommandStrip(const Options &options, Session &session);
int CommandCopyExif(const Options &options, Session &session);
int CommandSet(const Options &options, Session &session);
int CommandRemove(const Options &options, Session &session);
int CommandDates(const Options &options, Session &session);
int CommandGps(const Options &options, Session &session);
int CommandNames(const Options &options, Session &session);

}  // namespace kexif::cli

#endif
