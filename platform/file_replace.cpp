#include "platform/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

namespace kexif {

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

// Puts the folder's entry changes (the rename) on disk; a failure here
// does not undo the replace, so it is not reported.
void SyncFolder(const std::string &path) {
  const int fd = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
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
  SyncFolder(target);
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
  bool ok = KeepMode(fd, destination) && fsync(fd) == 0;
  close(fd);
  if (!ok || rename(temporary, destination.c_str()) != 0) return false;
  SyncFolder(destination);
  return true;
}

bool NamesSameFile(const char *a, const char *b) {
  if (std::strcmp(a, b) == 0) return true;
  struct stat sa {}, sb {};
  return stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool DeleteNamedFile(const char *name) { return name != nullptr && unlink(name) == 0; }

}  // namespace kexif
