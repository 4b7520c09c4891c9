// Saving a JPEG without Exif data that was loaded and not edited writes the
// file back unchanged, whatever lies between its segments.
#include <gtest/gtest.h>

#include <string>

#include "kexif.h"
#include "tests/support/jpeg_builder.h"
#include "tests/support/loaded_document.h"

namespace kexif::test {
namespace {

// Loads bytes from a file, edits the document, saves it under another name
// and returns the saved bytes (empty when the load or the save failed).
Bytes LoadAndSave(const Bytes &bytes, void (*edit)(KExifHandle) = nullptr) {
  Loaded doc(bytes);
  if (doc.handle == nullptr) return {};
  if (edit != nullptr) edit(doc.handle);
  return ReadFileBytes(SavedCopy(doc, "out.jpg"));
}

const Bytes kTrailer = {1, 2, 3, 0xFF, 0x00, 4, 0xFF, 0xD9, 'f', 't', 'y', 'p'};

TEST(SaveUnedited, KeepsEveryByteOfTheFileInItsPlace) {
  const auto file = [] { return JpegBuilder().Soi().App0Jfif(); };
  const struct {
    const char *name;
    JpegBuilder jpeg;
  } cases[] = {
      {"a stray byte between segments before the scan",
       file().Raw({0x00}).Dqt().Sof0().Raw({0xFF, 0xD3, 7}).Dht().Sos().ScanData(700).Eoi()},
      {"APP segments inside the scan data",
       file().Dqt().Sof0().Dht().Sos().ScanData(500).Segment(0xEC, {'D', 'u', 'c', 'k', 0, 1, 2, 3}).ScanData(300)
           .Segment(0xE3, {9, 9}).ScanData(20).Eoi()},
      {"a segment of the reserved marker A1 with its marker and length",
       file().Segment(0xA1, {1, 2, 3}).Dqt().Sof0().Dht().Sos().ScanData(300).Eoi()},
      // The scanner once recorded this byte one place late, so that a save lost it.
      {"a lone FF that ends the file right after the scan header", file().Dqt().Sof0().Dht().Sos().Raw({0xFF})},
      {"bytes after EOI", file().Dqt().Sof0().Dht().Sos().ScanData(200).Eoi().Raw(kTrailer)},
  };
  for (const auto &c : cases) EXPECT_EQ(LoadAndSave(c.jpeg.Build()), c.jpeg.Build()) << c.name;
}

// Some cameras append data after the image's EOI (a short video, a maker
// trailer): a save with edits keeps it at the end of the file too.
TEST(SaveEdited, KeepsTheBytesAfterEoi) {
  const Bytes file = JpegBuilder().Soi().App0Jfif().Dqt().Sof0().Dht().Sos().ScanData(200).Eoi().Raw(kTrailer).Build();
  const Bytes saved = LoadAndSave(file, [](KExifHandle h) { EXPECT_EQ(SetText(h, 270, "edited"), 0); });
  ASSERT_GT(saved.size(), file.size());
  EXPECT_EQ(Bytes(saved.end() - static_cast<std::ptrdiff_t>(kTrailer.size()), saved.end()), kTrailer);
}

// A TIFF structure without directories is saved as a header whose first
// directory offset is 0, not 8 (which would name a directory that is not
// there and make the saved file unloadable).
TEST(SaveUnedited, WritesAHeaderWithoutDirectoriesWithFirstOffsetZeroAndItLoadsAgain) {
  const Bytes empty = TiffBuilder().Build();
  for (const bool jpeg : {false, true}) {
    const Bytes saved = LoadAndSave(jpeg ? MakeJpeg(empty) : empty);
    const size_t header = jpeg ? 30 : 0;  // SOI, APP0 (18), FF E1, length, "Exif" 00 00
    ASSERT_GE(saved.size(), header + 8);
    EXPECT_EQ(Bytes(saved.begin() + header, saved.begin() + header + 8), (Bytes{'I', 'I', 42, 0, 0, 0, 0, 0}));
    Loaded again(saved);
    EXPECT_NE(again.handle, nullptr) << (jpeg ? "jpeg" : "tiff");
  }
}

}  // namespace
}  // namespace kexif::test
