// The jobs the benchmarks time, written as a host would call the library.
// Each returns false when the library did not give the expected answers, so
// that a benchmark never times a failure.
#ifndef KEXIF_BENCH_TASKS_H
#define KEXIF_BENCH_TASKS_H

#include <string>

#include "kexif.h"

namespace kexif::bench {

// Read-only family: open; the five first-directory tags kept by the context
// (DateTime, Make, Model, ImageDescription, Orientation); ExposureTime and
// FNumber of the Exif sub-directory; the thumbnail when wanted; close.
bool ReadTask(const std::string &path, bool wantThumbnail);
// What a photo manager indexes per file: Make, Model, DateTimeOriginal,
// ExposureTime, FNumber, ISOSpeedRatings and the thumbnail's length.
bool IndexTask(const std::string &path);
// Open, copy the thumbnail, close.
bool ThumbnailTask(const std::string &path);
// Open, copy the Exif segment's payload, release it, close.
bool ExifMarkerTask(const std::string &path);

// Editing family: a loaded document, destroyed with the object.
class LoadedDocument {
 public:
  explicit LoadedDocument(const std::string &path) : handle_(kExifLoadFile(path.c_str())) {}
  ~LoadedDocument() { kExifDestroy(handle_); }
  LoadedDocument(const LoadedDocument &) = delete;
  LoadedDocument &operator=(const LoadedDocument &) = delete;
  explicit operator bool() const { return handle_ != nullptr; }
  KExifHandle get() const { return handle_; }

 private:
  KExifHandle handle_;
};

// Load and ask Make, Model, DateTimeOriginal, ExposureTime, FNumber and
// ISOSpeedRatings; destroy.
bool LoadAndGetTask(const std::string &path);

#ifdef KEXIF_BENCH_EDIT_THUMBNAIL
// Load, copy the thumbnail out, release it, destroy.
bool LoadAndThumbnailTask(const std::string &path);
#endif

#ifdef KEXIF_BENCH_SAVE
// Sets DateTimeOriginal and ImageDescription and saves to target.
bool SetTwoTagsAndSave(LoadedDocument &document, const std::string &target);
// Load path, SetTwoTagsAndSave onto path itself, destroy.
bool EditInPlaceTask(const std::string &path);
#endif

}  // namespace kexif::bench

#endif
