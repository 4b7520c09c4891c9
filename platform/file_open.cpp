#include "platform/file_open.h"

#include <cstdint>
#include <cstring>

#include "platform/file_io.h"

namespace kexif {
namespace {

// Appends one code point as UTF-8.
void AppendUtf8(uint32_t cp, std::string *out) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// For reading only a regular file counts (fopen accepts a folder, which
// would hide the 16-bit reading of the same bytes): anything else is closed.
std::FILE *KeepRegularForReading(std::FILE *f, FileOpenMode mode) {
  if (f == nullptr || mode == FileOpenMode::kWrite) return f;
  int64_t size = 0;
  if (!RegularFileSize(f, &size)) {
    std::fclose(f);
    return nullptr;
  }
  return f;
}

// Opens an 8-bit name.
std::FILE *OpenOne(const char *name, FileOpenMode mode) {
  return KeepRegularForReading(std::fopen(name, mode == FileOpenMode::kRead ? "rb" : "wb"), mode);
}

#ifdef _WIN32
static_assert(sizeof(wchar_t) == sizeof(char16_t), "the Windows runtime takes UTF-16 names");

// The runtime's own open by 16-bit name, after the same checks of the name
// as elsewhere (bounded, well-formed), so that _wfopen never reads past a
// name that was never meant as 16-bit.
std::FILE *OpenWide(const char16_t *name, FileOpenMode mode) {
  std::string checked;
  if (!WideNameToUtf8(name, &checked)) return nullptr;
  const auto *wide = reinterpret_cast<const wchar_t *>(name);
  return KeepRegularForReading(_wfopen(wide, mode == FileOpenMode::kRead ? L"rb" : L"wb"), mode);
}
#else
// Without a 16-bit open in the runtime the name is opened in its UTF-8 form.
std::FILE *OpenWide(const char16_t *name, FileOpenMode mode) {
  std::string converted;
  if (!WideNameToUtf8(name, &converted)) return nullptr;
  return OpenOne(converted.c_str(), mode);
}
#endif

}  // namespace

bool WideNameToUtf8(const char16_t *name, std::string *out) {
  out->clear();
  size_t i = 0;
  for (;; ++i) {
    if (i >= kMaxWideNameUnits) return false;
    uint32_t unit = name[i];
    if (unit == 0) break;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (i + 1 >= kMaxWideNameUnits) return false;
      const uint32_t low = name[i + 1];
      if (low < 0xDC00 || low > 0xDFFF) return false;  // unpaired high surrogate
      AppendUtf8(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00), out);
      ++i;
      continue;
    }
    if (unit >= 0xDC00 && unit <= 0xDFFF) return false;  // unpaired low surrogate
    AppendUtf8(unit, out);
  }
  return !out->empty();
}

bool LooksLikeNarrowName(const char *name) {
  const auto *p = reinterpret_cast<const unsigned char *>(name);
  size_t length = 0;
  while (p[length] != 0) {
    const unsigned char c = p[length];
    if (c < 0x20 || c == 0x7F) return false;
    if (c < 0x80) {
      ++length;
      continue;
    }
    // A well-formed UTF-8 sequence of 2 to 4 bytes.
    int extra = (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || c == 0xC0 || c == 0xC1 || c > 0xF4) return false;
    for (int k = 1; k <= extra; ++k) {
      if ((p[length + k] & 0xC0) != 0x80) return false;
    }
    length += static_cast<size_t>(extra) + 1;
  }
  return length >= 2;
}

std::FILE *OpenNamedFile(const void *name, FileOpenMode mode) {
  if (name == nullptr) return nullptr;
  const char *narrow = static_cast<const char *>(name);
  if (narrow[0] != 0) {
    if (std::FILE *f = OpenOne(narrow, mode)) return f;
  }
  if (LooksLikeNarrowName(narrow)) return nullptr;
  return OpenWide(static_cast<const char16_t *>(name), mode);
}

}  // namespace kexif
