#include <fcntl.h>
#include <unistd.h>
#ifdef _WIN32
#include <io.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <mutex>
#include <system_error>
#include <vector>

#include "tools/batched_saves.h"
#include "tools/cli.h"
#include "tools/commands.h"
#include "api/document_handle.h"
#include "model/exif_constants.h"
#include "model/tree_search.h"
#include "tools/tag_walk.h"
#include "tools/value_text.h"

namespace kexif::cli {

void Session::Fail(const std::string &file, const std::string &reason) {
  err << PrintableText(file) << ": " << reason << '\n';
  failed_ = true;
}

int Session::Status() const { return failed_ ? kExitFileFailed : kExitOk; }

int Session::Usage(const std::string &message) {
  err << "kexif: " << message << '\n';
  return kExitUsage;
}

namespace {

// The copy of standard input that "-" stands for, removed at exit.
class StandardInputCopy {
 public:
  ~StandardInputCopy() {
    if (!path_.empty()) unlink(path_.c_str());
  }
  const std::string &Path() {
    std::call_once(once_, [this] { Make(); });
    return path_;
  }

 private:
  void Make() {
    const char *folder = std::getenv("TMPDIR");
    std::string name = std::string(folder != nullptr && folder[0] != '\0' ? folder : "/tmp") + "/kexif-stdin-XXXXXX";
    const int fd = mkstemp(name.data());
    if (fd < 0) return;
    std::vector<char> buffer(1 << 16);
    bool ok = true;
    for (;;) {
      std::cin.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
      const std::streamsize n = std::cin.gcount();
      if (n > 0 && write(fd, buffer.data(), static_cast<size_t>(n)) != n) ok = false;
      if (!std::cin) break;
    }
    if (close(fd) != 0 || !ok) {
      unlink(name.c_str());
      return;
    }
    path_ = name;
  }

  std::once_flag once_;
  std::string path_;
};

StandardInputCopy g_standardInput;

// Why writing a file of about size bytes into the folder of target fails:
// the system's reason for creating, filling or flushing a probe file there,
// or empty when that works.
std::string WriteProbeFailure(const std::string &target, long size) {
  const size_t slash = target.find_last_of('/');
  std::string probe = (slash == std::string::npos ? std::string(".") : target.substr(0, slash)) + "/.kexif-probe-XXXXXX";
  const int fd = mkstemp(probe.data());
  if (fd < 0) return std::strerror(errno);
  std::string reason;
  const std::vector<char> zeros(1 << 16, 0);
  for (long left = size; left > 0 && reason.empty();) {
    const size_t n = left < static_cast<long>(zeros.size()) ? static_cast<size_t>(left) : zeros.size();
    const ssize_t written = write(fd, zeros.data(), n);
    if (written <= 0) reason = std::strerror(written < 0 ? errno : ENOSPC);
    else left -= written;
  }
#ifdef _WIN32
  const int synced = _commit(fd);
#else
  const int synced = fsync(fd);
#endif
  if (reason.empty() && synced != 0) reason = std::strerror(errno);
  close(fd);
  unlink(probe.c_str());
  return reason;
}

}  // namespace

std::string InputPath(const std::string &name) { return name == "-" ? g_standardInput.Path() : name; }

std::string UnreadableReason(const std::string &name) {
  // Asked before any open: opening a FIFO for reading would wait for a
  // writer.
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(name, error);
  if (error) return error.message();
  if (!std::filesystem::is_regular_file(status)) return "not a regular file";
  std::FILE *file = std::fopen(name.c_str(), "rb");
  if (file == nullptr) return std::strerror(errno);
  std::fclose(file);
  return "";
}

std::string OpenFailure(const std::string &given) {
  const std::string name = InputPath(given);
  if (name.empty()) return "cannot copy standard input";
  const std::string reason = UnreadableReason(name);
  return reason.empty() ? "not a JPEG or TIFF file, or its Exif data is damaged" : reason;
}

std::optional<TagRef> ResolveTag(const std::string &file, const std::string &text, Session &session) {
  const std::optional<TagRef> tag = ParseTagRef(text);
  if (!tag) {
    session.Fail(file, "unknown tag name or number: " + PrintableText(text));
    return std::nullopt;
  }
  if (tag->info != nullptr && tag->info->space == TagSpace::kInterop) {
    session.Fail(file, std::string(tag->info->name) +
                           " lies in the Interoperability directory, which only 'kexif tags' shows");
    return std::nullopt;
  }
  return tag;
}

void ReportSaveFailure(const std::string &file, const std::string &target, Session &session) {
  // The library says only that the save failed; find the system's reason
  // by doing what the save does: create a file beside the target and fill it.
  std::FILE *source = std::fopen(InputPath(file).c_str(), "rb");
  long size = 0;
  if (source != nullptr && std::fseek(source, 0, SEEK_END) == 0) size = std::ftell(source);
  if (source != nullptr) std::fclose(source);
  const std::string reason = WriteProbeFailure(target, size);
  session.Fail(file, "cannot save to " + PrintableText(target) + (reason.empty() ? "" : ": " + reason) +
                         "; the file was left as it was");
}

bool SaveEdited(KExifHandle handle, const std::string &file, const Options &options, Session &session) {
  const std::string target = options.output.value_or(file);
  if (session.saves != nullptr) return session.saves->Add(handle, file, target, session);
  if (kExifSaveFile(handle, target.c_str()) == 0) return true;
  ReportSaveFailure(file, target, session);
  return false;
}

void EditAndSave(const std::string &file, const Options &options, Session &session,
                 const std::function<bool(KExifHandle)> &edit) {
  LoadedDocument document(file);
  if (!Opened(document, file, session)) return;
  if (edit(document.get())) SaveEdited(document.get(), file, options, session);
}

int CheckEditTargets(const std::vector<std::string> &files, const Options &options, Session &session) {
  if (options.output && files.size() > 1) return session.Usage("-o OUT takes one file, not " + std::to_string(files.size()));
  for (const std::string &file : files) {
    if (file == "-" && !options.output) return session.Usage("standard input cannot be changed in place; give -o OUT");
  }
  return 0;
}

std::optional<FetchedValue> FetchTag(KExifHandle handle, uint32_t tag, int32_t directory) {
  TagValue value{0, 0, nullptr};
  if (kExifGetTag(handle, tag, &value, directory) != 0) {
    // The library looks up the tags of the Exif sub-directory there only;
    // the tool also answers for one that stands in the directory asked
    // (Orientation in IFD0), as its tag listing shows it.
    ExifDocument *document = ToDocument(handle);
    MetaNode *start = document != nullptr ? document->FindDirectory(directory) : nullptr;
    const TagNode *node = start != nullptr ? FindTagByIdPruned(start, static_cast<int32_t>(tag),
                                                               static_cast<int32_t>(kTagInteropPointer))
                                           : nullptr;
    if (node == nullptr) return std::nullopt;
    return FetchedValue{node->type, node->count, NodeValueBytes(*node)};
  }
  std::unique_ptr<void, void (*)(void *)> block(value.data, std::free);
  FetchedValue fetched{value.type, value.count, {}};
  // The block holds count x element size bytes.
  const size_t size = static_cast<size_t>(ElementSize(value.type));
  if (value.data != nullptr && value.count > 0 && size > 0) {
    const auto *bytes = static_cast<const uint8_t *>(value.data);
    fetched.bytes.assign(bytes, bytes + static_cast<size_t>(value.count) * size);
  }
  return fetched;
}

bool WriteFileBytes(const std::string &path, const std::string &source, const unsigned char *bytes, size_t length,
                    std::ostream &out, std::string &reason) {
  if (path == "-") {
    out.write(reinterpret_cast<const char *>(bytes), static_cast<std::streamsize>(length));
    out.flush();
    if (!out) reason = "cannot write to standard output";
    return static_cast<bool>(out);
  }
  std::error_code error;
  if (std::filesystem::equivalent(path, source, error)) {
    reason = "will not write over " + PrintableText(source) + ", the file it comes from";
    return false;
  }
  std::unique_ptr<std::FILE, int (*)(std::FILE *)> file(std::fopen(path.c_str(), "wb"), std::fclose);
  if (file == nullptr) {
    reason = "cannot create " + PrintableText(path) + ": " + std::strerror(errno);
    return false;
  }
  const bool written = std::fwrite(bytes, 1, length, file.get()) == length && std::fflush(file.get()) == 0;
  const int writeError = errno;
  if (!written || std::fclose(file.release()) != 0) {
    reason = "cannot write " + PrintableText(path) + ": " + std::strerror(written ? errno : writeError);
    return false;
  }
  return true;
}

std::string SiblingName(const std::string &path, const std::string &suffix) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
  return (hasExtension ? path.substr(0, dot) : path) + suffix;
}

}  // namespace kexif::cli
