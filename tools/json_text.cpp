#include "tools/json_text.h"

#include <cstdio>

#include "tools/text_encoding.h"

namespace kexif::cli {

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte >= 0x80) {
      const size_t length = byte >= 0x80 ? Utf8SequenceLength(text, i) : 0;
      if (length > 0) {
        out.append(text, i, length);
        i += length;
        continue;
      }
      // A control character, or a byte that is not UTF-8 (0xDC00 + byte).
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte < 0x80 ? byte : 0xDC00u + byte);
      out += escape;
    } else {
      out += c;
    }
    ++i;
  }
  out += '"';
  return out;
}

}  // namespace kexif::cli
