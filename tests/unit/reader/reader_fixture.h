// Helpers shared by the read-only family's tests: a context that ends
// itself, and values shown as text so that one comparison checks type,
// count and bytes.
#ifndef KEXIF_TESTS_UNIT_READER_READER_FIXTURE_H
#define KEXIF_TESTS_UNIT_READER_READER_FIXTURE_H

#include <cstdio>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "include/kexif.h"
#include "model/exif_constants.h"
#include "tests/support/temp_files.h"
#include "tests/support/jpeg_builder.h"

namespace kexif::test {

using Reader = std::unique_ptr<KRExifContext, void (*)(KRExifHandle)>;

inline Reader OpenReader(const void *name) { return Reader(kRExifBeginRead(name), &kRExifEndRead); }

// Writes the bytes to a scratch file and opens a context on it.
inline Reader OpenBytes(const TempDir &dir, const Bytes &bytes, const std::string &name = "file.bin") {
  return OpenReader(dir.Write(name, bytes).c_str());
}

template <typename T>
T ElementAt(const void *data, size_t i) {
  T value;
  std::memcpy(&value, static_cast<const uint8_t *>(data) + i * sizeof(T), sizeof(T));
  return value;
}

// A value in native order as text: ASCII without its stored NUL, BYTE and
// UNDEFINED as hex bytes, numbers separated by spaces, rationals as n/d.
inline std::string ValueText(int32_t type, int32_t count, const void *data) {
  if (data == nullptr) return "no data, count " + std::to_string(count);
  if (type == kTypeAscii) return count < 1 ? "" : std::string(static_cast<const char *>(data), count - 1);
  std::ostringstream out;
  for (size_t i = 0; i < static_cast<size_t>(count); ++i) {
    if (i != 0) out << ' ';
    switch (type) {
      case kTypeByte:
      case kTypeUndefined: {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", ElementAt<uint8_t>(data, i));
        out << hex;
        break;
      }
      case kTypeShort: out << ElementAt<uint16_t>(data, i); break;
      case kTypeLong: out << ElementAt<uint32_t>(data, i); break;
      case kTypeRational: out << ElementAt<uint32_t>(data, 2 * i) << '/' << ElementAt<uint32_t>(data, 2 * i + 1); break;
      case kTypeSRational: out << ElementAt<int32_t>(data, 2 * i) << '/' << ElementAt<int32_t>(data, 2 * i + 1); break;
      case kTypeDouble: out << ElementAt<double>(data, i); break;
      default: return "type " + std::to_string(type);
    }
  }
  return out.str();
}

// What kRExifGetTag answers for the tag: its value as text, or "absent"
// when refused, which must leave the caller's record untouched.
inline std::string TagText(KRExifHandle r, uint32_t tag) {
  TagValue v{-7, -7, &v};
  if (kRExifGetTag(r, tag, &v) != 0) return v.type == -7 && v.count == -7 && v.data == &v ? "absent" : "changed";
  return ValueText(v.type, v.count, v.data);
}

}  // namespace kexif::test

#endif
