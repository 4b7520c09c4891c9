#include "tests/support/tiff_builder.h"

#include <algorithm>
#include <cstring>

namespace kexif::test {
namespace {

size_t ElementSizeOf(uint16_t type) {
  switch (type) {
    case 1: case 2: case 6: case 7: return 1;
    case 3: case 8: return 2;
    case 4: case 9: case 11: return 4;
    case 5: case 10: case 12: return 8;
    default: return 0;
  }
}

class Writer {
 public:
  explicit Writer(bool bigEndian) : big_(bigEndian) {}
  Bytes out;

  void U16At(size_t pos, uint16_t v) {
    if (big_) {
      out[pos] = static_cast<uint8_t>(v >> 8);
      out[pos + 1] = static_cast<uint8_t>(v);
    } else {
      out[pos] = static_cast<uint8_t>(v);
      out[pos + 1] = static_cast<uint8_t>(v >> 8);
    }
  }
  void U32At(size_t pos, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
      const int shift = big_ ? 24 - 8 * i : 8 * i;
      out[pos + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> shift);
    }
  }
  size_t Reserve(size_t n) {
    const size_t at = out.size();
    out.resize(at + n, 0);
    return at;
  }
  // Value bytes in file order from native-order bytes.
  Bytes FileOrder(const Entry &e) const {
    Bytes v = e.value;
    const size_t size = ElementSizeOf(e.type);
    if (!big_ || size <= 1) return v;
    if (e.type == 5 || e.type == 10) {
      for (size_t i = 0; i + 4 <= v.size(); i += 4) std::reverse(v.begin() + i, v.begin() + i + 4);
    } else {
      for (size_t i = 0; i + size <= v.size(); i += size) std::reverse(v.begin() + i, v.begin() + i + size);
    }
    return v;
  }

  // Writes ifd at the end of out; returns the position of its next link.
  size_t WriteIfd(const Ifd &ifd) {
    std::vector<Entry> entries = ifd.entries;
    // Entries whose value field is patched once the target is placed.
    enum Patch { kNone, kExif, kGps, kInterop, kThumb, kStrips };
    std::vector<Patch> patches(entries.size(), kNone);
    auto add = [&](Entry e, Patch p) {
      entries.push_back(std::move(e));
      patches.push_back(p);
    };
    if (ifd.exif) add(Entry::Long(34665, {0}), kExif);
    if (ifd.gps) add(Entry::Long(34853, {0}), kGps);
    if (ifd.interop) add(Entry::Long(40965, {0}), kInterop);
    if (ifd.hasJpegThumbnail) {
      add(Entry::Long(513, {0}), kThumb);
      add(Entry::Long(514, {static_cast<uint32_t>(ifd.jpegThumbnail.size())}), kNone);
    }
    if (!ifd.strips.empty()) {
      std::vector<uint32_t> counts;
      for (const Bytes &s : ifd.strips) counts.push_back(static_cast<uint32_t>(s.size()));
      add(Entry::Long(273, std::vector<uint32_t>(ifd.strips.size(), 0)), kStrips);
      add(Entry::Long(279, counts), kNone);
    }
    std::vector<size_t> order(entries.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    if (ifd.sortEntries) {
      std::stable_sort(order.begin(), order.end(),
                       [&](size_t a, size_t b) { return entries[a].tag < entries[b].tag; });
    }
    const size_t start = Reserve(2 + 12 * entries.size() + 4);
    U16At(start, static_cast<uint16_t>(entries.size()));
    const size_t link = start + 2 + 12 * entries.size();
    std::vector<size_t> fieldPos(entries.size());
    for (size_t k = 0; k < order.size(); ++k) {
      const Entry &e = entries[order[k]];
      const size_t at = start + 2 + 12 * k;
      fieldPos[order[k]] = at + 8;
      U16At(at, e.tag);
      U16At(at + 2, e.type);
      U32At(at + 4, e.rawCount ? *e.rawCount : e.count);
      if (e.rawField) {
        U32At(at + 8, *e.rawField);
        continue;
      }
      Bytes v = FileOrder(e);
      if (v.size() <= 4 && e.type != 5 && e.type != 10 && e.type != 12) {
        std::memcpy(&out[at + 8], v.data(), v.size());
      } else {
        const size_t valuePos = Reserve(v.size());
        std::memcpy(&out[valuePos], v.data(), v.size());
        U32At(at + 8, static_cast<uint32_t>(valuePos));
      }
    }
    for (size_t i = 0; i < entries.size(); ++i) {
      switch (patches[i]) {
        case kExif: {
          const size_t pos = out.size();
          WriteIfdAsSub(*ifd.exif);
          U32At(fieldPos[i], static_cast<uint32_t>(pos));
          break;
        }
        case kGps: {
          const size_t pos = out.size();
          WriteIfdAsSub(*ifd.gps);
          U32At(fieldPos[i], static_cast<uint32_t>(pos));
          break;
        }
        case kInterop: {
          const size_t pos = out.size();
          WriteIfdAsSub(*ifd.interop);
          U32At(fieldPos[i], static_cast<uint32_t>(pos));
          break;
        }
        case kThumb: {
          const size_t pos = Reserve(ifd.jpegThumbnail.size());
          std::memcpy(&out[pos], ifd.jpegThumbnail.data(), ifd.jpegThumbnail.size());
          U32At(fieldPos[i], static_cast<uint32_t>(pos));
          break;
        }
        case kStrips: {
          std::vector<uint32_t> offsets;
          for (const Bytes &s : ifd.strips) {
            const size_t pos = Reserve(s.size());
            std::memcpy(&out[pos], s.data(), s.size());
            offsets.push_back(static_cast<uint32_t>(pos));
          }
          if (offsets.size() == 1) {
            U32At(fieldPos[i], offsets[0]);
          } else {
            const size_t table = ReadFieldOffset(fieldPos[i]);
            for (size_t k = 0; k < offsets.size(); ++k) U32At(table + 4 * k, offsets[k]);
          }
          break;
        }
        case kNone: break;
      }
    }
    if (ifd.rawNextOffset) U32At(link, *ifd.rawNextOffset);
    return link;
  }

  void WriteIfdAsSub(const Ifd &ifd) { WriteIfd(ifd); }

  size_t ReadFieldOffset(size_t pos) const {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
      const int shift = big_ ? 24 - 8 * i : 8 * i;
      v |= static_cast<uint32_t>(out[pos + static_cast<size_t>(i)]) << shift;
    }
    return v;
  }

 private:
  bool big_;
};

}  // namespace

Entry Entry::Ascii(uint16_t tag, const std::string &text) {
  Entry e{tag, 2, static_cast<uint32_t>(text.size() + 1), Bytes(text.begin(), text.end()), {}, {}};
  e.value.push_back(0);
  return e;
}

Entry Entry::Byte(uint16_t tag, const Bytes &bytes) {
  return Entry{tag, 1, static_cast<uint32_t>(bytes.size()), bytes, {}, {}};
}

Entry Entry::Undefined(uint16_t tag, const Bytes &bytes) {
  return Entry{tag, 7, static_cast<uint32_t>(bytes.size()), bytes, {}, {}};
}

template <typename T>
static Bytes NativeBytes(const std::vector<T> &values) {
  Bytes b(values.size() * sizeof(T));
  if (!values.empty()) std::memcpy(b.data(), values.data(), b.size());
  return b;
}

Entry Entry::Short(uint16_t tag, const std::vector<uint16_t> &values) {
  return Entry{tag, 3, static_cast<uint32_t>(values.size()), NativeBytes(values), {}, {}};
}

Entry Entry::Long(uint16_t tag, const std::vector<uint32_t> &values) {
  return Entry{tag, 4, static_cast<uint32_t>(values.size()), NativeBytes(values), {}, {}};
}

Entry Entry::SLong(uint16_t tag, const std::vector<int32_t> &values) {
  return Entry{tag, 9, static_cast<uint32_t>(values.size()), NativeBytes(values), {}, {}};
}

Entry Entry::Rational(uint16_t tag, const std::vector<std::pair<uint32_t, uint32_t>> &values) {
  std::vector<uint32_t> flat;
  for (auto [n, d] : values) {
    flat.push_back(n);
    flat.push_back(d);
  }
  return Entry{tag, 5, static_cast<uint32_t>(values.size()), NativeBytes(flat), {}, {}};
}

Entry Entry::SRational(uint16_t tag, const std::vector<std::pair<int32_t, int32_t>> &values) {
  std::vector<int32_t> flat;
  for (auto [n, d] : values) {
    flat.push_back(n);
    flat.push_back(d);
  }
  return Entry{tag, 10, static_cast<uint32_t>(values.size()), NativeBytes(flat), {}, {}};
}

Entry Entry::Double(uint16_t tag, const std::vector<double> &values) {
  return Entry{tag, 12, static_cast<uint32_t>(values.size()), NativeBytes(values), {}, {}};
}

Entry Entry::Raw(uint16_t tag, uint16_t type, uint32_t count, uint32_t field) {
  Entry e{tag, type, count, {}, field, {}};
  return e;
}

Ifd &Ifd::Exif() {
  if (!exif) exif = std::make_unique<Ifd>();
  return *exif;
}

Ifd &Ifd::Gps() {
  if (!gps) gps = std::make_unique<Ifd>();
  return *gps;
}

Ifd &Ifd::Interop() {
  if (!interop) interop = std::make_unique<Ifd>();
  return *interop;
}

Ifd &TiffBuilder::AddDirectory() {
  directories_.push_back(std::make_unique<Ifd>());
  return *directories_.back();
}

Bytes TiffBuilder::Build() const {
  Writer w(bigEndian_);
  w.Reserve(8);
  w.out[0] = w.out[1] = bigEndian_ ? 'M' : 'I';
  w.U16At(2, 42);
  std::optional<size_t> previousLink = 4;
  for (const auto &d : directories_) {
    const size_t pos = w.out.size();
    if (previousLink) w.U32At(*previousLink, static_cast<uint32_t>(pos));
    const size_t link = w.WriteIfd(*d);
    // A directory with a raw next link keeps it; the last link stays 0.
    previousLink = d->rawNextOffset ? std::nullopt : std::optional<size_t>(link);
  }
  return w.out;
}

Bytes FakeJpegStream(size_t size, uint8_t seed) {
  Bytes b(size < 4 ? 4 : size);
  for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<uint8_t>(seed + i * 7 + 1);
  b[0] = 0xFF;
  b[1] = 0xD8;
  b[b.size() - 2] = 0xFF;
  b[b.size() - 1] = 0xD9;
  return b;
}

}  // namespace kexif::test
