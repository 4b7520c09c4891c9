#include <gtest/gtest.h>

#include "edit/tag_set.h"
#include "model/exif_constants.h"
#include "tools/tag_names.h"

namespace kexif::cli {
namespace {

TEST(TagNames, FindsTagsByNameIgnoringCaseAndByNumberInDecimalOrHexAndRefusesUnknownNames) {
  const struct {
    const char *text;
    uint32_t number;  // 0: refused
    bool known;
  } rows[] = {
      {"ExposureTime", 33434, true}, {"exposuretime", 33434, true}, {"33434", 33434, true},
      {"0x829A", 33434, true},       {"0x829a", 33434, true},       {"ExposureCompensation", 37380, true},
      {"0xC4A5", 0xC4A5, false},     {"NoSuchTag", 0, false},       {"65536", 0, false},
      {"0x", 0, false},              {"", 0, false},
  };
  for (const auto &row : rows) {
    const std::optional<TagRef> ref = ParseTagRef(row.text);
    ASSERT_EQ(ref.has_value(), row.number != 0) << row.text;
    if (!ref) continue;
    EXPECT_EQ(ref->number, row.number) << row.text;
    EXPECT_EQ(ref->info != nullptr, row.known) << row.text;
  }
}

TEST(TagNames, KeepsTheNumberSpacesOfGpsAndInteroperabilityApart) {
  EXPECT_EQ(TagDisplayName(1, TagSpace::kGps), "GPSLatitudeRef");
  EXPECT_EQ(TagDisplayName(1, TagSpace::kInterop), "InteroperabilityIndex");
  EXPECT_EQ(TagDisplayName(1, TagSpace::kImage), "0x0001");
  EXPECT_EQ(TagDisplayName(0xC4A5, TagSpace::kImage), "0xC4A5");
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
