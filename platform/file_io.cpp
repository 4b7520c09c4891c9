#include "platform/file_io.h"

#include <sys/stat.h>
#include <sys/types.h>

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

#ifdef _WIN32

int SeekFile64(std::FILE *file, int64_t offset, int origin) { return _fseeki64(file, offset, origin); }

int64_t TellFile64(std::FILE *file) { return _ftelli64(file); }

bool RegularFileSize(std::FILE *file, int64_t *size) {
  struct _stat64 info {};
  if (_fstat64(_fileno(file), &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) return false;
  *size = info.st_size;
  return true;
}

bool SyncFile(std::FILE *file) { return _commit(_fileno(file)) == 0; }

namespace {

// A file's identity: the serial number of its volume and its index there.
bool Identity(HANDLE handle, BY_HANDLE_FILE_INFORMATION *info) {
  return handle != INVALID_HANDLE_VALUE && GetFileInformationByHandle(handle, info) != 0;
}

}  // namespace

bool IsSameFile(std::FILE *file, const char *name) {
  if (file == nullptr || name == nullptr) return false;
  BY_HANDLE_FILE_INFORMATION mine{};
  if (!Identity(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))), &mine)) return false;
  // Opened for no access at all, only to ask for the identity; folders too.
  HANDLE other = CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  BY_HANDLE_FILE_INFORMATION theirs{};
  const bool known = Identity(other, &theirs);
  if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
  return known && mine.dwVolumeSerialNumber == theirs.dwVolumeSerialNumber &&
         mine.nFileIndexHigh == theirs.nFileIndexHigh && mine.nFileIndexLow == theirs.nFileIndexLow;
}

#else

static_assert(sizeof(off_t) == sizeof(int64_t), "64-bit file offsets are needed");

int SeekFile64(std::FILE *file, int64_t offset, int origin) { return fseeko(file, static_cast<off_t>(offset), origin); }

int64_t TellFile64(std::FILE *file) { return static_cast<int64_t>(ftello(file)); }

bool RegularFileSize(std::FILE *file, int64_t *size) {
  struct stat info {};
  if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  *size = static_cast<int64_t>(info.st_size);
  return true;
}

bool SyncFile(std::FILE *file) { return fsync(fileno(file)) == 0; }

bool IsSameFile(std::FILE *file, const char *name) {
  struct stat mine {}, other {};
  if (name == nullptr || fstat(fileno(file), &mine) != 0 || stat(name, &other) != 0) return false;
  return mine.st_dev == other.st_dev && mine.st_ino == other.st_ino;
}

#endif

}  // namespace kexif
