// Names of the standard TIFF, Exif, GPS and Interoperability tags, and the
// lookups by name and by number that the command-line tool uses.
#ifndef KEXIF_TOOLS_TAG_NAMES_H
#define KEXIF_TOOLS_TAG_NAMES_H

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kexif::cli {

// Tag numbers are only unique within a kind of directory: IFD0, IFD1 and
// the Exif sub-directory share one number space, the GPS directory and the
// Interoperability directory have their own (GPS tag 1 and
// Interoperability tag 1 are different tags).
enum class TagSpace { kImage, kGps, kInterop };

// Numbers of the GPS directory that the tool's commands work with.
inline constexpr uint32_t kGpsVersionId = 0;
inline constexpr uint32_t kGpsLatitudeRef = 1;
inline constexpr uint32_t kGpsLatitude = 2;
inline constexpr uint32_t kGpsLongitudeRef = 3;
inline constexpr uint32_t kGpsLongitude = 4;
inline constexpr uint32_t kGpsAltitudeRef = 5;
inline constexpr uint32_t kGpsAltitude = 6;
inline constexpr uint32_t kGpsTimeStamp = 7;
inline constexpr uint32_t kGpsDestLatitudeRef = 19;
inline constexpr uint32_t kGpsDestLatitude = 20;
inline constexpr uint32_t kGpsDestLongitudeRef = 21;
inline constexpr uint32_t kGpsDestLongitude = 22;
inline constexpr uint32_t kGpsDateStamp = 29;

struct TagInfo {
  uint16_t number;
  TagSpace space;
  const char *name;
  int32_t defaultType;  // the field type the standard gives the tag
};

// The table entry for this number in this space, or null when the tag is
// not a standard one.
const TagInfo *FindTagInfo(uint32_t number, TagSpace space);

// Another name for a tag: "ISO" for ISOSpeedRatings.
struct TagAlias {
  const char *alias;
  const char *name;
};

// The entry whose name or alias matches (ASCII case ignored), or null.
const TagInfo *FindTagInfoByName(std::string_view name);

// Every tag of the table, and every alias.
std::span<const TagInfo> KnownTags();
std::span<const TagAlias> KnownAliases();

// What a TAG argument names: a table name, or a number written in decimal
// or as 0x followed by hex digits (0..65535). info is null for a number
// that the table does not know in the image space.
struct TagRef {
  uint32_t number = 0;
  const TagInfo *info = nullptr;
};

// Empty when the text is neither a known name nor a number in range.
std::optional<TagRef> ParseTagRef(std::string_view text);

// The tag's name in that space, or its number as "0x9C9B" when the table
// does not know it.
std::string TagDisplayName(uint32_t number, TagSpace space);

// "ASCII", "RATIONAL", ... for types 1..12; the number as text otherwise.
std::string TypeName(int32_t type);

// Accepts a type name (case ignored) or its number 1..12; 0 when the text
// names no type.
int32_t ParseTypeName(std::string_view text);

}  // namespace kexif::cli

#endif
