#include "platform/file_open.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/fault_injection.h"
#include "platform/file_io.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace kexif {
namespace {

// Appends one code point as UTF-8.
void AppendUtf8(uint32_t cp, std::string *out) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

#ifdef _WIN32
static_assert(sizeof(wchar_t) == sizeof(char16_t), "the Windows runtime takes UTF-16 names");

// _O_NOINHERIT keeps the descriptor out of child processes.
int OpenFlags(FileOpenMode mode) {
  return mode == FileOpenMode::kRead ? _O_RDONLY | _O_BINARY | _O_NOINHERIT
                                     : _O_WRONLY | _O_CREAT | _O_BINARY | _O_NOINHERIT;
}

int OpenNarrow(const char *name, FileOpenMode mode) { return _open(name, OpenFlags(mode), _S_IREAD | _S_IWRITE); }

// The runtime's own open by 16-bit name, after the checks of the name
// (bounded, well-formed), so that _wopen never reads past the name.
int OpenWide(const char16_t *name, FileOpenMode mode) {
  std::string checked;
  if (!WideNameToUtf8(name, &checked)) return -1;
  return _wopen(reinterpret_cast<const wchar_t *>(name), OpenFlags(mode), _S_IREAD | _S_IWRITE);
}

FileIdentity IdentityOfHandle(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (handle == INVALID_HANDLE_VALUE || GetFileInformationByHandle(handle, &info) == 0) return {};
  return {info.dwVolumeSerialNumber, (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow, true};
}

bool Truncate(int fd) { return _chsize(fd, 0) == 0; }
void Block(int) {}
int DescriptorOf(std::FILE *file) { return _fileno(file); }
std::FILE *ToFile(int fd, FileOpenMode mode) { return _fdopen(fd, mode == FileOpenMode::kRead ? "rb" : "wb"); }

#else

// Without blocking, so that a FIFO or a device cannot hold the call.
int OpenNarrow(const char *name, FileOpenMode mode) {
  const int flags = mode == FileOpenMode::kRead ? O_RDONLY | O_NONBLOCK | O_CLOEXEC
                                                : O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC;
  for (;;) {
    const int fd = CallUnlessFaulted(IoCall::kOpen, [&] { return open(name, flags, 0666); });
    if (fd >= 0 || errno != EINTR) return fd;
  }
}

// Without a 16-bit open in the runtime the name is opened in its UTF-8 form.
int OpenWide(const char16_t *name, FileOpenMode mode) {
  std::string converted;
  if (!WideNameToUtf8(name, &converted)) return -1;
  return OpenNarrow(converted.c_str(), mode);
}

bool Truncate(int fd) {
  for (;;) {
    if (ftruncate(fd, 0) == 0) return true;
    if (errno != EINTR) return false;
  }
}

// Reads and writes after the open block as usual (a writer on a FIFO
// waits for its reader to take the bytes).
void Block(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
}

int DescriptorOf(std::FILE *file) { return fileno(file); }
std::FILE *ToFile(int fd, FileOpenMode mode) { return fdopen(fd, mode == FileOpenMode::kRead ? "rb" : "wb"); }

#endif

// The descriptor after the checks of its mode, or -1 (with it closed) when a
// check fails.
int Checked(int fd, FileOpenMode mode, int64_t *size, std::span<const FileIdentity> keep) {
  int64_t found = 0;
  const bool regular = RegularDescriptorSize(fd, &found);
  bool usable = true;
  if (mode == FileOpenMode::kRead) {
    usable = regular;
  } else {
    const FileIdentity identity = IdentityOfDescriptor(fd);
    for (const FileIdentity &k : keep) usable = usable && !(k == identity);
    // Devices and FIFOs are written as they are; a file starts empty.
    if (usable && regular) usable = Truncate(fd);
  }
  if (!usable) {
    CloseDescriptor(fd);
    return -1;
  }
  // The no-wait flag changes nothing for a regular file; only other
  // files pay the two calls that clear it.
  if (!regular) Block(fd);
  if (size != nullptr && mode == FileOpenMode::kRead) *size = found;
  return fd;
}

// True when the bytes, read as a 16-bit name, are a well-formed name of two
// or more characters.
bool LongerWideReading(const void *name) {
  std::string converted;
  return static_cast<const char16_t *>(name)[1] != 0 &&
         WideNameToUtf8(static_cast<const char16_t *>(name), &converted);
}

}  // namespace

#ifdef _WIN32
FileIdentity IdentityOfDescriptor(int fd) { return IdentityOfHandle(reinterpret_cast<HANDLE>(_get_osfhandle(fd))); }
#else
FileIdentity IdentityOfDescriptor(int fd) {
  struct stat info {};
  if (fstat(fd, &info) != 0) return {};
  return {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino), true};
}
#endif

FileIdentity IdentityOf(std::FILE *file) {
  return file != nullptr ? IdentityOfDescriptor(DescriptorOf(file)) : FileIdentity{};
}

bool ShowsWideName(const void *name) {
  const auto *bytes = static_cast<const unsigned char *>(name);
  return bytes[0] != 0 && bytes[1] == 0;
}

bool WideNameToUtf8(const char16_t *name, std::string *out) {
  out->clear();
  size_t i = 0;
  for (;; ++i) {
    if (i >= kMaxWideNameUnits) return false;
    uint32_t unit = name[i];
    if (unit == 0) break;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (i + 1 >= kMaxWideNameUnits) return false;
      const uint32_t low = name[i + 1];
      if (low < 0xDC00 || low > 0xDFFF) return false;  // unpaired high surrogate
      AppendUtf8(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00), out);
      ++i;
      continue;
    }
    if (unit >= 0xDC00 && unit <= 0xDFFF) return false;  // unpaired low surrogate
    AppendUtf8(unit, out);
  }
  return !out->empty();
}

size_t NameCopyLength(const void *name) {
  const size_t narrow = std::strlen(static_cast<const char *>(name));
  if (!ShowsWideName(name)) return narrow;
  const auto *units = static_cast<const char16_t *>(name);
  for (size_t i = 0; i < kMaxWideNameUnits; ++i) {
    if (units[i] == 0) return i * sizeof(char16_t);
  }
  return narrow;  // an overlong 16-bit reading is refused anyway
}

int OpenNamedDescriptor(const void *name, FileOpenMode mode, int64_t *size, std::span<const FileIdentity> keep) {
  if (name == nullptr) return -1;
  const char *narrow = static_cast<const char *>(name);
  // A 16-bit name shows as a one-character 8-bit name ("C" of "C:\…", "o"
  // of "out.wav"). Created under that reading, the output would land in a
  // one-letter file of the current folder while the call reports success;
  // so for writing a longer well-formed 16-bit reading is taken at once.
  if (mode == FileOpenMode::kWrite && ShowsWideName(name) && LongerWideReading(name)) {
    const int fd = OpenWide(static_cast<const char16_t *>(name), mode);
    return fd >= 0 ? Checked(fd, mode, size, keep) : -1;
  }
  if (narrow[0] != 0) {
    const int fd = OpenNarrow(narrow, mode);
    if (fd >= 0) {
      const int checked = Checked(fd, mode, size, keep);
      // A folder read under the 8-bit reading does not hide the 16-bit one;
      // a file opened for writing is the one meant.
      if (checked >= 0 || mode == FileOpenMode::kWrite) return checked;
    } else if (mode == FileOpenMode::kWrite && (errno == ENOENT || errno == ENOTDIR)) {
      return -1;  // a missing folder: no second file under another reading
    }
  }
  if (!ShowsWideName(name)) return -1;
  const int fd = OpenWide(static_cast<const char16_t *>(name), mode);
  return fd >= 0 ? Checked(fd, mode, size, keep) : -1;
}

std::FILE *OpenNamedFile(const void *name, FileOpenMode mode, int64_t *size, std::span<const FileIdentity> keep) {
  const int fd = OpenNamedDescriptor(name, mode, size, keep);
  if (fd < 0) return nullptr;
  std::FILE *file = ToFile(fd, mode);
  if (file == nullptr) CloseDescriptor(fd);
  return file;
}

}  // namespace kexif
