#include "stream/spare_buffer.h"

#include <cstddef>
#include <new>
#include <utility>

namespace kexif {
namespace {

struct Spare {
  uint8_t *buffer = nullptr;
  int32_t size = 0;
  ~Spare() { delete[] buffer; }
};

thread_local Spare t_spare;

}  // namespace

uint8_t *TakeReadBuffer(int32_t size, int32_t *allocated) {
  Spare &spare = t_spare;
  if (spare.buffer != nullptr && spare.size >= size) {
    *allocated = spare.size;
    spare.size = 0;
    return std::exchange(spare.buffer, nullptr);
  }
  auto *fresh = new (std::nothrow) uint8_t[static_cast<size_t>(size)];
  *allocated = fresh != nullptr ? size : 0;
  return fresh;
}

void GiveBackReadBuffer(uint8_t *buffer, int32_t allocated) {
  if (buffer == nullptr) return;
  Spare &spare = t_spare;
  if (allocated > kMaxSpareBufferSize || (spare.buffer != nullptr && spare.size >= allocated)) {
    delete[] buffer;
    return;
  }
  delete[] spare.buffer;
  spare.buffer = buffer;
  spare.size = allocated;
}

}  // namespace kexif
