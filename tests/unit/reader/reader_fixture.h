// Helpers shared by the read-only family's tests: a context that ends
// itself, and value accessors.
#ifndef KEXIF_TESTS_UNIT_READER_READER_FIXTURE_H
#define KEXIF_TESTS_UNIT_READER_READER_FIXTURE_H

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "include/kexif.h"
#include "tests/support/jpeg_builder.h"
#include "tests/support/temp_files.h"
#include "tests/support/tiff_builder.h"

namespace kexif::test {

using Reader = std::unique_ptr<KRExifContext, void (*)(KRExifHandle)>;

inline Reader OpenReader(const void *name) { return Reader(kRExifBeginRead(name), &kRExifEndRead); }

// Writes the bytes to a scratch file and opens a context on it.
inline Reader OpenBytes(const TempDir &dir, const Bytes &bytes, const std::string &name = "file.bin") {
  return OpenReader(dir.Write(name, bytes).c_str());
}

// The text of an ASCII value, without the stored NUL.
inline std::string Text(const TagValue &v) {
  if (v.data == nullptr || v.count < 1) return {};
  return std::string(static_cast<const char *>(v.data), static_cast<size_t>(v.count - 1));
}


inline std::vector<uint32_t> Words(const void *data, size_t n) {
  std::vector<uint32_t> out(n);
  if (n != 0) std::memcpy(out.data(), data, n * 4);
  return out;
}

inline std::vector<uint16_t> Halves(const void *data, size_t n) {
  std::vector<uint16_t> out(n);
  if (n != 0) std::memcpy(out.data(), data, n * 2);
  return out;
}

// A JPEG whose Exif segment holds the TIFF data of a single directory.
inline Bytes JpegWithDirectory(bool bigEndian, Ifd &&ifd0) {
  TiffBuilder b(bigEndian);
  b.AddDirectory() = std::move(ifd0);
  return MakeJpeg(b.Build());
}

}  // namespace kexif::test

#endif
