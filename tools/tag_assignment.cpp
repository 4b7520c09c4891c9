#include "tools/tag_assignment.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "model/exif_constants.h"
#include "tools/exif_date.h"
#include "tools/text_encoding.h"

namespace kexif::cli {
namespace {

constexpr uint32_t kTagDateTimeOriginal = 36867;
constexpr uint32_t kTagDateTimeDigitized = 36868;
constexpr uint32_t kTagUserComment = 37510;
constexpr uint32_t kTagXpFirst = 0x9C9B;
constexpr uint32_t kTagXpLast = 0x9C9F;
constexpr int64_t kSecondsScale = 10000;

bool IsGps(const TagRef &tag) { return tag.info != nullptr && tag.info->space == TagSpace::kGps; }

bool IsCoordinate(const TagRef &tag) {
  return IsGps(tag) && (tag.number == kGpsLatitude || tag.number == kGpsLongitude ||
                        tag.number == kGpsDestLatitude || tag.number == kGpsDestLongitude);
}

bool IsDateTimeTag(const TagRef &tag) {
  return !IsGps(tag) && (tag.number == kTagDateTime || tag.number == kTagDateTimeOriginal ||
                         tag.number == kTagDateTimeDigitized);
}

// A whole text that is one decimal number.
bool ParseDecimal(std::string_view text, double &value) {
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && result.ec == std::errc() && result.ptr == text.data() + text.size() && std::isfinite(value);
}

void AppendRational(std::vector<uint8_t> &bytes, uint32_t numerator, uint32_t denominator) {
  uint8_t raw[8];
  std::memcpy(raw, &numerator, 4);
  std::memcpy(raw + 4, &denominator, 4);
  bytes.insert(bytes.end(), raw, raw + 8);
}

// "ASCII\0\0\0" and the text, or "UNICODE\0" and UTF-16LE when the text
// holds more than ASCII.
EncodedValue CommentValue(std::string_view text) {
  bool ascii = true;
  for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  EncodedValue value;
  value.type = kTypeUndefined;
  const char *code = ascii ? "ASCII\0\0\0" : "UNICODE\0";
  value.bytes.assign(code, code + 8);
  if (ascii) {
    value.bytes.insert(value.bytes.end(), text.begin(), text.end());
  } else {
    const std::vector<uint8_t> units = Utf8ToUtf16Le(text);
    value.bytes.insert(value.bytes.end(), units.begin(), units.end());
  }
  value.count = static_cast<int32_t>(value.bytes.size());
  return value;
}

// UTF-16LE with a NUL character, as BYTE.
EncodedValue WindowsTextValue(std::string_view text) {
  EncodedValue value;
  value.type = kTypeByte;
  value.bytes = Utf8ToUtf16Le(text);
  value.bytes.push_back(0);
  value.bytes.push_back(0);
  value.count = static_cast<int32_t>(value.bytes.size());
  return value;
}

}  // namespace

EncodedValue AsciiValue(std::string_view text) {
  EncodedValue value;
  value.type = kTypeAscii;
  value.bytes.assign(text.begin(), text.end());
  value.bytes.push_back(0);
  value.count = static_cast<int32_t>(value.bytes.size());
  return value;
}

bool EncodeDegrees(double degrees, bool latitude, EncodedValue &value, char &reference, std::string &problem) {
  const double limit = latitude ? 90 : 180;
  if (!(std::fabs(degrees) <= limit)) {
    problem = std::string(latitude ? "a latitude" : "a longitude") + " lies between -" + std::to_string(static_cast<int>(limit)) +
              " and " + std::to_string(static_cast<int>(limit)) + " degrees";
    return false;
  }
  reference = latitude ? (degrees < 0 ? 'S' : 'N') : (degrees < 0 ? 'W' : 'E');
  // Whole units of 1/10000 second, so that rounding carries into minutes
  // and degrees.
  const auto units = static_cast<int64_t>(std::llround(std::fabs(degrees) * 3600 * kSecondsScale));
  const int64_t perDegree = 3600 * kSecondsScale;
  const int64_t perMinute = 60 * kSecondsScale;
  value = EncodedValue{};
  value.type = kTypeRational;
  value.count = 3;
  AppendRational(value.bytes, static_cast<uint32_t>(units / perDegree), 1);
  AppendRational(value.bytes, static_cast<uint32_t>(units % perDegree / perMinute), 1);
  AppendRational(value.bytes, static_cast<uint32_t>(units % perMinute), kSecondsScale);
  return true;
}

bool EncodeAssignment(const TagRef &tag, int32_t type, bool explicitType, std::string_view text,
                      std::vector<TagWrite> &writes, std::string &problem) {
  TagWrite write{tag.number, IsGps(tag), {}};
  double degrees = 0;
  if (!explicitType && !IsGps(tag) && tag.number == kTagUserComment) {
    write.value = CommentValue(text);
  } else if (!explicitType && !IsGps(tag) && tag.number >= kTagXpFirst && tag.number <= kTagXpLast) {
    write.value = WindowsTextValue(text);
  } else if (!explicitType && IsCoordinate(tag) && ParseDecimal(text, degrees)) {
    const bool latitude = tag.number == kGpsLatitude || tag.number == kGpsDestLatitude;
    char reference = 0;
    if (!EncodeDegrees(degrees, latitude, write.value, reference, problem)) return false;
    writes.push_back(write);
    // The reference entry's number is one below its coordinate's.
    writes.push_back(TagWrite{tag.number - 1, true, AsciiValue(std::string(1, reference))});
    return true;
  } else {
    if (type == kTypeAscii && IsDateTimeTag(tag) && !ParseExifDateTime(text)) {
      problem = "not a date and time as YYYY:MM:DD HH:MM:SS: " + std::string(text);
      return false;
    }
    if (type == kTypeAscii && IsGps(tag) && tag.number == kGpsDateStamp && !IsExifDate(text)) {
      problem = "not a date as YYYY:MM:DD: " + std::string(text);
      return false;
    }
    if (!ParseValue(type, text, write.value, problem)) return false;
  }
  writes.push_back(std::move(write));
  return true;
}

}  // namespace kexif::cli
