#include "platform/fault_injection.h"

#ifdef KEXIF_FAULT_INJECTION

#include <atomic>
#include <mutex>

namespace kexif {
namespace {

struct FaultState {
  std::mutex lock;
  uint64_t failAt = 0;
  uint64_t counted = 0;
  int error = 0;
  bool onlyOneKind = false;
  IoCall kind = IoCall::kOpen;
  bool fired = false;
  IoCall firedOn = IoCall::kOpen;
  std::vector<IoCall> trace;
};

// Read without the lock on every call, so that an unarmed build pays one
// predictable branch.
std::atomic<bool> armed{false};

FaultState &State() {
  static FaultState state;
  return state;
}

}  // namespace

int InjectedFault(IoCall call) {
  if (!armed.load(std::memory_order_acquire)) return 0;
  FaultState &s = State();
  std::lock_guard<std::mutex> hold(s.lock);
  s.trace.push_back(call);
  if (s.onlyOneKind && call != s.kind) return 0;
  if (++s.counted != s.failAt) return 0;
  if (s.error == kShortWrite && call != IoCall::kWrite) return 0;
  s.fired = true;
  s.firedOn = call;
  return s.error;
}

namespace fault {

void Arm(uint64_t failAt, int error, const IoCall *onlyKind) {
  FaultState &s = State();
  std::lock_guard<std::mutex> hold(s.lock);
  s.failAt = failAt;
  s.counted = 0;
  s.error = error;
  s.onlyOneKind = onlyKind != nullptr;
  if (onlyKind != nullptr) s.kind = *onlyKind;
  s.fired = false;
  s.trace.clear();
  armed.store(true, std::memory_order_release);
}

void Disarm() { armed.store(false, std::memory_order_release); }

std::vector<IoCall> Trace() {
  FaultState &s = State();
  std::lock_guard<std::mutex> hold(s.lock);
  return s.trace;
}

bool Fired(IoCall *kind) {
  FaultState &s = State();
  std::lock_guard<std::mutex> hold(s.lock);
  if (s.fired && kind != nullptr) *kind = s.firedOn;
  return s.fired;
}

}  // namespace fault
}  // namespace kexif

#endif
