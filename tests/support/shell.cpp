#include "tests/support/shell.h"

#include <cstdio>
#include <sstream>

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

std::string ExiftoolOccurrences(const std::string &path, const std::vector<std::string> &tags) {
  std::string options;
  for (const std::string &tag : tags) options += " -" + tag;
  // Lines read "[IFD0] Orientation: 8".
  std::istringstream out(Shell("exiftool -a -G1 -n -s -s" + options + " '" + path + "' 2>/dev/null"));
  std::string joined;
  for (std::string line; std::getline(out, line);) {
    const size_t close = line.find(']');
    const size_t colon = line.find(": ");
    if (line.empty() || line[0] != '[' || close == std::string::npos || colon == std::string::npos) continue;
    if (!joined.empty()) joined += ", ";
    joined += line.substr(1, close - 1) + "=" + line.substr(colon + 2);
  }
  return joined;
}

Bytes ExiftoolBinary(const std::string &path, const std::string &tag) {
  const std::string out = Shell("exiftool -m -b -" + tag + " '" + path + "' 2>/dev/null");
  return Bytes(out.begin(), out.end());
}

}  // namespace kexif::test
