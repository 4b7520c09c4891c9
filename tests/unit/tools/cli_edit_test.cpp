#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/jpeg_builder.h"
#include "tests/support/shell.h"
#include "tests/unit/tools/run_kexif.h"
#include "tools/cli.h"

namespace kexif::cli {
namespace {

std::string Get(const std::string &file, const std::string &tag) { return Kexif({"get", file, tag, "-n"}).out; }

using CliEdit = ToolTest;

TEST_F(CliEdit, SetsTagsByTheirTypeInPlaceOrIntoAnotherFile) {
  const test::Bytes before = test::ReadFileBytes(photo);
  const std::string edited = dir.File("edited.jpg");
  EXPECT_EQ(Kexif({"set", photo, "ExposureTime", "1/250", "-o", edited}).status, kExitOk);
  EXPECT_EQ(Get(edited, "ExposureTime"), "1/250\n");
  EXPECT_EQ(test::ReadFileBytes(photo), before);
  const struct {
    std::vector<std::string> set;  // after "set PHOTO"
    const char *shown;             // by "get -n"
  } rows[] = {
      {{"XResolution", "300"}, "300/1\n"},         // existing RATIONAL
      {{"ExposureBiasValue", "-2/3"}, "-2/3\n"},   // SRATIONAL
      {{"Artist", "Jo Doe"}, "Jo Doe\n"},          // new, standard ASCII
      {{"ExifVersion", "30 32 33 31"}, "30 32 33 31\n"},
      {{"0xC4A5", "7 8", "--type", "SHORT"}, "7 8\n"},
  };
  for (const auto &row : rows) {
    std::vector<std::string> args = {"set", photo};
    args.insert(args.end(), row.set.begin(), row.set.end());
    EXPECT_EQ(Kexif(args).status, kExitOk) << row.set[0];
  }
  // Every edit is still there after the later ones.
  for (const auto &row : rows) EXPECT_EQ(Get(photo, row.set[0]), row.shown) << row.set[0];
  EXPECT_EQ(Get(photo, "Model"), "Model One\n");
}

TEST_F(CliEdit, RefusesAValueThatDoesNotFitTheTypeAndChangesNothing) {
  ExpectFileFailure({"set", photo, "ISOSpeedRatings", "70000"},
                    photo + ": ISOSpeedRatings (SHORT): not a whole number from 0 to 65535: 70000\n", photo);
  const test::Bytes before = test::ReadFileBytes(photo);
  EXPECT_EQ(Kexif({"set", photo, "FNumber", "fast"}).status, kExitFileFailed);
  EXPECT_EQ(Kexif({"set", photo, "Make", "X", "--type", "WORD"}).status, kExitUsage);
  EXPECT_EQ(test::ReadFileBytes(photo), before);
}

TEST_F(CliEdit, ChangesAndAddsGpsEntriesInTheGpsDirectory) {
  EXPECT_EQ(Kexif({"set", photo, "GPSLatitudeRef", "S"}).status, kExitOk);
  EXPECT_EQ(Get(photo, "GPSLatitudeRef"), "S\n");
  EXPECT_EQ(Kexif({"set", photo, "GPSAltitude", "12"}).status, kExitOk);
  EXPECT_EQ(Get(photo, "GPSAltitude"), "12/1\n");
  // The new entry stands in the GPS directory, not in IFD0.
  EXPECT_NE(Kexif({"tags", photo}).out.find("GPS      0x0006  GPSAltitude"), std::string::npos);
  EXPECT_EQ(Kexif({"set", photo, "GPSLongitude", "-0.5"}).status, kExitOk);  // decimal degrees
  EXPECT_EQ(Get(photo, "GPSLongitude"), "-0.5\n");
  EXPECT_EQ(Get(photo, "GPSLongitudeRef"), "W\n");
}

TEST_F(CliEdit, WritesAPositionThatExiftoolReadsBackAndRemovesIt) {
  const struct {
    const char *given;
    const char *shown;
    const char *exiftool;  // latitude, longitude, altitude as exiftool -n prints them
  } rows[] = {
      {"48.8566,2.3522,35", "48.8566,2.3522,35", "48.8566 2.3522 35"},
      {"-33.8688, -151.2093, -5.5", "-33.8688,-151.2093,-5.5", "-33.8688 -151.2093 -5.5"},
      {"0.00001,179.99999", "0.00001,179.99999,-5.5", "1e-05 179.99999 -5.5"},
  };
  for (const auto &row : rows) {
    ASSERT_EQ(Kexif({"gps", "--set", row.given, photo}).status, kExitOk) << row.given;
    EXPECT_EQ(Kexif({"gps", photo}).out, photo + ": " + row.shown + "\n");
    if (test::HaveExiftool()) {
      EXPECT_EQ(test::Shell("exiftool -n -p '$GPSLatitude $GPSLongitude $GPSAltitude' '" + photo + "'"),
                std::string(row.exiftool) + "\n");
    }
  }
  EXPECT_EQ(Kexif({"gps", "--set", "1.5,-2.25", plain}).status, kExitOk);  // the GPS directory is made
  EXPECT_EQ(Kexif({"gps", plain}).out, plain + ": 1.5,-2.25\n");
  EXPECT_EQ(Kexif({"gps", "--set", "91,0", photo}).err, photo + ": a latitude lies between -90 and 90 degrees\n");
  EXPECT_EQ(Kexif({"gps", "--set", "48.8", photo}).status, kExitUsage);
  EXPECT_EQ(Kexif({"rm", "--gps", photo}).status, kExitOk);
  EXPECT_EQ(Kexif({"gps", photo}).err, photo + ": no GPS position\n");
  EXPECT_EQ(Kexif({"tags", photo}).out.find("GPS"), std::string::npos);
  if (test::HaveExiftool()) {
    EXPECT_EQ(test::Shell("exiftool -s -GPS:all '" + photo + "'"), "");
  }
  EXPECT_EQ(Kexif({"gps", "--remove", photo}).err, photo + ": no GPS directory\n");
}

TEST_F(CliEdit, StoresWritesAndRemovesASoundClip) {
  ExpectFileFailure({"audio", photo, "-o", dir.File("none.wav")}, photo + ": no sound clip\n");
  EXPECT_FALSE(test::FileExists(dir.File("none.wav")));
  const std::string wave = dir.Write("memo.wav", test::FakeWave(3000, 7));
  EXPECT_EQ(Kexif({"audio", photo, "--set", wave}).status, kExitOk);
  EXPECT_NE(Kexif({"info", photo}).out.find("sound clip: yes"), std::string::npos);
  const std::string back = dir.File("back.wav");
  EXPECT_EQ(Kexif({"audio", photo, "-o", back}).status, kExitOk);
  EXPECT_EQ(test::ReadFileBytes(back), test::FakeWave(3000, 7));
  EXPECT_EQ(Kexif({"audio", photo, "--remove"}).status, kExitOk);
  EXPECT_NE(Kexif({"info", photo}).out.find("sound clip: no"), std::string::npos);
  EXPECT_EQ(Kexif({"audio", photo, "--set", wave, "--remove"}).status, kExitUsage);
}

}  // namespace
}  // namespace kexif::cli
