#include "bench/bench_inputs.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "tests/support/jpeg_builder.h"
#include "tests/support/sample_photo.h"
#include "tests/support/tiff_builder.h"

namespace kexif::bench {
namespace {

using test::Bytes;

// Thumbnail size of a typical camera file of the early 2000s.
constexpr size_t kThumbnailBytes = 4782;
// A 1024x768 JPEG at quality 92 carries about 94 KB of scan data, a
// 6000x4000 one about 9.2 MB; 200 MB is a panorama or a scan.
constexpr size_t kSmallScanBytes = 94 * 1024;
constexpr size_t kBigScanBytes = 9200 * 1024;
constexpr size_t kHugeScanBytes = 200 * 1024 * 1024;
// 4000x3000 RGB, 8 bits, 32 rows per strip.
constexpr uint32_t kTiffWidth = 4000;
constexpr uint32_t kTiffHeight = 3000;
constexpr uint32_t kRowsPerStrip = 32;
constexpr uint32_t kSamples = 3;

// Entropy-coded data look random: about one byte in 256 is 0xFF, which the
// encoder follows by a stuffed 0x00. A fixed seed gives the same bytes
// every run.
Bytes ScanData(size_t n, uint64_t seed) {
  Bytes out;
  out.reserve(n + 8);
  uint64_t x = seed;
  while (out.size() < n) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    for (int i = 0; i < 8 && out.size() < n; ++i) {
      const auto b = static_cast<uint8_t>(x >> (8 * i));
      out.push_back(b);
      if (b == 0xFF) out.push_back(0x00);
    }
  }
  return out;
}

// The JPEG layout of a camera file: SOI, APP1 Exif, DQT, SOF0, DHT, SOS,
// scan data, EOI. Sets headBytes to the end of the SOS header.
Bytes CameraJpeg(size_t scanBytes, int64_t *headBytes) {
  test::JpegBuilder jpeg;
  jpeg.Soi().App1Exif(test::SampleTiffStructure(false, kThumbnailBytes)).Dqt().Sof0().Dht().Sos();
  *headBytes = static_cast<int64_t>(jpeg.Size());
  jpeg.Raw(ScanData(scanBytes, 0x9E3779B97F4A7C15ull)).Eoi();
  return jpeg.Build();
}

Bytes UncompressedTiff(int64_t *headBytes) {
  test::TiffBuilder tiff(false);
  test::Ifd &ifd0 = tiff.AddDirectory();
  ifd0.Add(test::Entry::Long(256, {kTiffWidth}))
      .Add(test::Entry::Long(257, {kTiffHeight}))
      .Add(test::Entry::Short(258, {8, 8, 8}))
      .Add(test::Entry::Short(259, {1}))
      .Add(test::Entry::Short(262, {2}))
      .Add(test::Entry::Ascii(270, "A sample scan"))
      .Add(test::Entry::Ascii(271, "KexifCam"))
      .Add(test::Entry::Ascii(272, "Model One"))
      .Add(test::Entry::Short(274, {1}))
      .Add(test::Entry::Short(277, {kSamples}))
      .Add(test::Entry::Long(278, {kRowsPerStrip}))
      .Add(test::Entry::Rational(282, {{72, 1}}))
      .Add(test::Entry::Rational(283, {{72, 1}}))
      .Add(test::Entry::Short(284, {1}))
      .Add(test::Entry::Short(296, {2}))
      .Add(test::Entry::Ascii(306, "2026:12:06 10:00:00"));
  ifd0.Exif()
      .Add(test::Entry::Rational(33434, {{1, 160}}))
      .Add(test::Entry::Rational(33437, {{28, 10}}))
      .Add(test::Entry::Short(34855, {200}))
      .Add(test::Entry::Ascii(36867, "2026:12:06 09:59:58"));
  const size_t rowBytes = static_cast<size_t>(kTiffWidth) * kSamples;
  uint8_t shade = 0;
  for (uint32_t row = 0; row < kTiffHeight; row += kRowsPerStrip) {
    const uint32_t rows = std::min(kRowsPerStrip, kTiffHeight - row);
    ifd0.strips.emplace_back(rowBytes * rows, shade++);
  }
  Bytes bytes = tiff.Build();
  // The builder places the strips behind every directory and value.
  *headBytes = static_cast<int64_t>(bytes.size()) - static_cast<int64_t>(rowBytes) * kTiffHeight;
  return bytes;
}

void WriteFile(const std::string &path, const Bytes &bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

InputFile Describe(const std::string &folder, const std::string &name, const Bytes &bytes, int64_t head) {
  InputFile file{name, folder + "/" + name, static_cast<int64_t>(bytes.size()), head};
  WriteFile(file.path, bytes);
  return file;
}

}  // namespace

Inputs MakeInputs(const std::string &folder, size_t batchFiles) {
  std::filesystem::create_directories(folder + "/batch");
  Inputs inputs;
  inputs.folder = folder;
  int64_t head = 0;
  const Bytes small = CameraJpeg(kSmallScanBytes, &head);
  inputs.smallJpeg = Describe(folder, "small.jpg", small, head);
  inputs.batchHeadBytes = head;
  inputs.bigJpeg = Describe(folder, "big.jpg", CameraJpeg(kBigScanBytes, &head), head);
  inputs.hugeJpeg = Describe(folder, "huge.jpg", CameraJpeg(kHugeScanBytes, &head), head);
  const Bytes tiff = UncompressedTiff(&head);
  inputs.bigTiff = Describe(folder, "big.tif", tiff, head);
  for (size_t i = 0; i < batchFiles; ++i) {
    const std::string path = folder + "/batch/" + std::to_string(i) + ".jpg";
    WriteFile(path, small);
    inputs.batch.push_back(path);
  }
  return inputs;
}

}  // namespace kexif::bench
