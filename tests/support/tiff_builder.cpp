#include "tests/support/tiff_builder.h"

#include <algorithm>
#include <cstring>

namespace kexif::test {
namespace {

bool IsPairType(uint16_t type) { return type == 5 || type == 10; }

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

  // Writes the low n bytes of v at pos in the writer's byte order.
  void PutAt(size_t pos, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) {
      out[pos + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (big_ ? 8 * (n - 1 - i) : 8 * i));
    }
  }
  void U16At(size_t pos, uint16_t v) { PutAt(pos, v, 2); }
  void U32At(size_t pos, uint32_t v) { PutAt(pos, v, 4); }
  size_t Reserve(size_t n) {
    const size_t at = out.size();
    out.resize(at + n, 0);
    return at;
  }
  // Value bytes in file order from native-order bytes; rationals swap per word.
  Bytes FileOrder(const Entry &e) const {
    Bytes v = e.value;
    const size_t size = IsPairType(e.type) ? 4 : ElementSizeOf(e.type);
    if (!big_ || size <= 1) return v;
    for (size_t i = 0; i + size <= v.size(); i += size) std::reverse(v.begin() + i, v.begin() + i + size);
    return v;
  }

  // Writes ifd at the end of out; returns the position of its next link.
  size_t WriteIfd(const Ifd &ifd) {
    std::vector<Entry> entries = ifd.entries;
    // Entries whose value field is patched once the target is placed.
    enum Patch { kNone, kSub, kThumb, kStrips };
    std::vector<std::pair<Patch, const Ifd *>> patches(entries.size(), {kNone, nullptr});
    auto add = [&](Entry e, Patch p, const Ifd *sub = nullptr) {
      entries.push_back(std::move(e));
      patches.emplace_back(p, sub);
    };
    if (ifd.exif) add(Entry::Long(34665, {0}), kSub, ifd.exif.get());
    if (ifd.gps) add(Entry::Long(34853, {0}), kSub, ifd.gps.get());
    if (ifd.interop) add(Entry::Long(40965, {0}), kSub, ifd.interop.get());
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
    // Where each entry's value lies: its field, or the out-of-line bytes.
    std::vector<size_t> fieldPos(entries.size()), valuePos(entries.size());
    for (size_t k = 0; k < order.size(); ++k) {
      const Entry &e = entries[order[k]];
      const size_t at = start + 2 + 12 * k;
      fieldPos[order[k]] = valuePos[order[k]] = at + 8;
      U16At(at, e.tag);
      U16At(at + 2, e.type);
      U32At(at + 4, e.rawCount ? *e.rawCount : e.count);
      if (e.rawField) {
        U32At(at + 8, *e.rawField);
        continue;
      }
      Bytes v = FileOrder(e);
      if (v.size() <= 4 && !IsPairType(e.type) && e.type != 12) {
        std::memcpy(&out[at + 8], v.data(), v.size());
      } else {
        valuePos[order[k]] = Reserve(v.size());
        std::memcpy(&out[valuePos[order[k]]], v.data(), v.size());
        U32At(at + 8, static_cast<uint32_t>(valuePos[order[k]]));
      }
    }
    for (size_t i = 0; i < entries.size(); ++i) {
      switch (patches[i].first) {
        case kSub: {
          const size_t pos = out.size();
          WriteIfd(*patches[i].second);
          U32At(fieldPos[i], static_cast<uint32_t>(pos));
          break;
        }
        case kThumb: {
          const size_t pos = Reserve(ifd.jpegThumbnail.size());
          std::memcpy(&out[pos], ifd.jpegThumbnail.data(), ifd.jpegThumbnail.size());
          U32At(fieldPos[i], static_cast<uint32_t>(pos));
          break;
        }
        case kStrips:
          for (size_t k = 0; k < ifd.strips.size(); ++k) {
            const size_t pos = Reserve(ifd.strips[k].size());
            std::memcpy(&out[pos], ifd.strips[k].data(), ifd.strips[k].size());
            U32At(valuePos[i] + 4 * k, static_cast<uint32_t>(pos));
          }
          break;
        case kNone: break;
      }
    }
    if (ifd.rawNextOffset) U32At(link, *ifd.rawNextOffset);
    return link;
  }

 private:
  bool big_;
};

template <typename T>
Entry Of(uint16_t tag, uint16_t type, const std::vector<T> &values, size_t count) {
  Bytes b(values.size() * sizeof(T));
  if (!values.empty()) std::memcpy(b.data(), values.data(), b.size());
  return Entry{tag, type, static_cast<uint32_t>(count), b, {}, {}};
}

template <typename T>
Entry Pairs(uint16_t tag, uint16_t type, const std::vector<std::pair<T, T>> &values) {
  std::vector<T> flat;
  for (auto [n, d] : values) flat.insert(flat.end(), {n, d});
  return Of(tag, type, flat, values.size());
}

}  // namespace

Entry Entry::Ascii(uint16_t tag, const std::string &text) {
  Bytes b(text.begin(), text.end());
  b.push_back(0);
  return Of(tag, 2, b, b.size());
}
Entry Entry::Byte(uint16_t tag, const Bytes &bytes) { return Of(tag, 1, bytes, bytes.size()); }
Entry Entry::Undefined(uint16_t tag, const Bytes &bytes) { return Of(tag, 7, bytes, bytes.size()); }
Entry Entry::Short(uint16_t tag, const std::vector<uint16_t> &v) { return Of(tag, 3, v, v.size()); }
Entry Entry::Long(uint16_t tag, const std::vector<uint32_t> &v) { return Of(tag, 4, v, v.size()); }
Entry Entry::SLong(uint16_t tag, const std::vector<int32_t> &v) { return Of(tag, 9, v, v.size()); }
Entry Entry::Double(uint16_t tag, const std::vector<double> &v) { return Of(tag, 12, v, v.size()); }
Entry Entry::Rational(uint16_t tag, const std::vector<std::pair<uint32_t, uint32_t>> &v) { return Pairs(tag, 5, v); }
Entry Entry::SRational(uint16_t tag, const std::vector<std::pair<int32_t, int32_t>> &v) { return Pairs(tag, 10, v); }
Entry Entry::Raw(uint16_t tag, uint16_t type, uint32_t count, uint32_t field) { return Entry{tag, type, count, {}, field, {}}; }

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

Bytes TiffMadeBy(const std::string &make, bool bigEndian) {
  TiffBuilder b(bigEndian);
  b.AddDirectory().Add(Entry::Ascii(271, make));
  return b.Build();
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
