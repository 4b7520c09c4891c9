#include "bench/floors.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace kexif::bench {
namespace {

constexpr size_t kBlockSize = 1 << 20;

// One block buffer for the whole run: the floors allocate nothing per call.
uint8_t *Block() {
  static const std::unique_ptr<uint8_t[]> block(new uint8_t[kBlockSize]);
  return block.get();
}

bool WriteAll(int fd, const uint8_t *bytes, size_t n) {
  while (n > 0) {
    const ssize_t put = write(fd, bytes, n);
    if (put <= 0) return false;
    bytes += put;
    n -= static_cast<size_t>(put);
  }
  return true;
}

}  // namespace

int64_t ReadHead(const std::string &path, int64_t headBytes) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  const size_t want = static_cast<size_t>(headBytes) < kBlockSize ? static_cast<size_t>(headBytes) : kBlockSize;
  const ssize_t got = pread(fd, Block(), want, 0);
  close(fd);
  return got;
}

int64_t ReadWhole(const std::string &path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  int64_t total = 0;
  for (;;) {
    const ssize_t got = read(fd, Block(), kBlockSize);
    if (got <= 0) break;
    total += got;
  }
  close(fd);
  return total;
}

int64_t ReadAndScan(const std::string &path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  int64_t found = 0;
  for (;;) {
    const ssize_t got = read(fd, Block(), kBlockSize);
    if (got <= 0) break;
    const uint8_t *p = Block();
    const uint8_t *end = p + got;
    while (p < end) {
      const void *hit = std::memchr(p, 0xFF, static_cast<size_t>(end - p));
      if (hit == nullptr) break;
      ++found;
      p = static_cast<const uint8_t *>(hit) + 1;
    }
  }
  close(fd);
  return found;
}

bool CopyFile(const std::string &from, const std::string &to) {
  const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (out < 0) {
    close(in);
    return false;
  }
  bool ok = true;
  for (;;) {
    const ssize_t got = read(in, Block(), kBlockSize);
    if (got < 0) ok = false;
    if (got <= 0) break;
    if (!WriteAll(out, Block(), static_cast<size_t>(got))) {
      ok = false;
      break;
    }
  }
  close(in);
  return close(out) == 0 && ok;
}

bool CopyDurablyAndRename(const std::string &from, const std::string &temporary, const std::string &to) {
  if (!CopyFile(from, temporary)) return false;
  const int fd = open(temporary.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = fsync(fd) == 0;
  close(fd);
  return synced && std::rename(temporary.c_str(), to.c_str()) == 0;
}

}  // namespace kexif::bench
