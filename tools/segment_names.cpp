#include "tools/segment_names.h"

#include <cstring>

#include "model/exif_constants.h"

namespace kexif::cli {
namespace {

// Identifiers longer than this are not read as one.
constexpr size_t kLongestIdentifier = 64;
constexpr int32_t kMarkerCom = 0xFE;

struct MarkerWords {
  int32_t marker;
  const char *name;
  const char *purpose;
};

constexpr MarkerWords kMarkers[] = {
    {0xC0, "SOF0", "baseline"},        {0xC1, "SOF1", "extended sequential"}, {0xC2, "SOF2", "progressive"},
    {0xC3, "SOF3", "lossless"},        {0xC4, "DHT", "Huffman tables"},       {0xC5, "SOF5", "differential sequential"},
    {0xC6, "SOF6", "differential progressive"}, {0xC7, "SOF7", "differential lossless"},
    {0xC9, "SOF9", "arithmetic sequential"},    {0xCA, "SOF10", "arithmetic progressive"},
    {0xCB, "SOF11", "arithmetic lossless"},     {0xCC, "DAC", "arithmetic conditioning"},
    {0xD8, "SOI", "start of image"},   {0xD9, "EOI", "end of image"},         {0xDA, "SOS", "start of scan"},
    {0xDB, "DQT", "quantization tables"}, {0xDC, "DNL", "number of lines"},  {0xDD, "DRI", "restart interval"},
    {kMarkerCom, "COM", "comment"},    {kIdRawRun, "DATA", "image data"},
};

bool Printable(uint8_t c) { return c >= 0x20 && c < 0x7F; }

}  // namespace

std::string MarkerName(int32_t marker) {
  if (marker >= kMarkerApp0 && marker <= kMarkerApp15) return "APP" + std::to_string(marker - kMarkerApp0);
  for (const MarkerWords &words : kMarkers) {
    if (words.marker == marker) return words.name;
  }
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(marker) & 0xFFu);
  return text;
}

std::string MarkerPurpose(int32_t marker) {
  for (const MarkerWords &words : kMarkers) {
    if (words.marker == marker) return words.purpose;
  }
  return "";
}

std::string SegmentIdentifier(std::FILE *file, const SegmentNode &segment) {
  uint8_t bytes[kLongestIdentifier];
  size_t got = 0;
  const size_t wanted = segment.dataLength > 0 && static_cast<size_t>(segment.dataLength) < sizeof bytes
                            ? static_cast<size_t>(segment.dataLength)
                            : sizeof bytes;
  if (file != nullptr && segment.fileOffset > 0 && !segment.addedAudio &&
      std::fseek(file, segment.fileOffset, SEEK_SET) == 0) {
    got = std::fread(bytes, 1, wanted, file);
  }
  size_t end = 0;
  while (end < got && Printable(bytes[end])) ++end;
  if (end > 0 && end < got && bytes[end] == 0) return std::string(reinterpret_cast<const char *>(bytes), end);
  std::string label;
  for (size_t i = 0; segment.label != nullptr && i < 4 && Printable(static_cast<uint8_t>(segment.label[i])); ++i) {
    label += segment.label[i];
  }
  return label;
}

}  // namespace kexif::cli
