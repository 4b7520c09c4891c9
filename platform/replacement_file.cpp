#include "platform/replacement_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/fault_injection.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <io.h>
#include <windows.h>
#else
#include <sys/xattr.h>
#include <unistd.h>

#include <climits>
#endif

namespace kexif {
namespace {

// What marks a leftover temporary file: TARGET.$#$ and six letters.
constexpr char kMark[] = ".$#$";
constexpr size_t kMarkLength = sizeof kMark - 1;
constexpr size_t kRandomLetters = 6;
// Names taken by other files are passed over; this many tries at most.
constexpr int kCreateTries = 100;

uint64_t Mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

#ifdef _WIN32
uint64_t ProcessNumber() { return GetCurrentProcessId(); }
#else
uint64_t ProcessNumber() { return static_cast<uint64_t>(getpid()); }
#endif

// Six letters that differ between calls, threads and processes; a name
// that is taken anyway only costs another try.
std::string RandomLetters() {
  static std::atomic<uint64_t> calls{0};
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  const auto now = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  uint64_t bits = Mix(now ^ Mix(ProcessNumber() << 20 ^ calls.fetch_add(1)));
  std::string letters;
  for (size_t i = 0; i < kRandomLetters; ++i) {
    letters.push_back(kAlphabet[bits % (sizeof kAlphabet - 1)]);
    bits /= sizeof kAlphabet - 1;
  }
  return letters;
}

}  // namespace

#ifdef _WIN32

ReplacementFile::~ReplacementFile() {
  if (fd_ >= 0) _close(fd_);
  if (!committed_ && !temporaryPath_.empty()) DeleteFileA(temporaryPath_.c_str());
}

ReplacementFile::Status ReplacementFile::Create(const char *target) {
  if (target == nullptr || target[0] == '\0') return Status::kBadTarget;
  const size_t length = std::strlen(target);
  if (target[length - 1] == '\\' || target[length - 1] == '/') return Status::kBadTarget;
  struct _stat64 info {};
  if (_stat64(target, &info) == 0) {
    if ((info.st_mode & _S_IFMT) != _S_IFREG) return Status::kBadTarget;
    targetExists_ = true;
  }
  targetBase_ = target;
  for (int i = 0; i < kCreateTries; ++i) {
    std::string name = targetBase_ + kMark + RandomLetters();
    // The ANSI file functions take at most MAX_PATH characters.
    if (name.size() >= MAX_PATH) return Status::kNotCreated;
    fd_ = _open(name.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    if (fd_ >= 0) {
      temporaryPath_ = name;
      return Status::kCreated;
    }
    if (errno != EEXIST) break;
  }
  return Status::kNotCreated;
}

// The runtime file gets a copy of the descriptor: Commit still needs one
// to put the bytes on disk after the caller closed the runtime file.
std::FILE *ReplacementFile::OpenForWriting() {
  if (fd_ < 0) return nullptr;
  const int copy = _dup(fd_);
  if (copy < 0) return nullptr;
  SetHandleInformation(reinterpret_cast<HANDLE>(_get_osfhandle(copy)), HANDLE_FLAG_INHERIT, 0);
  std::FILE *file = _fdopen(copy, "wb");
  if (file == nullptr) _close(copy);
  return file;
}

bool ReplacementFile::SetAttributes() { return fd_ >= 0 && !committed_; }

void ReplacementFile::StartWriteback() {}

bool ReplacementFile::MakeDurable() {
  if (fd_ < 0 || committed_) return false;
  // The bytes on disk before the name changes (a rename inside one volume
  // does not flush them, MOVEFILE_WRITE_THROUGH or not). The file is closed
  // then: a file open without delete sharing cannot be renamed.
  const bool synced = _commit(fd_) == 0;
  _close(fd_);
  fd_ = -1;
  durable_ = synced;
  return synced;
}

bool ReplacementFile::Rename(bool) {
  if (!durable_ || committed_) return false;
  committed_ = MoveFileExA(temporaryPath_.c_str(), targetBase_.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  return committed_;
}

// MOVEFILE_WRITE_THROUGH has put each rename on disk already.
bool ReplacementFile::SyncFolder() { return true; }

#else

namespace {

void SplitName(const std::string &path, std::string *folder, std::string *base) {
  const size_t slash = path.find_last_of('/');
  *base = slash == std::string::npos ? path : path.substr(slash + 1);
  if (slash == std::string::npos) {
    folder->assign(1, '.');
  } else {
    *folder = path.substr(0, slash == 0 ? 1 : slash);
  }
}

// The target's name, cut so that the mark and the letters still fit the
// longest name a folder entry may have.
std::string TemporaryBase(const std::string &base) {
  constexpr size_t kRoom = NAME_MAX - kMarkLength - kRandomLetters;
  return base.substr(0, base.size() < kRoom ? base.size() : kRoom) + kMark + RandomLetters();
}

// The bits a newly created file gets: 0666 less the process's umask, read
// from the system's status of the process because umask() would change it
// for every thread while it is read.
mode_t NewFileMode() {
  constexpr mode_t kUsualMode = 0644;
  const int fd = open("/proc/self/status", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return kUsualMode;
  char text[4096];
  const ssize_t got = read(fd, text, sizeof text - 1);
  close(fd);
  if (got <= 0) return kUsualMode;
  text[got] = '\0';
  const char *line = std::strstr(text, "\nUmask:");
  if (line == nullptr) return kUsualMode;
  return 0666 & ~static_cast<mode_t>(std::strtoul(line + 7, nullptr, 8) & 0777);
}

// Copies the extended attributes of from to to, each that the system lets
// this process read and set; the others are passed over.
void CopyAttributes(int from, int to) {
  const ssize_t listed = flistxattr(from, nullptr, 0);
  if (listed <= 0) return;
  std::string names(static_cast<size_t>(listed), '\0');
  const ssize_t got = flistxattr(from, names.data(), names.size());
  if (got <= 0) return;
  names.resize(static_cast<size_t>(got));
  for (size_t at = 0; at < names.size(); at = names.find('\0', at) + 1) {
    const char *name = names.c_str() + at;
    const ssize_t size = fgetxattr(from, name, nullptr, 0);
    if (size < 0) continue;
    std::string value(static_cast<size_t>(size), '\0');
    const ssize_t read = fgetxattr(from, name, value.data(), value.size());
    if (read >= 0) (void)fsetxattr(to, name, value.data(), static_cast<size_t>(read), 0);
  }
}

bool Sync(int fd) {
  for (;;) {
    if (CallUnlessFaulted(IoCall::kSync, [&] { return fsync(fd); }) == 0) return true;
    if (errno != EINTR) return false;
  }
}

// Removes name from the folder, again after an interruption.
void Remove(int folderFd, const char *name) {
  for (;;) {
    if (CallUnlessFaulted(IoCall::kRemove, [&] { return unlinkat(folderFd, name, 0); }) == 0) return;
    if (errno != EINTR) return;
  }
}

}  // namespace

ReplacementFile::~ReplacementFile() {
  if (targetFd_ >= 0) close(targetFd_);
  if (fd_ >= 0) close(fd_);
  if (!committed_ && !temporaryBase_.empty()) Remove(folderFd_, temporaryBase_.c_str());
  if (folderFd_ >= 0) close(folderFd_);
}

ReplacementFile::Status ReplacementFile::Create(const char *target) {
  if (target == nullptr || target[0] == '\0') return Status::kBadTarget;
  std::string destination = target;
  struct stat info {};
  if (lstat(target, &info) == 0 && S_ISLNK(info.st_mode)) {
    char *resolved = realpath(target, nullptr);
    if (resolved == nullptr) return Status::kBadTarget;  // a dangling link or a loop
    destination = resolved;
    std::free(resolved);
  }
  SplitName(destination, &folder_, &targetBase_);
  if (targetBase_.empty()) return Status::kBadTarget;
  do {
    folderFd_ = CallUnlessFaulted(IoCall::kOpen, [&] { return open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
  } while (folderFd_ < 0 && errno == EINTR);
  if (folderFd_ < 0) return Status::kNotCreated;
  if (fstatat(folderFd_, targetBase_.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
    if (!S_ISREG(info.st_mode)) return Status::kBadTarget;
    targetExists_ = true;
    targetMode_ = info.st_mode & 07777;
    targetUser_ = info.st_uid;
    targetGroup_ = info.st_gid;
    // Only for its extended attributes; a target this process cannot read
    // keeps its owner and mode but not them.
    targetFd_ = openat(folderFd_, targetBase_.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  } else if (errno != ENOENT) {
    return Status::kNotCreated;
  }
  for (int i = 0; i < kCreateTries; ++i) {
    const std::string name = TemporaryBase(targetBase_);
    fd_ = CallUnlessFaulted(IoCall::kOpen, [&] {
      return openat(folderFd_, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    });
    if (fd_ >= 0) {
      temporaryBase_ = name;
      temporaryPath_ = folder_ + "/" + name;
      return Status::kCreated;
    }
    if (errno != EEXIST && errno != EINTR) break;
  }
  return Status::kNotCreated;
}

std::FILE *ReplacementFile::OpenForWriting() {
  if (fd_ < 0) return nullptr;
  const int copy = fcntl(fd_, F_DUPFD_CLOEXEC, 0);
  if (copy < 0) return nullptr;
  std::FILE *file = fdopen(copy, "wb");
  if (file == nullptr) close(copy);
  return file;
}

bool ReplacementFile::SetAttributes() {
  if (fd_ < 0 || committed_) return false;
  mode_t mode = NewFileMode();
  if (targetExists_) {
    mode = static_cast<mode_t>(targetMode_);
    struct stat mine {};
    if (fstat(fd_, &mine) == 0 && (static_cast<long long>(mine.st_uid) != targetUser_ ||
                                   static_cast<long long>(mine.st_gid) != targetGroup_)) {
      // Owner and group where permitted (as root), else the group alone
      // (when this user belongs to it), else the file stays this user's.
      const auto user = static_cast<uid_t>(targetUser_);
      const auto group = static_cast<gid_t>(targetGroup_);
      if (CallUnlessFaulted(IoCall::kChown, [&] { return fchown(fd_, user, group); }) != 0) {
        (void)CallUnlessFaulted(IoCall::kChown, [&] { return fchown(fd_, static_cast<uid_t>(-1), group); });
      }
    }
    if (targetFd_ >= 0) CopyAttributes(targetFd_, fd_);
  }
  // The target is needed no more; a batch of saves holds fewer files open.
  if (targetFd_ >= 0) close(targetFd_);
  targetFd_ = -1;
  // After the owner: a change of owner clears the set-id bits.
  int changed;
  do {
    changed = CallUnlessFaulted(IoCall::kChmod, [&] { return fchmod(fd_, mode); });
  } while (changed != 0 && errno == EINTR);
  return changed == 0;
}

void ReplacementFile::StartWriteback() {
#ifdef __linux__
  if (fd_ >= 0) (void)sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

bool ReplacementFile::MakeDurable() {
  if (fd_ < 0 || committed_) return false;
  durable_ = Sync(fd_);
  return durable_;
}

bool ReplacementFile::Rename(bool syncFolder) {
  if (!durable_ || committed_) return false;
  if (CallUnlessFaulted(IoCall::kReplace, [&] {
        return renameat(folderFd_, temporaryBase_.c_str(), folderFd_, targetBase_.c_str());
      }) != 0) {
    return false;
  }
  committed_ = true;
  if (syncFolder) (void)SyncFolder();
  return true;
}

bool ReplacementFile::SyncFolder() { return folderFd_ >= 0 && Sync(folderFd_); }

#endif

bool ReplacementFile::Commit() { return SetAttributes() && MakeDurable() && Rename(true); }

}  // namespace kexif
