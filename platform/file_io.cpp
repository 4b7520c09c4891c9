#include "platform/file_io.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <climits>

#include "platform/fault_injection.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace kexif {

#ifdef _WIN32

int SeekFile64(std::FILE *file, int64_t offset, int origin) { return _fseeki64(file, offset, origin); }

int64_t TellFile64(std::FILE *file) { return _ftelli64(file); }

bool RegularDescriptorSize(int descriptor, int64_t *size) {
  struct _stat64 info {};
  if (_fstat64(descriptor, &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) return false;
  *size = info.st_size;
  return true;
}

void CloseDescriptor(int descriptor) { _close(descriptor); }

namespace {
// The runtime has no positioned read: a seek, then reads of at most
// INT_MAX bytes each.
int64_t ReadAt(int descriptor, int64_t offset, void *buffer, size_t count) {
  if (_lseeki64(descriptor, offset, SEEK_SET) != offset) return -1;
  const unsigned int chunk = count > INT_MAX ? INT_MAX : static_cast<unsigned int>(count);
  return _read(descriptor, buffer, chunk);
}
}  // namespace

bool SyncFile(std::FILE *file) {
  return CallUnlessFaulted(IoCall::kSync, [&] { return _commit(_fileno(file)); }) == 0;
}

#else

static_assert(sizeof(off_t) == sizeof(int64_t), "64-bit file offsets are needed");

int SeekFile64(std::FILE *file, int64_t offset, int origin) { return fseeko(file, static_cast<off_t>(offset), origin); }

int64_t TellFile64(std::FILE *file) { return static_cast<int64_t>(ftello(file)); }

bool RegularDescriptorSize(int descriptor, int64_t *size) {
  struct stat info {};
  if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) return false;
  *size = static_cast<int64_t>(info.st_size);
  return true;
}

void CloseDescriptor(int descriptor) { close(descriptor); }

namespace {
int64_t ReadAt(int descriptor, int64_t offset, void *buffer, size_t count) {
  return pread(descriptor, buffer, count, static_cast<off_t>(offset));
}
}  // namespace

bool SyncFile(std::FILE *file) {
  for (;;) {
    if (CallUnlessFaulted(IoCall::kSync, [&] { return fsync(fileno(file)); }) == 0) return true;
    // A pipe or a device has nothing to put on disk.
    if (errno == EINVAL || errno == EROFS) return true;
    if (errno != EINTR) return false;
  }
}

#endif

bool FlushFile(std::FILE *file) {
  return CallUnlessFaulted(IoCall::kFlush, [&] { return std::fflush(file); }) == 0;
}

bool CloseFile(std::FILE *file) {
  const int fault = InjectedFault(IoCall::kClose);
  const bool closed = std::fclose(file) == 0;
  if (fault > 0) errno = fault;
  return closed && fault <= 0;
}

// An injected error stands for a call that moved nothing and failed; it
// takes the same way as a real one, so an interruption is retried.
size_t ReadRetrying(std::FILE *file, void *buffer, size_t count, bool *readFailed) {
  auto *bytes = static_cast<unsigned char *>(buffer);
  size_t done = 0;
  while (done < count) {
    const int fault = InjectedFault(IoCall::kRead);
    bool failed = fault > 0;
    if (failed) {
      errno = fault;
    } else {
      done += std::fread(bytes + done, 1, count - done, file);
      failed = std::ferror(file) != 0;
    }
    if (done == count) break;
    // The end of the file, or an error other than an interruption.
    if (!failed || errno != EINTR) {
      if (failed && readFailed != nullptr) *readFailed = true;
      break;
    }
    std::clearerr(file);
  }
  return done;
}

size_t ReadAtRetrying(int descriptor, int64_t offset, void *buffer, size_t count, bool *readFailed) {
  auto *bytes = static_cast<unsigned char *>(buffer);
  size_t done = 0;
  while (done < count) {
    const int64_t got = CallUnlessFaulted(IoCall::kRead, [&] {
      return ReadAt(descriptor, offset + static_cast<int64_t>(done), bytes + done, count - done);
    });
    if (got > 0) {
      done += static_cast<size_t>(got);
      continue;
    }
    if (got == 0) break;  // the end of the file
    if (errno == EINTR) continue;
    if (readFailed != nullptr) *readFailed = true;
    break;
  }
  return done;
}

size_t WriteRetrying(std::FILE *file, const void *buffer, size_t count) {
  const auto *bytes = static_cast<const unsigned char *>(buffer);
  size_t done = 0;
  while (done < count) {
    const int fault = InjectedFault(IoCall::kWrite);
    bool failed = fault > 0;
    if (failed) {
      errno = fault;
    } else {
      // A short write moves half of what is left and reports no error.
      const size_t want = fault == kShortWrite ? (count - done) / 2 : count - done;
      done += std::fwrite(bytes + done, 1, want, file);
      failed = std::ferror(file) != 0;
    }
    if (done == count) break;
    if (!failed || errno != EINTR) break;
    std::clearerr(file);
  }
  return done;
}

}  // namespace kexif
