#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/tools/run_kexif.h"
#include "tools/cli.h"

namespace kexif::cli {
namespace {

class Cli : public ToolTest {
 protected:
  std::string scan = dir.Write("scan.tif", [] {
    test::TiffBuilder builder(true);
    builder.AddDirectory().Add(test::Entry::Ascii(271, "Scanner")).Add(test::Entry::Short(258, {8, 8, 8}));
    return builder.Build();
  }());
};

TEST_F(Cli, GoesOnAfterABadFileAndReportsItOnOneLine) {
  const Outcome run = Kexif({"info", photo, junk, dir.File("missing.jpg"), scan});
  EXPECT_EQ(run.status, kExitFileFailed);
  EXPECT_EQ(run.out, photo + ": JPEG, Exif: yes, thumbnail: yes (2000 bytes), sound clip: no\n" + scan +
                         ": TIFF, Exif: no, thumbnail: no, sound clip: no\n");
  EXPECT_EQ(run.err, junk + ": not a JPEG or TIFF file, or its Exif data is damaged\n" + dir.File("missing.jpg") +
                         ": No such file or directory\n");
}

TEST_F(Cli, ListsTheTagsOfEachFileUnderItsName) {
  EXPECT_EQ(Kexif({"tags", scan}).out,
            "IFD0     0x0102  BitsPerSample                SHORT          3  8 8 8\n"
            "IFD0     0x010F  Make                         ASCII          8  Scanner\n");
  const Outcome run = Kexif({"tags", photo, scan});
  EXPECT_EQ(run.status, kExitOk);
  EXPECT_EQ(run.err, "");
  EXPECT_NE(run.out.find("== " + photo + "\n"), std::string::npos);
  EXPECT_NE(run.out.find("== " + scan + "\nIFD0     0x0102  BitsPerSample"), std::string::npos) << run.out;
}

TEST_F(Cli, GetsOneValueByNameOrNumberInFullAndFailsTheFileForAMissingOrUnknownTag) {
  EXPECT_EQ(Kexif({"get", photo, "0x0110"}).out, "Model One\n");
  EXPECT_EQ(Kexif({"get", photo, "MakerNote"}).out, "4d 4b 4e 4f 54 45 00 01 02 03 04 05\n");
  EXPECT_EQ(Kexif({"get", photo, "Compression", "--dir", "1", "-n"}).out, "6\n");
  EXPECT_EQ(Kexif({"get", photo, "Compression", "--dir", "1"}).out, "JPEG (old-style)\n");
  ExpectFileFailure({"get", photo, "Make", "--dir", "1"}, photo + ": no tag Make\n");
  ExpectFileFailure({"get", photo, "Shoesize"}, photo + ": unknown tag name or number: Shoesize\n");
}

TEST_F(Cli, SaysWhyASaveOrAnOutputFailed) {
  const std::string nowhere = dir.File("missing/out.jpg");
  ExpectFileFailure({"set", photo, "Make", "X", "-o", nowhere},
                    photo + ": cannot save to " + nowhere + ": No such file or directory; the file was left as it was\n");
  ExpectFileFailure({"thumbnail", photo, "-o", nowhere}, photo + ": cannot create " + nowhere + ": No such file or directory\n");
  const std::string big = dir.Write("big.jpg", test::FakeJpegStream(70000, 1));
  ExpectFileFailure({"thumbnail", photo, "--set", big},
                    photo + ": cannot take " + big + " as its thumbnail: it has 70000 bytes, and the Exif segment that holds it at most 65533 with the tags\n",
                    photo);
}

TEST_F(Cli, NamesItsVersionAndEveryTagNameWithTheAliases) {
  EXPECT_EQ(Kexif({"--version"}).out.rfind("kexif ", 0), 0u);
  const std::string names = Kexif({"names"}).out;
  for (const char *line : {"\nExposureTime                 0x829A  IFD0/Exif RATIONAL\n",
                           "\nGPSLatitude                  0x0002  GPS       RATIONAL\n", "\nXPTitle ", "\nISO = ISOSpeedRatings\n"}) {
    EXPECT_NE(names.find(line), std::string::npos) << line;
  }
  EXPECT_EQ(Kexif({"get", photo, "ISO"}).out, "200\n");
}

TEST_F(Cli, RefusesABadCommandLineWithUsage) {
  for (const std::vector<std::string> &args :
       {std::vector<std::string>{}, {"frobnicate"}, {"get", photo}, {"get", photo, "Make", "--dir", "-1"},
        {"info", "--json", photo}, {"thumbnail", photo, "-o"}, {"tags", "-j", "0", photo}, {"set", photo, "Make"},
        {"set", "-", "Make", "X"}, {"dates", "--shift", "soon", photo}, {"gps", "--set", "north", photo}}) {
    const Outcome run = Kexif(args);
    EXPECT_EQ(run.status, kExitUsage) << (args.empty() ? "" : args[0]);
    EXPECT_NE(run.err.find("usage: kexif"), std::string::npos);
    EXPECT_EQ(run.out, "");
  }
}

TEST_F(Cli, DocumentsEveryCommandInItsHelp) {
  const Outcome help = Kexif({"--help"});
  EXPECT_EQ(help.status, kExitOk);
  for (const char *command : {"info", "tags", "get", "set", "rm", "dates", "gps", "segments", "thumbnail", "audio",
                              "strip", "copy-exif"}) {
    EXPECT_NE(help.out.find(std::string("kexif ") + command + " "), std::string::npos) << command;
    EXPECT_NE(help.out.find(std::string("example: kexif ") + command + " "), std::string::npos) << command;
    EXPECT_EQ(Kexif({command, "--help"}).out.rfind(std::string("kexif ") + command, 0), 0u) << command;
  }
}

TEST_F(Cli, ShowsTheSegmentsByNameOrInTheScannersWords) {
  EXPECT_EQ(Kexif({"segments", photo}).out.rfind("         0  SOI start of image\n"
                                                 "         2  APP0 JFIF                       14 bytes\n"
                                                 "        20  APP1 Exif                       2718 bytes\n",
                                                 0),
            0u);
  const Outcome run = Kexif({"segments", "--raw", photo});
  EXPECT_EQ(run.status, kExitOk);
  EXPECT_NE(run.out.find("APP1:APPlication uint len="), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("SOS:Start Of Scan len=12\n"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("IFD:"), std::string::npos);
  EXPECT_NE(Kexif({"segments", "--raw", "--all", photo}).out.find("IFD:1\n"), std::string::npos);
  EXPECT_EQ(Kexif({"segments", scan}).out, "IFD:1\nEntryCount=2\nNextIFDOFfset:0\n");
}

}  // namespace
}  // namespace kexif::cli
