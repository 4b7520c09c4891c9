#include "edit/tag_set.h"

#include <algorithm>
#include <array>

#include "model/exif_constants.h"

namespace kexif {
namespace {

// The tags of the Exif 2.2 Exif sub-directory.
constexpr std::array<uint32_t, 57> kExif22Tags = {
    33434, 33437, 34850, 34852, 34855, 34856, 36864, 36867, 36868, 37121,
    37122, 37377, 37378, 37379, 37380, 37381, 37382, 37383, 37384, 37385,
    37386, 37396, 37500, 37510, 37520, 37521, 37522, 40960, 40961, 40962,
    40963, 40964, 40965, 41483, 41484, 41486, 41487, 41488, 41492, 41493,
    41495, 41728, 41729, 41730, 41985, 41986, 41987, 41988, 41989, 41990,
    41991, 41992, 41993, 41994, 41995, 41996, 42016};

// The Exif sub-directory tags that Exif 2.21, 2.3, 2.31, 2.32 and 3.0 added.
constexpr std::array<uint32_t, 32> kNewerExifTags = {
    0x8830, 0x8831, 0x8832, 0x8833, 0x8834, 0x8835,  // sensitivity (2.3)
    0x9010, 0x9011, 0x9012,                          // time offsets (2.31)
    0x9400, 0x9401, 0x9402, 0x9403, 0x9404, 0x9405,  // ambient conditions (2.31)
    0xA430, 0xA431, 0xA432, 0xA433, 0xA434, 0xA435,  // owner, body and lens (2.3)
    0xA436, 0xA437, 0xA438, 0xA439, 0xA43A, 0xA43B, 0xA43C,  // titles and software (3.0)
    0xA460, 0xA461, 0xA462,                          // composite image (2.32)
    0xA500};                                         // gamma (2.21)

template <size_t N>
bool Holds(const std::array<uint32_t, N> &tags, uint32_t tag) {
  return std::find(tags.begin(), tags.end(), tag) != tags.end();
}

}  // namespace

int IsExifDirectoryTag(uint32_t tag) {
  return Holds(kExif22Tags, tag) || IsFirstDirectoryFirstTag(tag) ? 1 : 0;
}

bool IsFirstDirectoryFirstTag(uint32_t tag) { return tag == kTagOrientation || Holds(kNewerExifTags, tag); }

bool IsMadeInFirstDirectory(uint32_t tag) { return tag == kTagOrientation; }

}  // namespace kexif
