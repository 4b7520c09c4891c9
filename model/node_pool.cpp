#include "model/node_pool.h"

#include <cstdint>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define KEXIF_NODE_POOL 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KEXIF_NODE_POOL 0
#endif
#endif
#ifndef KEXIF_NODE_POOL
#define KEXIF_NODE_POOL 1
#endif

namespace kexif {
namespace {

#if KEXIF_NODE_POOL
constexpr std::size_t kGrain = 16;
constexpr std::size_t kClasses = NodeReleaseBatch::kSizeClasses;
constexpr uint32_t kMaxBlocksPerClass = 512;

struct FreeBlock {
  FreeBlock *next;
};

// Trivially destructible, so it stays usable while other thread-local
// objects are destroyed: a node freed then goes to the general allocator.
struct FreeLists {
  FreeBlock *head[kClasses];
  uint32_t count[kClasses];
  bool drainArmed;
  bool closed;
};
thread_local FreeLists lists;

// Gives the blocks back when the thread ends.
struct Drain {
  ~Drain() {
    for (std::size_t c = 0; c < kClasses; ++c) {
      while (lists.head[c] != nullptr) {
        FreeBlock *block = lists.head[c];
        lists.head[c] = block->next;
        ::operator delete(block);
      }
      lists.count[c] = 0;
    }
    lists.closed = true;
  }
};
thread_local Drain drain;

// The class of a size, or kClasses when blocks of that size are not kept.
std::size_t ClassOf(std::size_t size) {
  if (size == 0 || size > kClasses * kGrain) return kClasses;
  return (size - 1) / kGrain;
}

std::size_t BlockSize(std::size_t c) { return (c + 1) * kGrain; }

// Schedules the drain when the thread first keeps a block.
void ArmDrain(FreeLists &mine) {
  if (mine.drainArmed) return;
  // Naming the drain constructs it on this thread and schedules its
  // destructor for the thread's end.
  static_cast<void>(&drain);
  mine.drainArmed = true;
}

// One look-up of the thread's lists per call: in a shared library each
// look-up of a thread-local object may cost a call.
void *TakeKept(std::size_t c) {
  FreeLists &mine = lists;
  FreeBlock *block = mine.head[c];
  if (block == nullptr) return nullptr;
  mine.head[c] = block->next;
  --mine.count[c];
  return block;
}
#endif

}  // namespace

void *AllocateNodeMemory(std::size_t size) {
#if KEXIF_NODE_POOL
  const std::size_t c = ClassOf(size);
  if (c < kClasses) {
    if (void *kept = TakeKept(c)) return kept;
    return ::operator new(BlockSize(c));
  }
#endif
  return ::operator new(size);
}

void *TryAllocateNodeMemory(std::size_t size) noexcept {
#if KEXIF_NODE_POOL
  const std::size_t c = ClassOf(size);
  if (c < kClasses) {
    if (void *kept = TakeKept(c)) return kept;
    return ::operator new(BlockSize(c), std::nothrow);
  }
#endif
  return ::operator new(size, std::nothrow);
}

void ReleaseNodeMemory(void *block, std::size_t size) noexcept {
  if (block == nullptr) return;
#if KEXIF_NODE_POOL
  const std::size_t c = ClassOf(size);
  FreeLists &mine = lists;
  if (c < kClasses && !mine.closed && mine.count[c] < kMaxBlocksPerClass) {
    ArmDrain(mine);
    auto *free = static_cast<FreeBlock *>(block);
    free->next = mine.head[c];
    mine.head[c] = free;
    ++mine.count[c];
    return;
  }
#endif
  static_cast<void>(size);
  ::operator delete(block);
}

void NodeReleaseBatch::Add(void *block, std::size_t size) noexcept {
  if (block == nullptr) return;
#if KEXIF_NODE_POOL
  const std::size_t c = ClassOf(size);
  if (c < kClasses) {
    auto *free = static_cast<FreeBlock *>(block);
    free->next = static_cast<FreeBlock *>(head_[c]);
    if (head_[c] == nullptr) tail_[c] = free;
    head_[c] = free;
    ++count_[c];
    return;
  }
#endif
  static_cast<void>(size);
  ::operator delete(block);
}

NodeReleaseBatch::~NodeReleaseBatch() {
#if KEXIF_NODE_POOL
  FreeLists *mine = nullptr;
  for (std::size_t c = 0; c < kClasses; ++c) {
    if (count_[c] == 0) continue;
    if (mine == nullptr) mine = &lists;
    auto *head = static_cast<FreeBlock *>(head_[c]);
    uint32_t n = count_[c];
    // What the thread's list has no room for goes to the general allocator.
    const uint32_t room = mine->closed || mine->count[c] >= kMaxBlocksPerClass ? 0 : kMaxBlocksPerClass - mine->count[c];
    while (n > room) {
      FreeBlock *gone = head;
      head = head->next;
      ::operator delete(gone);
      --n;
    }
    if (n == 0) continue;
    ArmDrain(*mine);
    static_cast<FreeBlock *>(tail_[c])->next = mine->head[c];
    mine->head[c] = head;
    mine->count[c] += n;
  }
#endif
}

std::size_t KeptNodeBlocks() noexcept {
  std::size_t kept = 0;
#if KEXIF_NODE_POOL
  for (std::size_t c = 0; c < kClasses; ++c) kept += lists.count[c];
#endif
  return kept;
}

}  // namespace kexif
