// Builds TIFF structures in either byte order for tests: directories with
// entries, Exif/GPS/Interoperability sub-directories, chained directories,
// JPEG thumbnails and image strips. Values are given in native order and
// written in the builder's byte order.
#ifndef KEXIF_TESTS_SUPPORT_TIFF_BUILDER_H
#define KEXIF_TESTS_SUPPORT_TIFF_BUILDER_H

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kexif::test {

using Bytes = std::vector<uint8_t>;

struct Entry {
  uint16_t tag = 0;
  uint16_t type = 0;
  uint32_t count = 0;
  Bytes value;                          // native-order value bytes
  std::optional<uint32_t> rawField;     // written as the value field as is
  std::optional<uint32_t> rawCount;     // written as the count as is

  static Entry Ascii(uint16_t tag, const std::string &text);  // NUL added
  static Entry Byte(uint16_t tag, const Bytes &bytes);
  static Entry Undefined(uint16_t tag, const Bytes &bytes);
  static Entry Short(uint16_t tag, const std::vector<uint16_t> &values);
  static Entry Long(uint16_t tag, const std::vector<uint32_t> &values);
  static Entry SLong(uint16_t tag, const std::vector<int32_t> &values);
  static Entry Rational(uint16_t tag, const std::vector<std::pair<uint32_t, uint32_t>> &values);
  static Entry SRational(uint16_t tag, const std::vector<std::pair<int32_t, int32_t>> &values);
  static Entry Double(uint16_t tag, const std::vector<double> &values);
  // An entry whose type, count and 4-byte value field are written verbatim.
  static Entry Raw(uint16_t tag, uint16_t type, uint32_t count, uint32_t field);
};

struct Ifd {
  std::vector<Entry> entries;
  std::unique_ptr<Ifd> exif;     // written behind a 34665 entry
  std::unique_ptr<Ifd> gps;      // behind 34853
  std::unique_ptr<Ifd> interop;  // behind 40965
  Bytes jpegThumbnail;           // adds 513/514 pointing at these bytes
  bool hasJpegThumbnail = false;
  std::vector<Bytes> strips;     // adds 273/279 (LONG tables) pointing at them
  bool sortEntries = true;       // write entries in ascending tag order
  std::optional<uint32_t> rawNextOffset;  // written as the next link as is

  Ifd &Add(Entry e) {
    entries.push_back(std::move(e));
    return *this;
  }
  Ifd &Exif() { return Sub(exif); }
  Ifd &Gps() { return Sub(gps); }
  Ifd &Interop() { return Sub(interop); }
  Ifd &Thumbnail(Bytes bytes) {
    jpegThumbnail = std::move(bytes);
    hasJpegThumbnail = true;
    return *this;
  }

 private:
  static Ifd &Sub(std::unique_ptr<Ifd> &sub) {
    if (!sub) sub = std::make_unique<Ifd>();
    return *sub;
  }
};

class TiffBuilder {
 public:
  explicit TiffBuilder(bool bigEndian = false) : bigEndian_(bigEndian) {}
  // Appends a directory to the main chain.
  Ifd &AddDirectory();
  Ifd &Directory(size_t i) { return *directories_[i]; }
  // The TIFF bytes, header first; offsets count from the header.
  Bytes Build() const;

 private:
  bool bigEndian_;
  std::vector<std::unique_ptr<Ifd>> directories_;
};

// A TIFF structure of one directory holding only Make (271).
Bytes TiffMadeBy(const std::string &make, bool bigEndian = false);

// A JPEG thumbnail-like stream of the given size (FF D8 ... FF D9).
Bytes FakeJpegStream(size_t size, uint8_t seed = 0);

}  // namespace kexif::test

#endif
