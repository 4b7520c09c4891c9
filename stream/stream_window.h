// A region of another stream seen as a stream of its own: positions are
// measured from the region's start. Reads and writes are not clipped to the
// region; they go on into the parent's following bytes.
#ifndef KEXIF_STREAM_STREAM_WINDOW_H
#define KEXIF_STREAM_STREAM_WINDOW_H

#include "stream/byte_stream.h"

namespace kexif {

class StreamWindow final : public ByteStream {
 public:
  StreamWindow(ByteStream *parent, int32_t length);

  int32_t Read(void *buffer, int32_t count) override;
  int32_t Write(const void *buffer, int32_t count) override;
  // Origin 0: the parent's result less the window's start. Origins 1 and 2
  // pass to the parent unchanged (2 is measured from the parent's end).
  int32_t Seek(int32_t origin, int32_t offset) override;
  int32_t Tell() override;
  // True when the parent's position has reached the window's end.
  int32_t AtEnd() override;
  // What the parent holds from the window's start on.
  int64_t Size() override;
  // What the parent holds from the window's start on.
  HeldBytes Held() override;

  int32_t start() const { return start_; }
  int32_t length() const { return length_; }

 private:
  ByteStream *parent_;
  int32_t start_;
  int32_t length_;
};

}  // namespace kexif

#endif
