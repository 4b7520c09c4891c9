// A document of the editing family that is destroyed with the test, with
// access to the tree behind the handle; thumbnail fetch and store, and an
// Exif block to insert.
#ifndef KEXIF_TESTS_SUPPORT_LOADED_DOCUMENT_H
#define KEXIF_TESTS_SUPPORT_LOADED_DOCUMENT_H

#include <cstdlib>
#include <cstring>
#include <string>

#include "api/document_handle.h"
#include "model/exif_constants.h"
#include "kexif.h"
#include "tests/support/jpeg_builder.h"
#include "tests/support/temp_files.h"

namespace kexif::test {

struct Loaded {
  explicit Loaded(const std::string &file) : path(file), handle(kExifLoadFile(path.c_str())) {}
  // Loads the bytes from a file of the given name in a folder of its own.
  explicit Loaded(const Bytes &bytes, const std::string &name = "a.jpg")
      : path(dir.Write(name, bytes)), handle(kExifLoadFile(path.c_str())) {}
  ~Loaded() { kExifDestroy(handle); }
  Loaded(const Loaded &) = delete;
  Loaded &operator=(const Loaded &) = delete;
  ExifDocument &doc() const { return *ToDocument(handle); }
  TempDir dir;
  std::string path;
  KExifHandle handle;
};

// Saves the document as name in its folder: the full name, or "" when the
// save fails (a Loaded of "" has no handle).
inline std::string SavedCopy(const Loaded &doc, const std::string &name = "saved.jpg") {
  const std::string path = doc.dir.File(name);
  return kExifSaveFile(doc.handle, path.c_str()) == 0 ? path : "";
}

// The result of kExifGetThumbnailData and the bytes it handed out (freed).
struct Fetched {
  int32_t result = -1;
  Bytes bytes;
  bool recordCleared = false;  // the record came back as (null, 0)
};

inline Fetched FetchThumbnail(KExifHandle h) {
  static unsigned char marker = 0;
  ThumbnailData record{&marker, 12345};
  Fetched f;
  f.result = kExifGetThumbnailData(h, &record);
  if (f.result == 0) {
    f.bytes.assign(record.data, record.data + record.length);
    std::free(record.data);
  }
  f.recordCleared = record.data == nullptr && record.length == 0;
  return f;
}

// kExifSetTag with an ASCII value.
inline int32_t SetText(KExifHandle h, uint32_t tag, const std::string &text, int32_t directory = 0) {
  TagValue value{kTypeAscii, static_cast<int32_t>(text.size() + 1), const_cast<char *>(text.c_str())};
  return kExifSetTag(h, tag, &value, directory);
}

// The text of an ASCII tag without its NUL, or "-" when the query fails.
inline std::string TextOf(KExifHandle h, uint32_t tag, int32_t directory = 0) {
  TagValue value{};
  if (kExifGetTag(h, tag, &value, directory) != 0) return "-";
  std::string text(static_cast<const char *>(value.data), static_cast<size_t>(value.count));
  kExifFree(value.data);
  if (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

inline int32_t SetThumbnail(KExifHandle h, const Bytes &bytes) {
  ThumbnailData record{const_cast<unsigned char *>(bytes.data()), static_cast<int32_t>(bytes.size())};
  return kExifSetThumbnailData(h, &record);
}

// A new[] block holding an APP1 Exif payload for the TIFF bytes, as
// kExifInsertExifMarker takes it over.
inline ExifMarkerData ExifBlock(const Bytes &tiff) {
  const Bytes payload = ExifPayload(tiff);
  auto *block = new unsigned char[payload.size()];
  std::memcpy(block, payload.data(), payload.size());
  return ExifMarkerData{block, static_cast<int32_t>(payload.size())};
}

}  // namespace kexif::test

#endif
