#include "stream/byte_stream.h"

namespace kexif {

ByteStream::~ByteStream() = default;

HeldBytes ByteStream::Held() { return {}; }

void ReleaseStream(ByteStream *stream) { delete stream; }

}  // namespace kexif
