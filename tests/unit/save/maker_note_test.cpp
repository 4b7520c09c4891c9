// Maker notes of the common layouts survive an edit and a save: each is
// built where a camera puts it (after the other values, with the bytes it
// addresses), the photo's directory 0 grows, and the saved note must stand
// at the same offset with the same bytes, decode the same in exiftool and
// draw no new warning.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sstream>
#include <string>

#include "kexif.h"
#include "tests/support/jpeg_builder.h"
#include "tests/support/loaded_document.h"
#include "tests/support/shell.h"
#include "tests/support/temp_files.h"
#include "tests/support/tree_maker.h"

namespace kexif::test {
namespace {

// Numbers in a byte order, appended.
struct Out {
  bool bigEndian;
  Bytes bytes;
  Out &U16(uint32_t v) {
    const uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
    bytes.insert(bytes.end(), {b[bigEndian ? 1 : 0], b[bigEndian ? 0 : 1]});
    return *this;
  }
  Out &U32(uint32_t v) {
    return bigEndian ? U16(v >> 16).U16(v & 0xFFFF) : U16(v & 0xFFFF).U16(v >> 16);
  }
  Out &Text(const std::string &s) {
    bytes.insert(bytes.end(), s.begin(), s.end());
    return *this;
  }
  // A directory table: count, entries {tag, type, count, field}, link 0.
  Out &Table(const std::vector<std::array<uint32_t, 4>> &entries) {
    U16(static_cast<uint32_t>(entries.size()));
    for (const auto &e : entries) U16(e[0]).U16(e[1]).U32(e[2]).U32(e[3]);
    return U32(0);
  }
};

struct Note {
  Bytes counted;  // the bytes the MakerNote entry counts
  Bytes past;     // bytes after them that the note addresses
};

// Offsets from the Exif TIFF header (older Canon, Panasonic, Sanyo...): a
// directory at the note's first byte, its values right behind it.
Note HeaderRelative(uint32_t at, bool bigEndian) {
  Out o{bigEndian, {}};
  const uint32_t values = at + 2 + 2 * 12 + 4;
  o.Table({{1, 3, 6, values}, {6, 2, 16, values + 12}});
  for (uint32_t v : {12u, 2u, 0u, 4u, 0u, 1u}) o.U16(v);
  o.Text(std::string("IMG:KX1 JPEG\0\0\0\0", 16));
  return {o.bytes, {}};
}

// Its own TIFF header ten bytes in (newer Nikon): offsets count from that
// header, and the preview directory lies past the counted length.
Note OwnHeaderPastEnd(uint32_t, bool) {
  Out o{false, {}};
  o.Text(std::string("Nikon\0\2\x10\0\0", 10)).Text("II").U16(42).U32(8);
  // Inner offsets: directory at 8, its four entries end at 62, the text
  // runs to 70, the note's count ends at 74 and the preview directory
  // begins 4 bytes later.
  o.Table({{1, 7, 4, 0x30313230}, {2, 3, 2, 200u << 16}, {4, 2, 8, 62}, {0x11, 4, 1, 78}});
  o.Text(std::string("FINE   \0", 8));
  Note note{o.bytes, {}};
  note.counted.resize(10 + 74, 0);
  Out p{false, {0, 0, 0, 0}};
  p.Table({{0x103, 3, 1, 6}, {0x128, 3, 1, 2}});
  note.past = p.bytes;
  return note;
}

// Offsets from the note's own start, always little-endian (Fujifilm).
Note NoteRelative(uint32_t, bool) {
  Out o{false, {}};
  o.Text("FUJIFILM").U32(12);
  o.Table({{0, 7, 4, 0x30333130}, {0x1000, 2, 8, 54}, {0x1001, 3, 1, 3}});
  o.Text(std::string("NORMAL \0", 8));
  return {o.bytes, {}};
}

// A big-endian file whose note follows the file's byte order, with offsets
// from the TIFF header (Casio).
Note BigEndianFollowingTheFile(uint32_t at, bool bigEndian) {
  Out o{bigEndian, {}};
  o.Text(std::string("QVC\0\0\0", 6));
  o.Table({{0x14, 3, 1, bigEndian ? 100u << 16 : 100u}, {0x1d, 5, 1, at + 6 + 2 + 2 * 12 + 4}});
  o.U32(63).U32(10);
  return {o.bytes, {}};
}

struct Photo {
  Bytes jpeg;
  uint32_t noteAt;
  Note note;
};

// A camera-like photo whose maker note follows every other value.
Photo MakePhoto(const std::string &make, bool bigEndian, Note (*build)(uint32_t, bool)) {
  uint32_t at = 0;
  Bytes tiff;
  Note note;
  for (int pass = 0; pass < 2; ++pass) {
    note = build(at, bigEndian);
    TiffBuilder b(bigEndian);
    Ifd &ifd0 = b.AddDirectory();
    ifd0.Add(Entry::Ascii(270, "photo")).Add(Entry::Ascii(271, make)).Add(Entry::Ascii(272, "Model 1"));
    ifd0.Exif()
        .Add(Entry::Rational(33434, {{1, 160}}))
        .Add(Entry::Raw(37500, 7, static_cast<uint32_t>(note.counted.size()), at))
        .Add(Entry::Ascii(36867, "2026:12:06 10:00:00"));
    b.AddDirectory().Add(Entry::Short(259, {6})).Thumbnail(FakeJpegStream(600, 3));
    tiff = b.Build();
    at = static_cast<uint32_t>(tiff.size()) + 6;  // the value entries do not move with it
  }
  tiff.resize(at, 0);
  tiff.insert(tiff.end(), note.counted.begin(), note.counted.end());
  tiff.insert(tiff.end(), note.past.begin(), note.past.end());
  return {MakeJpeg(tiff), at, note};
}

// The TIFF data of the first Exif APP1 segment.
Bytes ExifTiff(const Bytes &jpeg) {
  for (const auto &s : ScanSegments(jpeg)) {
    if (s.marker == 0xE1) return Bytes(jpeg.begin() + s.offset + 6, jpeg.begin() + s.offset + s.length);
  }
  return {};
}

std::set<std::string> Lines(const std::string &command) {
  std::set<std::string> lines;
  std::istringstream in(Shell(command));
  for (std::string line; std::getline(in, line);) lines.insert(line);
  return lines;
}

TEST(MakerNoteSave, EveryLayoutStaysWhereTheCameraPutItWhenDirectory0Grows) {
  const struct {
    const char *name;
    const char *make;
    bool bigEndian;
    Note (*build)(uint32_t, bool);
  } rows[] = {
      {"offsets from the TIFF header", "Canon", false, HeaderRelative},
      {"offsets from the TIFF header, big-endian", "Canon", true, HeaderRelative},
      {"own header, preview directory past the counted length", "NIKON CORPORATION", false, OwnHeaderPastEnd},
      {"offsets from the note's start in a big-endian file", "FUJIFILM", true, NoteRelative},
      {"big-endian note following the file", "CASIO COMPUTER CO.,LTD.", true, BigEndianFollowingTheFile},
  };
  const std::string description(300, 'd');
  for (const auto &row : rows) {
    SCOPED_TRACE(row.name);
    const Photo photo = MakePhoto(row.make, row.bigEndian, row.build);
    Loaded doc(photo.jpeg);
    TagValue text{2, static_cast<int32_t>(description.size() + 1), const_cast<char *>(description.c_str())};
    ASSERT_EQ(kExifSetTag(doc.handle, 270, &text, 0), 0);
    const std::string saved = doc.dir.File("saved.jpg");
    ASSERT_EQ(kExifSaveFile(doc.handle, saved.c_str()), 0);

    const Bytes before = ExifTiff(photo.jpeg);
    const Bytes after = ExifTiff(ReadFileBytes(saved));
    const size_t kept = photo.note.counted.size() + photo.note.past.size();
    ASSERT_GE(after.size(), photo.noteAt + kept);
    EXPECT_EQ(Bytes(after.begin() + photo.noteAt, after.begin() + photo.noteAt + kept),
              Bytes(before.begin() + photo.noteAt, before.begin() + photo.noteAt + kept));
    EXPECT_EQ(after[0], before[0]) << "the block keeps the source's byte order";
    Loaded again(saved);
    TagValue note{};
    ASSERT_EQ(kExifGetTag(again.handle, 37500, &note, 0), 0);
    EXPECT_EQ(Bytes(static_cast<uint8_t *>(note.data), static_cast<uint8_t *>(note.data) + note.count),
              photo.note.counted);
    std::free(note.data);

    if (!HaveExiftool()) continue;
    const auto notes = [](const std::string &path) {
      return Lines("exiftool -a -G0:1 -s -n -MakerNotes:all '" + path + "' 2>&1");
    };
    const auto warnings = [](const std::string &path) { return Lines("exiftool -a -s -Warning '" + path + "' 2>&1"); };
    const auto notesBefore = notes(doc.path);
    EXPECT_GE(notesBefore.size(), 2u) << "exiftool decodes the synthetic note";
    EXPECT_EQ(notes(saved), notesBefore);
    for (const std::string &w : warnings(saved)) EXPECT_TRUE(warnings(doc.path).count(w)) << "new: " << w;
  }
}

// A note may begin at the first byte after directory 0's table: its place
// is kept there too.
TEST(MakerNoteSave, ANoteRightBehindDirectory0StaysInPlace) {
  constexpr uint32_t kNoteAt = 8 + 2 + 12 + 4;
  const Note note = HeaderRelative(kNoteAt, false);
  const auto noteSize = static_cast<uint32_t>(note.counted.size());
  Out tiff{false, {}};
  tiff.Text("II").U16(42).U32(8).Table({{34665, 4, 1, kNoteAt + noteSize}});
  tiff.bytes.insert(tiff.bytes.end(), note.counted.begin(), note.counted.end());
  tiff.Table({{37500, 7, noteSize, kNoteAt}});
  Loaded doc(MakeJpeg(tiff.bytes));
  ASSERT_EQ(SetText(doc.handle, 36867, "2026:12:06 10:00:00"), 0);
  const std::string saved = doc.dir.File("saved.jpg");
  ASSERT_EQ(kExifSaveFile(doc.handle, saved.c_str()), 0);
  const Bytes after = ExifTiff(ReadFileBytes(saved));
  ASSERT_GE(after.size(), kNoteAt + noteSize);
  EXPECT_EQ(Bytes(after.begin() + kNoteAt, after.begin() + kNoteAt + noteSize), note.counted);
}

// A note the host sets is new data: it moves with the packed layout, and a
// big-endian source is then written little-endian as any other save.
TEST(MakerNoteSave, ANoteTheHostSetsIsPackedLikeAnyOtherValue) {
  const Photo photo = MakePhoto("CASIO COMPUTER CO.,LTD.", true, BigEndianFollowingTheFile);
  Loaded doc(photo.jpeg);
  Bytes mine(40, 0x5A);
  TagValue value{7, static_cast<int32_t>(mine.size()), mine.data()};
  ASSERT_EQ(kExifSetTag(doc.handle, 37500, &value, 0), 0);
  const std::string saved = doc.dir.File("saved.jpg");
  ASSERT_EQ(kExifSaveFile(doc.handle, saved.c_str()), 0);

  const Bytes tiff = ExifTiff(ReadFileBytes(saved));
  ASSERT_EQ(Bytes(tiff.begin(), tiff.begin() + 2), (Bytes{'I', 'I'}));
  const auto exif = ReadTiffDirectory(tiff, ReadTiffDirectory(tiff, 8).Find(34665)->field);
  const ReadEntry *note = exif.Find(37500);
  ASSERT_NE(note, nullptr);
  EXPECT_LT(note->field, photo.noteAt);
  EXPECT_EQ(Bytes(tiff.begin() + note->field, tiff.begin() + note->field + 40), mine);
}

}  // namespace
}  // namespace kexif::test
