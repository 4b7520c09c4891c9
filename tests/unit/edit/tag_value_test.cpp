#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "edit/tag_value.h"

namespace kexif {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes WordBytes(const TagNode &node) {
  Bytes word(4);
  std::memcpy(word.data(), &node.value, 4);
  return word;
}

// A value of up to 4 bytes sits in the word (unused bytes zero, no data);
// a longer one, and every RATIONAL, in data with a zero word. Whatever the
// entry held before goes; a type outside the known ones keeps its type and
// count without a value. (Values on both sides of the 4-byte limit are read
// back through kExifGetTag by the C interface's tests.)
TEST(ReplaceEntryValue, PutsValuesOfUpToFourBytesInTheWordAndLongerOnesInData) {
  const uint16_t shorts[1] = {0x1234};
  const uint32_t fraction[2] = {1, 250};
  const struct {
    const char *name;
    TagValue value;
    bool inWord;
    int32_t byteSize;
  } cases[] = {
      {"ascii of 5", {kTypeAscii, 5, const_cast<char *>("abcd")}, false, 5},
      {"short of 1", {kTypeShort, 1, const_cast<uint16_t *>(shorts)}, true, 2},
      {"long of 0", {kTypeLong, 0, nullptr}, true, 0},
      {"rational of 1", {kTypeRational, 1, const_cast<uint32_t *>(fraction)}, false, 8},
      {"unknown type 13", {13, 6, const_cast<uint32_t *>(fraction)}, true, 0},
  };
  const std::string longText(19, 'x');
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    const auto *bytes = static_cast<const uint8_t *>(c.value.data);
    const Bytes expected(bytes, bytes + c.byteSize);
    TagNode node;
    ASSERT_EQ(node.SetData(longText.c_str(), 20), 1);
    node.value = 77;
    ASSERT_EQ(ReplaceEntryValue(node, c.value), 1);
    EXPECT_EQ(node.type, c.value.type);
    EXPECT_EQ(node.count, c.value.count);
    if (c.inWord) {
      Bytes word = expected;
      word.resize(4, 0);
      EXPECT_EQ(WordBytes(node), word);
      EXPECT_EQ(node.data, nullptr);
      EXPECT_EQ(node.dataLength, 0);
    } else {
      EXPECT_EQ(node.value, 0);
      ASSERT_EQ(node.dataLength, c.byteSize);
      EXPECT_EQ(Bytes(node.data, node.data + node.dataLength), expected);
    }
  }
}

TEST(TagValueUsable, RefusesValuesOverTheLimitWithoutWrappingAndSizesUnknownTypesAsBytes) {
  // Negative counts and missing bytes are refused through kExifSetTag.
  uint8_t byte = 0;
  // 0x20000000 doubles are 4 GiB: the product must not wrap to something small.
  EXPECT_FALSE(TagValueUsable(TagValue{kTypeDouble, 0x20000000, &byte}, INT32_MAX));
  EXPECT_TRUE(TagValueUsable(TagValue{kTypeLong, 16383, &byte}, 65533));
  EXPECT_FALSE(TagValueUsable(TagValue{kTypeLong, 16384, &byte}, 65533));
  EXPECT_EQ(TagValueByteSize(TagValue{kTypeSRational, 3, &byte}), 24);
  EXPECT_EQ(TagValueByteSize(TagValue{99, 3, &byte}), 3);
}

}  // namespace
}  // namespace kexif
