#include "stream/file_stream.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "platform/file_io.h"
#include "platform/file_open.h"
#include "stream/spare_buffer.h"

namespace kexif {
namespace {

constexpr int32_t kReadBufferSize = 64 * 1024;
// The first fill reads less than the buffer holds: it covers the metadata
// head of most photos, and a reader that needs only the head should not
// copy more of the file than that. Each later fill doubles, up to the
// buffer's size, so that what a head reader reads stays within about twice
// what it uses.
constexpr int32_t kFirstFillSize = 8 * 1024;
static_assert(kReadBufferSize <= kMaxSpareBufferSize, "a read buffer is kept as the spare of its thread");
// Reads of at least this many bytes that the buffer cannot serve go
// straight into the caller's buffer, without a copy.
constexpr int32_t kDirectReadSize = 16 * 1024;
constexpr size_t kWriteBufferSize = 256 * 1024;

}  // namespace

FileStream::FileStream(std::FILE *file) : file_(file), mode_(kOpenWrite) {}

FileStream::FileStream(int descriptor, int64_t size) : descriptor_(descriptor), mode_(kOpenRead), size_(size) {}

FileStream::~FileStream() {
  // A writing stream's runtime file flushes through buffer_ when closed.
  if (file_ != nullptr) std::fclose(file_);
  if (descriptor_ >= 0) CloseDescriptor(descriptor_);
  GiveBackReadBuffer(buffer_, bufferAllocated_);
}

// Refills the buffer at the logical position. False when nothing is left.
bool FileStream::Fill() {
  // The fills grow, so that a reader that needs only the head never reads
  // much more; the buffer may be larger than the fill (a spare one).
  const int32_t fill = fillSize_ == 0 ? kFirstFillSize : std::min(fillSize_ * 2, kReadBufferSize);
  if (bufferAllocated_ < fill) {
    int32_t allocated = 0;
    uint8_t *larger = TakeReadBuffer(fill, &allocated);
    if (larger == nullptr) return false;
    GiveBackReadBuffer(buffer_, bufferAllocated_);
    buffer_ = larger;
    bufferAllocated_ = allocated;
    bufferLength_ = 0;
  }
  fillSize_ = fill;
  int32_t want = fill;
  // Asking for no more than the file holds spares the runtime a second
  // read that would only find the end; at or past the recorded end the
  // full request still finds out whether the file has grown.
  const int64_t remaining = size_ - position_;
  if (remaining > 0 && remaining < want) want = static_cast<int32_t>(remaining);
  bufferStart_ = position_;
  bufferLength_ = 0;
  if (descriptor_ < 0) return false;  // released
  const size_t got = ReadAtRetrying(descriptor_, position_, buffer_, static_cast<size_t>(want), &readError_);
  bufferLength_ = static_cast<int32_t>(got);
  return got > 0;
}

int32_t FileStream::Read(void *buffer, int32_t count) {
  if (count <= 0) return 0;
  if (mode_ != kOpenRead) {
    const size_t got = ReadRetrying(file_, buffer, static_cast<size_t>(count), &readError_);
    return static_cast<int32_t>(got);
  }
  auto *out = static_cast<uint8_t *>(buffer);
  int32_t done = 0;
  while (done < count) {
    const int64_t inBuffer = position_ - bufferStart_;
    if (buffer_ != nullptr && inBuffer >= 0 && inBuffer < bufferLength_) {
      int32_t k = static_cast<int32_t>(bufferLength_ - inBuffer);
      if (k > count - done) k = count - done;
      std::memcpy(out + done, buffer_ + inBuffer, static_cast<size_t>(k));
      done += k;
      position_ += k;
      continue;
    }
    const int32_t want = count - done;
    if (want >= kDirectReadSize) {
      // Large reads go straight into the caller's buffer.
      if (descriptor_ < 0) break;  // released
      const size_t got = ReadAtRetrying(descriptor_, position_, out + done, static_cast<size_t>(want), &readError_);
      done += static_cast<int32_t>(got);
      position_ += static_cast<int64_t>(got);
      break;
    }
    if (!Fill()) break;
  }
  if (done < count) eof_ = true;
  return done;
}

int32_t FileStream::Write(const void *buffer, int32_t count) {
  if (count <= 0 || mode_ != kOpenWrite || file_ == nullptr) return 0;
  const size_t put = WriteRetrying(file_, buffer, static_cast<size_t>(count));
  if (put != static_cast<size_t>(count)) writeError_ = true;
  return static_cast<int32_t>(put);
}

int32_t FileStream::Seek(int32_t origin, int32_t offset) {
  if (mode_ != kOpenRead) {
    int whence = origin == kSeekFromStart ? SEEK_SET : origin == kSeekFromCurrent ? SEEK_CUR : SEEK_END;
    if (origin < kSeekFromStart || origin > kSeekFromEnd) return -1;
    return SeekFile64(file_, offset, whence) == 0 ? 0 : -1;
  }
  int64_t target;
  switch (origin) {
    case kSeekFromStart: target = offset; break;
    case kSeekFromCurrent: target = position_ + offset; break;
    case kSeekFromEnd: target = size_ + offset; break;
    default: return -1;
  }
  if (target < 0) return -1;  // as the runtime: fails, nothing changes
  position_ = target;
  eof_ = false;
  return 0;
}

int32_t FileStream::Tell() {
  if (mode_ != kOpenRead) {
    const int64_t p = TellFile64(file_);
    return p < 0 || p > INT32_MAX ? -1 : static_cast<int32_t>(p);
  }
  return position_ > INT32_MAX ? -1 : static_cast<int32_t>(position_);
}

int32_t FileStream::AtEnd() {
  if (mode_ != kOpenRead) return std::feof(file_) ? 1 : 0;
  return eof_ ? 1 : 0;
}

int64_t FileStream::Size() {
  if (mode_ == kOpenRead) return size_;
  const int64_t here = TellFile64(file_);
  if (here < 0 || SeekFile64(file_, 0, SEEK_END) != 0) return -1;
  const int64_t end = TellFile64(file_);
  SeekFile64(file_, here, SEEK_SET);
  return end;
}

HeldBytes FileStream::Held() {
  if (mode_ != kOpenRead || buffer_ == nullptr) return {};
  return {bufferStart_, buffer_, bufferLength_};
}

bool FileStream::Flush(bool toDisk) {
  if (mode_ != kOpenWrite) return true;
  if (file_ == nullptr) return false;
  if (!FlushFile(file_)) writeError_ = true;
  if (toDisk && !SyncFile(file_)) writeError_ = true;
  return !writeError_ && !std::ferror(file_);
}

bool FileStream::Close(bool toDisk) {
  if (mode_ != kOpenWrite || file_ == nullptr) return false;
  const bool flushed = Flush(toDisk);
  const bool closed = CloseFile(file_);
  file_ = nullptr;
  return flushed && closed;
}

void FileStream::UseWriteBuffer() {
  // The runtime may ignore the size asked for when it allocates the buffer
  // itself (glibc keeps one block), which splits large writes into many
  // small system calls; a buffer of our own is used at the size given.
  buffer_ = new (std::nothrow) uint8_t[kWriteBufferSize];
  bufferAllocated_ = buffer_ != nullptr ? static_cast<int32_t>(kWriteBufferSize) : 0;
  if (buffer_ == nullptr || std::setvbuf(file_, reinterpret_cast<char *>(buffer_), _IOFBF, kWriteBufferSize) != 0) {
    std::setvbuf(file_, nullptr, _IOFBF, kWriteBufferSize);
  }
}

FileIdentity FileStream::Identity() const {
  if (descriptor_ >= 0) return IdentityOfDescriptor(descriptor_);
  return file_ != nullptr ? IdentityOf(file_) : FileIdentity{};
}

void FileStream::ReleaseFile() {
  if (mode_ != kOpenRead || descriptor_ < 0) return;
  releasedIdentity_ = IdentityOfDescriptor(descriptor_);
  CloseDescriptor(descriptor_);
  descriptor_ = -1;
}

bool FileStream::ResumeWith(int descriptor) {
  int64_t size = -1;
  const bool same = descriptor >= 0 && mode_ == kOpenRead && descriptor_ < 0 &&
                    IdentityOfDescriptor(descriptor) == releasedIdentity_ &&
                    RegularDescriptorSize(descriptor, &size) && size == size_;
  if (!same) {
    if (descriptor >= 0) CloseDescriptor(descriptor);
    return false;
  }
  descriptor_ = descriptor;
  return true;
}

bool TakeStreamReadError(ByteStream *stream) {
  auto *file = dynamic_cast<FileStream *>(stream);
  return file != nullptr && file->TakeReadError();
}

FileIdentity IdentityOfStream(ByteStream *stream) {
  const auto *file = dynamic_cast<const FileStream *>(stream);
  return file != nullptr ? file->Identity() : FileIdentity{};
}

FileStream *FileStream::Wrap(std::FILE *file) {
  if (file == nullptr) return nullptr;
  auto *stream = new (std::nothrow) FileStream(file);
  if (stream == nullptr) {
    std::fclose(file);
    return nullptr;
  }
  stream->UseWriteBuffer();
  return stream;
}

int CreateFileStream(ByteStream **out, const void *name, int32_t mode) {
  if (out == nullptr || name == nullptr || (mode != kOpenRead && mode != kOpenWrite)) return 0;
  if (mode == kOpenWrite) return CreateOutputFileStream(out, name, {});
  // Only a regular file opens for reading; its size comes with it.
  int64_t size = 0;
  const int descriptor = OpenNamedDescriptor(name, FileOpenMode::kRead, &size);
  if (descriptor < 0) return 0;
  // Positions are 32-bit throughout the library: larger files are refused.
  auto *stream = size <= INT32_MAX ? new (std::nothrow) FileStream(descriptor, size) : nullptr;
  if (stream == nullptr) {
    CloseDescriptor(descriptor);
    return 0;
  }
  *out = stream;
  return 1;
}

int CreateOutputFileStream(ByteStream **out, const void *name, std::span<const FileIdentity> keep) {
  if (out == nullptr || name == nullptr) return 0;
  FileStream *stream = FileStream::Wrap(OpenNamedFile(name, FileOpenMode::kWrite, nullptr, keep));
  if (stream == nullptr) return 0;
  *out = stream;
  return 1;
}

}  // namespace kexif
