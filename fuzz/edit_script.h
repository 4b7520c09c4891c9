// The bytes that steer an editing harness: an input is a file followed by a
// script of edits, whose length stands in the input's last byte. The script
// is read as a stream of small numbers; once it runs dry every number is 0,
// so any script is a valid one.
#ifndef KEXIF_FUZZ_EDIT_SCRIPT_H
#define KEXIF_FUZZ_EDIT_SCRIPT_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "include/kexif.h"

namespace kexif::fuzz {

struct Span {
  const uint8_t *data;
  size_t size;
};

// Splits data into the file and the trailing script: the last byte gives
// the script length (cut to what precedes it).
void SplitFileAndScript(const uint8_t *data, size_t size, Span *file, Span *script);
// Splits data into two files: the first two bytes (little-endian) give the
// length of the first file (cut to what follows them).
void SplitTwoFiles(const uint8_t *data, size_t size, Span *first, Span *second);

class ScriptReader {
 public:
  explicit ScriptReader(Span script) : data_(script.data), size_(script.size) {}
  bool Done() const { return position_ >= size_; }
  uint8_t Byte();
  uint16_t U16();
  // One of n choices (n > 0).
  size_t Choose(size_t n) { return Byte() % n; }
  // n bytes from the script; where it runs dry, a fixed pattern.
  std::vector<uint8_t> Bytes(size_t n);

 private:
  const uint8_t *data_;
  size_t size_;
  size_t position_ = 0;
};

// A tag value chosen by the script: mostly the twelve TIFF types with small
// counts, now and then an unknown type, a zero count or a long value.
struct ScriptedValue {
  TagValue value;
  std::vector<uint8_t> bytes;  // what value.data points at
};
ScriptedValue ReadValue(ScriptReader &script);

// A JPEG stream of the given size (FF D8 ... FF D9, at least 4 bytes) whose
// middle bytes come from the script.
std::vector<uint8_t> ReadJpegStream(ScriptReader &script, size_t size);

}  // namespace kexif::fuzz

#endif
