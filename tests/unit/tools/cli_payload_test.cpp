#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/jpeg_builder.h"
#include "tests/support/shell.h"
#include "tests/unit/tools/run_kexif.h"
#include "tools/cli.h"

namespace kexif::cli {
namespace {

using test::Entry;

test::Bytes Text(const std::string &text) { return test::Bytes(text.begin(), text.end()); }

// A photo with every kind of metadata segment around the image segments;
// without them (metadata false) it is what strip --all must leave.
test::Bytes PhotoWithMetadata(bool metadata) {
  test::JpegBuilder b;
  b.Soi().App0Jfif();
  if (metadata) {
    b.App1Exif(test::SampleTiffStructure(false)).App1Xmp("<x:xmpmeta xmlns:x='adobe:ns:meta/'/>");
    b.Segment(0xE2, Text(std::string("ICC_PROFILE\0\1\1", 14) + std::string(128, '\0')));
    b.Segment(0xED, Text(std::string("Photoshop 3.0\0008BIM\4\4\0\0\0\0\0\0", 26)));
    b.Segment(0xFE, Text("a comment"));
  }
  b.Segment(0xEE, Text(std::string("Adobe\0\x64\0\0\0\0\1", 12)));
  b.Dqt().Sof0().Dht().Sos().ScanData(500).Eoi();
  return b.Build();
}

using CliPayload = ToolTest;

TEST_F(CliPayload, WritesReplacesAndRemovesTheThumbnailAndRefusesOneThatIsNoJpeg) {
  EXPECT_EQ(Kexif({"thumbnail", photo}).status, kExitOk);
  EXPECT_EQ(test::ReadFileBytes(dir.File("photo-thumb.jpg")), test::FakeJpegStream(2000, 0x31));
  const std::string text = dir.Write("notes.txt", test::Bytes{'h', 'e', 'l', 'l', 'o'});
  ExpectFileFailure({"thumbnail", photo, "--set", text}, text + ": not a JPEG file\n", photo);
  const std::string small = dir.Write("small.jpg", test::FakeJpegStream(1500, 9));
  EXPECT_EQ(Kexif({"thumbnail", photo, "--set", small}).status, kExitOk);
  EXPECT_NE(Kexif({"info", photo}).out.find("thumbnail: yes (1500 bytes)"), std::string::npos);
  EXPECT_EQ(Kexif({"thumbnail", photo, "-o", dir.File("back.jpg")}).status, kExitOk);
  EXPECT_EQ(test::ReadFileBytes(dir.File("back.jpg")), test::FakeJpegStream(1500, 9));
  EXPECT_EQ(Kexif({"thumbnail", "--remove", photo}).status, kExitOk);
  EXPECT_NE(Kexif({"info", photo}).out.find("thumbnail: no"), std::string::npos);
  EXPECT_EQ(Kexif({"tags", photo}).out.find("IFD1"), std::string::npos);
  EXPECT_EQ(Kexif({"get", photo, "Make"}).out, "KexifCam\n");
  EXPECT_EQ(Kexif({"thumbnail", "--remove", photo}).err, photo + ": no thumbnail\n");
}

TEST_F(CliPayload, StripsTheFirstSegmentOfAMarkerWhenItsIdentifierMatchesOrEverySegmentOfItButNoOtherMarker) {
  ExpectFileFailure({"strip", photo, "APP0", "XMP"}, photo + ": the first APP0 segment is \"JFIF\", not \"XMP\"\n", photo);
  EXPECT_EQ(Kexif({"strip", photo, "APP0", "JFIF"}).status, kExitOk);
  EXPECT_EQ(Kexif({"strip", photo, "APP0"}).err, photo + ": no APP0 segment\n");
  EXPECT_EQ(Kexif({"get", photo, "Make"}).out, "KexifCam\n");
  EXPECT_EQ(Kexif({"strip", photo, "APP1"}).status, kExitOk);
  EXPECT_EQ(Kexif({"info", photo}).out, photo + ": JPEG, Exif: no, thumbnail: no, sound clip: no\n");
  EXPECT_EQ(Kexif({"segments", photo}).out.find("APP"), std::string::npos);
  for (const std::vector<std::string> &marker : {std::vector<std::string>{"DQT"}, {"APP16"}, {"0xDB"}, {"APP0", ""}}) {
    std::vector<std::string> args = {"strip", photo};
    args.insert(args.end(), marker.begin(), marker.end());
    EXPECT_EQ(Kexif(args).status, kExitUsage) << marker[0];
  }
}

TEST_F(CliPayload, StripsEveryMetadataSegmentAndLeavesTheImageBytesAlone) {
  const std::string full = dir.Write("full.jpg", PhotoWithMetadata(true));
  const Outcome run = Kexif({"strip", "--all", full});
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_EQ(run.out, full + ": removed APP1 Exif, APP1 http://ns.adobe.com/xap/1.0/, APP2 ICC_PROFILE, APP13 Photoshop 3.0, COM\n");
  EXPECT_EQ(test::ReadFileBytes(full), PhotoWithMetadata(false));
  if (test::HaveExiftool()) {
    EXPECT_EQ(test::Shell("exiftool -s -EXIF:all -XMP:all -IPTC:all -ICC_Profile:all -Photoshop:all -Comment '" + full + "'"), "");
  }
  EXPECT_EQ(Kexif({"strip", "--all", full}).out, full + ": no metadata segments\n");
}

TEST_F(CliPayload, StripsOneSegmentNamedByItsFullIdentifier) {
  const std::string full = dir.Write("full.jpg", PhotoWithMetadata(true));
  EXPECT_EQ(Kexif({"strip", full, "APP2", "ICC_PROFILE"}).out, full + ": removed APP2 ICC_PROFILE\n");
  EXPECT_EQ(Kexif({"strip", full, "APP1", "http://ns.adobe.com/xap/1.0/"}).out,
            full + ": removed APP1 http://ns.adobe.com/xap/1.0/\n");
  EXPECT_EQ(Kexif({"get", full, "Make"}).out, "KexifCam\n");  // the Exif segment stays
  EXPECT_EQ(Kexif({"strip", full, "APP14", "Adobe Photoshop"}).err, full + ": the first APP14 segment is \"Adobe\", not \"Adobe Photoshop\"\n");
}

TEST_F(CliPayload, CopiesExifIntoAPhotoAndKeepsItsXmpDimensionsAndThumbnail) {
  const std::string target = dir.Write("target.jpg", PhotoWithMetadata(true));
  ASSERT_EQ(Kexif({"set", "-t", "PixelXDimension=4000", "-t", "Make=Old", target}).status, kExitOk);
  // Everything after the Exif segment (XMP, ICC, IPTC, comment, image) stays byte for byte.
  auto afterExif = [&target] {
    const test::Bytes bytes = test::ReadFileBytes(target);
    const std::string text(bytes.begin(), bytes.end());
    return text.substr(text.find("http://ns.adobe.com/xap/1.0/"));
  };
  const std::string before = afterExif();
  ASSERT_EQ(Kexif({"set", photo, "ExposureTime", "1/8"}).status, kExitOk);
  EXPECT_EQ(Kexif({"copy-exif", photo, target}).status, kExitOk);
  EXPECT_EQ(Kexif({"get", target, "ExposureTime"}).out, "1/8 s\n");
  EXPECT_EQ(Kexif({"get", target, "Make"}).out, "KexifCam\n");
  EXPECT_EQ(Kexif({"get", target, "PixelXDimension"}).out, "4000\n");
  EXPECT_EQ(afterExif(), before);
}

TEST_F(CliPayload, CopiesTheExifSegmentFromJpegToJpegAndTheExifEntriesFromTiffToTiffButNotBetweenFormats) {
  EXPECT_EQ(Kexif({"copy-exif", photo, plain}).status, kExitOk);
  EXPECT_EQ(Kexif({"get", plain, "ExposureTime"}).out, "1/160 s\n");
  EXPECT_NE(Kexif({"info", plain}).out.find("thumbnail: no"), std::string::npos);  // it had none of its own
  EXPECT_EQ(Kexif({"copy-exif", "--all", photo, plain}).status, kExitOk);
  EXPECT_NE(Kexif({"info", plain}).out.find("thumbnail: yes (2000 bytes)"), std::string::npos);
  test::TiffBuilder source;
  source.AddDirectory().Add(Entry::Ascii(271, "Scanner")).Exif().Add(Entry::Rational(33434, {{1, 125}})).Add(
      Entry::Short(34855, {400})).Add(Entry::Rational(37386, {{35, 1}}));
  const std::string from = dir.Write("from.tif", source.Build());
  const std::string to = dir.Write("to.tif", test::TiffMadeBy("Other"));
  const Outcome run = Kexif({"copy-exif", from, to});
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_EQ(Kexif({"get", to, "ExposureTime"}).out, "1/125 s\n");
  EXPECT_EQ(Kexif({"get", to, "Make"}).out, "Other\n");
  ExpectFileFailure({"copy-exif", photo, to}, to + ": Exif data is copied from JPEG to JPEG or from TIFF to TIFF only\n", to);
  if (!test::HaveExiftool()) GTEST_SKIP() << "exiftool not installed";
  EXPECT_EQ(test::ExiftoolValue(plain, "Make"), "KexifCam");
  EXPECT_EQ(test::ExiftoolValue(plain, "ISO"), "200");
  EXPECT_EQ(test::ExiftoolBinary(plain, "ThumbnailImage"), test::FakeJpegStream(2000, 0x31));
  EXPECT_EQ(test::ExiftoolValue(to, "Make"), "Other");
  EXPECT_EQ(test::ExiftoolValue(to, "ExposureTime"), "0.008");
  EXPECT_EQ(test::ExiftoolValue(to, "FocalLength"), "35");
  EXPECT_EQ(test::ExiftoolValue(to, "ISO"), "400");
}

}  // namespace
}  // namespace kexif::cli
