#include "platform/file_replace.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "platform/file_io.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#endif

namespace kexif {

#ifdef _WIN32

namespace {

constexpr DWORD kReplaceFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
constexpr char kBesidePrefix[] = "kex";

std::string FolderOf(const std::string &path) {
  const size_t slash = path.find_last_of("/\\:");
  if (slash == std::string::npos) return ".";
  if (path[slash] == ':') return path.substr(0, slash + 1);
  if (slash == 0) return path.substr(0, 1);
  return path.substr(0, slash);
}

// Copies temporary into a fresh file beside target (on target's drive) and
// moves that over target, which is a rename there.
bool CopyBesideAndMove(const char *temporary, const char *target) {
  char beside[MAX_PATH];
  // Creates an empty file under a name no other file in the folder has.
  if (GetTempFileNameA(FolderOf(target).c_str(), kBesidePrefix, 0, beside) == 0) return false;
  if (CopyFileA(temporary, beside, FALSE) != 0 && MoveFileExA(beside, target, kReplaceFlags) != 0) return true;
  DeleteFileA(beside);
  return false;
}

}  // namespace

bool ReplaceFileAtomically(const char *temporary, const char *target) {
  if (temporary == nullptr || target == nullptr || temporary[0] == '\0' || target[0] == '\0') return false;
  if (MoveFileExA(temporary, target, kReplaceFlags) != 0) return true;
  // Without MOVEFILE_COPY_ALLOWED a move never copies, so target is
  // untouched; across drives the copy goes beside target first.
  if (GetLastError() != ERROR_NOT_SAME_DEVICE) return false;
  return CopyBesideAndMove(temporary, target);
}

bool NamesSameFile(const char *a, const char *b) {
  if (std::strcmp(a, b) == 0) return true;
  std::FILE *file = std::fopen(a, "rb");
  if (file == nullptr) return false;
  const bool same = IsSameFile(file, b);
  std::fclose(file);
  return same;
}

bool DeleteNamedFile(const char *name) { return name != nullptr && DeleteFileA(name) != 0; }

#else

namespace {

constexpr size_t kCopyBufferSize = 256 * 1024;

std::string FolderOf(const std::string &path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool SameFolder(const std::string &a, const std::string &b) {
  struct stat sa {}, sb {};
  if (stat(FolderOf(a).c_str(), &sa) != 0 || stat(FolderOf(b).c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool WriteFully(int fd, const char *bytes, size_t length) {
  while (length > 0) {
    const ssize_t n = write(fd, bytes, length);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    length -= static_cast<size_t>(n);
  }
  return true;
}

bool CopyInto(int from, int to) {
  std::string buffer(kCopyBufferSize, '\0');
  for (;;) {
    const ssize_t n = read(from, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    if (!WriteFully(to, buffer.data(), static_cast<size_t>(n))) return false;
  }
}

// Gives fd the permission bits of the existing target, if there is one.
bool KeepMode(int fd, const std::string &target) {
  struct stat info {};
  if (stat(target.c_str(), &info) != 0) return errno == ENOENT;
  return fchmod(fd, info.st_mode & 07777) == 0;
}

// Copies temporary into a fresh file beside target, puts it on disk and
// renames it over target.
bool CopyBesideAndRename(const std::string &temporary, const std::string &target) {
  const int from = open(temporary.c_str(), O_RDONLY | O_CLOEXEC);
  if (from < 0) return false;
  std::string beside = target + ".kexif-XXXXXX";
  const int to = mkostemp(beside.data(), O_CLOEXEC);
  if (to < 0) {
    close(from);
    return false;
  }
  bool ok = CopyInto(from, to) && KeepMode(to, target) && fsync(to) == 0;
  close(from);
  if (close(to) != 0) ok = false;
  if (ok) ok = rename(beside.c_str(), target.c_str()) == 0;
  if (!ok) {
    unlink(beside.c_str());
    return false;
  }
  return true;
}

}  // namespace

bool ReplaceFileAtomically(const char *temporary, const char *target) {
  if (temporary == nullptr || target == nullptr || temporary[0] == '\0' || target[0] == '\0') return false;
  std::string destination = target;
  struct stat link {};
  if (lstat(target, &link) == 0 && S_ISLNK(link.st_mode)) {
    char *resolved = realpath(target, nullptr);
    if (resolved == nullptr) return false;
    destination = resolved;
    std::free(resolved);
  }
  if (!SameFolder(temporary, destination)) return CopyBesideAndRename(temporary, destination);
  const int fd = open(temporary, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  // The caller has already put the temporary file's bytes on disk (one
  // fsync per save): the rename then can only expose complete bytes.
  const bool ok = KeepMode(fd, destination);
  close(fd);
  return ok && rename(temporary, destination.c_str()) == 0;
}

bool NamesSameFile(const char *a, const char *b) {
  if (std::strcmp(a, b) == 0) return true;
  struct stat sa {}, sb {};
  return stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool DeleteNamedFile(const char *name) { return name != nullptr && unlink(name) == 0; }

#endif

}  // namespace kexif
