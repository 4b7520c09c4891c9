// Scoped ownership of a stream made by one of the factories: the stream is
// released through ReleaseStream when the owner goes, also when an
// exception passes.
#ifndef KEXIF_STREAM_OWNED_STREAM_H
#define KEXIF_STREAM_OWNED_STREAM_H

#include <memory>

#include "stream/byte_stream.h"

namespace kexif {

struct StreamReleaser {
  void operator()(ByteStream *stream) const { ReleaseStream(stream); }
};

using OwnedStream = std::unique_ptr<ByteStream, StreamReleaser>;

}  // namespace kexif

#endif
