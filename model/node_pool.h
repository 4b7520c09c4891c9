// Memory for tree nodes, recycled per thread. A load builds and a destroy
// releases dozens of nodes of three or four sizes; a host that scans many
// files would otherwise pay the general allocator for each of them. Freed
// blocks wait in a short list per size on the thread that freed them (a
// block may be freed on another thread than the one that allocated it) and
// are handed out again by the next load on that thread. The lists are
// capped and drained when the thread ends. Builds with AddressSanitizer pass
// every call straight to the general allocator, so that a use after free
// of a node is still caught.
#ifndef KEXIF_MODEL_NODE_POOL_H
#define KEXIF_MODEL_NODE_POOL_H

#include <cstddef>
#include <cstdint>

namespace kexif {

// Like ::operator new(size): throws std::bad_alloc when memory runs out.
void *AllocateNodeMemory(std::size_t size);
// Like ::operator new(size, std::nothrow): null when memory runs out.
void *TryAllocateNodeMemory(std::size_t size) noexcept;
// Takes back a block of AllocateNodeMemory or TryAllocateNodeMemory of the
// same size.
void ReleaseNodeMemory(void *block, std::size_t size) noexcept;
// Blocks released together, as the teardown of a tree releases them: they
// are gathered here and join the calling thread's lists at once when the
// batch ends, which spares a look-up of those lists per block.
class NodeReleaseBatch {
 public:
  static constexpr std::size_t kSizeClasses = 16;  // blocks of up to 256 bytes

  NodeReleaseBatch() = default;
  NodeReleaseBatch(const NodeReleaseBatch &) = delete;
  NodeReleaseBatch &operator=(const NodeReleaseBatch &) = delete;
  ~NodeReleaseBatch();

  // Takes back a block as ReleaseNodeMemory does, at the batch's end.
  void Add(void *block, std::size_t size) noexcept;

 private:
  // Unused when the pool is compiled out.
  [[maybe_unused]] void *head_[kSizeClasses] = {};
  [[maybe_unused]] void *tail_[kSizeClasses] = {};
  [[maybe_unused]] uint32_t count_[kSizeClasses] = {};
};

// How many freed blocks the calling thread keeps for reuse (always 0 when
// the pool is compiled out).
std::size_t KeptNodeBlocks() noexcept;

}  // namespace kexif

#endif
