// One spare read buffer per thread. A program that loads file after file
// would otherwise ask the allocator for a large block at every open; with
// the common allocators a large request first merges every small free
// block, after which each small allocation of the next load takes the slow
// path. Reusing the block keeps a load's many small allocations cheap.
#ifndef KEXIF_STREAM_SPARE_BUFFER_H
#define KEXIF_STREAM_SPARE_BUFFER_H

#include <cstdint>

namespace kexif {

// The largest buffer kept as a spare; a larger one is released.
inline constexpr int32_t kMaxSpareBufferSize = 64 * 1024;

// A buffer of at least size bytes, its real size in *allocated: the
// thread's spare when it is large enough, else a new block. Null (and
// *allocated 0) when memory runs out.
uint8_t *TakeReadBuffer(int32_t size, int32_t *allocated);

// Hands a buffer back (null is ignored): it becomes the thread's spare when
// the thread has none or a smaller one, and it is not larger than
// kMaxSpareBufferSize; otherwise it is released.
void GiveBackReadBuffer(uint8_t *buffer, int32_t allocated);

}  // namespace kexif

#endif
