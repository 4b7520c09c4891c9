// What the editing family answers for tags, in a form harnesses compare
// before and after a save.
#ifndef KEXIF_FUZZ_TAG_ANSWERS_H
#define KEXIF_FUZZ_TAG_ANSWERS_H

#include <cstdint>
#include <vector>

#include "include/kexif.h"

namespace kexif::fuzz {

// What kExifGetTag answered: result, type, count and the value bytes.
struct Answer {
  int32_t result = -1;
  int32_t type = 0;
  int32_t count = 0;
  std::vector<uint8_t> bytes;
  bool operator==(const Answer &) const = default;
};

Answer Ask(KExifHandle h, uint32_t tag, int32_t directory = 0);

// Tags whose values a save legitimately changes: offsets of thumbnails,
// strips, tiles and sub-directories.
bool HoldsOffset(uint32_t tag);

// What the queries answer for every queried tag through directory 0, offset
// tags left out. The second round is kept: the first may have re-read an
// Exif segment without an Exif sub-directory, which resets that segment's
// tree.
std::vector<Answer> Snapshot(KExifHandle h);

}  // namespace kexif::fuzz

#endif
