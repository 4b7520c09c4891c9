#include "edit/tag_set.h"

#include <algorithm>
#include <array>

namespace kexif {
namespace {

// The tags of the Exif 2.2 Exif sub-directory, plus Orientation (274).
constexpr std::array<uint32_t, 58> kExifDirectoryTags = {
    33434, 33437, 34850, 34852, 34855, 34856, 36864, 36867, 36868, 37121,
    37122, 37377, 37378, 37379, 37380, 37381, 37382, 37383, 37384, 37385,
    37386, 37396, 37500, 37510, 37520, 37521, 37522, 40960, 40961, 40962,
    40963, 40964, 40965, 41483, 41484, 41486, 41487, 41488, 41492, 41493,
    41495, 41728, 41729, 41730, 41985, 41986, 41987, 41988, 41989, 41990,
    41991, 41992, 41993, 41994, 41995, 41996, 42016, 274};

}  // namespace

int IsExifDirectoryTag(uint32_t tag) {
  return std::find(kExifDirectoryTags.begin(), kExifDirectoryTags.end(), tag) != kExifDirectoryTags.end() ? 1 : 0;
}

}  // namespace kexif
