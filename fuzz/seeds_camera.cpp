#include "fuzz/seeds_camera.h"

#include <algorithm>
#include <functional>
#include <string>

#include "tests/support/jpeg_builder.h"

namespace kexif::fuzz {
namespace {

using test::Bytes;
using test::Entry;
using test::Ifd;
using test::JpegBuilder;
using test::TiffBuilder;

constexpr uint16_t kAscii = 2;
constexpr uint16_t kShort = 3;
constexpr uint16_t kLong = 4;
constexpr uint16_t kUndefined = 7;
constexpr size_t kInlineBytes = 4;

void Put16(Bytes &out, bool big, uint16_t v) {
  const uint8_t b[2] = {static_cast<uint8_t>(big ? v >> 8 : v), static_cast<uint8_t>(big ? v : v >> 8)};
  out.insert(out.end(), b, b + 2);
}

void Put32(Bytes &out, bool big, uint32_t v) {
  Put16(out, big, static_cast<uint16_t>(big ? v >> 16 : v));
  Put16(out, big, static_cast<uint16_t>(big ? v : v >> 16));
}

// One entry of a maker-note directory, its value in the note's byte order.
struct NoteEntry {
  uint16_t tag;
  uint16_t type;
  uint32_t count;
  Bytes value;
};

NoteEntry NoteShorts(bool big, uint16_t tag, const std::vector<uint16_t> &values) {
  NoteEntry e{tag, kShort, static_cast<uint32_t>(values.size()), {}};
  for (uint16_t v : values) Put16(e.value, big, v);
  return e;
}

NoteEntry NoteLongs(bool big, uint16_t tag, const std::vector<uint32_t> &values) {
  NoteEntry e{tag, kLong, static_cast<uint32_t>(values.size()), {}};
  for (uint32_t v : values) Put32(e.value, big, v);
  return e;
}

NoteEntry NoteText(uint16_t tag, const std::string &text) {
  NoteEntry e{tag, kAscii, static_cast<uint32_t>(text.size() + 1), Bytes(text.size() + 1, 0)};
  std::copy(text.begin(), text.end(), e.value.begin());
  return e;
}

NoteEntry NoteBlock(uint16_t tag, const Bytes &bytes) {
  return NoteEntry{tag, kUndefined, static_cast<uint32_t>(bytes.size()), bytes};
}

// Bytes of a directory with its value area behind it.
size_t DirectorySize(const std::vector<NoteEntry> &entries) {
  size_t n = 2 + 12 * entries.size() + 4;
  for (const NoteEntry &e : entries) {
    if (e.value.size() > kInlineBytes) n += e.value.size() + (e.value.size() & 1);
  }
  return n;
}

// Appends a directory and its value area to note. A value's stored offset is
// its position in note plus base: the distance from the point the layout
// counts offsets from to the note's first byte (the TIFF header, the note
// itself, or the note's own header).
void AppendDirectory(Bytes &note, bool big, int64_t base, const std::vector<NoteEntry> &entries) {
  const size_t valuesAt = note.size() + 2 + 12 * entries.size() + 4;
  Bytes values;
  Put16(note, big, static_cast<uint16_t>(entries.size()));
  for (const NoteEntry &e : entries) {
    Put16(note, big, e.tag);
    Put16(note, big, e.type);
    Put32(note, big, e.count);
    if (e.value.size() <= kInlineBytes) {
      Bytes field = e.value;
      field.resize(kInlineBytes, 0);
      note.insert(note.end(), field.begin(), field.end());
      continue;
    }
    Put32(note, big, static_cast<uint32_t>(static_cast<int64_t>(valuesAt + values.size()) + base));
    values.insert(values.end(), e.value.begin(), e.value.end());
    if (values.size() & 1) values.push_back(0);
  }
  Put32(note, big, 0);
  note.insert(note.end(), values.begin(), values.end());
}

// What a camera's note typically holds: a version, settings tables, a
// quality text, counters and an opaque block.
std::vector<NoteEntry> NoteSettings(bool big) {
  return {NoteBlock(0x0001, {'0', '2', '1', '0'}), NoteShorts(big, 0x0002, {0, 200}),
          NoteShorts(big, 0x0003, {1, 2, 3, 4, 5, 6, 7, 8}), NoteText(0x0004, "FINE   "),
          NoteLongs(big, 0x0010, {0x12345678, 3, 4}), NoteBlock(0x0020, Bytes(40, 0x33))};
}

// Layouts of maker notes; noteOffset is where the note lies from the TIFF
// header. Every maker returns the same size whatever the offset.
using NoteMaker = std::function<Bytes(bool big, uint32_t noteOffset)>;

// A maker note and the Make text that readers pick its layout by.
struct CameraNote {
  std::string make;
  NoteMaker note;
};

// A bare directory whose values are addressed from the TIFF header.
Bytes HeaderOffsetNote(bool big, uint32_t noteOffset) {
  Bytes note;
  AppendDirectory(note, big, noteOffset, NoteSettings(big));
  return note;
}

// A signature, then a directory addressed from the TIFF header.
Bytes SignedHeaderOffsetNote(bool big, uint32_t noteOffset) {
  const std::string signature("SONY DSC \0\0\0", 12);
  Bytes note(signature.begin(), signature.end());
  AppendDirectory(note, big, noteOffset, NoteSettings(big));
  return note;
}

// A signature and version, then a TIFF header of its own (in the order
// opposite to the file's) whose directory holds a sub-directory; offsets
// count from that header.
Bytes OwnHeaderNote(bool big, uint32_t) {
  const bool own = !big;
  const uint8_t order = own ? 'M' : 'I';
  Bytes note = {'N', 'i', 'k', 'o', 'n', 0, 2, 0, 0, 0, order, order};
  const int64_t header = 10;
  Put16(note, own, 42);
  Put32(note, own, 8);
  std::vector<NoteEntry> main = NoteSettings(own);
  main.push_back(NoteLongs(own, 0x0011, {0}));
  const uint32_t subAt = static_cast<uint32_t>(note.size() + DirectorySize(main) - header);
  main.back() = NoteLongs(own, 0x0011, {subAt});
  AppendDirectory(note, own, -header, main);
  AppendDirectory(note, own, -header,
                  {NoteShorts(own, 0x0001, {1}), NoteLongs(own, 0x0002, {600, 400}), NoteBlock(0x0003, Bytes(24, 0x44))});
  return note;
}

// A signature and a little-endian offset to the directory; offsets count
// from the note's first byte, whatever the file's order.
Bytes NoteStartOffsetNote(bool, uint32_t) {
  Bytes note = {'F', 'U', 'J', 'I', 'F', 'I', 'L', 'M'};
  Put32(note, false, 12);
  AppendDirectory(note, false, 0, NoteSettings(false));
  return note;
}

CameraNote HeaderOffsetCamera() { return {"Canon", HeaderOffsetNote}; }
CameraNote SignedHeaderOffsetCamera() { return {"SONY", SignedHeaderOffsetNote}; }

// The TIFF structure of a camera photo: directory 0, an Exif sub-directory
// with the maker note and an Interoperability directory, GPS, and a
// thumbnail directory; image strips in directory 0 when asked.
Bytes CameraTiffWithNote(bool big, const std::string &make, const Bytes &note, bool strips) {
  TiffBuilder b(big);
  Ifd &ifd0 = b.AddDirectory();
  ifd0.Add(Entry::Ascii(271, make)).Add(Entry::Ascii(272, "Model X100"))
      .Add(Entry::Short(274, {1})).Add(Entry::Rational(282, {{72, 1}})).Add(Entry::Rational(283, {{72, 1}}))
      .Add(Entry::Short(296, {2})).Add(Entry::Ascii(305, "Firmware 1.02"))
      .Add(Entry::Ascii(306, "2021:06:05 14:03:22")).Add(Entry::Short(531, {2}));
  if (strips) ifd0.strips = {Bytes(96, 0x40), Bytes(64, 0x41)};
  Ifd &exif = ifd0.Exif();
  exif.Add(Entry::Rational(33434, {{1, 125}})).Add(Entry::Rational(33437, {{28, 10}}))
      .Add(Entry::Short(34850, {2})).Add(Entry::Short(34855, {200}))
      .Add(Entry::Undefined(36864, {'0', '2', '3', '0'})).Add(Entry::Ascii(36867, "2021:06:05 14:03:22"))
      .Add(Entry::Ascii(36868, "2021:06:05 14:03:22")).Add(Entry::Undefined(37121, {1, 2, 3, 0}))
      .Add(Entry::SRational(37380, {{0, 3}})).Add(Entry::Rational(37381, {{3, 1}}))
      .Add(Entry::Short(37383, {5})).Add(Entry::Short(37385, {16})).Add(Entry::Rational(37386, {{50, 1}}))
      .Add(Entry::Undefined(37500, note))
      .Add(Entry::Undefined(37510, {'A', 'S', 'C', 'I', 'I', 0, 0, 0, 'h', 'o', 'l', 'i', 'd', 'a', 'y'}))
      .Add(Entry::Undefined(40960, {'0', '1', '0', '0'})).Add(Entry::Short(40961, {1}))
      .Add(Entry::Long(40962, {4000})).Add(Entry::Long(40963, {3000})).Add(Entry::Short(41495, {2}))
      .Add(Entry::Undefined(41728, {3})).Add(Entry::Undefined(41729, {1})).Add(Entry::Short(41985, {0}))
      .Add(Entry::Short(41986, {0})).Add(Entry::Short(41987, {0})).Add(Entry::Short(41990, {0}));
  exif.Interop().Add(Entry::Ascii(1, "R98")).Add(Entry::Undefined(2, {'0', '1', '0', '0'}));
  ifd0.Gps()
      .Add(Entry::Byte(0, {2, 3, 0, 0})).Add(Entry::Ascii(1, "N")).Add(Entry::Rational(2, {{48, 1}, {51, 1}, {2412, 100}}))
      .Add(Entry::Ascii(3, "E")).Add(Entry::Rational(4, {{2, 1}, {21, 1}, {765, 100}})).Add(Entry::Byte(5, {0}))
      .Add(Entry::Rational(6, {{3500, 100}})).Add(Entry::Ascii(29, "2021:06:05"));
  b.AddDirectory().Add(Entry::Short(259, {6})).Add(Entry::Rational(282, {{72, 1}}))
      .Add(Entry::Rational(283, {{72, 1}})).Add(Entry::Short(296, {2}))
      .Thumbnail(test::FakeJpegStream(1500, 9));
  return b.Build();
}

// The structure built twice: the first time tells where the note lands, so
// that the second can address its values from the TIFF header.
Bytes CameraTiff(bool big, const CameraNote &camera, bool strips = false) {
  const NoteMaker &makeNote = camera.note;
  const Bytes probe = makeNote(big, 0);
  const Bytes first = CameraTiffWithNote(big, camera.make, probe, strips);
  const auto at = std::search(first.begin(), first.end(), probe.begin(), probe.end());
  const uint32_t noteOffset = at == first.end() ? 0 : static_cast<uint32_t>(at - first.begin());
  return CameraTiffWithNote(big, camera.make, makeNote(big, noteOffset), strips);
}

std::string XmpPacket() {
  std::string packet =
      "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>"
      "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
      "<rdf:Description rdf:about=\"\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" xmp:Rating=\"3\""
      " xmp:ModifyDate=\"2021-06-05T14:03:22\"/></rdf:RDF></x:xmpmeta>";
  packet.append(1200, ' ');
  packet += "<?xpacket end=\"w\"?>";
  return packet;
}

// An APP2 ICC profile chunk (1 of 1): a profile header and one text tag.
Bytes IccPayload() {
  Bytes payload = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, 1, 1};
  constexpr uint8_t kProfileSize = 156;
  Bytes profile(kProfileSize, 0);
  profile[3] = kProfileSize;
  const auto put = [&profile](size_t at, const char *text) { std::copy(text, text + 4, profile.begin() + at); };
  profile[8] = 2;
  profile[9] = 0x10;
  put(12, "mntr");
  put(16, "RGB ");
  put(20, "XYZ ");
  put(36, "acsp");
  profile[131] = 1;  // one tag: a copyright text at 144, 12 bytes
  put(132, "cprt");
  profile[139] = 144;
  profile[143] = 12;
  put(144, "text");
  put(152, "none");
  payload.insert(payload.end(), profile.begin(), profile.end());
  return payload;
}

// A Huffman table of one code for the given class and index.
Bytes HuffmanTable(uint8_t classAndIndex) {
  Bytes table(18, 0);  // class and index, 16 code counts, one symbol
  table[0] = classAndIndex;
  table[1] = 1;
  return table;
}

// Entropy-coded bytes with the FF bytes stuffed as a real scan has them.
Bytes Scan(size_t n, uint8_t seed) {
  Bytes out;
  for (size_t i = 0; i < n; ++i) {
    const auto b = static_cast<uint8_t>(i * 29 + seed);
    out.push_back(b);
    if (b == 0xFF) out.push_back(0);
  }
  return out;
}

// Frame and the metadata segments that come before it.
JpegBuilder &CameraHead(JpegBuilder &j, bool big, const CameraNote &note) {
  return j.Soi().App1Exif(CameraTiff(big, note)).App1Xmp(XmpPacket()).Segment(0xE2, IccPayload()).Dqt();
}

Bytes CameraJpeg(bool big, const CameraNote &note) {
  JpegBuilder j;
  CameraHead(j, big, note).Sof0().Dht().Sos().Raw(Scan(300, 1)).Eoi();
  return j.Build();
}

// SOF2 and three scans, each with its Huffman table just before it.
Bytes ProgressiveJpeg(bool big) {
  const Bytes frame = {8, 0, 16, 0, 16, 3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1};
  JpegBuilder j;
  j.Soi().App0Jfif().App1Exif(CameraTiff(big, HeaderOffsetCamera())).Segment(0xE2, IccPayload()).Dqt()
      .Segment(0xC2, frame)
      .Segment(0xC4, HuffmanTable(0x00))
      .Segment(0xDA, {3, 1, 0x00, 2, 0x00, 3, 0x00, 0, 0, 0x01}).Raw(Scan(120, 2))
      .Segment(0xC4, HuffmanTable(0x10))
      .Segment(0xDA, {1, 1, 0x00, 1, 5, 0x02}).Raw(Scan(160, 3))
      .Segment(0xC4, HuffmanTable(0x11))
      .Segment(0xDA, {1, 2, 0x01, 1, 63, 0x01}).Raw(Scan(90, 4))
      .Eoi();
  return j.Build();
}

// Segments behind the entropy-coded data: before EOI, or after it as a
// trailer; the trailer may be a whole preview JPEG with Exif data.
Bytes SegmentsAfterImage(bool big, int where) {
  JpegBuilder j;
  CameraHead(j, big, SignedHeaderOffsetCamera()).Sof0().Dht().Sos().Raw(Scan(200, 5));
  const Bytes trailerText = {'T', 'R', 'A', 'I', 'L', 0, 1, 2, 3, 4};
  if (where == 0) j.Segment(0xEB, trailerText).App1Xmp("<x:xmpmeta/>");
  j.Eoi();
  if (where == 1) j.Segment(0xE1, trailerText).Segment(0xEF, Bytes(30, 0x6B));
  if (where == 2) {
    j.Soi().App1Exif(CameraTiffWithNote(big, "Preview", {'n', 'o', 't', 'e'}, false)).Dqt().Sof0().Dht().Sos().Raw(Scan(60, 6)).Eoi();
  }
  return j.Build();
}

}  // namespace

Bytes CameraLikeJpeg(bool bigEndian) { return CameraJpeg(bigEndian, HeaderOffsetCamera()); }

std::vector<Seed> CameraLikeSeeds() {
  const struct {
    const char *name;
    CameraNote camera;
  } notes[] = {
      {"note-header-offsets", HeaderOffsetCamera()},
      {"note-signed-header-offsets", SignedHeaderOffsetCamera()},
      {"note-own-header", {"NIKON CORPORATION", OwnHeaderNote}},
      {"note-start-offsets", {"FUJIFILM", NoteStartOffsetNote}},
  };
  std::vector<Seed> seeds;
  for (bool big : {false, true}) {
    const std::string order = big ? "-be" : "-le";
    for (const auto &n : notes) {
      seeds.push_back({std::string("camera-") + n.name + order + ".jpg", CameraJpeg(big, n.camera)});
    }
    seeds.push_back({"camera-strips" + order + ".tif", CameraTiff(big, HeaderOffsetCamera(), true)});
    seeds.push_back({"camera-own-header-note" + order + ".tif", CameraTiff(big, {"NIKON CORPORATION", OwnHeaderNote})});
    seeds.push_back({"progressive" + order + ".jpg", ProgressiveJpeg(big)});
    seeds.push_back({"segments-before-eoi" + order + ".jpg", SegmentsAfterImage(big, 0)});
    seeds.push_back({"segments-after-eoi" + order + ".jpg", SegmentsAfterImage(big, 1)});
    seeds.push_back({"preview-after-eoi" + order + ".jpg", SegmentsAfterImage(big, 2)});
  }
  return seeds;
}

}  // namespace kexif::fuzz
