#include "fuzz/tag_answers.h"

#include <cstdlib>

#include "fuzz/harness_support.h"

namespace kexif::fuzz {

Answer Ask(KExifHandle h, uint32_t tag, int32_t directory) {
  Answer answer;
  TagValue value{-1, -1, nullptr};
  answer.result = kExifGetTag(h, tag, &value, directory);
  if (answer.result != 0) return answer;
  answer.type = value.type;
  answer.count = value.count;
  if (TypeElementSize(static_cast<uint32_t>(value.type)) != 0) {
    TouchTagValue(value);
    const size_t n = static_cast<size_t>(value.count) * TypeElementSize(static_cast<uint32_t>(value.type));
    if (n != 0) answer.bytes.assign(static_cast<const uint8_t *>(value.data), static_cast<const uint8_t *>(value.data) + n);
  }
  std::free(value.data);
  return answer;
}

bool HoldsOffset(uint32_t tag) {
  switch (tag) {
    case 273: case 279: case 324: case 325: case 513: case 514: case 34665: case 34853: case 40965: return true;
    default: return false;
  }
}

std::vector<Answer> Snapshot(KExifHandle h) {
  std::vector<Answer> answers;
  for (int round = 0; round < 2; ++round) {
    answers.clear();
    for (size_t i = 0; i < kQueriedTagCount; ++i) {
      if (!HoldsOffset(kQueriedTags[i])) answers.push_back(Ask(h, kQueriedTags[i], 0));
    }
  }
  return answers;
}

}  // namespace kexif::fuzz
