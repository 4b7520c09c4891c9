#include "fuzz/edit_script.h"

#include <algorithm>

#include "fuzz/harness_support.h"

namespace kexif::fuzz {

void SplitFileAndScript(const uint8_t *data, size_t size, Span *file, Span *script) {
  if (size == 0) {
    *file = {data, 0};
    *script = {data, 0};
    return;
  }
  const size_t scriptSize = std::min<size_t>(data[size - 1], size - 1);
  *file = {data, size - 1 - scriptSize};
  *script = {data + file->size, scriptSize};
}

void SplitTwoFiles(const uint8_t *data, size_t size, Span *first, Span *second) {
  if (size < 2) {
    *first = {data, 0};
    *second = {data, 0};
    return;
  }
  const size_t firstSize = std::min<size_t>(static_cast<size_t>(data[0] | (data[1] << 8)), size - 2);
  *first = {data + 2, firstSize};
  *second = {data + 2 + firstSize, size - 2 - firstSize};
}

uint8_t ScriptReader::Byte() { return position_ < size_ ? data_[position_++] : 0; }

uint16_t ScriptReader::U16() {
  const uint16_t low = Byte();
  return static_cast<uint16_t>(low | (Byte() << 8));
}

std::vector<uint8_t> ScriptReader::Bytes(size_t n) {
  std::vector<uint8_t> out(n);
  for (size_t i = 0; i < n; ++i) out[i] = position_ < size_ ? data_[position_++] : static_cast<uint8_t>(0x41 + i % 26);
  return out;
}

ScriptedValue ReadValue(ScriptReader &script) {
  const uint8_t typeChoice = script.Byte();
  const uint8_t countChoice = script.Byte();
  // Types 0 and 13 stand for the unknown ones.
  const int32_t type = typeChoice % 14;
  int32_t count = countChoice % 24;
  if (countChoice >= 0xF0) count = 100 + (countChoice - 0xF0) * 300;  // long values
  const size_t element = TypeElementSize(static_cast<uint32_t>(type));
  ScriptedValue out;
  out.bytes = script.Bytes(static_cast<size_t>(count) * (element == 0 ? 1 : element));
  if (type == 2 && !out.bytes.empty()) out.bytes.back() = 0;  // texts end in NUL as cameras write them
  out.value = TagValue{type, count, out.bytes.empty() ? nullptr : out.bytes.data()};
  return out;
}

std::vector<uint8_t> ReadJpegStream(ScriptReader &script, size_t size) {
  size = std::max<size_t>(size, 4);
  std::vector<uint8_t> out = script.Bytes(size);
  out[0] = 0xFF;
  out[1] = 0xD8;
  out[size - 2] = 0xFF;
  out[size - 1] = 0xD9;
  return out;
}

}  // namespace kexif::fuzz
