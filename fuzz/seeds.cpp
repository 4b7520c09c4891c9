#include "fuzz/seeds.h"

#include <cstring>

#include "fuzz/lazy_scan_check.h"
#include "fuzz/seeds_camera.h"
#include "tests/support/jpeg_builder.h"
#include "tests/support/sample_photo.h"

namespace kexif::fuzz {
namespace {

using test::Bytes;
using test::Entry;
using test::Ifd;
using test::JpegBuilder;
using test::TiffBuilder;

Bytes Native16(const std::vector<uint16_t> &values) {
  Bytes out(values.size() * 2);
  std::memcpy(out.data(), values.data(), out.size());
  return out;
}

Bytes Native32(const std::vector<uint32_t> &values) {
  Bytes out(values.size() * 4);
  std::memcpy(out.data(), values.data(), out.size());
  return out;
}

// One entry of every field type, in line and out of line.
void AddEveryType(Ifd &ifd) {
  ifd.Add(Entry::Byte(700, {1, 2}))
      .Add(Entry::Byte(701, {1, 2, 3, 4, 5, 6}))
      .Add(Entry::Ascii(702, "ab"))
      .Add(Entry::Ascii(703, "a longer text value"))
      .Add(Entry::Short(704, {7}))
      .Add(Entry::Short(705, {7, 8, 9}))
      .Add(Entry::Long(706, {0x01020304}))
      .Add(Entry::Long(707, {1, 2}))
      .Add(Entry::Rational(708, {{3, 4}}))
      .Add(Entry{709, 6, 3, {0xFF, 0x80, 0x01}, {}, {}})
      .Add(Entry::Undefined(710, {9, 8, 7, 6, 5}))
      .Add(Entry{711, 8, 2, Native16({0x8001, 0x7FFF}), {}, {}})
      .Add(Entry::SLong(712, {-5, 6}))
      .Add(Entry::SRational(713, {{-1, 2}, {3, -4}}))
      .Add(Entry{714, 11, 1, Native32({0x3FC00000}), {}, {}})
      .Add(Entry::Double(715, {1.5, -2.25}));
}

Bytes EveryTypeTiff(bool bigEndian) {
  TiffBuilder b(bigEndian);
  Ifd &ifd0 = b.AddDirectory();
  AddEveryType(ifd0);
  AddEveryType(ifd0.Exif());
  return b.Build();
}

// Three chained directories with strips, GPS and Interoperability data.
Bytes ChainedTiff(bool bigEndian) {
  TiffBuilder b(bigEndian);
  Ifd &ifd0 = b.AddDirectory();
  ifd0.Add(Entry::Short(256, {8})).Add(Entry::Short(257, {2})).Add(Entry::Ascii(271, "Maker"))
      .Add(Entry::Ascii(306, "2020:01:01 00:00:00"));
  ifd0.strips = {Bytes(16, 0x11), Bytes(8, 0x22)};
  ifd0.Exif().Add(Entry::Rational(33434, {{1, 60}})).Interop().Add(Entry::Ascii(1, "R98"));
  ifd0.Gps().Add(Entry::Byte(0, {2, 2, 0, 0})).Add(Entry::Ascii(1, "S"));
  Ifd &ifd1 = b.AddDirectory();
  ifd1.Add(Entry::Short(259, {6})).Thumbnail(test::FakeJpegStream(300, 5));
  Ifd &ifd2 = b.AddDirectory();
  ifd2.Add(Entry::Ascii(306, "2021:02:02 02:02:02")).Add(Entry::Short(274, {6}));
  return b.Build();
}

// A directory with GPS data but no Exif sub-directory.
Bytes GpsOnlyTiff(bool bigEndian) {
  TiffBuilder b(bigEndian);
  Ifd &ifd0 = b.AddDirectory();
  ifd0.Add(Entry::Ascii(272, "GpsOnly"));
  ifd0.Gps().Add(Entry::Rational(2, {{10, 1}, {20, 1}, {30, 1}}));
  return b.Build();
}

// IFD0 only: no Exif pointer, so Exif tag queries parse the segment again.
Bytes PlainDirectoryTiff(bool bigEndian) {
  TiffBuilder b(bigEndian);
  b.AddDirectory().Add(Entry::Ascii(270, "plain")).Add(Entry::Short(274, {3})).Add(Entry::Rational(282, {{300, 1}}));
  return b.Build();
}

// IPTC records and Photoshop resource blocks behind their tags.
Bytes IptcPhotoshopTiff(bool bigEndian) {
  const Bytes iptc = {0x1C, 2, 5, 0, 4, 'n', 'a', 'm', 'e', 0x1C, 2, 25, 0, 3, 'k', 'e', 'y', 0};
  const Bytes photoshop = {'8', 'B', 'I', 'M', 0x04, 0x04, 0, 0, 0, 0, 0, 2, 0xAB, 0xCD,
                           '8', 'B', 'I', 'M', 0x04, 0x0C, 3, 'a', 'b', 'c', 0, 0, 0, 1, 0x55, 0};
  TiffBuilder b(bigEndian);
  b.AddDirectory().Add(Entry::Undefined(33723, iptc)).Add(Entry::Undefined(34377, photoshop))
      .Exif().Add(Entry::Short(40961, {1}));
  return b.Build();
}

// An FPXR clip start: stream header, 28-byte preamble, the first wave bytes.
Bytes ClipStart(uint16_t index, const Bytes &waveHead) {
  Bytes data(28 + waveHead.size(), 0);
  data[0] = 0xFE;
  data[1] = 0xFF;
  std::copy(waveHead.begin(), waveHead.end(), data.begin() + 28);
  return test::FpxrStreamPayload(index, 0, data);
}

Bytes ContentsList() { return {'F', 'P', 'X', 'R', 0, 0, 1, 0, 2, 0, 0, 0, 0, 'l', 'i', 's', 't'}; }

Bytes JpegWithAudio(bool bigEndian) {
  const Bytes wave = test::FakeWave(120, 3);
  JpegBuilder b;
  b.Soi()
      .App0Jfif()
      .App1Exif(test::SampleTiffStructure(bigEndian, 200))
      .Segment(0xE2, ContentsList())
      .Segment(0xE2, ClipStart(1, Bytes(wave.begin(), wave.begin() + 50)))
      .Segment(0xE2, test::FpxrStreamPayload(1, 50, Bytes(wave.begin() + 50, wave.end())))
      .Dqt()
      .Sof0()
      .Dht()
      .Sos()
      .ScanData(64)
      .Eoi();
  return b.Build();
}

Bytes JpegWithXmp(const Bytes &tiff) {
  JpegBuilder b;
  b.Soi().App0Jfif();
  if (!tiff.empty()) b.App1Exif(tiff);
  b.App1Xmp("<x:xmpmeta><rdf:RDF/></x:xmpmeta>").Dqt().Sof0().Dht().Sos().ScanData(48).Eoi();
  return b.Build();
}

// Every file the two single-file harnesses start from.
std::vector<Seed> FileSeeds() {
  std::vector<Seed> seeds;
  for (bool big : {false, true}) {
    const std::string order = big ? "be" : "le";
    seeds.push_back({"sample-" + order + ".jpg", test::SamplePhotoJpeg(big, 256)});
    seeds.push_back({"sample-" + order + ".tif", test::SampleTiffStructure(big, 400)});
    seeds.push_back({"every-type-" + order + ".tif", EveryTypeTiff(big)});
    seeds.push_back({"every-type-" + order + ".jpg", test::MakeJpeg(EveryTypeTiff(big), 32)});
    seeds.push_back({"chained-" + order + ".tif", ChainedTiff(big)});
    seeds.push_back({"chained-" + order + ".jpg", test::MakeJpeg(ChainedTiff(big), 32)});
    seeds.push_back({"gps-only-" + order + ".tif", GpsOnlyTiff(big)});
    seeds.push_back({"plain-directory-" + order + ".jpg", test::MakeJpeg(PlainDirectoryTiff(big), 16)});
    seeds.push_back({"iptc-photoshop-" + order + ".tif", IptcPhotoshopTiff(big)});
    seeds.push_back({"audio-" + order + ".jpg", JpegWithAudio(big)});
    seeds.push_back({"xmp-" + order + ".jpg", JpegWithXmp(PlainDirectoryTiff(big))});
  }
  seeds.push_back({"no-exif.jpg", test::MakeJpegWithoutExif(32)});
  seeds.push_back({"xmp-only.jpg", JpegWithXmp({})});
  for (Seed &seed : CameraLikeSeeds()) seeds.push_back(std::move(seed));
  return seeds;
}

// Edit scripts in the form fuzz/edit_script.h reads; the numbers are the
// operation codes and list positions of harness_edit_save.cpp.
class ScriptBuilder {
 public:
  ScriptBuilder &SetPlain(uint8_t tagIndex, uint8_t directoryIndex, uint8_t type, uint8_t count, const Bytes &bytes) {
    bytes_.insert(bytes_.end(), {0, tagIndex, directoryIndex, type, count});
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
  }
  ScriptBuilder &SetExif(uint8_t tagIndex, uint8_t type, uint8_t count, const Bytes &bytes) {
    bytes_.insert(bytes_.end(), {1, tagIndex, type, count});
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
  }
  ScriptBuilder &Delete(uint8_t tagIndex, uint8_t directoryIndex) {
    bytes_.insert(bytes_.end(), {2, tagIndex, directoryIndex});
    return *this;
  }
  // A sound clip of 12 + size bytes; the script runs dry in it, so it comes last.
  ScriptBuilder &SetAudio(uint16_t size) {
    bytes_.insert(bytes_.end(), {3, static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8)});
    return *this;
  }
  // A thumbnail of 4 + size bytes; the script runs dry in it, so it comes last.
  ScriptBuilder &SetThumbnail(uint16_t size) {
    bytes_.insert(bytes_.end(), {5, static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8)});
    return *this;
  }
  ScriptBuilder &RemoveMarker(uint8_t markerIndex, uint8_t identifierIndex) {
    bytes_.insert(bytes_.end(), {6, markerIndex, identifierIndex});
    return *this;
  }
  // A well-formed Exif block with one UNDEFINED entry of the plain tag list.
  ScriptBuilder &InsertExifBlock(uint8_t tagIndex, const Bytes &value4) {
    bytes_.insert(bytes_.end(), {7, 1, tagIndex});
    bytes_.insert(bytes_.end(), value4.begin(), value4.end());
    return *this;
  }
  // A record with one entry of the Exif tag list.
  ScriptBuilder &ImportOne(uint8_t tagIndex, uint8_t type, uint8_t count, const Bytes &bytes) {
    bytes_.insert(bytes_.end(), {8, 1, tagIndex, type, count});
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
  }
  ScriptBuilder &RemoveAudio() {
    bytes_.push_back(4);
    return *this;
  }
  // The file followed by the script and its length.
  Bytes After(const Bytes &file) const {
    Bytes out = file;
    out.insert(out.end(), bytes_.begin(), bytes_.end());
    out.push_back(static_cast<uint8_t>(bytes_.size()));
    return out;
  }

 private:
  Bytes bytes_;
};

std::vector<Seed> EditSeeds() {
  const Bytes text = {'e', 'd', 'i', 't', 'e', 'd', 0};
  // Description and Make (directory 0), ExposureTime and ColorSpace, then
  // Model deleted and a SRATIONAL, a DOUBLE and a long UNDEFINED value.
  const ScriptBuilder usual = ScriptBuilder()
                                  .SetPlain(0, 0, 2, 7, text)
                                  .SetPlain(1, 0, 2, 7, text)
                                  .SetExif(1, 5, 1, {1, 0, 0, 0, 125, 0, 0, 0})
                                  .SetExif(10, 3, 1, {1, 0})
                                  .Delete(2, 0);
  const ScriptBuilder everyType = ScriptBuilder()
                                      .SetPlain(3, 0, 5, 1, {72, 0, 0, 0, 1, 0, 0, 0})
                                      .SetPlain(10, 0, 12, 1, {0, 0, 0, 0, 0, 0, 0xF8, 0x3F})
                                      .SetExif(6, 10, 1, {0xFF, 0xFF, 0xFF, 0xFF, 3, 0, 0, 0})
                                      .SetExif(9, 7, 20, Bytes(20, 0x5A))
                                      .SetExif(11, 4, 2, {1, 0, 0, 0, 2, 0, 0, 0})
                                      .SetPlain(11, 1, 8, 2, {0xFE, 0xFF, 2, 0})
                                      .Delete(32, 0);
  const ScriptBuilder newClip = ScriptBuilder().SetPlain(0, 0, 2, 7, text).RemoveAudio().SetAudio(700);
  const ScriptBuilder noClip = ScriptBuilder().RemoveAudio().SetExif(1, 5, 1, {1, 0, 0, 0, 30, 0, 0, 0});
  const ScriptBuilder newExif = ScriptBuilder()
                                    .RemoveMarker(0, 0)
                                    .InsertExifBlock(1, {'C', 'a', 'm', 0})
                                    .ImportOne(1, 5, 1, {1, 0, 0, 0, 250, 0, 0, 0})
                                    .SetThumbnail(600);
  // A new thumbnail over whatever the file holds, after a tag edit.
  const ScriptBuilder thumbnail = ScriptBuilder().SetPlain(0, 0, 2, 7, text).SetThumbnail(900);
  std::vector<Seed> seeds;
  for (const Seed &file : FileSeeds()) {
    seeds.push_back({file.name + "+new-exif", newExif.After(file.bytes)});
    seeds.push_back({file.name + "+usual", usual.After(file.bytes)});
    seeds.push_back({file.name + "+every-type", everyType.After(file.bytes)});
    seeds.push_back({file.name + "+new-clip", newClip.After(file.bytes)});
    seeds.push_back({file.name + "+no-clip", noClip.After(file.bytes)});
    seeds.push_back({file.name + "+thumbnail", thumbnail.After(file.bytes)});
  }
  return seeds;
}

// A TIFF file whose Exif sub-directory holds only tags of the Exif set.
Bytes ExifRecordTiff(bool bigEndian) {
  TiffBuilder b(bigEndian);
  b.AddDirectory().Add(Entry::Ascii(271, "Source")).Exif()
      .Add(Entry::Rational(33434, {{1, 250}}))
      .Add(Entry::Undefined(36864, {'0', '2', '3', '0'}))
      .Add(Entry::SRational(37380, {{-2, 3}}))
      .Add(Entry::Undefined(37510, Bytes(40, 'c')))
      .Add(Entry::Short(40961, {1}))
      .Add(Entry::Long(40962, {4000}));
  return b.Build();
}

// A flags byte, the source length (2 bytes, little-endian), source, target.
Bytes Pair(uint8_t flags, const Bytes &source, const Bytes &target) {
  Bytes out = {flags, static_cast<uint8_t>(source.size()), static_cast<uint8_t>(source.size() >> 8)};
  out.insert(out.end(), source.begin(), source.end());
  out.insert(out.end(), target.begin(), target.end());
  return out;
}

std::vector<Seed> BridgeSeeds() {
  const Bytes jpegLe = test::SamplePhotoJpeg(false, 128);
  const Bytes jpegBe = test::MakeJpeg(EveryTypeTiff(true), 16);
  const Bytes tiffLe = test::SampleTiffStructure(false, 300);
  const Bytes tiffBe = EveryTypeTiff(true);
  const Bytes plainJpeg = test::MakeJpegWithoutExif(16);
  const Bytes chained = ChainedTiff(false);
  return {
      {"jpeg-into-plain-jpeg", Pair(3, jpegLe, plainJpeg)},
      {"jpeg-replacing-exif", Pair(3, jpegBe, jpegLe)},
      {"jpeg-beside-exif", Pair(2, jpegLe, JpegWithXmp(PlainDirectoryTiff(true)))},
      {"tiff-record-into-tiff", Pair(4, ExifRecordTiff(true), chained)},
      {"tiff-record-into-tiff-without-exif", Pair(4, ExifRecordTiff(false), GpsOnlyTiff(true))},
      {"tiff-record-into-tiff-without-set-tags", Pair(4, tiffBe, tiffLe)},
      {"everything-into-jpeg", Pair(7, ExifRecordTiff(false), jpegBe)},
      {"everything-into-tiff", Pair(7, jpegLe, tiffBe)},
      {"camera-jpeg-replacing-camera-exif", Pair(3, CameraLikeJpeg(true), CameraLikeJpeg(false))},
      {"camera-jpeg-into-plain-jpeg", Pair(3, CameraLikeJpeg(false), plainJpeg)},
  };
}

}  // namespace

std::vector<Seed> MakeSeeds(const std::string &harness) {
  if (harness == "reader" || harness == "load") return FileSeeds();
  if (harness == "edit-save") return EditSeeds();
  if (harness == "bridge") return BridgeSeeds();
  if (harness == "lazy-scan") {
    std::vector<Seed> seeds = FileSeeds();
    for (Seed &seed : LazyScanCases()) seeds.push_back(std::move(seed));
    return seeds;
  }
  return {};
}

}  // namespace kexif::fuzz
