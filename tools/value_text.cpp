#include "tools/value_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "model/exif_constants.h"
#include "tools/text_encoding.h"

namespace kexif::cli {
namespace {

template <typename T>
T Element(const uint8_t *bytes, size_t index) {
  T value;
  std::memcpy(&value, bytes + index * sizeof(T), sizeof(T));
  return value;
}

template <typename T>
void Append(std::vector<uint8_t> &bytes, T value) {
  uint8_t raw[sizeof(T)];
  std::memcpy(raw, &value, sizeof(T));
  bytes.insert(bytes.end(), raw, raw + sizeof(T));
}

std::string ShortestText(double value) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

void AppendHexByte(std::string &out, uint8_t byte) {
  static const char kDigits[] = "0123456789abcdef";
  out += kDigits[byte >> 4];
  out += kDigits[byte & 0x0F];
}

std::string HexBytes(const uint8_t *bytes, size_t length, Length form) {
  const size_t shown = form == Length::kShort && length > kShortBytes ? kShortBytes : length;
  std::string out;
  for (size_t i = 0; i < shown; ++i) {
    if (i != 0) out += ' ';
    AppendHexByte(out, bytes[i]);
  }
  if (shown < length) out += " ... (" + std::to_string(length) + " bytes)";
  return out;
}

std::string AsciiText(const uint8_t *bytes, size_t length, Length form) {
  size_t end = 0;
  while (end < length && bytes[end] != 0) ++end;
  size_t shown = form == Length::kShort && end > kShortChars ? kShortChars : end;
  // Never cut a UTF-8 sequence in two.
  while (shown < end && shown > 0 && (bytes[shown] & 0xC0) == 0x80) --shown;
  std::string out(reinterpret_cast<const char *>(bytes), shown);
  if (shown < end) out += "... (" + std::to_string(end) + " chars)";
  return out;
}

// One element of a numeric type as text.
std::string NumericElement(int32_t type, const uint8_t *bytes, size_t i) {
  switch (type) {
    case kTypeByte: return std::to_string(bytes[i]);
    case kTypeSByte: return std::to_string(static_cast<int8_t>(bytes[i]));
    case kTypeShort: return std::to_string(Element<uint16_t>(bytes, i));
    case kTypeSShort: return std::to_string(Element<int16_t>(bytes, i));
    case kTypeLong: return std::to_string(Element<uint32_t>(bytes, i));
    case kTypeSLong: return std::to_string(Element<int32_t>(bytes, i));
    case kTypeRational:
      return std::to_string(Element<uint32_t>(bytes, 2 * i)) + "/" + std::to_string(Element<uint32_t>(bytes, 2 * i + 1));
    case kTypeSRational:
      return std::to_string(Element<int32_t>(bytes, 2 * i)) + "/" + std::to_string(Element<int32_t>(bytes, 2 * i + 1));
    case kTypeFloat: return ShortestText(Element<float>(bytes, i));
    default: return ShortestText(Element<double>(bytes, i));
  }
}

bool IsSeparator(char c) { return c == ' ' || c == '\t' || c == '\n' || c == ','; }

std::vector<std::string_view> Tokens(std::string_view text) {
  std::vector<std::string_view> tokens;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsSeparator(text[i])) ++i;
    const size_t start = i;
    while (i < text.size() && !IsSeparator(text[i])) ++i;
    if (i > start) tokens.push_back(text.substr(start, i - start));
  }
  return tokens;
}

// A whole decimal number (optional sign) that uses the whole token.
bool ParseInteger(std::string_view token, int64_t &out) {
  if (!token.empty() && token[0] == '+') token.remove_prefix(1);
  if (token.empty()) return false;
  const auto result = std::from_chars(token.data(), token.data() + token.size(), out);
  return result.ec == std::errc() && result.ptr == token.data() + token.size();
}

struct IntegerRange {
  int64_t low;
  int64_t high;
};

IntegerRange RangeOf(int32_t type) {
  switch (type) {
    case kTypeByte: return {0, std::numeric_limits<uint8_t>::max()};
    case kTypeSByte: return {std::numeric_limits<int8_t>::min(), std::numeric_limits<int8_t>::max()};
    case kTypeShort: return {0, std::numeric_limits<uint16_t>::max()};
    case kTypeSShort: return {std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()};
    case kTypeLong: case kTypeRational: return {0, std::numeric_limits<uint32_t>::max()};
    default: return {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()};
  }
}

bool InRange(int64_t value, IntegerRange range) { return value >= range.low && value <= range.high; }

// "a/b", "a" (a/1) or a decimal "2.8" (28/10), numerator and denominator
// within the range.
bool ParseRational(std::string_view token, IntegerRange range, int64_t &numerator, int64_t &denominator) {
  const size_t slash = token.find('/');
  if (slash != std::string_view::npos) {
    return ParseInteger(token.substr(0, slash), numerator) && ParseInteger(token.substr(slash + 1), denominator) &&
           InRange(numerator, range) && InRange(denominator, range);
  }
  const size_t point = token.find('.');
  if (point == std::string_view::npos) {
    denominator = 1;
    return ParseInteger(token, numerator) && InRange(numerator, range);
  }
  std::string_view fraction = token.substr(point + 1);
  while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
  constexpr size_t kMaxFractionDigits = 9;
  if (fraction.size() > kMaxFractionDigits) return false;
  for (char c : fraction) {
    if (c < '0' || c > '9') return false;
  }
  std::string_view whole = token.substr(0, point);
  const bool negative = !whole.empty() && whole[0] == '-';
  int64_t wholeValue = 0;
  if (!(whole.empty() || whole == "-" || whole == "+") && !ParseInteger(whole, wholeValue)) return false;
  if (wholeValue < -range.high || wholeValue > range.high) return false;
  int64_t fractionValue = 0;
  denominator = 1;
  for (char c : fraction) {
    fractionValue = fractionValue * 10 + (c - '0');
    denominator *= 10;
  }
  const int64_t magnitude = (wholeValue < 0 ? -wholeValue : wholeValue) * denominator + fractionValue;
  numerator = negative ? -magnitude : magnitude;
  return InRange(numerator, range) && InRange(denominator, range);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ParseHexBytes(std::string_view text, std::vector<uint8_t> &bytes, std::string &error) {
  for (std::string_view token : Tokens(text)) {
    if (token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X')) token.remove_prefix(2);
    if (token.size() % 2 != 0) {
      error = "hex bytes need two digits each: " + std::string(token);
      return false;
    }
    for (size_t i = 0; i < token.size(); i += 2) {
      const int high = HexDigit(token[i]);
      const int low = HexDigit(token[i + 1]);
      if (high < 0 || low < 0) {
        error = "not a hex byte: " + std::string(token.substr(i, 2));
        return false;
      }
      bytes.push_back(static_cast<uint8_t>(high * 16 + low));
    }
  }
  if (bytes.empty()) {
    error = "no bytes given";
    return false;
  }
  return true;
}

bool ParseElements(int32_t type, std::string_view text, std::vector<uint8_t> &bytes, std::string &error) {
  const std::vector<std::string_view> tokens = Tokens(text);
  if (tokens.empty()) {
    error = "no value given";
    return false;
  }
  const IntegerRange range = RangeOf(type);
  for (std::string_view token : tokens) {
    const std::string shown(token);
    if (type == kTypeRational || type == kTypeSRational) {
      int64_t numerator = 0;
      int64_t denominator = 0;
      if (!ParseRational(token, range, numerator, denominator)) {
        error = "not a " + std::string(type == kTypeRational ? "rational" : "signed rational") + " (a/b): " + shown;
        return false;
      }
      Append(bytes, static_cast<uint32_t>(numerator));
      Append(bytes, static_cast<uint32_t>(denominator));
    } else if (type == kTypeFloat || type == kTypeDouble) {
      double value = 0;
      const auto result = std::from_chars(token.data(), token.data() + token.size(), value);
      const bool fits = type == kTypeDouble || std::isfinite(static_cast<float>(value)) || !std::isfinite(value);
      if (result.ec != std::errc() || result.ptr != token.data() + token.size() || !fits) {
        error = "not a number: " + shown;
        return false;
      }
      if (type == kTypeFloat) Append(bytes, static_cast<float>(value));
      else Append(bytes, value);
    } else {
      int64_t value = 0;
      if (!ParseInteger(token, value) || !InRange(value, range)) {
        error = "not a whole number from " + std::to_string(range.low) + " to " + std::to_string(range.high) + ": " + shown;
        return false;
      }
      switch (ElementSize(type)) {
        case 1: bytes.push_back(static_cast<uint8_t>(value)); break;
        case 2: Append(bytes, static_cast<uint16_t>(value)); break;
        default: Append(bytes, static_cast<uint32_t>(value)); break;
      }
    }
  }
  return true;
}

}  // namespace

std::string PrintableText(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    const auto byte = static_cast<uint8_t>(c);
    if (c == '\\') {
      out += "\\\\";
    } else if (byte >= 0x20 && byte < 0x7F) {
      out += c;
    } else {
      // Characters from U+00A0 on pass as UTF-8; the C1 controls
      // (U+0080..U+009F, C2 80..C2 9F) are escaped like the C0 ones.
      const size_t length = byte >= 0x80 ? Utf8SequenceLength(text, i) : 0;
      if (length > 0 && !(byte == 0xC2 && static_cast<uint8_t>(text[i + 1]) < 0xA0)) {
        out.append(text, i, length);
        i += length;
        continue;
      }
      out += "\\x";
      AppendHexByte(out, byte);
    }
    ++i;
  }
  return out;
}

std::string FormatValue(int32_t type, int32_t count, const uint8_t *bytes, size_t length, Length form) {
  const int32_t size = ElementSize(type);
  if (bytes == nullptr) length = 0;
  if (size == 0 || type == kTypeUndefined) return HexBytes(bytes, length, form);
  const size_t wanted = count < 0 ? 0 : static_cast<size_t>(count);
  const size_t available = length / static_cast<size_t>(size);
  const size_t elements = wanted < available ? wanted : available;
  if (type == kTypeAscii) return AsciiText(bytes, elements, form);
  const size_t shown = form == Length::kShort && elements > kShortElements ? kShortElements : elements;
  std::string out;
  for (size_t i = 0; i < shown; ++i) {
    if (i != 0) out += ' ';
    out += NumericElement(type, bytes, i);
  }
  if (shown < elements) out += " ... (" + std::to_string(elements) + " values)";
  return out;
}

bool ParseValue(int32_t type, std::string_view text, EncodedValue &out, std::string &error) {
  EncodedValue value;
  value.type = type;
  const int32_t size = ElementSize(type);
  if (size == 0) {
    error = "unknown type " + std::to_string(type);
    return false;
  }
  if (type == kTypeAscii) {
    value.bytes.assign(text.begin(), text.end());
    value.bytes.push_back(0);
  } else if (type == kTypeUndefined) {
    if (!ParseHexBytes(text, value.bytes, error)) return false;
  } else if (!ParseElements(type, text, value.bytes, error)) {
    return false;
  }
  if (value.bytes.size() / size > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    error = "value too long";
    return false;
  }
  value.count = static_cast<int32_t>(value.bytes.size() / size);
  out = std::move(value);
  return true;
}

int32_t GuessType(std::string_view text) {
  const std::vector<std::string_view> tokens = Tokens(text);
  if (tokens.empty()) return kTypeAscii;
  bool allIntegers = true;
  bool allRationals = true;
  bool negative = false;
  for (std::string_view token : tokens) {
    int64_t a = 0;
    int64_t b = 0;
    const size_t slash = token.find('/');
    if (slash == std::string_view::npos) {
      allRationals = false;
      if (!ParseInteger(token, a)) allIntegers = false;
    } else {
      allIntegers = false;
      if (!ParseInteger(token.substr(0, slash), a) || !ParseInteger(token.substr(slash + 1), b)) allRationals = false;
    }
    if (a < 0 || b < 0) negative = true;
  }
  if (allIntegers) return negative ? kTypeSLong : kTypeLong;
  if (allRationals) return negative ? kTypeSRational : kTypeRational;
  return kTypeAscii;
}

}  // namespace kexif::cli
