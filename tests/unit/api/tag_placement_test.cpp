// Where get, set and delete find and put Orientation and the Exif
// sub-directory tags newer than Exif 2.2, checked in the saved files with
// exiftool as an independent reader.
#include <gtest/gtest.h>

#include <string>

#include "kexif.h"
#include "tests/support/jpeg_builder.h"
#include "tests/support/loaded_document.h"
#include "tests/support/shell.h"

namespace kexif::test {
namespace {

// The value of a SHORT or ASCII tag as text ("6", "EF 50mm"); "-" when the
// query fails.
std::string Value(KExifHandle h, uint32_t tag) {
  TagValue value{};
  if (kExifGetTag(h, tag, &value, 0) != 0) return "-";
  std::string text = value.type == kTypeShort ? std::to_string(*static_cast<uint16_t *>(value.data))
                                              : std::string(static_cast<char *>(value.data));
  kExifFree(value.data);
  return text;
}

// Where a file holds Orientation before the edit. Directory 1 always holds
// Orientation 5, which no edit of the main image may touch.
enum class Held { kNowhere, kFirst, kExif, kBoth };

Bytes OrientationFile(Held held, bool bigEndian, bool jpeg) {
  TiffBuilder b(bigEndian);
  Ifd &first = b.AddDirectory();
  first.Add(Entry::Ascii(271, "Cam"));
  if (held == Held::kFirst || held == Held::kBoth) first.Add(Entry::Short(274, {6}));
  Ifd &exif = first.Exif();
  exif.Add(Entry::Rational(33434, {{1, 60}}));
  if (held == Held::kExif || held == Held::kBoth) exif.Add(Entry::Short(274, {3}));
  b.AddDirectory().Add(Entry::Short(259, {6})).Add(Entry::Short(274, {5}));
  return jpeg ? MakeJpeg(b.Build()) : b.Build();
}

struct OrientationCase {
  Held held;
  std::string found;        // kExifGetTag before the edit
  std::string savedSet;     // exiftool's Orientation entries after setting 8
  std::string afterDelete;  // kExifGetTag after deleting from the saved file
  std::string savedDelete;  // exiftool's Orientation entries after that save
};

TEST(Orientation, IsFoundSetAndDeletedInTheFirstDirectoryBeforeTheExifSubdirectory) {
  const OrientationCase cases[] = {
      {Held::kNowhere, "-", "IFD0=8, IFD1=5", "-", "IFD1=5"},
      {Held::kFirst, "6", "IFD0=8, IFD1=5", "-", "IFD1=5"},
      // A file that keeps it in the Exif sub-directory keeps it there.
      {Held::kExif, "3", "ExifIFD=8, IFD1=5", "-", "IFD1=5"},
      {Held::kBoth, "6", "IFD0=8, ExifIFD=3, IFD1=5", "3", "ExifIFD=3, IFD1=5"},
  };
  const bool exiftool = HaveExiftool();
  for (const OrientationCase &c : cases) {
    // Little-endian JPEG files and big-endian TIFF files.
    for (const bool bigEndian : {false, true}) {
      const bool jpeg = !bigEndian;
      SCOPED_TRACE(::testing::Message() << "held " << static_cast<int>(c.held) << (bigEndian ? " MM" : " II")
                                        << (jpeg ? " JPEG" : " TIFF"));
      const char *name = jpeg ? "o.jpg" : "o.tif";
      Loaded doc(OrientationFile(c.held, bigEndian, jpeg), name);
      EXPECT_EQ(Value(doc.handle, 274), c.found);
      const uint16_t eight = 8;
      TagValue value{kTypeShort, 1, const_cast<uint16_t *>(&eight)};
      EXPECT_EQ(kExifSetTag(doc.handle, 274, &value, 1), 0);
      EXPECT_EQ(Value(doc.handle, 274), "8");
      Loaded saved(SavedCopy(doc, std::string("set-") + name));
      if (exiftool) {
        EXPECT_EQ(ExiftoolOccurrences(saved.path, {"Orientation"}), c.savedSet);
      }
      EXPECT_EQ(kExifDelTag(saved.handle, 274, 1), 0);
      EXPECT_EQ(Value(saved.handle, 274), c.afterDelete);
      const std::string deleted = SavedCopy(saved, std::string("del-") + name);
      ASSERT_NE(deleted, "");
      if (exiftool) {
        EXPECT_EQ(ExiftoolOccurrences(deleted, {"Orientation"}), c.savedDelete);
      }
    }
  }
}

struct NewerTagCase {
  uint32_t tag;
  const char *exiftoolName;
  bool leftInFirst;  // an older writer put it into IFD0
  bool hasExif;      // the file has an Exif sub-directory
  std::string saved;
};

TEST(NewerExifTags, GoIntoTheExifSubdirectoryAndAreStillFoundWhereOlderWritersLeftThem) {
  const NewerTagCase cases[] = {
      {0xA434, "LensModel", false, true, "ExifIFD=New"},
      {0xA434, "LensModel", true, true, "IFD0=New"},
      {0x9010, "OffsetTime", false, false, "ExifIFD=New"},
      {0xA433, "LensMake", true, false, "IFD0=New"},
      {0xA431, "SerialNumber", false, true, "ExifIFD=New"},
  };
  const bool exiftool = HaveExiftool();
  bool bigEndian = false;
  for (const NewerTagCase &c : cases) {
    SCOPED_TRACE(c.exiftoolName);
    bigEndian = !bigEndian;
    TiffBuilder b(bigEndian);
    Ifd &first = b.AddDirectory();
    first.Add(Entry::Ascii(271, "Cam"));
    if (c.leftInFirst) first.Add(Entry::Ascii(static_cast<uint16_t>(c.tag), "Old"));
    if (c.hasExif) first.Exif().Add(Entry::Rational(33434, {{1, 60}}));
    Loaded doc(MakeJpeg(b.Build()));
    EXPECT_EQ(Value(doc.handle, c.tag), c.leftInFirst ? "Old" : "-");
    EXPECT_EQ(SetText(doc.handle, c.tag, "New"), 0);
    EXPECT_EQ(Value(doc.handle, c.tag), "New");
    const std::string path = SavedCopy(doc, "new.jpg");
    ASSERT_NE(path, "");
    if (exiftool) {
      EXPECT_EQ(ExiftoolOccurrences(path, {c.exiftoolName}), c.saved);
    }
    // The read-only family finds it where the editing family put it.
    KRExifHandle ctx = kRExifBeginRead(path.c_str());
    TagValue value{};
    ASSERT_EQ(kRExifGetTag(ctx, c.tag, &value), 0);
    EXPECT_STREQ(static_cast<const char *>(value.data), "New");
    kRExifEndRead(ctx);
    Loaded saved(path);
    EXPECT_EQ(kExifDelTag(saved.handle, c.tag, 0), 0);
    EXPECT_EQ(Value(saved.handle, c.tag), "-");
  }
}

}  // namespace
}  // namespace kexif::test
