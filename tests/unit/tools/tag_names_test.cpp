#include <gtest/gtest.h>

#include "model/exif_constants.h"
#include "tools/tag_names.h"

namespace kexif::cli {
namespace {

TEST(TagNames, FindsTagsByNameIgnoringCaseAndByNumberInDecimalOrHex) {
  for (const char *text : {"ExposureTime", "exposuretime", "33434", "0x829A", "0x829a"}) {
    const std::optional<TagRef> ref = ParseTagRef(text);
    ASSERT_TRUE(ref.has_value()) << text;
    EXPECT_EQ(ref->number, 33434u) << text;
    ASSERT_NE(ref->info, nullptr) << text;
    EXPECT_STREQ(ref->info->name, "ExposureTime");
  }
}

TEST(TagNames, AcceptsUnknownNumbersAndRefusesUnknownNamesAndTooLargeNumbers) {
  const std::optional<TagRef> unknown = ParseTagRef("0xC4A5");
  ASSERT_TRUE(unknown.has_value());
  EXPECT_EQ(unknown->number, 0xC4A5u);
  EXPECT_EQ(unknown->info, nullptr);
  EXPECT_FALSE(ParseTagRef("NoSuchTag").has_value());
  EXPECT_FALSE(ParseTagRef("65536").has_value());
  EXPECT_FALSE(ParseTagRef("0x").has_value());
  EXPECT_FALSE(ParseTagRef("").has_value());
}

TEST(TagNames, KeepsTheNumberSpacesOfGpsAndInteroperabilityApart) {
  EXPECT_EQ(TagDisplayName(1, TagSpace::kGps), "GPSLatitudeRef");
  EXPECT_EQ(TagDisplayName(1, TagSpace::kInterop), "InteroperabilityIndex");
  EXPECT_EQ(TagDisplayName(1, TagSpace::kImage), "0x0001");
  EXPECT_EQ(TagDisplayName(0x9C9B, TagSpace::kImage), "0x9C9B");
  const std::optional<TagRef> gps = ParseTagRef("GPSLatitude");
  ASSERT_TRUE(gps && gps->info);
  EXPECT_EQ(gps->number, 2u);
  EXPECT_EQ(gps->info->space, TagSpace::kGps);
}

TEST(TagNames, NameAndNumberLeadToEachOtherWithTheStandardTypes) {
  struct Known {
    const char *name;
    uint32_t number;
    int32_t type;
  };
  for (const Known &known : {Known{"ImageDescription", 270, kTypeAscii}, Known{"Orientation", 274, kTypeShort},
                             Known{"ExifIFDPointer", 34665, kTypeLong},
                             Known{"ExposureBiasValue", 37380, kTypeSRational},
                             Known{"UserComment", 37510, kTypeUndefined},
                             Known{"JPEGInterchangeFormat", 513, kTypeLong}}) {
    const TagInfo *byName = FindTagInfoByName(known.name);
    ASSERT_NE(byName, nullptr) << known.name;
    EXPECT_EQ(byName->number, known.number);
    EXPECT_EQ(byName->defaultType, known.type) << known.name;
    EXPECT_EQ(FindTagInfo(known.number, TagSpace::kImage), byName);
  }
}

TEST(TagNames, NamesTypesBothWays) {
  for (int32_t type = 1; type <= 12; ++type) EXPECT_EQ(ParseTypeName(TypeName(type)), type);
  EXPECT_EQ(TypeName(kTypeSRational), "SRATIONAL");
  EXPECT_EQ(ParseTypeName("rational"), kTypeRational);
  EXPECT_EQ(ParseTypeName("7"), kTypeUndefined);
  EXPECT_EQ(ParseTypeName("0"), 0);
  EXPECT_EQ(ParseTypeName("13"), 0);
  EXPECT_EQ(ParseTypeName("text"), 0);
  EXPECT_EQ(TypeName(99), "99");
}

}  // namespace
}  // namespace kexif::cli
