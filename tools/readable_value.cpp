#include "tools/readable_value.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "model/exif_constants.h"
#include "tools/text_encoding.h"

namespace kexif::cli {
namespace {

// Tags with a readable form of their own (image space unless noted).
constexpr uint32_t kCompression = 259;
constexpr uint32_t kOrientation = 274;
constexpr uint32_t kResolutionUnit = 296;
constexpr uint32_t kYCbCrPositioning = 531;
constexpr uint32_t kExposureTime = 33434;
constexpr uint32_t kFNumber = 33437;
constexpr uint32_t kExposureProgram = 34850;
constexpr uint32_t kExifVersion = 36864;
constexpr uint32_t kComponentsConfiguration = 37121;
constexpr uint32_t kShutterSpeedValue = 37377;
constexpr uint32_t kApertureValue = 37378;
constexpr uint32_t kMaxApertureValue = 37381;
constexpr uint32_t kMeteringMode = 37383;
constexpr uint32_t kLightSource = 37384;
constexpr uint32_t kFlash = 37385;
constexpr uint32_t kFocalLength = 37386;
constexpr uint32_t kUserComment = 37510;
constexpr uint32_t kXpTitle = 0x9C9B;
constexpr uint32_t kXpSubject = 0x9C9F;
constexpr uint32_t kFlashpixVersion = 40960;
constexpr uint32_t kColorSpace = 40961;
constexpr uint32_t kFocalPlaneResolutionUnit = 41488;
constexpr uint32_t kSensingMethod = 41495;
constexpr uint32_t kFileSource = 41728;
constexpr uint32_t kSceneType = 41729;
constexpr uint32_t kCustomRendered = 41985;
constexpr uint32_t kExposureMode = 41986;
constexpr uint32_t kWhiteBalance = 41987;
constexpr uint32_t kFocalLengthIn35mmFilm = 41989;
constexpr uint32_t kSceneCaptureType = 41990;
constexpr uint32_t kGainControl = 41991;
constexpr uint32_t kContrast = 41992;
constexpr uint32_t kSaturation = 41993;
constexpr uint32_t kSharpness = 41994;
constexpr uint32_t kSubjectDistanceRange = 41996;
constexpr uint32_t kLensSpecification = 42034;
// Interoperability space.
constexpr uint32_t kInteropVersion = 2;

// The words of an enumerated value.
struct EnumWord {
  uint32_t tag;
  uint32_t value;
  const char *words;
};

constexpr EnumWord kEnumWords[] = {
    {kCompression, 1, "Uncompressed"}, {kCompression, 6, "JPEG (old-style)"}, {kCompression, 7, "JPEG"},
    {kOrientation, 1, "Horizontal (normal)"}, {kOrientation, 2, "Mirror horizontal"},
    {kOrientation, 3, "Rotate 180"}, {kOrientation, 4, "Mirror vertical"},
    {kOrientation, 5, "Mirror horizontal and rotate 270 CW"}, {kOrientation, 6, "Rotate 90 CW"},
    {kOrientation, 7, "Mirror horizontal and rotate 90 CW"}, {kOrientation, 8, "Rotate 270 CW"},
    {kResolutionUnit, 1, "None"}, {kResolutionUnit, 2, "inches"}, {kResolutionUnit, 3, "cm"},
    {kFocalPlaneResolutionUnit, 1, "None"}, {kFocalPlaneResolutionUnit, 2, "inches"},
    {kFocalPlaneResolutionUnit, 3, "cm"}, {kFocalPlaneResolutionUnit, 4, "mm"}, {kFocalPlaneResolutionUnit, 5, "um"},
    {kYCbCrPositioning, 1, "Centered"}, {kYCbCrPositioning, 2, "Co-sited"},
    {kExposureProgram, 0, "Not Defined"}, {kExposureProgram, 1, "Manual"}, {kExposureProgram, 2, "Program AE"},
    {kExposureProgram, 3, "Aperture-priority AE"}, {kExposureProgram, 4, "Shutter speed priority AE"},
    {kExposureProgram, 5, "Creative (Slow speed)"}, {kExposureProgram, 6, "Action (High speed)"},
    {kExposureProgram, 7, "Portrait"}, {kExposureProgram, 8, "Landscape"}, {kExposureProgram, 9, "Bulb"},
    {kMeteringMode, 0, "Unknown"}, {kMeteringMode, 1, "Average"}, {kMeteringMode, 2, "Center-weighted average"},
    {kMeteringMode, 3, "Spot"}, {kMeteringMode, 4, "Multi-spot"}, {kMeteringMode, 5, "Multi-segment"},
    {kMeteringMode, 6, "Partial"}, {kMeteringMode, 255, "Other"},
    {kLightSource, 0, "Unknown"}, {kLightSource, 1, "Daylight"}, {kLightSource, 2, "Fluorescent"},
    {kLightSource, 3, "Tungsten (Incandescent)"}, {kLightSource, 4, "Flash"}, {kLightSource, 9, "Fine Weather"},
    {kLightSource, 10, "Cloudy"}, {kLightSource, 11, "Shade"}, {kLightSource, 17, "Standard Light A"},
    {kLightSource, 18, "Standard Light B"}, {kLightSource, 19, "Standard Light C"}, {kLightSource, 20, "D55"},
    {kLightSource, 21, "D65"}, {kLightSource, 22, "D75"}, {kLightSource, 23, "D50"},
    {kLightSource, 24, "ISO Studio Tungsten"}, {kLightSource, 255, "Other"},
    {kFlash, 0x00, "No Flash"}, {kFlash, 0x01, "Fired"}, {kFlash, 0x05, "Fired, Return not detected"},
    {kFlash, 0x07, "Fired, Return detected"}, {kFlash, 0x08, "On, Did not fire"}, {kFlash, 0x09, "On, Fired"},
    {kFlash, 0x0D, "On, Return not detected"}, {kFlash, 0x0F, "On, Return detected"},
    {kFlash, 0x10, "Off, Did not fire"}, {kFlash, 0x14, "Off, Did not fire, Return not detected"},
    {kFlash, 0x18, "Auto, Did not fire"}, {kFlash, 0x19, "Auto, Fired"},
    {kFlash, 0x1D, "Auto, Fired, Return not detected"}, {kFlash, 0x1F, "Auto, Fired, Return detected"},
    {kFlash, 0x20, "No flash function"}, {kFlash, 0x30, "Off, No flash function"},
    {kFlash, 0x41, "Fired, Red-eye reduction"}, {kFlash, 0x45, "Fired, Red-eye reduction, Return not detected"},
    {kFlash, 0x47, "Fired, Red-eye reduction, Return detected"}, {kFlash, 0x49, "On, Red-eye reduction"},
    {kFlash, 0x4D, "On, Red-eye reduction, Return not detected"},
    {kFlash, 0x4F, "On, Red-eye reduction, Return detected"}, {kFlash, 0x50, "Off, Red-eye reduction"},
    {kFlash, 0x58, "Auto, Did not fire, Red-eye reduction"}, {kFlash, 0x59, "Auto, Fired, Red-eye reduction"},
    {kFlash, 0x5D, "Auto, Fired, Red-eye reduction, Return not detected"},
    {kFlash, 0x5F, "Auto, Fired, Red-eye reduction, Return detected"},
    {kColorSpace, 1, "sRGB"}, {kColorSpace, 2, "Adobe RGB"}, {kColorSpace, 0xFFFF, "Uncalibrated"},
    {kSensingMethod, 1, "Not defined"}, {kSensingMethod, 2, "One-chip color area"},
    {kSensingMethod, 3, "Two-chip color area"}, {kSensingMethod, 4, "Three-chip color area"},
    {kSensingMethod, 5, "Color sequential area"}, {kSensingMethod, 7, "Trilinear"},
    {kSensingMethod, 8, "Color sequential linear"},
    {kFileSource, 1, "Film Scanner"}, {kFileSource, 2, "Reflection Print Scanner"},
    {kFileSource, 3, "Digital Camera"}, {kSceneType, 1, "Directly photographed"},
    {kCustomRendered, 0, "Normal"}, {kCustomRendered, 1, "Custom"},
    {kExposureMode, 0, "Auto"}, {kExposureMode, 1, "Manual"}, {kExposureMode, 2, "Auto bracket"},
    {kWhiteBalance, 0, "Auto"}, {kWhiteBalance, 1, "Manual"},
    {kSceneCaptureType, 0, "Standard"}, {kSceneCaptureType, 1, "Landscape"}, {kSceneCaptureType, 2, "Portrait"},
    {kSceneCaptureType, 3, "Night"},
    {kGainControl, 0, "None"}, {kGainControl, 1, "Low gain up"}, {kGainControl, 2, "High gain up"},
    {kGainControl, 3, "Low gain down"}, {kGainControl, 4, "High gain down"},
    {kContrast, 0, "Normal"}, {kContrast, 1, "Low"}, {kContrast, 2, "High"},
    {kSaturation, 0, "Normal"}, {kSaturation, 1, "Low"}, {kSaturation, 2, "High"},
    {kSharpness, 0, "Normal"}, {kSharpness, 1, "Soft"}, {kSharpness, 2, "Hard"},
    {kSubjectDistanceRange, 0, "Unknown"}, {kSubjectDistanceRange, 1, "Macro"},
    {kSubjectDistanceRange, 2, "Close"}, {kSubjectDistanceRange, 3, "Distant"},
};

bool HasEnumWords(uint32_t tag) {
  for (const EnumWord &word : kEnumWords) {
    if (word.tag == tag) return true;
  }
  return false;
}

const char *EnumWords(uint32_t tag, uint32_t value) {
  for (const EnumWord &word : kEnumWords) {
    if (word.tag == tag && word.value == value) return word.words;
  }
  return nullptr;
}

size_t Elements(const RawValue &value) {
  const int32_t size = ElementSize(value.type);
  if (size == 0 || value.bytes == nullptr || value.count <= 0) return 0;
  const size_t available = value.length / static_cast<size_t>(size);
  return static_cast<size_t>(value.count) < available ? static_cast<size_t>(value.count) : available;
}

// Element i of an integer type, or nothing.
std::optional<uint32_t> Integer(const RawValue &value, size_t i) {
  if (i >= Elements(value)) return std::nullopt;
  if (value.type == kTypeByte || value.type == kTypeUndefined) return value.bytes[i];
  if (value.type == kTypeShort) {
    uint16_t n;
    std::memcpy(&n, value.bytes + 2 * i, sizeof n);
    return n;
  }
  if (value.type == kTypeLong) {
    uint32_t n;
    std::memcpy(&n, value.bytes + 4 * i, sizeof n);
    return n;
  }
  return std::nullopt;
}

// Element i of a rational type as a number; nothing for a zero denominator.
std::optional<double> Ratio(const RawValue &value, size_t i) {
  if (i >= Elements(value) || (value.type != kTypeRational && value.type != kTypeSRational)) return std::nullopt;
  uint32_t parts[2];
  std::memcpy(parts, value.bytes + 8 * i, sizeof parts);
  if (parts[1] == 0) return std::nullopt;
  if (value.type == kTypeSRational) {
    return static_cast<double>(static_cast<int32_t>(parts[0])) / static_cast<int32_t>(parts[1]);
  }
  return static_cast<double>(parts[0]) / parts[1];
}

std::string Seconds(double seconds) {
  if (seconds > 0 && seconds < 0.25001) return "1/" + std::to_string(std::lround(1 / seconds)) + " s";
  return DecimalText(seconds, 1) + " s";
}

std::string FNumber(double f) { return "f/" + DecimalText(f, f < 1 ? 2 : 1); }

std::string Degrees(const RawValue &value, const std::string &reference) {
  const std::optional<double> degrees = Ratio(value, 0);
  if (!degrees) return "";
  const double minutes = Ratio(value, 1).value_or(0);
  const double seconds = Ratio(value, 2).value_or(0);
  // Carry fractions of degrees and minutes into seconds, as some cameras
  // write 48/1 51.5/1 0/1.
  const double total = *degrees * 3600 + minutes * 60 + seconds;
  const auto whole = static_cast<long>(total / 3600);
  const auto wholeMinutes = static_cast<long>((total - whole * 3600.0) / 60);
  const double restSeconds = total - whole * 3600.0 - wholeMinutes * 60.0;
  char text[80];
  std::snprintf(text, sizeof text, "%ld\u00B0 %ld' %.2f\"", whole, wholeMinutes, restSeconds);
  std::string out = text;
  if (!reference.empty()) out += " " + reference.substr(0, 1);
  return out;
}

// Four printable bytes such as "0230".
std::string VersionText(const RawValue &value) {
  std::string text;
  for (size_t i = 0; i < Elements(value); ++i) {
    if (value.bytes[i] < 0x20 || value.bytes[i] >= 0x7F) return "";
    text += static_cast<char>(value.bytes[i]);
  }
  return text;
}

// "ASCII\0\0\0", "UNICODE\0", "JIS\0\0\0\0\0" or eight NULs, then the text.
std::string CommentText(const RawValue &value) {
  constexpr size_t kPrefix = 8;
  const size_t n = Elements(value);
  if (n < kPrefix) return "";
  const std::string_view code(reinterpret_cast<const char *>(value.bytes), kPrefix);
  const uint8_t *text = value.bytes + kPrefix;
  const size_t length = n - kPrefix;
  if (code == std::string_view("UNICODE\0", kPrefix)) {
    // The byte order is the file's; the library rewrites files
    // little-endian. Pick the order whose zero bytes fall where ASCII
    // characters put them.
    size_t evenZeros = 0, oddZeros = 0;
    for (size_t i = 0; i + 1 < length; i += 2) {
      if (text[i] == 0) ++evenZeros;
      if (text[i + 1] == 0) ++oddZeros;
    }
    return Utf16ToUtf8(text, length, evenZeros > oddZeros);
  }
  size_t end = 0;
  while (end < length && text[end] != 0) ++end;
  while (end > 0 && text[end - 1] == ' ') --end;  // blank padding
  return std::string(reinterpret_cast<const char *>(text), end);
}

std::string GpsTime(const RawValue &value) {
  const std::optional<double> h = Ratio(value, 0), m = Ratio(value, 1), s = Ratio(value, 2);
  if (!h || !m || !s) return "";
  char text[48];
  const double seconds = *s;
  if (seconds == std::floor(seconds)) std::snprintf(text, sizeof text, "%02.0f:%02.0f:%02.0f", *h, *m, seconds);
  else std::snprintf(text, sizeof text, "%02.0f:%02.0f:%05.2f", *h, *m, seconds);
  return text;
}

std::string LensText(const RawValue &value) {
  const std::optional<double> shortest = Ratio(value, 0), longest = Ratio(value, 1);
  if (!shortest || !longest) return "";
  std::string out = DecimalText(*shortest, 1);
  if (*longest != *shortest) out += "-" + DecimalText(*longest, 1);
  out += " mm";
  const std::optional<double> wide = Ratio(value, 2), tele = Ratio(value, 3);
  if (wide) {
    out += " " + FNumber(*wide);
    if (tele && *tele != *wide) out += "-" + DecimalText(*tele, 1);
  }
  return out;
}

std::string ComponentsText(const RawValue &value) {
  static const char *const kNames[] = {"-", "Y", "Cb", "Cr", "R", "G", "B"};
  std::string out;
  for (size_t i = 0; i < Elements(value); ++i) {
    if (value.bytes[i] >= std::size(kNames)) return "";
    out += (i == 0 ? "" : ", ") + std::string(kNames[value.bytes[i]]);
  }
  return out;
}

std::string ReferenceWords(uint32_t tag, const std::string &letter) {
  const bool latitude = tag == kGpsLatitudeRef || tag == kGpsDestLatitudeRef;
  if (latitude && letter == "N") return "North";
  if (latitude && letter == "S") return "South";
  if (!latitude && letter == "E") return "East";
  if (!latitude && letter == "W") return "West";
  return "";
}

// The readable form of the tags that have one; empty when the value does
// not have the shape the tag's form needs.
std::string SpecialForm(uint32_t tag, TagSpace space, const RawValue &value, const std::string &reference) {
  if (space == TagSpace::kGps) {
    switch (tag) {
      case kGpsVersionId: {
        std::string out;
        for (size_t i = 0; i < Elements(value); ++i) out += (i == 0 ? "" : ".") + std::to_string(value.bytes[i]);
        return out;
      }
      case kGpsLatitude: case kGpsLongitude: case kGpsDestLatitude: case kGpsDestLongitude:
        return Degrees(value, reference);
      case kGpsLatitudeRef: case kGpsLongitudeRef: case kGpsDestLatitudeRef: case kGpsDestLongitudeRef:
        return value.type == kTypeAscii && Elements(value) > 0
                   ? ReferenceWords(tag, std::string(1, static_cast<char>(value.bytes[0])))
                   : "";
      case kGpsAltitudeRef: {
        const std::optional<uint32_t> n = Integer(value, 0);
        if (!n || *n > 1) return "";
        return *n == 0 ? "Above Sea Level" : "Below Sea Level";
      }
      case kGpsAltitude: {
        const std::optional<double> metres = Ratio(value, 0);
        return metres ? DecimalText(*metres, 1) + " m" + (reference == "1" ? " Below Sea Level" : "") : "";
      }
      case kGpsTimeStamp: return GpsTime(value);
      default: return "";
    }
  }
  if (space == TagSpace::kInterop) return tag == kInteropVersion ? VersionText(value) : "";
  if (tag >= kXpTitle && tag <= kXpSubject && value.type == kTypeByte) {
    return Utf16ToUtf8(value.bytes, Elements(value), false);
  }
  switch (tag) {
    case kExposureTime: {
      const std::optional<double> s = Ratio(value, 0);
      return s ? Seconds(*s) : "";
    }
    case kShutterSpeedValue: {
      const std::optional<double> apex = Ratio(value, 0);
      return apex && std::fabs(*apex) < 100 ? Seconds(std::pow(2.0, -*apex)) : "";
    }
    case kFNumber: {
      const std::optional<double> f = Ratio(value, 0);
      return f ? FNumber(*f) : "";
    }
    case kApertureValue: case kMaxApertureValue: {
      const std::optional<double> apex = Ratio(value, 0);
      return apex && std::fabs(*apex) < 100 ? FNumber(std::pow(2.0, *apex / 2)) : "";
    }
    case kFocalLength: {
      const std::optional<double> mm = Ratio(value, 0);
      return mm ? DecimalText(*mm, 1) + " mm" : "";
    }
    case kFocalLengthIn35mmFilm: {
      const std::optional<uint32_t> mm = Integer(value, 0);
      return mm ? std::to_string(*mm) + " mm" : "";
    }
    case kExifVersion: case kFlashpixVersion: return VersionText(value);
    case kUserComment: return CommentText(value);
    case kComponentsConfiguration: return ComponentsText(value);
    case kLensSpecification: return LensText(value);
    default: break;
  }
  if (HasEnumWords(tag) && Elements(value) == 1) {
    const std::optional<uint32_t> n = Integer(value, 0);
    if (!n) return "";
    const char *words = EnumWords(tag, *n);
    return words != nullptr ? words : "Unknown (" + std::to_string(*n) + ")";
  }
  return "";
}

// Rationals with denominator 1 as whole numbers, everything else raw.
std::string PlainForm(const RawValue &value, Length form) {
  const std::string raw = FormatValue(value.type, value.count, value.bytes, value.length, form);
  if (value.type != kTypeRational && value.type != kTypeSRational) return raw;
  std::string out;
  size_t start = 0;
  while (start <= raw.size()) {
    size_t end = raw.find(' ', start);
    if (end == std::string::npos) end = raw.size();
    std::string_view token(raw.data() + start, end - start);
    if (token.size() > 2 && token.substr(token.size() - 2) == "/1") token.remove_suffix(2);
    out.append(token);
    if (end < raw.size()) out += ' ';
    start = end + 1;
  }
  return out;
}

}  // namespace

std::optional<uint32_t> ReferenceTag(uint32_t tag, TagSpace space) {
  if (space != TagSpace::kGps) return std::nullopt;
  switch (tag) {
    case kGpsLatitude: return kGpsLatitudeRef;
    case kGpsLongitude: return kGpsLongitudeRef;
    case kGpsAltitude: return kGpsAltitudeRef;
    case kGpsDestLatitude: return kGpsDestLatitudeRef;
    case kGpsDestLongitude: return kGpsDestLongitudeRef;
    default: return std::nullopt;
  }
}

std::string DecimalText(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  std::string out = text;
  if (out.find('.') != std::string::npos) {
    while (out.back() == '0') out.pop_back();
    if (out.back() == '.') out.pop_back();
  }
  if (out == "-0") out = "0";
  return out;
}

std::optional<double> DecimalDegrees(const RawValue &value, const std::string &reference) {
  const std::optional<double> degrees = Ratio(value, 0);
  if (!degrees) return std::nullopt;
  const double total = *degrees + Ratio(value, 1).value_or(0) / 60 + Ratio(value, 2).value_or(0) / 3600;
  return reference == "S" || reference == "W" ? -total : total;
}

std::string ReadableValue(uint32_t tag, TagSpace space, const RawValue &value, const std::string &reference,
                          Length form) {
  std::string special = SpecialForm(tag, space, value, reference);
  if (!special.empty()) return special;
  return PlainForm(value, form);
}

std::string RawValueText(uint32_t tag, TagSpace space, const RawValue &value, const std::string &reference,
                         Length form) {
  if (space == TagSpace::kGps && (tag == kGpsLatitude || tag == kGpsLongitude || tag == kGpsDestLatitude ||
                                  tag == kGpsDestLongitude)) {
    if (const std::optional<double> degrees = DecimalDegrees(value, reference)) return DecimalText(*degrees, 7);
  }
  return FormatValue(value.type, value.count, value.bytes, value.length, form);
}

}  // namespace kexif::cli
