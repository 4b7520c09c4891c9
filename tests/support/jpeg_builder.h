// Builds JPEG files for tests segment by segment.
#ifndef KEXIF_TESTS_SUPPORT_JPEG_BUILDER_H
#define KEXIF_TESTS_SUPPORT_JPEG_BUILDER_H

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/tiff_builder.h"

namespace kexif::test {

// "Exif" 00 00 followed by the TIFF bytes: an APP1 Exif payload.
Bytes ExifPayload(const Bytes &tiff);

class JpegBuilder {
 public:
  JpegBuilder &Soi();
  JpegBuilder &Eoi();
  // A segment with a correct length field: FF marker len(2, big-endian) payload.
  JpegBuilder &Segment(uint8_t marker, const Bytes &payload);
  // A segment whose length field is written as given.
  JpegBuilder &SegmentWithLength(uint8_t marker, uint16_t lengthField, const Bytes &payload);
  JpegBuilder &App0Jfif();
  JpegBuilder &App1Exif(const Bytes &tiff) { return Segment(0xE1, ExifPayload(tiff)); }
  // APP1 with an XMP-like identifier.
  JpegBuilder &App1Xmp(const std::string &text = "<x:xmpmeta/>");
  JpegBuilder &Dqt();
  JpegBuilder &Sof0();
  JpegBuilder &Dht();
  // SOS header with a 12-byte length field (10 payload bytes).
  JpegBuilder &Sos();
  // Entropy-coded bytes as given.
  JpegBuilder &Raw(const Bytes &bytes);
  // n bytes of scan data without FF bytes except for the given pairs.
  JpegBuilder &ScanData(size_t n);
  // Position the next byte will take.
  size_t Size() const { return bytes_.size(); }
  const Bytes &Build() const { return bytes_; }

 private:
  Bytes bytes_;
};

// The usual file: SOI, APP0 JFIF, APP1 Exif(tiff), DQT, SOF0, DHT, SOS,
// scanBytes of scan data, EOI.
Bytes MakeJpeg(const Bytes &tiff, size_t scanBytes = 64);
// The same without APP1.
Bytes MakeJpegWithoutExif(size_t scanBytes = 64);

// An FPXR APP2 payload of the stream-data kind.
Bytes FpxrStreamPayload(uint16_t streamIndex, uint32_t streamOffset, const Bytes &data);
// A RIFF WAVE file of the given total size.
Bytes FakeWave(size_t totalSize, uint8_t seed = 0);

}  // namespace kexif::test

#endif
