// A stream over an open file. Reading streams keep their own buffer and
// position and read through the file's descriptor at an offset, so Seek,
// Tell and AtEnd cost no system call and a read one at most;
// the observable behaviour is that of the C runtime's file functions:
// Seek returns 0 on success and nonzero on failure, and AtEnd turns nonzero
// only after a read has tried to go past the end (a successful Seek clears
// it again).
#ifndef KEXIF_STREAM_FILE_STREAM_H
#define KEXIF_STREAM_FILE_STREAM_H

#include <cstdio>

#include "platform/file_open.h"
#include "stream/byte_stream.h"

namespace kexif {

class FileStream final : public ByteStream {
 public:
  // A writing stream; takes ownership of file.
  explicit FileStream(std::FILE *file);
  // A reading stream over a regular file of size bytes; takes ownership of
  // descriptor.
  FileStream(int descriptor, int64_t size);
  ~FileStream() override;

  int32_t Read(void *buffer, int32_t count) override;
  int32_t Write(const void *buffer, int32_t count) override;
  int32_t Seek(int32_t origin, int32_t offset) override;
  int32_t Tell() override;
  int32_t AtEnd() override;
  int64_t Size() override;
  // Reading streams: the buffered bytes.
  HeldBytes Held() override;

  // Writing streams: pushes buffered bytes to the operating system and,
  // when toDisk, asks it to put them on disk. Returns false on any error
  // seen so far.
  bool Flush(bool toDisk = true);
  // Writing streams: Flush, then closes the file; false on any error seen,
  // the close's own included. Nothing more can be written afterwards.
  bool Close(bool toDisk = true);

  // Whether a read met an error of the system (not the end of the file)
  // since the last call; clears the record.
  bool TakeReadError() {
    const bool failed = readError_;
    readError_ = false;
    return failed;
  }

  // Which file the stream is open on.
  FileIdentity Identity() const;

  // Reading streams: closes the file and keeps everything else (size,
  // position, buffered bytes), so that the file can be replaced, which
  // Windows refuses while it is open. Until ResumeWith, reads that the
  // buffer cannot serve fail.
  void ReleaseFile();
  // Takes descriptor (owned from now on) as the released file again;
  // false, with descriptor closed and the stream still without a file,
  // unless it is the file released, of the same size.
  bool ResumeWith(int descriptor);

  // A writing stream that owns file (closed on failure too); null when it
  // cannot be made.
  static FileStream *Wrap(std::FILE *file);

 private:
  bool Fill();
  // Writing streams: gives the runtime file a buffer of kWriteBufferSize
  // bytes owned by the stream; called once, before any write.
  void UseWriteBuffer();

  std::FILE *file_ = nullptr;  // writing streams
  int descriptor_ = -1;        // reading streams; -1 once released
  FileIdentity releasedIdentity_;  // the file closed by ReleaseFile
  int32_t mode_;
  int64_t size_ = 0;      // reading streams: the file's size at open
  int64_t position_ = 0;  // logical position (reading streams)
  bool eof_ = false;
  bool writeError_ = false;
  bool readError_ = false;
  uint8_t *buffer_ = nullptr;
  int64_t bufferStart_ = 0;
  int32_t bufferLength_ = 0;
  int32_t bufferAllocated_ = 0;  // bytes of buffer_
  int32_t fillSize_ = 0;         // bytes the last fill asked for
};

// True when stream is a file stream one of whose reads met an error since
// the last call (what it read may look shorter than the file is); clears
// the record.
bool TakeStreamReadError(ByteStream *stream);

// The identity of the file a stream reads, when it is a file stream.
FileIdentity IdentityOfStream(ByteStream *stream);

// A writing stream for an output file named as CreateFileStream takes names;
// 0, with nothing written, when the name is the file of one of `keep`.
int CreateOutputFileStream(ByteStream **out, const void *name, std::span<const FileIdentity> keep);

}  // namespace kexif

#endif
