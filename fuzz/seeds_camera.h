// Seed files shaped like what cameras and editors write: maker notes of
// the common layouts, XMP and ICC segments, progressive JPEGs, segments
// after the image data, and big-endian files with every sub-directory.
#ifndef KEXIF_FUZZ_SEEDS_CAMERA_H
#define KEXIF_FUZZ_SEEDS_CAMERA_H

#include <vector>

#include "fuzz/seeds.h"

namespace kexif::fuzz {

// Files for the single-file harnesses, JPEG and TIFF, both byte orders.
std::vector<Seed> CameraLikeSeeds();

// A camera-like JPEG with a maker note, GPS, Interoperability and a
// thumbnail, in the given byte order.
test::Bytes CameraLikeJpeg(bool bigEndian);

}  // namespace kexif::fuzz

#endif
