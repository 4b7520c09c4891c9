#include "bench/read_bytes.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

#include "bench/tasks.h"

namespace kexif::bench {
namespace {

// Bytes the process has read so far through read() and its kin, or -1.
int64_t ReadCharacters() {
  std::ifstream io("/proc/self/io");
  std::string key;
  int64_t value = 0;
  while (io >> key >> value) {
    if (key == "rchar:") return value;
  }
  return -1;
}

}  // namespace

void ReportBytesRead(const std::vector<InputFile> &files) {
  if (ReadCharacters() < 0) {
    std::printf("\nBytes read per load: not measured, /proc/self/io is not readable here.\n");
    return;
  }
  std::printf("\n| load + get of | file size | bytes read | bytes in front of the image data | ratio |\n"
              "|---|---|---|---|---|\n");
  for (const InputFile &file : files) {
    const int64_t before = ReadCharacters();
    const bool answered = LoadAndGetTask(file.path);
    // Reading /proc/self/io itself counts too: measure that and take it off.
    const int64_t after = ReadCharacters();
    const int64_t probe = ReadCharacters() - after;
    const int64_t read = after - before - probe;
    std::printf("| %s | %lld | %lld%s | %lld | %.2f |\n", file.name.c_str(), static_cast<long long>(file.size),
                static_cast<long long>(read), answered ? "" : " (wrong answer)",
                static_cast<long long>(file.headBytes),
                file.headBytes > 0 ? static_cast<double>(read) / static_cast<double>(file.headBytes) : 0.0);
  }
  std::fflush(stdout);
}

}  // namespace kexif::bench
