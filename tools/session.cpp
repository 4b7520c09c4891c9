#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "tools/cli.h"
#include "tools/commands.h"
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

std::string OpenFailure(const std::string &name) {
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
    reason = "cannot create " + path + ": " + std::strerror(errno);
    return false;
  }
  const bool written = std::fwrite(bytes, 1, length, file.get()) == length;
  if (!written || std::fclose(file.release()) != 0) {
    reason = "cannot write " + path;
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
