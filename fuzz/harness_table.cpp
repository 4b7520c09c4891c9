#include <cstring>

#include "fuzz/harness.h"

namespace kexif::fuzz {
namespace {

constexpr Harness kHarnesses[] = {
    {"reader", &FuzzReader},
    {"load", &FuzzLoad},
    {"edit-save", &FuzzEditSave},
    {"bridge", &FuzzBridge},
    {"lazy-scan", &FuzzLazyScan},
};

}  // namespace

const Harness *AllHarnesses(size_t *n) {
  *n = sizeof(kHarnesses) / sizeof(kHarnesses[0]);
  return kHarnesses;
}

const Harness *FindHarness(const char *name) {
  for (const Harness &h : kHarnesses) {
    if (std::strcmp(h.name, name) == 0) return &h;
  }
  return nullptr;
}

}  // namespace kexif::fuzz
