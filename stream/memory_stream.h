// A stream over a block of memory that somebody else owns. Every move past
// the block's end is clamped to the end; the block never grows.
#ifndef KEXIF_STREAM_MEMORY_STREAM_H
#define KEXIF_STREAM_MEMORY_STREAM_H

#include "stream/byte_stream.h"

namespace kexif {

class MemoryStream final : public ByteStream {
 public:
  // base must not be null and length must be at least 1 (the factory checks).
  MemoryStream(uint8_t *base, int32_t length);

  int32_t Read(void *buffer, int32_t count) override;
  int32_t Write(const void *buffer, int32_t count) override;
  // Origin 0: clamps to the end and returns the new position; a negative
  // offset does not move and returns -1. Origin 1: moves at most to either
  // edge and returns the distance moved. Origin 2: see the source.
  int32_t Seek(int32_t origin, int32_t offset) override;
  int32_t Tell() override;
  // True as soon as the position reaches the end.
  int32_t AtEnd() override;
  int64_t Size() override;
  // The whole block.
  HeldBytes Held() override;

 private:
  int32_t length_;
  uint8_t *base_;
  uint8_t *current_;
  uint8_t *end_;
};

}  // namespace kexif

#endif
