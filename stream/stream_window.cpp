#include "stream/stream_window.h"

#include <new>

namespace kexif {

StreamWindow::StreamWindow(ByteStream *parent, int32_t length)
    : parent_(parent), start_(parent->Tell()), length_(length) {}

int32_t StreamWindow::Read(void *buffer, int32_t count) { return parent_->Read(buffer, count); }

int32_t StreamWindow::Write(const void *buffer, int32_t count) {
  return parent_->Write(buffer, count);
}

int32_t StreamWindow::Seek(int32_t origin, int32_t offset) {
  if (origin == kSeekFromStart) {
    // Computed in 64 bits: a hostile offset must not wrap around.
    const int64_t target = static_cast<int64_t>(start_) + offset;
    if (target < 0 || target > INT32_MAX) return -1 - start_;
    const int32_t r = parent_->Seek(kSeekFromStart, static_cast<int32_t>(target));
    return static_cast<int32_t>(static_cast<int64_t>(r) - start_);
  }
  return parent_->Seek(origin, offset);
}

int32_t StreamWindow::Tell() {
  return static_cast<int32_t>(static_cast<int64_t>(parent_->Tell()) - start_);
}

int32_t StreamWindow::AtEnd() {
  return static_cast<int64_t>(parent_->Tell()) >= static_cast<int64_t>(start_) + length_ ? 1 : 0;
}

int64_t StreamWindow::Size() {
  const int64_t total = parent_->Size();
  return total > start_ ? total - start_ : 0;
}

HeldBytes StreamWindow::Held() {
  HeldBytes held = parent_->Held();
  const int64_t skip = start_ - held.position;
  if (skip > 0) {
    if (skip >= held.length) return {};
    held.data += skip;
    held.length -= static_cast<int32_t>(skip);
    held.position = start_;
  }
  held.position -= start_;
  return held;
}

int CreateStreamWindow(ByteStream **out, ByteStream *parent, int32_t length) {
  if (out == nullptr || parent == nullptr || length == 0) return 0;
  auto *window = new (std::nothrow) StreamWindow(parent, length);
  if (window == nullptr) return 0;
  *out = window;
  return 1;
}

}  // namespace kexif
