// Turning tag values into readable text and readable text into tag values.
// Values are held as the library holds them: elements in native
// (little-endian) order, rationals as two 32-bit numbers.
#ifndef KEXIF_TOOLS_VALUE_TEXT_H
#define KEXIF_TOOLS_VALUE_TEXT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kexif::cli {

// How much of a long value the readable form shows.
enum class Length { kFull, kShort };

// Elements, bytes and characters the short form keeps.
inline constexpr size_t kShortElements = 8;
inline constexpr size_t kShortBytes = 16;
inline constexpr size_t kShortChars = 64;

// The readable form of count elements of the given type held in bytes:
// integers in decimal, rationals as "1/160", ASCII as the bytes up to the
// first NUL (unescaped: PrintableText or JsonString make them safe to
// show), UNDEFINED and unknown types as hex bytes,
// several elements separated by spaces. Only the elements that the bytes
// hold are shown, whatever count says. The short form cuts a long value
// and says how long it was, e.g. "ff d8 ff ... (2000 bytes)".
std::string FormatValue(int32_t type, int32_t count, const uint8_t *bytes, size_t length, Length form);

// The text with backslashes doubled, well-formed UTF-8 characters from
// U+00A0 on kept, and every other byte outside printable ASCII (controls,
// bytes that are no UTF-8) written as \xNN, so the text is safe on a
// terminal and says which bytes it holds.
std::string PrintableText(std::string_view text);

// A value ready for the library.
struct EncodedValue {
  int32_t type = 0;
  int32_t count = 0;
  std::vector<uint8_t> bytes;
};

// Parses text as a value of the given type: ASCII takes the text as it
// stands (a NUL is added); the integer types take numbers separated by
// spaces or commas, each within the type's range; RATIONAL and SRATIONAL
// take "a/b", whole numbers or decimals ("2.8" becomes 28/10); FLOAT and
// DOUBLE take decimal numbers; BYTE-sized UNDEFINED takes hex bytes
// ("30 32 33 30" or "30323330"). Returns false with a reason in error when
// the text does not fit the type.
bool ParseValue(int32_t type, std::string_view text, EncodedValue &out, std::string &error);

// The type a value given without --type most likely has: "a/b" is RATIONAL
// (SRATIONAL when negative), a list of whole numbers is LONG (SLONG when
// negative), anything else ASCII.
int32_t GuessType(std::string_view text);

}  // namespace kexif::cli

#endif
