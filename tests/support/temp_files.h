// Scratch files for tests: each TempDir is a fresh folder removed with its
// contents when the object goes.
#ifndef KEXIF_TESTS_SUPPORT_TEMP_FILES_H
#define KEXIF_TESTS_SUPPORT_TEMP_FILES_H

#include <string>

#include "tests/support/tiff_builder.h"

namespace kexif::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;

  const std::string &path() const { return path_; }
  // path/name
  std::string File(const std::string &name) const;
  // Writes bytes to path/name and returns the full name.
  std::string Write(const std::string &name, const Bytes &bytes) const;

 private:
  std::string path_;
};

Bytes ReadFileBytes(const std::string &path);
bool FileExists(const std::string &path);
// The files left in folder by saves (their names have ".$#$").
int CountSaveLeftovers(const std::string &folder);
inline bool HasSaveLeftover(const std::string &folder) { return CountSaveLeftovers(folder) != 0; }
// The UTF-16 form of an ASCII/UTF-8 path, NUL-terminated.
std::u16string Utf16(const std::string &utf8);

}  // namespace kexif::test

#endif
