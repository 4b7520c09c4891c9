#include <gtest/gtest.h>

#include <string>

#include "save/temporary_name.h"

namespace kexif {
namespace {

std::string Temporary(const char *name) {
  char out[kMaxSaveNameBuffer];
  return MakeTemporaryName(out, name) == 1 ? std::string(out) : std::string("<refused>");
}

TEST(TemporaryName, ReplacesWhatFollowsTheLastDot) {
  EXPECT_EQ(Temporary("a.jpg"), "a.$#$");
  EXPECT_EQ(Temporary("a.b.jpg"), "a.b.$#$");
  EXPECT_EQ(Temporary("D:\\photos\\a.jpg"), "D:\\photos\\a.$#$");
  EXPECT_EQ(Temporary("D:\\my.dir\\photo"), "D:\\my.$#$");
}

TEST(TemporaryName, KeepsOnlyTheFirstCharacterWhenThereIsNoDot) {
  EXPECT_EQ(Temporary("photo"), "p$#$");
  EXPECT_EQ(Temporary(".jpg"), ".$#$");
}

TEST(TemporaryName, RefusesEmptyAndOverlongNames) {
  EXPECT_EQ(Temporary(""), "<refused>");
  EXPECT_EQ(Temporary(nullptr), "<refused>");
  const std::string longest(259, 'x');
  EXPECT_EQ(Temporary(longest.c_str()), "x$#$");
  const std::string tooLong(260, 'x');
  EXPECT_EQ(Temporary(tooLong.c_str()), "<refused>");
  // 257 bytes up to the dot: the name fits, "$#$" and the NUL do not.
  const std::string noRoom = std::string(257, 'y') + ".j";
  EXPECT_EQ(Temporary(noRoom.c_str()), "<refused>");
}

}  // namespace
}  // namespace kexif
