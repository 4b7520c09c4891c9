#include "tests/support/temp_files.h"

#ifndef _WIN32
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace kexif::test {

#ifdef _WIN32
// The Windows runtime has no mkdtemp: a new folder under a name not taken.
TempDir::TempDir() {
  static unsigned counter = 0;
  const auto base = std::filesystem::temp_directory_path();
  for (int i = 0; i < 100 && path_.empty(); ++i) {
    const auto name = base / ("kexif-test-" + std::to_string(std::rand()) + "-" + std::to_string(++counter));
    std::error_code error;
    if (std::filesystem::create_directory(name, error)) path_ = name.string();
  }
  if (path_.empty()) throw std::runtime_error("no temporary folder");
}
#else
TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "kexif-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}
#endif

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::File(const std::string &name) const { return path_ + "/" + name; }

std::string TempDir::Write(const std::string &name, const Bytes &bytes) const {
  const std::string full = File(name);
  std::ofstream out(full, std::ios::binary);
  out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return full;
}

Bytes ReadFileBytes(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string &path) { return std::filesystem::exists(path); }

std::u16string Utf16(const std::string &utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())).u16string();
}

int CountSaveLeftovers(const std::string &folder) {
  int count = 0;
  for (const auto &entry : std::filesystem::directory_iterator(folder)) {
    count += entry.path().filename().string().find(".$#$") != std::string::npos ? 1 : 0;
  }
  return count;
}

}  // namespace kexif::test
