#include "bench/tasks.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace kexif::bench {
namespace {

constexpr uint32_t kImageDescription = 270;
constexpr uint32_t kMake = 271;
constexpr uint32_t kModel = 272;
constexpr uint32_t kOrientation = 274;
constexpr uint32_t kDateTime = 306;
constexpr uint32_t kExposureTime = 33434;
constexpr uint32_t kFNumber = 33437;
constexpr uint32_t kIsoSpeedRatings = 34855;
constexpr uint32_t kDateTimeOriginal = 36867;
constexpr int32_t kAscii = 2;

// Closes a reader context when it goes.
class Reader {
 public:
  explicit Reader(const std::string &path) : handle_(kRExifBeginRead(path.c_str())) {}
  ~Reader() { kRExifEndRead(handle_); }
  Reader(const Reader &) = delete;
  Reader &operator=(const Reader &) = delete;
  KRExifHandle get() const { return handle_; }

 private:
  KRExifHandle handle_;
};

bool ReadTags(KRExifHandle context, const uint32_t *tags, size_t n) {
  bool all = true;
  for (size_t i = 0; i < n; ++i) {
    TagValue value{};
    all = kRExifGetTag(context, tags[i], &value) == 0 && value.data != nullptr && all;
  }
  return all;
}

}  // namespace

bool ReadTask(const std::string &path, bool wantThumbnail) {
  static constexpr uint32_t kTags[] = {kDateTime, kMake, kModel, kImageDescription, kOrientation, kExposureTime,
                                       kFNumber};
  const Reader reader(path);
  if (reader.get() == nullptr || !ReadTags(reader.get(), kTags, std::size(kTags))) return false;
  if (!wantThumbnail) return true;
  ThumbnailData thumbnail{};
  return kRExifGetThumbnailData(reader.get(), &thumbnail) == 0 && thumbnail.length > 0;
}

bool IndexTask(const std::string &path) {
  static constexpr uint32_t kTags[] = {kMake, kModel, kDateTimeOriginal, kExposureTime, kFNumber, kIsoSpeedRatings};
  const Reader reader(path);
  if (reader.get() == nullptr || !ReadTags(reader.get(), kTags, std::size(kTags))) return false;
  ThumbnailData thumbnail{};
  return kRExifGetThumbnailData(reader.get(), &thumbnail) == 0 && thumbnail.length > 0;
}

bool ThumbnailTask(const std::string &path) {
  const Reader reader(path);
  ThumbnailData thumbnail{};
  return reader.get() != nullptr && kRExifGetThumbnailData(reader.get(), &thumbnail) == 0 && thumbnail.length > 0;
}

bool ExifMarkerTask(const std::string &path) {
  const Reader reader(path);
  ExifMarkerData marker{};
  if (reader.get() == nullptr || kRExifGetExifMarker(reader.get(), &marker) != 0) return false;
  delete[] marker.data;  // the block is the host's, made with new[]
  return marker.length > 0;
}

bool LoadAndGetTask(const std::string &path) {
  static constexpr uint32_t kTags[] = {kMake, kModel, kDateTimeOriginal, kExposureTime, kFNumber, kIsoSpeedRatings};
  const LoadedDocument document(path);
  if (!document) return false;
  bool all = true;
  for (const uint32_t tag : kTags) {
    TagValue value{};
    all = kExifGetTag(document.get(), tag, &value, 0) == 0 && value.data != nullptr && all;
    std::free(value.data);
  }
  return all;
}

#ifdef KEXIF_BENCH_EDIT_THUMBNAIL
bool LoadAndThumbnailTask(const std::string &path) {
  const LoadedDocument document(path);
  ThumbnailData thumbnail{};
  if (!document || kExifGetThumbnailData(document.get(), &thumbnail) != 0) return false;
  std::free(thumbnail.data);
  return thumbnail.length > 0;
}
#endif

#ifdef KEXIF_BENCH_SAVE
bool SetTwoTagsAndSave(LoadedDocument &document, const std::string &target) {
  static char dateTime[] = "2024:01:02 03:04:05";
  static char description[] = "benchmark edit";
  TagValue date{kAscii, static_cast<int32_t>(sizeof dateTime), dateTime};
  TagValue text{kAscii, static_cast<int32_t>(sizeof description), description};
  return kExifSetTag(document.get(), kDateTimeOriginal, &date, 0) == 0 &&
         kExifSetTag(document.get(), kImageDescription, &text, 0) == 0 &&
         kExifSaveFile(document.get(), target.c_str()) == 0;
}

bool EditInPlaceTask(const std::string &path) {
  LoadedDocument document(path);
  return document && SetTwoTagsAndSave(document, path);
}
#endif

}  // namespace kexif::bench
