#include "platform/file_io.h"

#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <io.h>
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

// The runtime reports no file identity; names are not compared here.
bool IsSameFile(std::FILE *, const char *) { return false; }

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
