// Writes the seed inputs of every harness: make_seeds OUT-DIR
// makes OUT-DIR/<harness>/<seed> files.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "fuzz/harness.h"
#include "fuzz/seeds.h"

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUT-DIR\n", argv[0]);
    return 2;
  }
  size_t n = 0;
  const kexif::fuzz::Harness *harnesses = kexif::fuzz::AllHarnesses(&n);
  for (size_t i = 0; i < n; ++i) {
    const std::filesystem::path folder = std::filesystem::path(argv[1]) / harnesses[i].name;
    std::filesystem::create_directories(folder);
    for (const kexif::fuzz::Seed &seed : kexif::fuzz::MakeSeeds(harnesses[i].name)) {
      std::ofstream out(folder / seed.name, std::ios::binary);
      out.write(reinterpret_cast<const char *>(seed.bytes.data()), static_cast<std::streamsize>(seed.bytes.size()));
      if (!out) {
        std::fprintf(stderr, "%s: cannot write\n", (folder / seed.name).c_str());
        return 1;
      }
    }
  }
  return 0;
}
