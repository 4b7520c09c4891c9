// Tag values as a person reads them: Flash 9 as "On, Fired", FNumber 71/10
// as "f/7.1", Orientation 6 as "Rotate 90 CW", GPS coordinates in degrees,
// minutes and seconds, UTF-16 XP tags and UserComment as text.
#ifndef KEXIF_TOOLS_READABLE_VALUE_H
#define KEXIF_TOOLS_READABLE_VALUE_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "tools/tag_names.h"
#include "tools/value_text.h"

namespace kexif::cli {

// A tag value as the library holds it (see value_text.h).
struct RawValue {
  int32_t type = 0;
  int32_t count = 0;
  const uint8_t *bytes = nullptr;
  size_t length = 0;
};

// The GPS reference entry a value's readable and raw forms depend on:
// GPSLatitudeRef for GPSLatitude, GPSAltitudeRef for GPSAltitude, ...
std::optional<uint32_t> ReferenceTag(uint32_t tag, TagSpace space);

// The readable form. reference is the raw text of the ReferenceTag entry
// ("N", "S", "1"...), empty when there is none. Tags without a readable
// form of their own show rationals with denominator 1 as whole numbers and
// everything else as FormatValue does. Text is returned unescaped.
std::string ReadableValue(uint32_t tag, TagSpace space, const RawValue &value, const std::string &reference,
                          Length form);

// The form -n prints: FormatValue, except that GPS coordinates are decimal
// degrees, negative to the south and west.
std::string RawValueText(uint32_t tag, TagSpace space, const RawValue &value, const std::string &reference,
                         Length form);

// Decimal degrees of a GPS coordinate (three rationals: degrees, minutes,
// seconds), negative for the reference "S" or "W"; empty when the value
// holds fewer than one rational or a zero denominator.
std::optional<double> DecimalDegrees(const RawValue &value, const std::string &reference);

// The numbers as text without trailing zeros: 7.1, 24, 0.0005.
std::string DecimalText(double value, int decimals);

}  // namespace kexif::cli

#endif
