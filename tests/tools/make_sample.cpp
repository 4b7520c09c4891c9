// Writes the project's sample photo:
//   make_sample OUT.jpg [--big-endian] [--scan-bytes N]
// N sets the size of the image data (the file is about N bytes plus the
// metadata), for benchmarks over photos of a chosen size.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/support/sample_photo.h"

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUT.jpg [--big-endian] [--scan-bytes N]\n", argv[0]);
    return 2;
  }
  bool big = false;
  size_t scanBytes = 4096;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--big-endian") == 0) {
      big = true;
    } else if (std::strcmp(argv[i], "--scan-bytes") == 0 && i + 1 < argc) {
      scanBytes = static_cast<size_t>(std::strtoull(argv[++i], nullptr, 10));
    } else {
      std::fprintf(stderr, "%s: unknown argument\n", argv[i]);
      return 2;
    }
  }
  const kexif::test::Bytes bytes = kexif::test::SamplePhotoJpeg(big, scanBytes);
  std::FILE *f = std::fopen(argv[1], "wb");
  if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
    std::fprintf(stderr, "%s: cannot write\n", argv[1]);
    return 1;
  }
  std::fclose(f);
  return 0;
}
