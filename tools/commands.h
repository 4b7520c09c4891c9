// What the subcommands of the tool share: parsed options, the output
// streams, error reporting and loading a document.
#ifndef KEXIF_TOOLS_COMMANDS_H
#define KEXIF_TOOLS_COMMANDS_H

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "kexif.h"

namespace kexif::cli {

struct Options {
  std::vector<std::string> args;  // positional arguments after the subcommand
  bool json = false;              // --json
  bool all = false;               // --all
  bool remove = false;            // --remove
  std::optional<std::string> output;   // -o OUT
  std::optional<std::string> setFile;  // --set IN
  std::optional<std::string> type;     // --type T
  std::optional<int32_t> directory;    // --dir N
};

class Session {
 public:
  Session(std::ostream &out, std::ostream &err) : out(out), err(err) {}

  // Writes "file: reason" to err and remembers that a file failed.
  void Fail(const std::string &file, const std::string &reason);
  // kExitOk, or kExitFileFailed once Fail has been called.
  int Status() const;

  std::ostream &out;
  std::ostream &err;

 private:
  bool failed_ = false;
};

// Why the library could not open name: the system's reason when the file
// cannot be read, else that it is no JPEG or TIFF file it can parse.
std::string OpenFailure(const std::string &name);

// A loaded document that is destroyed with the object.
class LoadedDocument {
 public:
  explicit LoadedDocument(const std::string &name) : handle_(kExifLoadFile(name.c_str())) {}
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
  explicit ReadContext(const std::string &name) : handle_(kRExifBeginRead(name.c_str())) {}
  ~ReadContext() { kRExifEndRead(handle_); }
  ReadContext(const ReadContext &) = delete;
  ReadContext &operator=(const ReadContext &) = delete;
  KRExifHandle get() const { return handle_; }

 private:
  KRExifHandle handle_;
};

// Writes bytes to path ("-" is standard output); false with a reason when
// the file cannot be written completely.
bool WriteFileBytes(const std::string &path, const unsigned char *bytes, size_t length, std::ostream &out,
                    std::string &reason);

// path with its extension (from the last '.' after the last '/') replaced
// by suffix.
std::string SiblingName(const std::string &path, const std::string &suffix);

// The subcommands. Each returns the exit status.
int CommandInfo(const Options &options, Session &session);
int CommandTags(const Options &options, Session &session);
int CommandGet(const Options &options, Session &session);
int CommandSegments(const Options &options, Session &session);
int CommandThumbnail(const Options &options, Session &session);
int CommandAudio(const Options &options, Session &session);

}  // namespace kexif::cli

#endif
