#include "tests/support/shell.h"

#include <cstdio>

namespace kexif::test {

std::string Shell(const std::string &command) {
  std::string out;
  std::FILE *pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) out.append(buffer, n);
  pclose(pipe);
  return out;
}

bool HaveExiftool() { return !Shell("exiftool -ver 2>/dev/null").empty(); }

std::string ExiftoolValue(const std::string &path, const std::string &tag) {
  std::string out = Shell("exiftool -s3 -n -" + tag + " '" + path + "' 2>/dev/null");
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

Bytes ExiftoolBinary(const std::string &path, const std::string &tag) {
  const std::string out = Shell("exiftool -m -b -" + tag + " '" + path + "' 2>/dev/null");
  return Bytes(out.begin(), out.end());
}

}  // namespace kexif::test
