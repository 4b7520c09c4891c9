// Load, edit and save through the exported functions, with exiftool as the
// independent reader of the saved files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <sstream>
#include <string>

#include "api/document_handle.h"
#include "kexif.h"
#include "model/tree_search.h"
#include "tests/support/jpeg_builder.h"
#include "tests/support/sample_photo.h"
#include "tests/support/shell.h"
#include "tests/support/temp_files.h"
#include "tests/support/tree_maker.h"

namespace kexif {
namespace {

using test::Bytes;
using test::HaveExiftool;
using test::Shell;

std::set<std::string> Lines(const std::string &text, bool (*keep)(const std::string &)) {
  std::set<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (keep(line)) lines.insert(line);
  }
  return lines;
}

// Every value exiftool reads from the file's metadata, file-system facts
// left out.
std::set<std::string> Values(const std::string &path) {
  return Lines(Shell("exiftool -a -G1 -s -n '" + path + "' 2>&1"), [](const std::string &l) {
    return l.rfind("[System]", 0) != 0 && l.rfind("[ExifTool]", 0) != 0 && l.find("FileName") == std::string::npos &&
           l.find("Directory") == std::string::npos;
  });
}

std::set<std::string> Warnings(const std::string &path) {
  return Lines(Shell("exiftool -validate -warning -a '" + path + "' 2>&1"), [](const std::string &l) {
    return l.rfind("Warning", 0) == 0 && l.find("Odd offset") == std::string::npos;
  });
}

std::set<std::string> Without(std::set<std::string> lines, const std::string &part) {
  for (auto it = lines.begin(); it != lines.end();) it = it->find(part) != std::string::npos ? lines.erase(it) : ++it;
  return lines;
}

int32_t Save(const std::string &from, const std::string &to, void (*edit)(ExifDocument &) = nullptr) {
  KExifHandle h = kExifLoadFile(from.c_str());
  if (h == nullptr) return -2;
  if (edit != nullptr) edit(*ToDocument(h));
  const int32_t result = kExifSaveFile(h, to.c_str());
  kExifDestroy(h);
  return result;
}

void SetAscii(ExifDocument &doc, uint32_t tag, const char *text) {
  TagNode *t = FindTagById(doc.root, static_cast<int32_t>(tag));
  ASSERT_NE(t, nullptr);
  const int32_t n = static_cast<int32_t>(std::strlen(text)) + 1;
  t->ClearData();
  t->SetData(text, n);
  t->count = n;
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

TEST_P(RoundTrip, JpegKeepsEveryValueAndTheImageData) {
  const std::string source = dir_.Write("photo.jpg", test::SamplePhotoJpeg(GetParam()));
  const std::string saved = dir_.File("saved.jpg");
  ASSERT_EQ(Save(source, saved), 0);
  EXPECT_EQ(Without(Values(saved), "ExifByteOrder"), Without(Values(source), "ExifByteOrder"));
  EXPECT_EQ(Warnings(saved), Warnings(source));
  EXPECT_EQ(RawRun(test::ReadFileBytes(saved)), RawRun(test::ReadFileBytes(source)));
  const Bytes out = test::ReadFileBytes(saved);
  EXPECT_EQ(Bytes(out.begin() + 30, out.begin() + 34), (Bytes{'I', 'I', 0x2A, 0}));  // after SOI, APP0, APP1 head
}

TEST_P(RoundTrip, JpegCarriesAnEditAndAReloadGivesTheSameTags) {
  const std::string source = dir_.Write("photo.jpg", test::SamplePhotoJpeg(GetParam()));
  const std::string saved = dir_.File("saved.jpg");
  ASSERT_EQ(Save(source, saved, [](ExifDocument &doc) { SetAscii(doc, kTagMake, "Another Maker"); }), 0);
  const auto values = Values(saved);
  EXPECT_TRUE(values.count("[IFD0]          Make                            : Another Maker")) << Shell("exiftool -Make " + saved);
  // Everything else is as it was; the thumbnail moved by the longer value.
  const auto unchanged = [](std::set<std::string> v) {
    return Without(Without(Without(std::move(v), "Make"), "ExifByteOrder"), "ThumbnailOffset");
  };
  EXPECT_EQ(unchanged(values), unchanged(Values(source)));
  // A second load -> save without edits changes nothing.
  const std::string again = dir_.File("again.jpg");
  ASSERT_EQ(Save(saved, again), 0);
  EXPECT_EQ(test::ReadFileBytes(again), test::ReadFileBytes(saved));
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
  for (size_t i = 0; i < stripCount; ++i) ifd0.strips.push_back(Bytes(64, static_cast<uint8_t>(0x10 * (i + 1))));
  ifd0.Exif().Add(test::Entry::Rational(33434, {{1, 160}})).Add(test::Entry::Short(34855, {200}));
  ifd0.exif->Interop().Add(test::Entry::Ascii(1, "R98"));
  ifd0.Gps().Add(test::Entry::Byte(0, {2, 3, 0, 0})).Add(test::Entry::Ascii(1, "N"));
  return b.Build();
}

// The bytes of every strip of the directory at offset, in table order.
std::vector<Bytes> Strips(const Bytes &tiff, uint32_t directory) {
  const auto d = test::ReadTiffDirectory(tiff, directory);
  const auto *offsets = d.Find(273);
  const auto *counts = d.Find(279);
  std::vector<Bytes> strips;
  for (uint32_t k = 0; k < offsets->count; ++k) {
    const uint32_t at = offsets->count == 1 ? offsets->field : test::Le32(tiff, offsets->field + 4 * k);
    const uint32_t n = counts->count == 1 ? counts->field : test::Le32(tiff, counts->field + 4 * k);
    strips.emplace_back(tiff.begin() + at, tiff.begin() + at + n);
  }
  return strips;
}

TEST_P(RoundTrip, TiffWithOneOrThreeStripsKeepsValuesAndPixels) {
  for (size_t stripCount : {1u, 3u}) {
    const std::string source = dir_.Write("image.tif", SampleTiff(GetParam(), stripCount));
    const std::string saved = dir_.File("saved.tif");
    ASSERT_EQ(Save(source, saved), 0);
    std::set<std::string> before = Without(Without(Values(source), "ExifByteOrder"), "StripOffsets");
    std::set<std::string> after = Without(Without(Values(saved), "ExifByteOrder"), "StripOffsets");
    EXPECT_EQ(after, before);
    EXPECT_EQ(Warnings(saved), Warnings(source));
    const Bytes out = test::ReadFileBytes(saved);
    ASSERT_EQ(Bytes(out.begin(), out.begin() + 4), (Bytes{'I', 'I', 0x2A, 0}));
    const auto strips = Strips(out, 8);
    ASSERT_EQ(strips.size(), stripCount);
    for (size_t i = 0; i < stripCount; ++i) EXPECT_EQ(strips[i], Bytes(64, static_cast<uint8_t>(0x10 * (i + 1))));
  }
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, RoundTrip, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "BigEndian" : "LittleEndian"; });

}  // namespace
}  // namespace kexif
