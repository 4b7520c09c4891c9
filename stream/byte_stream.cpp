#include "stream/byte_stream.h"

namespace kexif {

ByteStream::~ByteStream() = default;

void ReleaseStream(ByteStream *stream) { delete stream; }

}  // namespace kexif
