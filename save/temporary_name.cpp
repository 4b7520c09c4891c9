#include "save/temporary_name.h"

#include <cstring>

namespace kexif {

namespace {

constexpr char kTemporarySuffix[] = "$#$";

}  // namespace

int MakeTemporaryName(char *out, const char *name) {
  out[0] = '\0';
  if (name == nullptr) return 0;
  const size_t length = strnlen(name, kMaxSaveNameBuffer);
  if (length == 0 || length >= kMaxSaveNameBuffer) return 0;
  size_t i = length - 1;
  while (i > 0 && name[i] != '.') --i;
  const size_t keep = i + 1;
  if (keep + sizeof(kTemporarySuffix) > kMaxSaveNameBuffer) return 0;
  std::memcpy(out, name, keep);
  std::memcpy(out + keep, kTemporarySuffix, sizeof(kTemporarySuffix));
  return 1;
}

}  // namespace kexif
