#include "tests/support/sample_photo.h"

#include "tests/support/jpeg_builder.h"

namespace kexif::test {

Bytes SampleTiffStructure(bool bigEndian, size_t thumbnailSize) {
  TiffBuilder b(bigEndian);
  Ifd &ifd0 = b.AddDirectory();
  ifd0.Add(Entry::Ascii(270, "A sample photo"))
      .Add(Entry::Ascii(271, "KexifCam"))
      .Add(Entry::Ascii(272, "Model One"))
      .Add(Entry::Short(274, {1}))
      .Add(Entry::Rational(282, {{72, 1}}))
      .Add(Entry::Rational(283, {{72, 1}}))
      .Add(Entry::Short(296, {2}))
      .Add(Entry::Ascii(306, "2026:12:06 10:00:00"));
  Ifd &exif = ifd0.Exif();
  exif.Add(Entry::Rational(33434, {{1, 160}}))
      .Add(Entry::Rational(33437, {{28, 10}}))
      .Add(Entry::Short(34855, {200}))
      .Add(Entry::Undefined(36864, {'0', '2', '3', '0'}))
      .Add(Entry::Ascii(36867, "2026:12:06 09:59:58"))
      .Add(Entry::Ascii(36868, "2026:12:06 09:59:58"))
      .Add(Entry::SRational(37380, {{-1, 3}}))
      .Add(Entry::Short(37383, {5}))
      .Add(Entry::Short(37385, {16}))
      .Add(Entry::Rational(37386, {{50, 1}}))
      .Add(Entry::Undefined(37500, Bytes{'M', 'K', 'N', 'O', 'T', 'E', 0, 1, 2, 3, 4, 5}))
      .Add(Entry::Short(40961, {1}))
      .Add(Entry::Long(40962, {640}))
      .Add(Entry::Long(40963, {480}));
  exif.Interop().Add(Entry::Ascii(1, "R98")).Add(Entry::Undefined(2, {'0', '1', '0', '0'}));
  ifd0.Gps()
      .Add(Entry::Byte(0, {2, 3, 0, 0}))
      .Add(Entry::Ascii(1, "N"))
      .Add(Entry::Rational(2, {{48, 1}, {51, 1}, {30, 1}}))
      .Add(Entry::Ascii(3, "E"))
      .Add(Entry::Rational(4, {{2, 1}, {21, 1}, {0, 1}}));
  Ifd &ifd1 = b.AddDirectory();
  ifd1.Add(Entry::Short(259, {6}))
      .Add(Entry::Rational(282, {{72, 1}}))
      .Add(Entry::Rational(283, {{72, 1}}))
      .Add(Entry::Short(296, {2}))
      .Thumbnail(FakeJpegStream(thumbnailSize, 0x31));
  return b.Build();
}

Bytes SamplePhotoJpeg(bool bigEndian, size_t scanBytes) {
  return MakeJpeg(SampleTiffStructure(bigEndian), scanBytes);
}

}  // namespace kexif::test
