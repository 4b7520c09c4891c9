// Writes the project's sample photo: make_sample OUT.jpg [--big-endian]
#include <cstdio>
#include <cstring>

#include "tests/support/sample_photo.h"

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUT.jpg [--big-endian]\n", argv[0]);
    return 2;
  }
  const bool big = argc > 2 && std::strcmp(argv[2], "--big-endian") == 0;
  const kexif::test::Bytes bytes = kexif::test::SamplePhotoJpeg(big);
  std::FILE *f = std::fopen(argv[1], "wb");
  if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
    std::fprintf(stderr, "%s: cannot write\n", argv[1]);
    return 1;
  }
  std::fclose(f);
  return 0;
}
