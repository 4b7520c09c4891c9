// The one byte-stream interface that every parser, writer and reader of the
// library moves bytes through, with its three kinds and their factories.
#ifndef KEXIF_STREAM_BYTE_STREAM_H
#define KEXIF_STREAM_BYTE_STREAM_H

#include <cstdint>

namespace kexif {

// Seek origins: the origin comes before the offset in every Seek call.
inline constexpr int32_t kSeekFromStart = 0;
inline constexpr int32_t kSeekFromCurrent = 1;
inline constexpr int32_t kSeekFromEnd = 2;

// Open modes of CreateFileStream.
inline constexpr int32_t kOpenRead = 1;
inline constexpr int32_t kOpenWrite = 2;

// Bytes of a stream already in memory: length bytes from stream position
// `position` on.
struct HeldBytes {
  int64_t position = 0;
  const uint8_t *data = nullptr;
  int32_t length = 0;
};

class ByteStream {
 public:
  virtual ~ByteStream();

  // Copies up to count bytes into buffer; returns the number copied.
  virtual int32_t Read(void *buffer, int32_t count) = 0;
  // Copies up to count bytes from buffer into the stream; returns the number
  // written.
  virtual int32_t Write(const void *buffer, int32_t count) = 0;
  // Moves the position; the meaning of the result depends on the kind.
  virtual int32_t Seek(int32_t origin, int32_t offset) = 0;
  // The current position counted from the stream's beginning.
  virtual int32_t Tell() = 0;
  // Nonzero at the stream's end (the exact condition depends on the kind).
  virtual int32_t AtEnd() = 0;
  // Number of bytes that can be read from position 0 of this stream
  // (for a window: what its parent holds from the window's start on).
  // Used to check offsets and lengths read from a file before use.
  virtual int64_t Size() = 0;
  // The bytes the stream holds in memory already (none unless a kind says
  // otherwise), so that a parser can take them without a call per read.
  // They stay valid until the next call on the stream.
  virtual HeldBytes Held();

 protected:
  ByteStream() = default;
  ByteStream(const ByteStream &) = delete;
  ByteStream &operator=(const ByteStream &) = delete;
};

// Factories: on success store the new stream in *out and return 1; on
// failure return 0 and leave *out unchanged.

// name: an 8-bit or a 16-bit NUL-terminated name through the same pointer;
// mode: kOpenRead or kOpenWrite.
int CreateFileStream(ByteStream **out, const void *name, int32_t mode);
// Fails when base is null or length < 1. The block is not owned.
int CreateMemoryStream(ByteStream **out, void *base, int32_t length);
// Fails when parent is null or length is 0. The window begins at the
// parent's current position; the parent is not owned.
int CreateStreamWindow(ByteStream **out, ByteStream *parent, int32_t length);

// Destroys a stream; null is ignored.
void ReleaseStream(ByteStream *stream);

}  // namespace kexif

#endif
