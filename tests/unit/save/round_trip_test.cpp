// Load, edit and save through the exported functions, with exiftool as the
// independent reader of the saved files.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <string>

#include "kexif.h"
#include "tests/support/jpeg_builder.h"
#include "tests/support/loaded_document.h"
#include "tests/support/sample_photo.h"
#include "tests/support/shell.h"
#include "tests/support/temp_files.h"
#include "tests/support/tree_maker.h"

namespace kexif {
namespace {

using test::Bytes;
using test::HaveExiftool;
using test::Shell;

// The lines of a shell command's output that keep() accepts.
template <typename Keep>
std::set<std::string> Lines(const std::string &command, Keep keep) {
  std::set<std::string> lines;
  std::istringstream in(Shell(command));
  for (std::string line; std::getline(in, line);) {
    if (keep(line)) lines.insert(line);
  }
  return lines;
}

// Every value exiftool reads from the file's metadata, leaving out
// file-system facts, the byte order (a save writes little-endian) and lines
// naming any of `except`.
std::set<std::string> Values(const std::string &path, std::vector<std::string> except = {}) {
  except.insert(except.end(), {"FileName", "Directory", "ExifByteOrder"});
  return Lines("exiftool -a -G1 -s -n '" + path + "' 2>&1", [&](const std::string &l) {
    return l.rfind("[System]", 0) != 0 && l.rfind("[ExifTool]", 0) != 0 &&
           std::none_of(except.begin(), except.end(), [&](const std::string &e) { return l.find(e) != std::string::npos; });
  });
}

std::set<std::string> Warnings(const std::string &path) {
  return Lines("exiftool -validate -warning -a '" + path + "' 2>&1", [](const std::string &l) {
    return l.rfind("Warning", 0) == 0 && l.find("Odd offset") == std::string::npos;
  });
}

// Loads from, sets Make when given and saves to: kExifSaveFile's result.
int32_t Save(const std::string &from, const std::string &to, const char *make = nullptr) {
  const test::Loaded doc(from);
  if (make != nullptr && test::SetText(doc.handle, kTagMake, make) != 0) return -2;
  return kExifSaveFile(doc.handle, to.c_str());
}

Bytes RawRun(const Bytes &jpeg) {
  for (const auto &s : test::ScanSegments(jpeg)) {
    if (s.marker == kIdRawRun) return Bytes(jpeg.begin() + s.offset, jpeg.begin() + s.offset + s.length);
  }
  return {};
}

class RoundTrip : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (!HaveExiftool()) GTEST_SKIP() << "exiftool is not installed";
  }
  test::TempDir dir_;
};

TEST_P(RoundTrip, JpegKeepsEveryValueAndTheImageDataAndCarriesAnEdit) {
  const std::string source = dir_.Write("photo.jpg", test::SamplePhotoJpeg(GetParam()));
  const std::string saved = dir_.File("saved.jpg");
  ASSERT_EQ(Save(source, saved), 0);
  EXPECT_EQ(Values(saved), Values(source));
  EXPECT_EQ(Warnings(saved), Warnings(source));
  const Bytes out = test::ReadFileBytes(saved);
  EXPECT_EQ(RawRun(out), RawRun(test::ReadFileBytes(source)));
  // After SOI, APP0 and the APP1 head: the sample's maker note stays where
  // it was read, so the block keeps the source's byte order.
  const Bytes mark = GetParam() ? Bytes{'M', 'M', 0, 0x2A} : Bytes{'I', 'I', 0x2A, 0};
  EXPECT_EQ(Bytes(out.begin() + 30, out.begin() + 34), mark);

  const std::string edited = dir_.File("edited.jpg");
  ASSERT_EQ(Save(source, edited, "Another Maker"), 0);
  EXPECT_EQ(test::ExiftoolValue(edited, "Make"), "Another Maker");
  // Everything else is as it was; the thumbnail moved by the longer value.
  EXPECT_EQ(Values(edited, {"Make", "ThumbnailOffset"}), Values(source, {"Make", "ThumbnailOffset"}));
  // A second load -> save without edits changes nothing.
  const std::string again = dir_.File("again.jpg");
  ASSERT_EQ(Save(edited, again), 0);
  EXPECT_EQ(test::ReadFileBytes(again), test::ReadFileBytes(edited));
}

std::vector<Bytes> Pixels(size_t stripCount) {
  std::vector<Bytes> strips;
  for (size_t i = 0; i < stripCount; ++i) strips.emplace_back(64, static_cast<uint8_t>(0x10 * (i + 1)));
  return strips;
}

Bytes SampleTiff(bool bigEndian, size_t stripCount) {
  test::TiffBuilder b(bigEndian);
  test::Ifd &ifd0 = b.AddDirectory();
  ifd0.Add(test::Entry::Long(256, {16}))
      .Add(test::Entry::Long(257, {static_cast<uint32_t>(4 * stripCount)}))
      .Add(test::Entry::Short(258, {8}))
      .Add(test::Entry::Short(259, {1}))
      .Add(test::Entry::Short(262, {1}))
      .Add(test::Entry::Short(277, {1}))
      .Add(test::Entry::Long(278, {4}))
      .Add(test::Entry::Rational(282, {{72, 1}}))
      .Add(test::Entry::Rational(283, {{72, 1}}))
      .Add(test::Entry::Short(296, {2}))
      .Add(test::Entry::Ascii(271, "KexifCam"));
  ifd0.strips = Pixels(stripCount);
  ifd0.Exif().Add(test::Entry::Rational(33434, {{1, 160}})).Add(test::Entry::Short(34855, {200}));
  ifd0.exif->Interop().Add(test::Entry::Ascii(1, "R98"));
  ifd0.Gps().Add(test::Entry::Byte(0, {2, 3, 0, 0})).Add(test::Entry::Ascii(1, "N"));
  return b.Build();
}

TEST_P(RoundTrip, TiffWithOneOrThreeStripsKeepsValuesAndPixels) {
  for (size_t stripCount : {1u, 3u}) {
    const std::string source = dir_.Write("image.tif", SampleTiff(GetParam(), stripCount));
    const std::string saved = dir_.File("saved.tif");
    ASSERT_EQ(Save(source, saved), 0);
    EXPECT_EQ(Values(saved, {"StripOffsets"}), Values(source, {"StripOffsets"}));
    EXPECT_EQ(Warnings(saved), Warnings(source));
    const Bytes out = test::ReadFileBytes(saved);
    ASSERT_EQ(Bytes(out.begin(), out.begin() + 4), (Bytes{'I', 'I', 0x2A, 0}));
    EXPECT_EQ(test::StripBytes(out, 8), Pixels(stripCount));
  }
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, RoundTrip, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "BigEndian" : "LittleEndian"; });

}  // namespace
}  // namespace kexif
