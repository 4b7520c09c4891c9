#include "tests/support/jpeg_builder.h"

#include <algorithm>

namespace kexif::test {

JpegBuilder &JpegBuilder::Soi() { return Raw({0xFF, 0xD8}); }

JpegBuilder &JpegBuilder::Eoi() { return Raw({0xFF, 0xD9}); }

JpegBuilder &JpegBuilder::SegmentWithLength(uint8_t marker, uint16_t lengthField, const Bytes &payload) {
  Raw({0xFF, marker, static_cast<uint8_t>(lengthField >> 8), static_cast<uint8_t>(lengthField)});
  return Raw(payload);
}

JpegBuilder &JpegBuilder::Segment(uint8_t marker, const Bytes &payload) {
  return SegmentWithLength(marker, static_cast<uint16_t>(payload.size() + 2), payload);
}

JpegBuilder &JpegBuilder::App0Jfif() {
  return Segment(0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
}

Bytes ExifPayload(const Bytes &tiff) {
  Bytes payload = {'E', 'x', 'i', 'f', 0, 0};
  payload.insert(payload.end(), tiff.begin(), tiff.end());
  return payload;
}

JpegBuilder &JpegBuilder::App1Xmp(const std::string &text) {
  const std::string id = "http://ns.adobe.com/xap/1.0/";
  Bytes payload(id.begin(), id.end());
  payload.push_back(0);
  payload.insert(payload.end(), text.begin(), text.end());
  return Segment(0xE1, payload);
}

JpegBuilder &JpegBuilder::Dqt() {
  Bytes payload(65, 1);
  payload[0] = 0;
  return Segment(0xDB, payload);
}

JpegBuilder &JpegBuilder::Sof0() {
  return Segment(0xC0, {8, 0, 16, 0, 16, 1, 1, 0x11, 0});
}

JpegBuilder &JpegBuilder::Dht() {
  Bytes payload(29, 0);
  payload[1] = 1;
  return Segment(0xC4, payload);
}

JpegBuilder &JpegBuilder::Sos() {
  return Segment(0xDA, {1, 1, 0, 0, 63, 0, 0, 0, 0, 0});
}

JpegBuilder &JpegBuilder::Raw(const Bytes &bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}

JpegBuilder &JpegBuilder::ScanData(size_t n) {
  for (size_t i = 0; i < n; ++i) bytes_.push_back(static_cast<uint8_t>((i * 13 + 5) % 0xFF));
  return *this;
}

Bytes MakeJpeg(const Bytes &tiff, size_t scanBytes) {
  return JpegBuilder().Soi().App0Jfif().App1Exif(tiff).Dqt().Sof0().Dht().Sos().ScanData(scanBytes).Eoi().Build();
}

Bytes MakeJpegWithoutExif(size_t scanBytes) {
  return JpegBuilder().Soi().App0Jfif().Dqt().Sof0().Dht().Sos().ScanData(scanBytes).Eoi().Build();
}

Bytes FpxrStreamPayload(uint16_t streamIndex, uint32_t streamOffset, const Bytes &data) {
  Bytes p = {'F', 'P', 'X', 'R', 0, 0, 2,
             static_cast<uint8_t>(streamIndex >> 8), static_cast<uint8_t>(streamIndex),
             static_cast<uint8_t>(streamOffset >> 24), static_cast<uint8_t>(streamOffset >> 16),
             static_cast<uint8_t>(streamOffset >> 8), static_cast<uint8_t>(streamOffset)};
  p.insert(p.end(), data.begin(), data.end());
  return p;
}

Bytes FakeWave(size_t totalSize, uint8_t seed) {
  Bytes w(totalSize < 12 ? 12 : totalSize);
  for (size_t i = 0; i < w.size(); ++i) w[i] = static_cast<uint8_t>(seed + i * 3);
  const size_t riffSize = w.size() - 8;
  const uint8_t head[12] = {'R', 'I', 'F', 'F', static_cast<uint8_t>(riffSize), static_cast<uint8_t>(riffSize >> 8),
                            static_cast<uint8_t>(riffSize >> 16), static_cast<uint8_t>(riffSize >> 24),
                            'W', 'A', 'V', 'E'};
  std::copy(head, head + 12, w.begin());
  return w;
}

}  // namespace kexif::test
