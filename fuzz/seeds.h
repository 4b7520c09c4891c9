// Starting inputs for the fuzzers, made with the test builders: valid JPEG
// and TIFF files of both byte orders with every directory kind, thumbnails,
// image strips, FPXR sound clips, XMP, IPTC and Photoshop blocks.
#ifndef KEXIF_FUZZ_SEEDS_H
#define KEXIF_FUZZ_SEEDS_H

#include <string>
#include <vector>

#include "tests/support/tiff_builder.h"

namespace kexif::fuzz {

struct Seed {
  std::string name;
  test::Bytes bytes;
};

// The seed inputs of the named harness (empty for an unknown name).
std::vector<Seed> MakeSeeds(const std::string &harness);

}  // namespace kexif::fuzz

#endif
