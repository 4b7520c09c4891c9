#include "stream/memory_stream.h"

#include <cstring>
#include <new>

namespace kexif {

MemoryStream::MemoryStream(uint8_t *base, int32_t length)
    : length_(length), base_(base), current_(base), end_(base + length) {}

int32_t MemoryStream::Read(void *buffer, int32_t count) {
  if (count <= 0) return 0;
  int32_t left = static_cast<int32_t>(end_ - current_);
  int32_t k = count < left ? count : left;
  if (k <= 0) return 0;
  std::memcpy(buffer, current_, static_cast<size_t>(k));
  current_ += k;
  return k;
}

int32_t MemoryStream::Write(const void *buffer, int32_t count) {
  if (count <= 0) return 0;
  int32_t left = static_cast<int32_t>(end_ - current_);
  int32_t k = count < left ? count : left;
  if (k <= 0) return 0;
  std::memcpy(current_, buffer, static_cast<size_t>(k));
  current_ += k;
  return k;
}

int32_t MemoryStream::Seek(int32_t origin, int32_t offset) {
  const int32_t position = static_cast<int32_t>(current_ - base_);
  switch (origin) {
    case kSeekFromStart:
      if (offset < 0) return -1;  // never before the block's start
      if (offset > length_) offset = length_;
      current_ = base_ + offset;
      return offset;
    case kSeekFromCurrent: {
      const int32_t left = length_ - position;
      int32_t step = offset < left ? offset : left;
      if (step < -position) step = -position;  // stop at the block's start
      current_ += step;
      return step;
    }
    case kSeekFromEnd:
      if (offset > 0) {
        current_ = end_;
        return 0;
      }
      if (offset < -length_) {
        current_ = base_;
        return -length_;
      }
      current_ = end_ + offset;
      return offset;
    default:
      return offset;
  }
}

int32_t MemoryStream::Tell() { return static_cast<int32_t>(current_ - base_); }

int32_t MemoryStream::AtEnd() { return current_ >= end_ ? 1 : 0; }

int64_t MemoryStream::Size() { return length_; }

HeldBytes MemoryStream::Held() { return {0, base_, length_}; }

int CreateMemoryStream(ByteStream **out, void *base, int32_t length) {
  if (out == nullptr || base == nullptr || length < 1) return 0;
  auto *stream = new (std::nothrow) MemoryStream(static_cast<uint8_t *>(base), length);
  if (stream == nullptr) return 0;
  *out = stream;
  return 1;
}

}  // namespace kexif
