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

TEST(ValueFormat, ShowsRationalsAsFractionsAndSignedRationalsWithTheirSign) {
  EXPECT_EQ(Show(kTypeRational, Raw<uint32_t>({1, 160}), 1), "1/160");
  EXPECT_EQ(Show(kTypeRational, Raw<uint32_t>({48, 1, 51, 1, 30, 1}), 3), "48/1 51/1 30/1");
  EXPECT_EQ(Show(kTypeSRational, Raw<int32_t>({-1, 3}), 1), "-1/3");
  EXPECT_EQ(Show(kTypeRational, Raw<uint32_t>({4000000000u, 1}), 1), "4000000000/1");
}

TEST(ValueFormat, ShowsIntegersOfEachWidthAndSignedness) {
  EXPECT_EQ(Show(kTypeShort, Raw<uint16_t>({1, 65535}), 2), "1 65535");
  EXPECT_EQ(Show(kTypeSShort, Raw<int16_t>({-5}), 1), "-5");
  EXPECT_EQ(Show(kTypeSByte, {0xFF}, 1), "-1");
  EXPECT_EQ(Show(kTypeByte, {2, 3, 0, 0}, 4), "2 3 0 0");
  EXPECT_EQ(Show(kTypeSLong, Raw<int32_t>({-70000}), 1), "-70000");
  EXPECT_EQ(Show(kTypeFloat, Raw<float>({1.5f}), 1), "1.5");
  EXPECT_EQ(Show(kTypeDouble, Raw<double>({0.1}), 1), "0.1");
}

TEST(ValueFormat, ShowsAsciiUpToTheFirstNulWithControlBytesEscaped) {
  const std::string text = std::string("Cam\x1b[2J\\x\xC3\xA9", 11) + std::string("\0junk", 5);
  const std::vector<uint8_t> bytes(text.begin(), text.end());
  EXPECT_EQ(Show(kTypeAscii, bytes, static_cast<int32_t>(bytes.size())), "Cam\\x1b[2J\\\\x\\xc3\\xa9");
}

TEST(ValueFormat, ShowsUndefinedAndUnknownTypesAsHexBytes) {
  EXPECT_EQ(Show(kTypeUndefined, {'0', '2', '3', '0'}, 4), "30 32 33 30");
  EXPECT_EQ(Show(13, {0xAB, 0x01}, 2), "ab 01");
}

TEST(ValueFormat, ShortensLongValuesAndSaysHowLongTheyWere) {
  const std::vector<uint8_t> blob(2000, 0xFF);
  const std::string shortBlob = Show(kTypeUndefined, blob, 2000);
  EXPECT_EQ(shortBlob, "ff ff ff ff ff ff ff ff ff ff ff ff ff ff ff ff ... (2000 bytes)");
  EXPECT_EQ(Show(kTypeUndefined, blob, 2000, Length::kFull).size(), 2000u * 3 - 1);

  const std::vector<uint8_t> shorts = Raw<uint16_t>(std::vector<uint16_t>(20, 7));
  EXPECT_EQ(Show(kTypeShort, shorts, 20), "7 7 7 7 7 7 7 7 ... (20 values)");

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

EncodedValue Parse(int32_t type, const std::string &text) {
  EncodedValue value;
  std::string error;
  EXPECT_TRUE(ParseValue(type, text, value, error)) << text << ": " << error;
  return value;
}

bool Refuses(int32_t type, const std::string &text) {
  EncodedValue value;
  std::string error;
  const bool parsed = ParseValue(type, text, value, error);
  return !parsed && !error.empty();
}

TEST(ValueParse, TakesAsciiAsItStandsWithANul) {
  const EncodedValue value = Parse(kTypeAscii, "Sunset, Lisbon");
  EXPECT_EQ(value.count, 15);
  EXPECT_EQ(std::string(value.bytes.begin(), value.bytes.end()), std::string("Sunset, Lisbon\0", 15));
}

TEST(ValueParse, TakesIntegerListsWithinTheTypesRange) {
  const EncodedValue shorts = Parse(kTypeShort, "1, 2 65535");
  EXPECT_EQ(shorts.count, 3);
  EXPECT_EQ(shorts.bytes, Raw<uint16_t>({1, 2, 65535}));
  EXPECT_EQ(Parse(kTypeSLong, "-2147483648").bytes, Raw<int32_t>({-2147483647 - 1}));
  EXPECT_EQ(Parse(kTypeByte, "+7").bytes, std::vector<uint8_t>{7});
  EXPECT_TRUE(Refuses(kTypeShort, "65536"));
  EXPECT_TRUE(Refuses(kTypeShort, "-1"));
  EXPECT_TRUE(Refuses(kTypeSByte, "128"));
  EXPECT_TRUE(Refuses(kTypeLong, "4294967296"));
  EXPECT_TRUE(Refuses(kTypeLong, "12abc"));
  EXPECT_TRUE(Refuses(kTypeLong, "  "));
}

TEST(ValueParse, TakesRationalsAsFractionsWholeNumbersAndDecimals) {
  EXPECT_EQ(Parse(kTypeRational, "1/160").bytes, Raw<uint32_t>({1, 160}));
  EXPECT_EQ(Parse(kTypeRational, "72").bytes, Raw<uint32_t>({72, 1}));
  EXPECT_EQ(Parse(kTypeRational, "2.8").bytes, Raw<uint32_t>({28, 10}));
  EXPECT_EQ(Parse(kTypeRational, "48/1 51/1 30.5").count, 3);
  EXPECT_EQ(Parse(kTypeSRational, "-1/3").bytes, Raw<int32_t>({-1, 3}));
  EXPECT_EQ(Parse(kTypeSRational, "-0.25").bytes, Raw<int32_t>({-25, 100}));
  EXPECT_TRUE(Refuses(kTypeRational, "-1/3"));
  EXPECT_TRUE(Refuses(kTypeRational, "1/"));
  EXPECT_TRUE(Refuses(kTypeRational, "1/2/3"));
  EXPECT_TRUE(Refuses(kTypeRational, "1.2.3"));
  EXPECT_TRUE(Refuses(kTypeRational, "0.0000000001"));
  EXPECT_TRUE(Refuses(kTypeSRational, "3000000000/1"));
}

TEST(ValueParse, TakesHexBytesWithOrWithoutSpaces) {
  const std::vector<uint8_t> version{'0', '2', '3', '0'};
  EXPECT_EQ(Parse(kTypeUndefined, "30 32 33 30").bytes, version);
  EXPECT_EQ(Parse(kTypeUndefined, "30323330").bytes, version);
  EXPECT_EQ(Parse(kTypeUndefined, "0x30,0x32,0x33,0x30").bytes, version);
  EXPECT_TRUE(Refuses(kTypeUndefined, "303"));
  EXPECT_TRUE(Refuses(kTypeUndefined, "zz"));
  EXPECT_TRUE(Refuses(kTypeUndefined, ""));
}

TEST(ValueParse, TakesFloatsAndRefusesWhatTheTypeCannotHold) {
  EXPECT_EQ(Parse(kTypeFloat, "1.5").bytes, Raw<float>({1.5f}));
  EXPECT_EQ(Parse(kTypeDouble, "0.1 -2").bytes, Raw<double>({0.1, -2.0}));
  EXPECT_TRUE(Refuses(kTypeFloat, "1e300"));
  EXPECT_TRUE(Refuses(kTypeDouble, "one"));
  EXPECT_TRUE(Refuses(0, "1"));
  EXPECT_TRUE(Refuses(13, "1"));
}

TEST(ValueParse, ReadsBackAsTheTextItWasGiven) {
  for (auto [type, text] : std::vector<std::pair<int32_t, std::string>>{
           {kTypeAscii, "KexifCam"}, {kTypeShort, "1 2 3"}, {kTypeSRational, "-1/3 5/7"},
           {kTypeUndefined, "00 ff 10"}, {kTypeSByte, "-128 127"}, {kTypeDouble, "2.5"}}) {
    const EncodedValue value = Parse(type, text);
    EXPECT_EQ(Show(type, value.bytes, value.count, Length::kFull), text);
  }
}

TEST(ValueParse, GuessesTheTypeOfAValueGivenWithoutOne) {
  EXPECT_EQ(GuessType("1/160"), kTypeRational);
  EXPECT_EQ(GuessType("-1/3"), kTypeSRational);
  EXPECT_EQ(GuessType("640 480"), kTypeLong);
  EXPECT_EQ(GuessType("-3"), kTypeSLong);
  EXPECT_EQ(GuessType("Model One"), kTypeAscii);
  EXPECT_EQ(GuessType("2026:12:06 10:00:00"), kTypeAscii);
}

}  // namespace
}  // namespace kexif::cli
