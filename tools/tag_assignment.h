// Turning the text a user gives for a tag into the values the library
// stores, with the knowledge the plain type rules lack: dates are checked,
// GPS coordinates may be decimal degrees (which also set their reference),
// UserComment and the XP tags take text.
#ifndef KEXIF_TOOLS_TAG_ASSIGNMENT_H
#define KEXIF_TOOLS_TAG_ASSIGNMENT_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/tag_names.h"
#include "tools/value_text.h"

namespace kexif::cli {

// One value to store, in the tag's space.
struct TagWrite {
  uint32_t tag = 0;
  bool gps = false;
  EncodedValue value;
};

// Encodes text for the tag. type is the field type to use; explicitType
// says the user chose it (--type), which turns the text forms of
// UserComment, the XP tags and GPS degrees off. Appends one write (two for
// a GPS coordinate in degrees) or returns false with a reason.
bool EncodeAssignment(const TagRef &tag, int32_t type, bool explicitType, std::string_view text,
                      std::vector<TagWrite> &writes, std::string &problem);

// A GPS coordinate in decimal degrees as degrees, minutes and seconds
// (three rationals, seconds to 1/10000) and its reference letter: N/S for
// a latitude (|degrees| <= 90), E/W for a longitude (<= 180). False with a
// reason outside those ranges.
bool EncodeDegrees(double degrees, bool latitude, EncodedValue &value, char &reference, std::string &problem);

// An ASCII value holding text.
EncodedValue AsciiValue(std::string_view text);

}  // namespace kexif::cli

#endif
