#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/jpeg_builder.h"
#include "tests/support/sample_photo.h"
#include "tests/support/shell.h"
#include "tests/support/temp_files.h"
#include "tests/unit/tools/run_kexif.h"
#include "tools/cli.h"

namespace kexif::cli {
namespace {

using test::TempDir;

std::string Get(const std::string &file, const std::string &tag) { return Kexif({"get", file, tag, "-n"}).out; }

class CliEdit : public ::testing::Test {
 protected:
  TempDir dir;
  std::string photo = dir.Write("photo.jpg", test::SamplePhotoJpeg());
};

TEST_F(CliEdit, SetsTagsByTheirTypeInPlaceOrIntoAnotherFile) {
  const test::Bytes before = test::ReadFileBytes(photo);
  const std::string edited = dir.File("edited.jpg");
  EXPECT_EQ(Kexif({"set", photo, "ExposureTime", "1/250", "-o", edited}).status, kExitOk);
  EXPECT_EQ(Get(edited, "ExposureTime"), "1/250\n");
  EXPECT_EQ(test::ReadFileBytes(photo), before);
  EXPECT_EQ(Kexif({"set", photo, "ImageDescription", "Harbour at dawn"}).status, kExitOk);
  EXPECT_EQ(Kexif({"set", photo, "XResolution", "300"}).status, kExitOk);         // existing RATIONAL
  EXPECT_EQ(Kexif({"set", photo, "ExposureBiasValue", "-2/3"}).status, kExitOk);  // SRATIONAL
  EXPECT_EQ(Kexif({"set", photo, "Artist", "Jo Doe"}).status, kExitOk);           // new, standard ASCII
  EXPECT_EQ(Kexif({"set", photo, "ExifVersion", "30 32 33 31"}).status, kExitOk);
  EXPECT_EQ(Kexif({"set", photo, "0xC4A5", "7 8", "--type", "SHORT"}).status, kExitOk);
  EXPECT_EQ(Get(photo, "ImageDescription"), "Harbour at dawn\n");
  EXPECT_EQ(Get(photo, "XResolution"), "300/1\n");
  EXPECT_EQ(Get(photo, "ExposureBiasValue"), "-2/3\n");
  EXPECT_EQ(Get(photo, "Artist"), "Jo Doe\n");
  EXPECT_EQ(Get(photo, "ExifVersion"), "30 32 33 31\n");
  EXPECT_EQ(Get(photo, "50341"), "7 8\n");
  EXPECT_EQ(Get(photo, "Model"), "Model One\n");
}

TEST_F(CliEdit, RemovesATagOnceAndThenReportsItMissing) {
  EXPECT_EQ(Kexif({"rm", photo, "Make"}).status, kExitOk);
  EXPECT_EQ(Kexif({"get", photo, "Make"}).status, kExitFileFailed);
  const Outcome again = Kexif({"rm", photo, "Make"});
  EXPECT_EQ(again.status, kExitFileFailed);
  EXPECT_EQ(again.err, photo + ": no tag Make\n");
}

TEST_F(CliEdit, RefusesAValueThatDoesNotFitTheTypeAndChangesNothing) {
  const test::Bytes before = test::ReadFileBytes(photo);
  const Outcome wide = Kexif({"set", photo, "ISOSpeedRatings", "70000"});
  EXPECT_EQ(wide.status, kExitFileFailed);
  EXPECT_EQ(wide.err, photo + ": ISOSpeedRatings (SHORT): not a whole number from 0 to 65535: 70000\n");
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
  const std::string plain = dir.Write("plain.jpg", test::MakeJpegWithoutExif());
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
  const Outcome none = Kexif({"audio", photo, "-o", dir.File("none.wav")});
  EXPECT_EQ(none.status, kExitFileFailed);
  EXPECT_EQ(none.err, photo + ": no sound clip\n");
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
