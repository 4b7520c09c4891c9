// Replays inputs through the fuzz harnesses without libFuzzer, so that every
// build (plain, sanitizers, valgrind) checks them:
//   kexif_fuzz_replay [--seeds] [--time-limit-ms N] [--through HARNESS] [CORPUS-ROOT...]
// Each CORPUS-ROOT holds one folder per harness (reader/, load/, ...) of
// input files; --seeds adds the generated seed inputs of every harness.
// --through sends every input (every harness's seeds, every corpus file,
// and the files lying in a root itself, such as a folder of photos)
// through that one harness instead. An
// input that crashes or breaks an invariant stops the program; one that runs
// longer than the time limit (0: none) or makes the heap grow more than the
// allowance for its size fails it.
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "fuzz/harness.h"
#include "fuzz/harness_support.h"
#include "fuzz/seeds.h"

#if !defined(__SANITIZE_ADDRESS__)
// Without a sanitizer's allocation hooks the heap is watched here: every
// operator new and delete of the process reports the block's usable size.
__attribute__((noinline)) void *operator new(size_t size) {
  void *p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  kexif::fuzz::NoteAllocation(malloc_usable_size(p));
  return p;
}
__attribute__((noinline)) void *operator new[](size_t size) { return operator new(size); }
__attribute__((noinline)) void *operator new(size_t size, const std::nothrow_t &) noexcept {
  try {
    return operator new(size);
  } catch (...) {
    return nullptr;
  }
}
__attribute__((noinline)) void *operator new[](size_t size, const std::nothrow_t &tag) noexcept { return operator new(size, tag); }
__attribute__((noinline)) void operator delete(void *p) noexcept {
  if (p == nullptr) return;
  kexif::fuzz::NoteRelease(malloc_usable_size(p));
  std::free(p);
}
__attribute__((noinline)) void operator delete[](void *p) noexcept { operator delete(p); }
__attribute__((noinline)) void operator delete(void *p, size_t) noexcept { operator delete(p); }
__attribute__((noinline)) void operator delete[](void *p, size_t) noexcept { operator delete(p); }
__attribute__((noinline)) void operator delete(void *p, const std::nothrow_t &) noexcept { operator delete(p); }
__attribute__((noinline)) void operator delete[](void *p, const std::nothrow_t &) noexcept { operator delete(p); }
#endif

namespace {

using kexif::fuzz::Harness;

struct Totals {
  int passed = 0;
  int failed = 0;
};

void RunOne(const Harness &harness, const std::string &label, const std::vector<uint8_t> &bytes,
            long timeLimitMs, Totals &totals) {
  std::fprintf(stderr, "%s: %s (%zu bytes)\n", harness.name, label.c_str(), bytes.size());
  const auto start = std::chrono::steady_clock::now();
  const kexif::fuzz::HeapWatch heap;
  harness.run(bytes.data(), bytes.size());
  const auto elapsed =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  std::fprintf(stderr, "  %lld ms, heap peak +%zu bytes\n", static_cast<long long>(elapsed), heap.PeakGrowth());
  if (timeLimitMs > 0 && elapsed > timeLimitMs) {
    std::fprintf(stderr, "FAILED %s: %s took %lld ms\n", harness.name, label.c_str(), static_cast<long long>(elapsed));
    ++totals.failed;
    return;
  }
  ++totals.passed;
}

std::vector<uint8_t> ReadAll(const std::filesystem::path &path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Replays every file below root/<harness>/; a folder without a harness is an
// error, so that a misnamed corpus folder is not silently skipped.
bool ReplayCorpus(const std::filesystem::path &root, const Harness *through, long timeLimitMs, Totals &totals) {
  if (!std::filesystem::is_directory(root)) {
    std::fprintf(stderr, "%s: not a folder\n", root.c_str());
    return false;
  }
  std::vector<std::filesystem::path> folders;
  for (const auto &entry : std::filesystem::directory_iterator(root)) folders.push_back(entry.path());
  std::sort(folders.begin(), folders.end());
  for (const auto &folder : folders) {
    if (through != nullptr && std::filesystem::is_regular_file(folder)) {
      RunOne(*through, folder.string(), ReadAll(folder), timeLimitMs, totals);
      continue;
    }
    if (!std::filesystem::is_directory(folder)) continue;
    const Harness *harness = through != nullptr ? through : kexif::fuzz::FindHarness(folder.filename().c_str());
    if (harness == nullptr) {
      std::fprintf(stderr, "%s: no harness of that name\n", folder.c_str());
      return false;
    }
    std::vector<std::filesystem::path> files;
    for (const auto &entry : std::filesystem::directory_iterator(folder)) {
      if (entry.is_regular_file()) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    for (const auto &file : files) RunOne(*harness, file.string(), ReadAll(file), timeLimitMs, totals);
  }
  return true;
}

}  // namespace

int main(int argc, char **argv) {
  long timeLimitMs = 1000;
  bool seeds = false;
  const Harness *through = nullptr;
  std::vector<std::string> roots;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--seeds") == 0) {
      seeds = true;
    } else if (std::strcmp(argv[i], "--time-limit-ms") == 0 && i + 1 < argc) {
      timeLimitMs = std::strtol(argv[++i], nullptr, 10);
    } else if (std::strcmp(argv[i], "--through") == 0 && i + 1 < argc) {
      through = kexif::fuzz::FindHarness(argv[++i]);
      if (through == nullptr) {
        std::fprintf(stderr, "%s: no harness of that name\n", argv[i]);
        return 1;
      }
    } else {
      roots.push_back(argv[i]);
    }
  }
  Totals totals;
  if (seeds) {
    size_t n = 0;
    const Harness *harnesses = kexif::fuzz::AllHarnesses(&n);
    for (size_t i = 0; i < n; ++i) {
      // The seeds are well-formed files: the strict checks hold for them.
      kexif::fuzz::SetStrictEditChecks(true);
      for (const kexif::fuzz::Seed &seed : kexif::fuzz::MakeSeeds(harnesses[i].name)) {
        RunOne(through != nullptr ? *through : harnesses[i], "seed " + seed.name, seed.bytes, timeLimitMs, totals);
      }
      kexif::fuzz::SetStrictEditChecks(false);
    }
  }
  for (const std::string &root : roots) {
    if (!ReplayCorpus(root, through, timeLimitMs, totals)) return 1;
  }
  std::printf("%d passed, %d failed\n", totals.passed, totals.failed);
  return totals.failed == 0 && totals.passed > 0 ? 0 : 1;
}
