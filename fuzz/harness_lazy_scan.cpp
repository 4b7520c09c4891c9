// Any bytes as a file for the differential check of the lazy JPEG load; the
// middle byte picks the plan of operations.
#include "fuzz/harness.h"
#include "fuzz/harness_support.h"
#include "fuzz/lazy_scan_check.h"

namespace kexif::fuzz {

int FuzzLazyScan(const uint8_t *data, size_t size) {
  const std::string path = WriteScratch("lazy-input.jpg", data, size);
  const uint8_t plan = size > 0 ? data[size / 2] : 0;
  const std::string difference = CompareLazyScan(path, plan);
  if (!difference.empty()) Trace("lazy load differs at: %s (plan %u)", difference.c_str(), plan);
  KEXIF_FUZZ_CHECK(difference.empty());
  return 0;
}

}  // namespace kexif::fuzz
