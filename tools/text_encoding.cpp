#include "tools/text_encoding.h"

namespace kexif::cli {
namespace {

constexpr uint32_t kReplacement = 0xFFFD;
constexpr uint32_t kSurrogateLow = 0xD800;
constexpr uint32_t kSurrogateSecond = 0xDC00;
constexpr uint32_t kSurrogateEnd = 0xE000;
constexpr uint32_t kLargestCodePoint = 0x10FFFF;

bool IsContinuation(uint8_t byte) { return (byte & 0xC0) == 0x80; }

// Decodes the character at text[at] (length from Utf8SequenceLength).
uint32_t DecodeUtf8(std::string_view text, size_t at, size_t length) {
  const auto lead = static_cast<uint8_t>(text[at]);
  uint32_t code = length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
  for (size_t i = 1; i < length; ++i) code = (code << 6) | (static_cast<uint8_t>(text[at + i]) & 0x3F);
  return code;
}

}  // namespace

size_t Utf8SequenceLength(std::string_view text, size_t at) {
  if (at >= text.size()) return 0;
  const auto lead = static_cast<uint8_t>(text[at]);
  size_t length = 0;
  uint32_t smallest = 0;
  if (lead >= 0xC2 && lead <= 0xDF) length = 2, smallest = 0x80;
  else if ((lead & 0xF0) == 0xE0) length = 3, smallest = 0x800;
  else if (lead >= 0xF0 && lead <= 0xF4) length = 4, smallest = 0x10000;
  else return 0;
  if (length > text.size() - at) return 0;
  for (size_t i = 1; i < length; ++i) {
    if (!IsContinuation(static_cast<uint8_t>(text[at + i]))) return 0;
  }
  const uint32_t code = DecodeUtf8(text, at, length);
  if (code < smallest || code > kLargestCodePoint || (code >= kSurrogateLow && code < kSurrogateEnd)) return 0;
  return length;
}

bool IsValidUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    if (static_cast<uint8_t>(text[i]) < 0x80) {
      ++i;
      continue;
    }
    const size_t length = Utf8SequenceLength(text, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

void AppendUtf8(std::string &out, uint32_t code) {
  if (code > kLargestCodePoint || (code >= kSurrogateLow && code < kSurrogateEnd)) code = kReplacement;
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

std::string Utf16ToUtf8(const uint8_t *bytes, size_t length, bool bigEndian) {
  std::string out;
  const size_t units = bytes == nullptr ? 0 : length / 2;
  auto unit = [&](size_t i) -> uint32_t {
    const uint8_t a = bytes[2 * i];
    const uint8_t b = bytes[2 * i + 1];
    return bigEndian ? (a << 8) | b : (b << 8) | a;
  };
  for (size_t i = 0; i < units; ++i) {
    const uint32_t first = unit(i);
    if (first == 0) break;
    if (first >= kSurrogateLow && first < kSurrogateSecond && i + 1 < units) {
      const uint32_t second = unit(i + 1);
      if (second >= kSurrogateSecond && second < kSurrogateEnd) {
        AppendUtf8(out, 0x10000 + ((first - kSurrogateLow) << 10) + (second - kSurrogateSecond));
        ++i;
        continue;
      }
    }
    AppendUtf8(out, first);  // an unpaired surrogate becomes U+FFFD there
  }
  return out;
}

std::vector<uint8_t> Utf8ToUtf16Le(std::string_view text) {
  std::vector<uint8_t> out;
  auto put = [&out](uint32_t unit) {
    out.push_back(static_cast<uint8_t>(unit & 0xFF));
    out.push_back(static_cast<uint8_t>(unit >> 8));
  };
  for (size_t i = 0; i < text.size();) {
    uint32_t code = static_cast<uint8_t>(text[i]);
    size_t length = 1;
    if (code >= 0x80) {
      length = Utf8SequenceLength(text, i);
      code = length == 0 ? kReplacement : DecodeUtf8(text, i, length);
      if (length == 0) length = 1;
    }
    if (code >= 0x10000) {
      put(kSurrogateLow + ((code - 0x10000) >> 10));
      put(kSurrogateSecond + ((code - 0x10000) & 0x3FF));
    } else {
      put(code);
    }
    i += length;
  }
  return out;
}

}  // namespace kexif::cli
