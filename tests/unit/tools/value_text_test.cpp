#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "model/exif_constants.h"
#include "tools/value_text.h"

namespace kexif::cli {
namespace {

template <typename T>
std::vector<uint8_t> Raw(const std::vector<T> &values) {
  std::vector<uint8_t> bytes(values.size() * sizeof(T));
  std::memcpy(bytes.data(), values.data(), bytes.size());
  return bytes;
}

std::string Show(int32_t type, const std::vector<uint8_t> &bytes, int32_t count, Length form = Length::kShort) {
  return FormatValue(type, count, bytes.data(), bytes.size(), form);
}

TEST(ValueFormat, ShowsNumbersInDecimalRationalsAsFractionsAndOpaqueBytesInHex) {
  EXPECT_EQ(Show(kTypeRational, Raw<uint32_t>({48, 1, 51, 1, 30, 1}), 3), "48/1 51/1 30/1");
  EXPECT_EQ(Show(kTypeRational, Raw<uint32_t>({4000000000u, 1}), 1), "4000000000/1");
  EXPECT_EQ(Show(kTypeSRational, Raw<int32_t>({-1, 3}), 1), "-1/3");
  EXPECT_EQ(Show(kTypeShort, Raw<uint16_t>({1, 65535}), 2), "1 65535");
  EXPECT_EQ(Show(kTypeSShort, Raw<int16_t>({-5}), 1), "-5");
  EXPECT_EQ(Show(kTypeSByte, {0xFF}, 1), "-1");
  EXPECT_EQ(Show(kTypeByte, {2, 3, 0, 0}, 4), "2 3 0 0");
  EXPECT_EQ(Show(kTypeSLong, Raw<int32_t>({-70000}), 1), "-70000");
  EXPECT_EQ(Show(kTypeFloat, Raw<float>({1.5f}), 1), "1.5");
  EXPECT_EQ(Show(kTypeDouble, Raw<double>({0.1}), 1), "0.1");
  EXPECT_EQ(Show(kTypeUndefined, {'0', '2', '3', '0'}, 4), "30 32 33 30");
  EXPECT_EQ(Show(13, {0xAB, 0x01}, 2), "ab 01");
}

TEST(ValueFormat, ShowsAsciiUpToTheFirstNulAndPrintsUtf8AsUtf8AndEverythingElseEscaped) {
  const std::string text = std::string("Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC", 12) + std::string("\0junk", 5);
  const std::vector<uint8_t> bytes(text.begin(), text.end());
  EXPECT_EQ(Show(kTypeAscii, bytes, static_cast<int32_t>(bytes.size())), text.substr(0, 12));
  const std::pair<std::string, std::string> rows[] = {
      {"Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC", "Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC"},  // UTF-8 stays
      {"Cam\x1b[2J\\x", "Cam\\x1b[2J\\\\x"},                                      // controls, backslash
      {"Caf\xE9", "Caf\\xe9"},                                                   // Latin-1 byte
      {"\xC3", "\\xc3"},                                                         // cut sequence
      {"\xC0\xAF", "\\xc0\\xaf"},                                                // overlong '/'
      {"\xED\xA0\x80", "\\xed\\xa0\\x80"},                                        // surrogate
      {"\xC2\x9B", "\\xc2\\x9b"},                                                // C1 control
  };
  for (const auto &[in, shown] : rows) EXPECT_EQ(PrintableText(in), shown) << shown;
}

TEST(ValueFormat, ShortensLongValuesAndSaysHowLongTheyWere) {
  const std::vector<uint8_t> blob(2000, 0xFF);
  EXPECT_EQ(Show(kTypeUndefined, blob, 2000), "ff ff ff ff ff ff ff ff ff ff ff ff ff ff ff ff ... (2000 bytes)");
  EXPECT_EQ(Show(kTypeUndefined, blob, 2000, Length::kFull).size(), 2000u * 3 - 1);
  EXPECT_EQ(Show(kTypeShort, Raw<uint16_t>(std::vector<uint16_t>(20, 7)), 20), "7 7 7 7 7 7 7 7 ... (20 values)");
  const std::string longText(100, 'a');
  const std::vector<uint8_t> ascii(longText.begin(), longText.end());
  EXPECT_EQ(Show(kTypeAscii, ascii, 100), std::string(64, 'a') + "... (100 chars)");
  EXPECT_EQ(Show(kTypeAscii, ascii, 100, Length::kFull), longText);
}

TEST(ValueFormat, ShowsOnlyTheElementsThatTheBytesHold) {
  EXPECT_EQ(Show(kTypeLong, Raw<uint32_t>({1, 2}), 10), "1 2");
  EXPECT_EQ(Show(kTypeRational, Raw<uint32_t>({1, 2, 3}), 2), "1/2");
  EXPECT_EQ(Show(kTypeShort, {}, 3), "");
  EXPECT_EQ(Show(kTypeLong, Raw<uint32_t>({1}), -1), "");
}

TEST(ValueParse, EncodesEachTypeInNativeOrder) {
  const std::string withNul("Sunset, Lisbon\0", 15);
  const struct {
    int32_t type;
    const char *text;
    int32_t count;
    std::vector<uint8_t> bytes;
  } rows[] = {
      {kTypeAscii, "Sunset, Lisbon", 15, std::vector<uint8_t>(withNul.begin(), withNul.end())},
      {kTypeShort, "1, 2 65535", 3, Raw<uint16_t>({1, 2, 65535})},
      {kTypeSLong, "-2147483648", 1, Raw<int32_t>({-2147483647 - 1})},
      {kTypeByte, "+7", 1, {7}},
      {kTypeSByte, "-128 127", 2, {0x80, 0x7F}},
      {kTypeRational, "1/160", 1, Raw<uint32_t>({1, 160})},
      {kTypeRational, "72", 1, Raw<uint32_t>({72, 1})},
      {kTypeRational, "48/1 51/1 30.5", 3, Raw<uint32_t>({48, 1, 51, 1, 305, 10})},
      {kTypeSRational, "-1/3", 1, Raw<int32_t>({-1, 3})},
      {kTypeSRational, "-0.25", 1, Raw<int32_t>({-25, 100})},
      {kTypeUndefined, "30 32 33 30", 4, {'0', '2', '3', '0'}},
      {kTypeUndefined, "30323330", 4, {'0', '2', '3', '0'}},
      {kTypeUndefined, "0x30,0x32,0x33,0x30", 4, {'0', '2', '3', '0'}},
      {kTypeFloat, "1.5", 1, Raw<float>({1.5f})},
      {kTypeDouble, "0.1 -2", 2, Raw<double>({0.1, -2.0})},
  };
  for (const auto &row : rows) {
    EncodedValue value;
    std::string error;
    ASSERT_TRUE(ParseValue(row.type, row.text, value, error)) << row.text << ": " << error;
    EXPECT_EQ(value.count, row.count) << row.text;
    EXPECT_EQ(value.bytes, row.bytes) << row.text;
  }
}

TEST(ValueParse, RefusesWithAReasonTextThatTheTypeCannotHold) {
  const std::pair<int32_t, const char *> rows[] = {
      {kTypeShort, "65536"},        {kTypeShort, "-1"},          {kTypeSByte, "128"},       {kTypeLong, "4294967296"},
      {kTypeLong, "12abc"},         {kTypeLong, "  "},           {kTypeRational, "-1/3"},   {kTypeRational, "1/"},
      {kTypeRational, "1/2/3"},     {kTypeRational, "1.2.3"},    {kTypeRational, "0.0000000001"},
      {kTypeSRational, "3000000000/1"}, {kTypeUndefined, "303"}, {kTypeUndefined, "zz"},  {kTypeUndefined, ""},
      {kTypeFloat, "1e300"},        {kTypeDouble, "one"},        {0, "1"},                  {13, "1"},
  };
  for (const auto &[type, text] : rows) {
    EncodedValue value;
    std::string error;
    EXPECT_FALSE(ParseValue(type, text, value, error)) << type << " " << text;
    EXPECT_FALSE(error.empty()) << type << " " << text;
  }
}

TEST(ValueParse, GuessesTheTypeOfAValueGivenWithoutOne) {
  EXPECT_EQ(GuessType("1/160"), kTypeRational);
  EXPECT_EQ(GuessType("-1/3"), kTypeSRational);
  EXPECT_EQ(GuessType("640 480"), kTypeLong);
  EXPECT_EQ(GuessType("-3"), kTypeSLong);
  EXPECT_EQ(GuessType("2026:12:06 10:00:00"), kTypeAscii);
}

}  // namespace
}  // namespace kexif::cli
