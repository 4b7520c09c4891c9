// The libFuzzer entry of one harness; KEXIF_FUZZ_HARNESS names its function.
#include <cstddef>
#include <cstdint>

#include "fuzz/harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  return kexif::fuzz::KEXIF_FUZZ_HARNESS(data, size);
}
