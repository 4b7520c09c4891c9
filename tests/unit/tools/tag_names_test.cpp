#include <gtest/gtest.h>

#include <tuple>

#include "edit/tag_set.h"
#include "model/exif_constants.h"
#include "tools/tag_names.h"

namespace kexif::cli {
namespace {

TEST(TagNames, FindsTagsByNameIgnoringCaseAndByNumberInDecimalOrHex) {
  for (const char *text : {"ExposureTime", "exposuretime", "33434", "0x829A", "0x829a", "ExposureCompensation"}) {
    const std::optional<TagRef> ref = ParseTagRef(text);
    ASSERT_TRUE(ref.has_value()) << text;
    EXPECT_EQ(ref->number, text == std::string("ExposureCompensation") ? 37380u : 33434u) << text;
    ASSERT_NE(ref->info, nullptr) << text;
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
  EXPECT_EQ(TagDisplayName(0xC4A5, TagSpace::kImage), "0xC4A5");
}

TEST(TagNames, NameAndNumberLeadToEachOtherWithTheStandardTypes) {
  for (const auto &[name, number, type] : {std::tuple{"Orientation", 274u, kTypeShort},
                                           std::tuple{"ExposureBiasValue", 37380u, kTypeSRational},
                                           std::tuple{"UserComment", 37510u, kTypeUndefined}}) {
    const TagInfo *byName = FindTagInfoByName(name);
    ASSERT_NE(byName, nullptr) << name;
    EXPECT_EQ(byName->number, number);
    EXPECT_EQ(byName->defaultType, type) << name;
    EXPECT_EQ(FindTagInfo(number, TagSpace::kImage), byName);
  }
}

TEST(TagNames, NamesEveryTagTheLibraryAddressesInTheExifSubdirectory) {
  for (uint32_t number = 0; number <= 0xFFFF; ++number) {
    if (IsExifDirectoryTag(number) != 0) {
      EXPECT_NE(FindTagInfo(number, TagSpace::kImage), nullptr) << number;
    }
  }
}

TEST(TagNames, NamesTypesBothWays) {
  for (int32_t type = 1; type <= 12; ++type) EXPECT_EQ(ParseTypeName(TypeName(type)), type);
  EXPECT_EQ(ParseTypeName("rational"), kTypeRational);
  EXPECT_EQ(ParseTypeName("7"), kTypeUndefined);
  EXPECT_EQ(ParseTypeName("0"), 0);
  EXPECT_EQ(ParseTypeName("13"), 0);
  EXPECT_EQ(ParseTypeName("text"), 0);
  EXPECT_EQ(TypeName(99), "99");
}

}  // namespace
}  // namespace kexif::cli
