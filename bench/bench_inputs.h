// The benchmark inputs, made once per run by the test builders: a 100 KB, a
// 24-megapixel (9 MB) and a 200 MB JPEG with a camera-like Exif block and
// thumbnail, a 36 MB
// uncompressed TIFF whose directories lie in its first kilobytes, and a
// folder of 1000 small JPEGs.
#ifndef KEXIF_BENCH_BENCH_INPUTS_H
#define KEXIF_BENCH_BENCH_INPUTS_H

#include <cstdint>
#include <string>
#include <vector>

namespace kexif::bench {

struct InputFile {
  std::string name;      // short name used in case names ("big.jpg")
  std::string path;
  int64_t size = 0;
  int64_t headBytes = 0;  // bytes before the image data: what a reader must read
};

struct Inputs {
  std::string folder;
  InputFile smallJpeg;
  InputFile bigJpeg;
  InputFile hugeJpeg;  // 200 MB: a load must cost what the 100 KB one costs
  InputFile bigTiff;
  std::vector<std::string> batch;  // paths of the batch files
  int64_t batchHeadBytes = 0;
};

// Writes the inputs into folder (created when missing) and describes them.
// Throws std::runtime_error when a file cannot be written.
Inputs MakeInputs(const std::string &folder, size_t batchFiles);

}  // namespace kexif::bench

#endif
