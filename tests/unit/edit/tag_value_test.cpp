#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "edit/tag_value.h"

namespace kexif {
namespace {

uint8_t WordByte(const TagNode &node, int i) {
  uint8_t bytes[4];
  std::memcpy(bytes, &node.value, 4);
  return bytes[i];
}

TEST(StoreTagValue, AsciiOfFourBytesSitsInTheWordAndOfFiveInData) {
  TagNode four;
  TagValue text4{kTypeAscii, 4, const_cast<char *>("abc")};
  four.type = kTypeAscii;
  four.count = 4;
  StoreTagValue(four, text4);
  EXPECT_EQ(four.data, nullptr);
  EXPECT_EQ(WordByte(four, 0), 'a');
  EXPECT_EQ(WordByte(four, 3), 0);

  TagNode five;
  TagValue text5{kTypeAscii, 5, const_cast<char *>("abcd")};
  ReplaceEntryValue(five, text5);
  ASSERT_NE(five.data, nullptr);
  EXPECT_EQ(five.dataLength, 5);
  EXPECT_EQ(five.value, 0);
  EXPECT_STREQ(reinterpret_cast<char *>(five.data), "abcd");
}

TEST(StoreTagValue, ShortOfOneLeavesTheUpperHalfZeroAndOfThreeGoesToData) {
  uint16_t shorts[3] = {0x1234, 0x5678, 0x9ABC};
  TagNode one;
  ReplaceEntryValue(one, TagValue{kTypeShort, 1, shorts});
  EXPECT_EQ(static_cast<uint32_t>(one.value), 0x1234u);
  TagNode two;
  ReplaceEntryValue(two, TagValue{kTypeShort, 2, shorts});
  EXPECT_EQ(static_cast<uint32_t>(two.value), 0x56781234u);
  TagNode three;
  ReplaceEntryValue(three, TagValue{kTypeShort, 3, shorts});
  EXPECT_EQ(three.dataLength, 6);
  EXPECT_EQ(std::memcmp(three.data, shorts, 6), 0);
}

TEST(StoreTagValue, LongOfCountZeroStoresNothingAndOfOneSitsInTheWord) {
  uint32_t number = 0xCAFEBABE;
  TagNode zero;
  zero.value = 77;
  ReplaceEntryValue(zero, TagValue{kTypeLong, 0, nullptr});
  EXPECT_EQ(zero.value, 0);
  EXPECT_EQ(zero.data, nullptr);
  EXPECT_EQ(zero.count, 0);
  TagNode one;
  ReplaceEntryValue(one, TagValue{kTypeLong, 1, &number});
  EXPECT_EQ(static_cast<uint32_t>(one.value), 0xCAFEBABEu);
  EXPECT_EQ(one.data, nullptr);
}

TEST(StoreTagValue, RationalOfCountOneIsAlwaysHeldInData) {
  uint32_t fraction[2] = {1, 250};
  TagNode node;
  ReplaceEntryValue(node, TagValue{kTypeRational, 1, fraction});
  EXPECT_EQ(node.value, 0);
  ASSERT_EQ(node.dataLength, 8);
  EXPECT_EQ(std::memcmp(node.data, fraction, 8), 0);
}

TEST(ReplaceEntryValue, ALongTextReplacedByAShortOneMovesIntoTheWord) {
  std::string longText(19, 'x');
  TagNode node;
  ReplaceEntryValue(node, TagValue{kTypeAscii, 20, longText.data()});
  ASSERT_EQ(node.dataLength, 20);
  ReplaceEntryValue(node, TagValue{kTypeAscii, 3, const_cast<char *>("ok")});
  EXPECT_EQ(node.data, nullptr);
  EXPECT_EQ(node.dataLength, 0);
  EXPECT_EQ(node.count, 3);
  EXPECT_EQ(WordByte(node, 0), 'o');
  EXPECT_EQ(WordByte(node, 2), 0);
}

TEST(ReplaceEntryValue, ATypeOutsideTheKnownOnesKeepsTypeAndCountWithoutValue) {
  uint32_t fraction[2] = {3, 4};
  TagNode node;
  ReplaceEntryValue(node, TagValue{kTypeRational, 1, fraction});
  ReplaceEntryValue(node, TagValue{13, 6, fraction});
  EXPECT_EQ(node.type, 13);
  EXPECT_EQ(node.count, 6);
  EXPECT_EQ(node.value, 0);
  EXPECT_EQ(node.data, nullptr);
}

TEST(TagValueUsable, RefusesNegativeCountsMissingBytesAndOversizedValues) {
  uint8_t byte = 0;
  EXPECT_FALSE(TagValueUsable(TagValue{kTypeByte, -1, &byte}, INT32_MAX));
  EXPECT_FALSE(TagValueUsable(TagValue{kTypeByte, 1, nullptr}, INT32_MAX));
  EXPECT_TRUE(TagValueUsable(TagValue{kTypeByte, 0, nullptr}, INT32_MAX));
  // 0x20000000 doubles are 4 GiB: the product must not wrap to something small.
  EXPECT_FALSE(TagValueUsable(TagValue{kTypeDouble, 0x20000000, &byte}, INT32_MAX));
  EXPECT_TRUE(TagValueUsable(TagValue{kTypeLong, 16383, &byte}, 65533));
  EXPECT_FALSE(TagValueUsable(TagValue{kTypeLong, 16384, &byte}, 65533));
  EXPECT_EQ(TagValueByteSize(TagValue{kTypeSRational, 3, &byte}), 24);
  EXPECT_EQ(TagValueByteSize(TagValue{99, 3, &byte}), 3);
}

}  // namespace
}  // namespace kexif
