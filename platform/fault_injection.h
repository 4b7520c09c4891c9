// A seam through which tests make one chosen file call fail. Every file
// call the library makes to the system or the C runtime asks InjectedFault
// first; while no fault is armed (always, in a build without
// KEXIF_FAULT_INJECTION) the answer is 0 and the call runs as usual.
//
// Calls are counted in the order made; a test arms "the n-th call fails
// with this errno" (or "is a short write"), runs one operation, then reads
// which kind of call took the fault. The state is process-wide: one
// operation at a time is watched.
#ifndef KEXIF_PLATFORM_FAULT_INJECTION_H
#define KEXIF_PLATFORM_FAULT_INJECTION_H

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kexif {

enum class IoCall : uint8_t {
  kOpen,     // opening a file or a folder
  kRead,     // reading a file
  kWrite,    // fwrite
  kFlush,    // fflush
  kSync,     // fsync of a file or a folder
  kClose,    // fclose / close of a written file
  kReplace,  // the rename of a new file over its target
  kChmod,    // fchmod
  kChown,    // fchown
  kRemove,   // removing a file
};
inline constexpr size_t kIoCallKinds = 10;

// The answer that asks a write to move fewer bytes than given, without an
// error: the write takes half of them (at least one byte less).
inline constexpr int kShortWrite = -1;

#ifdef KEXIF_FAULT_INJECTION

// 0: make the call. Otherwise the errno the call fails with, or
// kShortWrite (asked only by writes).
int InjectedFault(IoCall call);

// What tests use.
namespace fault {
// Starts counting from zero and records the kind of every call; the
// failAt-th call (1-based; 0 for none) answers error. When onlyKind is
// given, only calls of that kind are counted towards failAt.
void Arm(uint64_t failAt, int error, const IoCall *onlyKind = nullptr);
// Stops injecting; the record stays readable.
void Disarm();
// The kinds of the calls made since Arm, in order.
std::vector<IoCall> Trace();
// Whether the armed fault was answered, and to which kind of call.
bool Fired(IoCall *kind = nullptr);
}  // namespace fault

#else

inline int InjectedFault(IoCall) { return 0; }

#endif

// Runs call() unless the seam injects an error: then sets errno to it and
// returns -1, as a failed system call does.
template <class Call>
auto CallUnlessFaulted(IoCall kind, Call call) -> decltype(call()) {
  if (const int error = InjectedFault(kind); error > 0) {
    errno = error;
    return static_cast<decltype(call())>(-1);
  }
  return call();
}

}  // namespace kexif

#endif
