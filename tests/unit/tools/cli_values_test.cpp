#include <gtest/gtest.h>

#include <charconv>
#include <string>
#include <vector>

#include "tests/support/sample_photo.h"
#include "tests/support/shell.h"
#include "tests/support/temp_files.h"
#include "tests/unit/tools/run_kexif.h"
#include "tools/cli.h"

namespace kexif::cli {
namespace {

using test::TempDir;

// kexif's readable value in exiftool's spelling: without the "f/" and " s"
// decorations, "°" as " deg".
std::string AsExiftoolWouldPrint(std::string value) {
  if (value.rfind("f/", 0) == 0) value.erase(0, 2);
  if (value.size() > 2 && value.compare(value.size() - 2, 2, " s") == 0) value.resize(value.size() - 2);
  if (const size_t degree = value.find("\u00B0"); degree != std::string::npos) value.replace(degree, 2, " deg");
  return value;
}

// Equal as text, or as numbers with a unit ("50 mm" and "50.0 mm").
bool SameReading(const std::string &a, const std::string &b) {
  if (a == b) return true;
  double x = 0, y = 0;
  const auto ra = std::from_chars(a.data(), a.data() + a.size(), x);
  const auto rb = std::from_chars(b.data(), b.data() + b.size(), y);
  return ra.ec == std::errc() && rb.ec == std::errc() && x == y && std::string(ra.ptr) == std::string(rb.ptr);
}

TEST(CliValues, ReadsCommonTagsAsExiftoolPrintsThem) {
  if (!test::HaveExiftool()) GTEST_SKIP() << "exiftool not installed";
  TempDir dir;
  const std::string photo = dir.Write("photo.jpg", test::SamplePhotoJpeg());
  ASSERT_EQ(Kexif({"set", "-t", "Flash=9", "-t", "FNumber=71/10", "-t", "ShutterSpeedValue=73219/10000",
                   "-t", "ApertureValue=566/100", "-t", "FocalLength=24", "-t", "Orientation=6", "-t",
                   "ExposureProgram=3", "-t", "WhiteBalance=1", "-t", "XPTitle=Caf\u00e9 \u65e5\u672c", "-t",
                   "UserComment=Caf\u00e9", "-t", "Artist=Caf\u00e9 \u65e5\u672c", photo})
                .status,
            kExitOk);
  const std::vector<std::string> tags = {
      "Flash", "FNumber", "ExposureTime", "ShutterSpeedValue", "ApertureValue", "FocalLength", "Orientation",
      "MeteringMode", "ExposureProgram", "WhiteBalance", "ColorSpace", "ResolutionUnit", "ExifVersion", "XPTitle",
      "UserComment", "Artist", "GPSLatitude", "GPSLongitudeRef", "Compression"};
  std::string command = "exiftool -s3 -f";
  for (const std::string &tag : tags) command += " -" + tag;
  const std::string printed = test::Shell(command + " '" + photo + "'");
  size_t line = 0;
  for (const std::string &tag : tags) {
    const size_t end = printed.find('\n', line);
    ASSERT_NE(end, std::string::npos) << tag;
    const std::string theirs = printed.substr(line, end - line);
    line = end + 1;
    const Outcome ours = Kexif({"get", photo, tag, "--dir", tag == "Compression" ? "1" : "0"});
    ASSERT_EQ(ours.status, kExitOk) << tag << ours.err;
    const std::string value = AsExiftoolWouldPrint(ours.out.substr(0, ours.out.size() - 1));
    EXPECT_TRUE(SameReading(value, theirs)) << tag << ": kexif " << value << ", exiftool " << theirs;
  }
}

TEST(CliValues, PrintsUtf8TextAsItIsAndEscapesOnlyBytesThatAreNoUtf8) {
  TempDir dir;
  const std::string photo = dir.Write("photo.jpg", test::SamplePhotoJpeg());
  const std::string utf8 = "Caf\u00e9 \u65e5\u672c";
  ASSERT_EQ(Kexif({"set", "-t", "Artist=" + utf8, "-t", "Copyright=Caf\xE9", photo}).status, kExitOk);
  EXPECT_EQ(Kexif({"get", photo, "Artist"}).out, utf8 + "\n");
  EXPECT_EQ(Kexif({"get", photo, "Copyright"}).out, "Caf\\xe9\n");
  const std::string json = Kexif({"tags", "--json", photo}).out;
  EXPECT_NE(json.find("\"value\": \"" + utf8 + "\""), std::string::npos);
  EXPECT_NE(json.find("\"value\": \"Caf\\udce9\""), std::string::npos);
  EXPECT_NE(Kexif({"tags", photo}).out.find("Artist                       ASCII         13  " + utf8 + "\n"),
            std::string::npos);
}

}  // namespace
}  // namespace kexif::cli
